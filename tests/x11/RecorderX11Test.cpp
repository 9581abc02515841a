// The recorder on a real X desktop: it records a real key press and names the key as the current
// layout does; and the hot keys while a menu holds the keyboard. The program re-runs itself on the
// private desktop, since the widgets need it from the start.
#include "TestDesktop.h"

#include "base/PreferenceStore.h"
#include "base/QtScheduler.h"
#include "platform/x11/hotkeys/X11HotKeys.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "ui/shortcuts/MenuTrackingMonitor.h"
#include "ui/shortcuts/Recorder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace KeyboardShortcuts;

namespace {
const char* const onDesktop = "QUARLIN_RECORDER_TEST_ON_DESKTOP";

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}
} // namespace

class RecorderX11Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recordsARealKeyPressAndNamesItAsTheLayoutDoes() {
        X11HotKeys keys;
        QVERIFY(keys.isConnected());
        PreferenceStore store;
        QtScheduler scheduler;
        Registry registry(store, keys, scheduler, &keys);
        const Name name(QStringLiteral("toggleMenuBar"));

        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* recorder = new Recorder(QStringLiteral("Toggle menu bar window"), name);
        layout->addWidget(recorder);
        layout->addWidget(new QPushButton(QStringLiteral("Other")));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        RecorderControl* control = recorder->control();

        control->setFocus(Qt::MouseFocusReason);
        QVERIFY(control->isRecording());
        QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+k")}));
        QTRY_COMPARE(getShortcut(name), Shortcut(Key::k, ModifierFlag::command));
        QCOMPARE(control->text(), QStringLiteral("\u2318K"));
        QVERIFY(!control->isRecording());

        // Recorded, it is a hot key at once.
        int ups = 0;
        onKeyUp(name, [&] { ++ups; });
        QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+k")}));
        QTRY_COMPARE(ups, 1);

        // The desktop gives that combination to the hot key, not to a recorder of another slot: the
        // recorder says so and keeps recording.
        const Name other(QStringLiteral("cycleConfigurations"));
        auto* second = new Recorder(QStringLiteral("Cycle"), other);
        layout->addWidget(second);
        second->control()->setFocus(Qt::MouseFocusReason);
        QVERIFY(second->control()->isRecording());
        QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+k")}));
        QTRY_COMPARE(second->control()->refusal(), QStringLiteral("Used by another shortcut"));
        QVERIFY(second->control()->isRecording());
        QVERIFY(!getShortcut(other));
        QCOMPARE(ups, 1);
        control->setFocus(Qt::MouseFocusReason);

