// The real program on a private desktop: switching tabs with clicks, the theme and launch at login
// from the settings tab, and a shortcut recorded with real key presses that then works as a hot key.
// Where to click is learnt from the same window laid out off screen at the program's size.
#include "../app/AppWorld.h"
#include "MainWindowReplica.h"
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include "login/LaunchAtLogin.h"
#include "model/SettingsModel.h"
#include "ui/MainWindow.h"
#include "ui/main/MainTabBar.h"
#include "ui/main/MainTabButton.h"
#include "ui/main/MainView.h"
#include "ui/main/SettingsView.h"
#include "ui/main/ShortcutsView.h"
#include "ui/shortcuts/Recorder.h"
#include "ui/shortcuts/RecorderCocoa.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QTest>

class MainWindowE2ETest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tabsSettingsAndAShortcutEndToEnd() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("main-window"));
        QVERIFY2(quarlin.changeStore([](ModelContext& context) {
            context.insert(new ConfigurationGroup(QStringLiteral("E2E Setup"), 1920, 1080, std::nullopt));
        }),
                 qPrintable(quarlin.error()));
        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        // The window opens centred on the work area, whatever the window manager did at mapping.
        QVERIFY(qAbs(quarlin.clientGeometry().center().x() - desktop.workArea().center().x()) <= 2);
        Replica replica(quarlin.clientGeometry().size());
        QVERIFY(!quarlin.screenshot(QStringLiteral("home")).isEmpty());

        // Settings: launch at login on and off, then the light theme.
        QVERIFY(quarlin.click(replica.tab(MainView::Tab::settings)));
        replica.view->pressTab(MainView::Tab::settings);
        QVERIFY(quarlin.screenshot(QStringLiteral("settings")).size());
        const QPoint login = replica.centreOf(replica.in<QCheckBox>("launchAtLoginToggle"));
        QVERIFY(quarlin.click(login));
        QVERIFY2(desktop.waitFor([&] { return QFile::exists(quarlin.autostartPath()); }),
                 qPrintable(quarlin.output()));
        QVERIFY(quarlin.click(login));
        QVERIFY(desktop.waitFor([&] { return !QFile::exists(quarlin.autostartPath()); }));
        QVERIFY(quarlin.click(replica.centreOf(replica.in<QComboBox>("themePicker"))));
        QVERIFY(desktop.key(QStringLiteral("Up")));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY2(
            desktop.waitFor([&] { return quarlin.preferences().value("appTheme").toString() == "light"; }),
            qPrintable(quarlin.output()));
        QVERIFY(quarlin.screenshot(QStringLiteral("settings-light")).size());

        QVERIFY(quarlin.click(replica.tab(MainView::Tab::home)));
        QVERIFY(quarlin.screenshot(QStringLiteral("home-light")).size());

        // Shortcuts: record ctrl+alt+k for "Cycle Through Configurations" with real key presses.
        QVERIFY(quarlin.click(replica.tab(MainView::Tab::shortcuts)));
        replica.view->pressTab(MainView::Tab::shortcuts);
        const auto recorders = qobject_cast<ShortcutsView*>(replica.view->currentContent())->recorders();
        QVERIFY(quarlin.click(replica.centreOf(recorders.at(1)->control())));
        QVERIFY(quarlin.screenshot(QStringLiteral("shortcuts-recording")).size());
        QVERIFY(desktop.key(QStringLiteral("ctrl+alt+k")));
        const QString key = QStringLiteral("KeyboardShortcuts_cycleConfigurations");
        QVERIFY2(desktop.waitFor([&] { return quarlin.preferences().value(key).isString(); }),
                 qPrintable(quarlin.output()));
        QVERIFY(quarlin.screenshot(QStringLiteral("shortcuts")).size());
        // The stored combination works as a hot key at once (and, as every shortcut does, brings the
        // menu-bar mode, which hides the ordinary window).
        QVERIFY(desktop.key(QStringLiteral("ctrl+alt+k")));
        QVERIFY2(
            quarlin.waitForOutput(QStringLiteral("Applying configuration via keyboard shortcut: E2E Setup")),
            qPrintable(quarlin.output()));

        QVERIFY(quarlin.isRunning());
        QVERIFY2(!quarlin.output().contains(QStringLiteral("Sanitizer")), qPrintable(quarlin.output()));
    }
};

int main(int argc, char** argv) {
    // The replica needs no display; the program under test runs on the private desktop.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    MainWindowE2ETest test;
    return QTest::qExec(&test, argc, argv);
}
#include "MainWindowE2ETest.moc"
