// The recorder control, menu tracking and the widget helpers, on Qt's offscreen platform.
#include "../support/WidgetScreenshot.h"
#include "Desktop.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "ui/shortcuts/LocalEventMonitor.h"
#include "ui/shortcuts/MenuItemShortcuts.h"
#include "ui/shortcuts/MenuTrackingMonitor.h"
#include "ui/shortcuts/Recorder.h"
#include "ui/shortcuts/ViewModifiers.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace KeyboardShortcuts;

namespace {
const Shortcut metaK(Key::k, ModifierFlag::command);

class ScriptedRecorder : public RecorderControl {
public:
    using RecorderControl::RecorderControl;
    int beeps = 0;
    QStringList alerts;
    AlertResponse answer = AlertResponse::first;
    bool activated = false;

protected:
    // As a real alert does, it takes the front while it is open.
    AlertResponse showAlert(const QString& message, const QString& informativeText,
                            const QStringList& buttons) override {
        alerts << QStringList{message, informativeText, buttons.join(QLatin1Char('|'))}.join(
            QLatin1Char('/'));
        QWidget alert;
        alert.show();
        alert.activateWindow();
        activated = QTest::qWaitForWindowActive(&alert);
        return answer;
    }
    void beep() override { ++beeps; }
};

// A widget that takes no focus and counts the mouse-ups that reach it.
class ReleaseCounter : public QWidget {
public:
    using QWidget::QWidget;
    int releases = 0;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        ++releases;
        event->accept();
    }
};

// A window with a menu bar, the recorder and another field to move the focus to.
struct Window {
    explicit Window(const Name& name) {
        auto* file = window.menuBar()->addMenu("&File");
        save = file->addAction("&Save");
        save->setShortcut(QKeySequence(Qt::META | Qt::Key_S));
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        recorder = new ScriptedRecorder(name, [this](const std::optional<Shortcut>& s) { changes << s; });
        other = new QPushButton("Other");
        layout->addWidget(recorder);
        layout->addWidget(other);
        window.setCentralWidget(central);
        window.show();
        window.activateWindow();
    }
    bool startRecording() {
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        recorder->setFocus(Qt::MouseFocusReason);
        return recorder->isRecording();
    }

    QMainWindow window;
    QAction* save;
    ScriptedRecorder* recorder;
    QPushButton* other;
    QList<std::optional<Shortcut>> changes;
};
} // namespace

class RecorderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void acceptsACombinationStoresItAndStops() {
        Desktop d;
        const Name name("x");
        Window w(name);
        QSignalSpy active(&d.registry.notificationCenter(),
                          &NotificationCenter::recorderActiveStatusDidChange);
        QCOMPARE(w.recorder->placeholderText(), "Record Shortcut");
        QVERIFY(w.startRecording());
        QVERIFY(isPaused());
        QCOMPARE(w.recorder->placeholderText(), "Press Shortcut");
        // Drawn too, although a centred field hides its placeholder while it has the focus.
        const QImage drawn = w.recorder->grab().toImage();
        w.recorder->setPlaceholderText(QString());
        QVERIFY(w.recorder->grab().toImage() != drawn);
        w.recorder->setPlaceholderText("Press Shortcut");
        QVERIFY(!w.recorder->showsCancelButton());