        // Under a German layout the key that types z sits where the US layout has y.
        QVERIFY(run(QStringLiteral("setxkbmap"), {QStringLiteral("de")}));
        control->setFocus(Qt::MouseFocusReason);
        QVERIFY(control->isRecording());
        QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+z")}));
        QTRY_COMPARE(getShortcut(name), Shortcut(Key::y, ModifierFlag::command));
        QCOMPARE(control->text(), QStringLiteral("\u2318Z"));
        QVERIFY(run(QStringLiteral("setxkbmap"), {QStringLiteral("us")}));
    }

    // Another program holds the combination: the row says so beside the recorder, and stops saying so
    // once the hot key is ours again.
    void aShortcutAnotherProgramHoldsIsToldBesideItsRecorder() {
        X11HotKeys keys;
        QVERIFY(keys.isConnected());
        // A client of its own on the same display, which grabs first.
        X11HotKeys otherProgram;
        const Shortcut ctrlAltG(Key::g, ModifierFlag::control | ModifierFlag::option);
        const Shortcut superJ(Key::j, ModifierFlag::command);
        QCOMPARE(otherProgram.registerHotKey(ctrlAltG.carbonKeyCode(), ctrlAltG.carbonModifiers(), 1), 0);
        PreferenceStore store;
        QtScheduler scheduler;
        Registry registry(store, keys, scheduler, &keys);
        const Name name(QStringLiteral("toggleMenuBar"));
        const Name free(QStringLiteral("cycleConfigurations"));
        // Stored earlier; the program registers its slots when it starts.
        store.setValue(name.userDefaultsKey(), QString::fromUtf8(ctrlAltG.encoded()));
        onKeyUp(name, [] {});
        onKeyUp(free, [] {});

        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* recorder = new Recorder(QStringLiteral("Toggle menu bar window"), name);
        auto* other = new Recorder(QStringLiteral("Cycle"), free);
        layout->addWidget(recorder);
        layout->addWidget(other);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(recorder->notice()->isVisible());
        QCOMPARE(recorder->notice()->text(), QStringLiteral("Another program uses this shortcut"));
        QCOMPARE(recorder->notice()->textFormat(), Qt::PlainText);
        QVERIFY(!other->notice()->isVisible());

        // Recorded anew, on a combination that is free: the hot key is ours and the note goes.
        recorder->control()->setFocus(Qt::MouseFocusReason);
        QVERIFY(recorder->control()->isRecording());
        QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+j")}));
        QTRY_COMPARE(getShortcut(name), superJ);
        QVERIFY(!recorder->notice()->isVisible());

        // Taken by the other program while a menu had ours suspended: refused when the menu closes,
        // ours again at the next attempt once the other program lets go.
        setMenuOpen(true);
        QCOMPARE(otherProgram.registerHotKey(superJ.carbonKeyCode(), superJ.carbonModifiers(), 2), 0);
        setMenuOpen(false);
        QVERIFY(recorder->notice()->isVisible());
        otherProgram.unregisterHotKey(2);
        setMenuOpen(true);
        setMenuOpen(false);
        QVERIFY(!recorder->notice()->isVisible());
        QVERIFY(isEnabled(name));
    }

    // A menu holds the keyboard, and so does a combo box's list: the hot key works from the keys the
    // popup gets, also with the modifiers let go first (as xdotool does), and the popup stays open.
    void aHotKeyWorksWhileAMenuOrADropDownListIsOpen_data() {
        QTest::addColumn<bool>("dropDownList");
        QTest::newRow("menu") << false;
        QTest::newRow("drop-down list") << true;
    }
    void aHotKeyWorksWhileAMenuOrADropDownListIsOpen() {
        QFETCH(bool, dropDownList);
        X11HotKeys keys;
        PreferenceStore store;
        QtScheduler scheduler;
        Registry registry(store, keys, scheduler, &keys);
        MenuTrackingMonitor menus(registry);
        const Name name(QStringLiteral("cycleConfigurations"));
        // Not with Alt, which closes a menu by itself.
        QVERIFY(setShortcut(Shortcut(Key::k, ModifierFlag::control | ModifierFlag::shift), name));
        int ups = 0;
        onKeyUp(name, [&] { ++ups; });

        QComboBox combo;
        combo.addItems({QStringLiteral("Dark"), QStringLiteral("Light")});
        QMenu menu;
        menu.addAction(QStringLiteral("Item"));
        combo.show();
        QVERIFY(QTest::qWaitForWindowActive(&combo));
        QWidget* popup = dropDownList ? combo.view()->window() : &menu;
        if (dropDownList)
            combo.showPopup();
        else
            menu.popup(combo.geometry().center());
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+shift+k")}));
        QTRY_COMPARE(ups, 1);
        QVERIFY(popup->isVisible());

        // Closed, the hot key is the desktop's again.
        QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}));
        QTRY_VERIFY(!isMenuOpen());
        QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+shift+k")}));
        QTRY_COMPARE(ups, 2);
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty(onDesktop)) {
        QCoreApplication app(argc, argv);
        TestDesktop desktop;
        if (!desktop.isReady()) {
            qCritical("no test desktop: %s", qPrintable(desktop.error()));
            return 1;
        }
        QProcessEnvironment environment = desktop.environment();
        environment.insert(QLatin1String(onDesktop), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const QString lsan = environment.value(QStringLiteral("LSAN_OPTIONS"));
        environment.insert(QStringLiteral("LSAN_OPTIONS"),
                           (lsan.isEmpty() ? QString() : lsan + QLatin1Char(':')) +
                               QStringLiteral("suppressions=" QUARLIN_LSAN_SUPPRESSIONS));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit)
            return 1;
        return child.exitCode();
    }
    QApplication app(argc, argv);
    RecorderX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "RecorderX11Test.moc"