        QTest::keyClick(w.recorder, Qt::Key_K, Qt::MetaModifier);
        QCOMPARE(getShortcut(name), metaK);
        QCOMPARE(w.recorder->text(), "\u2318K");
        QVERIFY(w.recorder->showsCancelButton());
        QVERIFY(!w.recorder->isRecording());
        QVERIFY(!isPaused());
        QCOMPARE(w.changes, QList<std::optional<Shortcut>>{metaK});
        QCOMPARE(active.constLast().at(0).toBool(), false);
        QCOMPARE(active.at(active.count() - 2).at(0).toBool(), true);
        QVERIFY(d.backend.isGrabbed(metaK));
    }

    void refusesKeysWithoutACommandTypeModifier_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("letter") << int(Qt::Key_A) << 0 << false;
        QTest::newRow("space") << int(Qt::Key_Space) << 0 << false;
        QTest::newRow("shift tab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << false;
        QTest::newRow("f5") << int(Qt::Key_F5) << 0 << true;
        QTest::newRow("f20") << int(Qt::Key_F20) << 0 << true;
        QTest::newRow("control escape") << int(Qt::Key_Escape) << int(Qt::ControlModifier) << true;
        QTest::newRow("option space") << int(Qt::Key_Space) << int(Qt::AltModifier) << true;
    }
    void refusesKeysWithoutACommandTypeModifier() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, accepted);
        Desktop d;
        const Name name("x");
        setShortcut(metaK, name);
        Window w(name);
        QVERIFY(w.startRecording());
        QTest::keyClick(w.recorder, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(w.recorder->beeps, accepted ? 0 : 1);
        // The bell is not always heard: the field says why as well, until the next key.
        QCOMPARE(w.recorder->refusal(), accepted ? QString() : QString("Add Ctrl, Alt or Super"));
        QCOMPARE(getShortcut(name) != metaK, accepted);
        QCOMPARE(w.recorder->isRecording(), !accepted);
        if (!accepted) {
            QTest::keyClick(w.recorder, Qt::Key_Escape);
            QCOMPARE(w.recorder->refusal(), QString());
        }
    }

    // The desktop hands a combination that is already one of our hot keys to the hot key, not to
    // the field: another slot's combination is refused visibly, the slot's own keeps it.
    void anotherSlotsHotKeyIsRefused() {
        Desktop d;
        const Name name("x");
        const Name other("y");
        setShortcut(metaK, other);
        Window w(name);
        QVERIFY(w.startRecording());
        d.backend.press(metaK);
        QCOMPARE(w.recorder->beeps, 1);
        QCOMPARE(w.recorder->refusal(), "Used by another shortcut");
        QVERIFY(saveWidgetScreenshot(&w.window, QStringLiteral("recorder-refused")));
        QVERIFY(w.recorder->isRecording());
        QVERIFY(!getShortcut(name));
        setShortcut(Shortcut(Key::a, ModifierFlag::command), name);
        d.backend.press(Shortcut(Key::a, ModifierFlag::command));
        QVERIFY(!w.recorder->isRecording());
        QCOMPARE(w.recorder->beeps, 1);
    }

    void escapeStopsAndDeleteClears() {
        Desktop d;
        const Name name("x");
        setShortcut(metaK, name);
        Window w(name);
        QVERIFY(w.startRecording());
        const QPointer<LocalEventMonitor> monitor = w.recorder->findChild<LocalEventMonitor*>();
        QTest::keyClick(w.recorder, Qt::Key_Escape);
        QVERIFY(!w.recorder->isRecording());
        QCOMPARE(getShortcut(name), metaK);
        // Ended inside the key monitor's own callback: it goes once that has returned.
        QVERIFY(monitor);
        d.clock.runDue();
        QVERIFY(!monitor);

        QVERIFY(w.startRecording());
        QTest::keyClick(w.recorder, Qt::Key_Backspace);
        QVERIFY(!getShortcut(name));
        QCOMPARE(w.recorder->text(), QString());
        QCOMPARE(w.changes, QList<std::optional<Shortcut>>{std::nullopt});
        QVERIFY(w.recorder->isRecording());
        QTest::keyClick(w.recorder, Qt::Key_Delete); // nothing left to clear
        QCOMPARE(w.changes.size(), 1);
        QVERIFY(w.recorder->isRecording());
    }

    void theClearButtonClearsAndRecords() {
        Desktop d;
        const Name name("withDefault", metaK);
        Window w(name);
        QVERIFY(w.recorder->showsCancelButton());
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        w.recorder->actions().first()->trigger();
        QCOMPARE(d.store.value(name.userDefaultsKey()), QJsonValue(false));
        QVERIFY(w.recorder->isRecording());
        QVERIFY(!w.recorder->showsCancelButton());
    }

    // A mouse-up within 3 points of the control's edge is the control's, whatever widget lies
    // there, and recording goes on; one further out ends it and reaches its widget. The clear button
    // inside the control still answers clicks.
    void aMouseUpNearTheControlIsItsOwn() {
        Desktop d;
        const Name name("x");
        setShortcut(metaK, name);
        Window w(name);
        ReleaseCounter* below = new ReleaseCounter(w.recorder->parentWidget());
        const QRect control = w.recorder->geometry();
        below->setGeometry(control.left(), control.bottom() + 1, control.width(), 20);
        below->show();
        below->raise();
        QVERIFY(w.startRecording());
        for (int y : {0, 1, 2}) {
            QTest::mouseClick(below, Qt::LeftButton, {}, QPoint(control.width() / 2, y));
            QVERIFY2(w.recorder->isRecording(), qPrintable(QString::number(y)));
            QCOMPARE(below->releases, 0);
        }
        QTest::mouseClick(below, Qt::LeftButton, {}, QPoint(control.width() / 2, 3));
        QVERIFY(!w.recorder->isRecording());
        QCOMPARE(below->releases, 1);
        QCOMPARE(getShortcut(name), metaK);

        QVERIFY(w.startRecording());
        QWidget* clear = nullptr;
        for (QWidget* child : w.recorder->findChildren<QWidget*>())
            if (child->isVisible() && child->geometry().right() > w.recorder->width() / 2)
                clear = child;
        QVERIFY(clear);
        QTest::mouseClick(clear, Qt::LeftButton);
        QVERIFY(!getShortcut(name));
        QVERIFY(w.recorder->isRecording());
    }

    void menuConflictsAndSystemConflictsAskFirst() {
        Desktop d;
        const Name name("x");
        Window w(name);
        QVERIFY(w.startRecording());
        QTest::keyClick(w.recorder, Qt::Key_S, Qt::MetaModifier);
        QCOMPARE(w.recorder->alerts.size(), 1);
        QVERIFY2(w.recorder->alerts.first().contains("\u201CSave\u201D"),
                 qPrintable(w.recorder->alerts.first()));
        QVERIFY(!getShortcut(name));
        // The window comes back to the front after the alert, and recording goes on.
        w.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        QVERIFY(w.recorder->isRecording());

        const Shortcut metaF(Key::f, ModifierFlag::command);
        d.backend.takenByOthers.insert({metaF.carbonKeyCode(), metaF.carbonModifiers()});
        QTest::keyClick(w.recorder, Qt::Key_F, Qt::MetaModifier);
        QCOMPARE(w.recorder->alerts.size(), 2);
        QVERIFY(w.recorder->alerts.last().endsWith("OK|Use Anyway"));
        QVERIFY(!getShortcut(name));
        w.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        QVERIFY(w.recorder->isRecording());

        // Forced: stored, though the desktop will not grab it for us, which is reported.
        w.recorder->answer = RecorderControl::AlertResponse::second;
        QSignalSpy failed(w.recorder, &RecorderControl::registrationFailed);
        QTest::keyClick(w.recorder, Qt::Key_F, Qt::MetaModifier);
        QCOMPARE(getShortcut(name), metaF);
        QVERIFY(!w.recorder->isRecording());
        QCOMPARE(failed, QList<QVariantList>{{"\u2318F"}});
        QCOMPARE(w.recorder->beeps, 1);
        QVERIFY(!isEnabled(name));
    }

    // The control goes while its alert waits for an answer (its tab rebuilt, say): the answer reaches
    // nothing that is gone, and nothing is stored.
    void aControlThatGoesWhileItsAlertIsOpen() {
        Desktop d;
        const Name name("x");
        QMainWindow window;
        window.menuBar()->addMenu("&File")->addAction("&Save")->setShortcut(
            QKeySequence(Qt::META | Qt::Key_S));
        QPointer<RecorderControl> recorder = new RecorderControl(name);
        window.setCentralWidget(recorder);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        recorder->setFocus(Qt::MouseFocusReason);
        QVERIFY(recorder->isRecording());
        bool alerted = false;
        // Queued: run by the alert's own loop.
        QMetaObject::invokeMethod(
            qApp,
            [&recorder, &alerted] {
                alerted = QApplication::activeModalWidget() != nullptr;
                delete recorder;
                if (QWidget* alert = QApplication::activeModalWidget())
                    alert->close();
            },
            Qt::QueuedConnection);
        QTest::keyClick(&window, Qt::Key_S, Qt::MetaModifier);
        QVERIFY(alerted);
        QVERIFY(!recorder);
        QVERIFY(!getShortcut(name));
    }

    void followsItsSlotAndOnlyItsSlot() {
        Desktop d;
        const Name name("x");
        const Name other("y");
        Window w(name);
        setShortcut(metaK, name);
        QCOMPARE(w.recorder->text(), "\u2318K");
        setShortcut(Shortcut(Key::a, ModifierFlag::command), other);
        QCOMPARE(w.recorder->text(), "\u2318K");
        w.recorder->setShortcutName(other);
        QCOMPARE(w.recorder->text(), "\u2318A");
    }

    // Focus coming back with the window starts nothing; hiding the control ends the recording.
    void onlyAClickStartsRecordingAndHidingEndsIt() {
        Desktop d;
        Window w(Name("x"));
        QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(w.recorder, &in);
        QVERIFY(!w.recorder->isRecording());
        QVERIFY(w.startRecording());
        w.window.hide();
        QVERIFY(!w.recorder->isRecording());
        QVERIFY(!isPaused());
    }

    void aLabelledRecorderShowsItsTitleAsPlainText() {
        Desktop d;
        Recorder recorder("<b>Toggle</b>", Name("x"));
        QCOMPARE(recorder.label()->textFormat(), Qt::PlainText);
        QCOMPARE(recorder.label()->text(), "<b>Toggle</b>");
        QVERIFY(!Recorder(Name("z")).label());
    }

    void anOpenMenuTakesTheHotKeysKeys() {
        Desktop d;
        MenuTrackingMonitor monitor(d.registry);
        const Name name("x");
        QStringList ran;
        onKeyDown(name, [&] { ran << "down"; });
        onKeyUp(name, [&] { ran << "up"; });
        setShortcut(metaK, name);

        QMenu menu;
        QAction* item = menu.addAction("Item");
        QSignalSpy triggered(item, &QAction::triggered);
        menu.popup(QPoint(10, 10));
        QVERIFY(isMenuOpen());
        QVERIFY(d.backend.grabs.isEmpty());
        QTest::keyClick(&menu, Qt::Key_K, Qt::MetaModifier);
        QCOMPARE(ran, (QStringList{"down", "up"}));
        menu.hide();
        QVERIFY(!isMenuOpen());
        QVERIFY(d.backend.isGrabbed(metaK));
    }

    void menuItemsFollowTheirSlot() {
        Desktop d;
        const Name name("x");
        QAction item("Item");
        setShortcutFor(&item, name);
        QVERIFY(item.shortcut().isEmpty());
        setShortcut(metaK, name);
        d.clock.runDue();
        QCOMPARE(item.shortcut(), QKeySequence(Qt::META | Qt::Key_K));
        setShortcutFor(&item, std::nullopt);
        QVERIFY(item.shortcut().isEmpty());
        setShortcut(Shortcut(Key::f5, ModifierFlag::control), name);
        d.clock.runDue();
        QVERIFY(item.shortcut().isEmpty());
        KeyboardShortcuts::setShortcut(&item, Shortcut(Key::f5, ModifierFlag::control));
        QCOMPARE(item.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));
    }

    void buttonsLoseTheirShortcutWhileARecorderRecords() {
        Desktop d;
        const Name name("x");
        setShortcut(metaK, name);
        QPushButton button;
        globalKeyboardShortcut(&button, name);
        QCOMPARE(button.shortcut(), QKeySequence(Qt::META | Qt::Key_K));
        int recorder = 0;
        d.registry.setRecorderActive(&recorder, true);
        QVERIFY(button.shortcut().isEmpty());
        d.registry.setRecorderActive(&recorder, false);
        QCOMPARE(button.shortcut(), QKeySequence(Qt::META | Qt::Key_K));
        setShortcut(Shortcut(Key::a, ModifierFlag::control), name);
        QCOMPARE(button.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    }

    void widgetHandlersEndWithTheirWidget() {
        Desktop d;
        const Name name("x");
        setShortcut(metaK, name);
        auto widget = std::make_unique<QWidget>();
        int ups = 0;
        onKeyboardShortcut(widget.get(), name, EventType::keyUp, [&] { ++ups; });
        d.clock.runDue();
        d.backend.press(metaK);
        QCOMPARE(ups, 1);
        widget.reset();
        d.clock.runDue();
        d.backend.press(metaK);
        QCOMPARE(ups, 1);
        QVERIFY(!d.backend.isGrabbed(metaK));
    }
};

QTEST_MAIN(RecorderTest)
#include "RecorderTest.moc"
