// A stored configuration put on a real desktop by its row: one application is started by the
// activation itself, every window ends at its position as the X server reports it, and the
// activation time reaches the database file.
#include "TestDesktop.h"
#include "activation/ConfigurationActivator.h"
#include "app/AppState.h"
#include "base/LogCapture.h"
#include "base/PreferenceStore.h"
#include "base/QtScheduler.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "platform/x11/X11Backend.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString termId = QStringLiteral("quarlin-e2e-term");
const QString logoId = QStringLiteral("quarlin-e2e-logo");
const QString windowId = QStringLiteral("quarlin-e2e-window");

} // namespace

class ActivationX11Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aStoredConfigurationIsPutOnScreen() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        // Copies of their own: the backend counts a process as running by its program, so one that
        // another test runs on another display would count here too, and ours there.
        QTemporaryDir programs;
        const auto copy = [&programs](const QString& program, const QString& name) {
            const QString path = programs.filePath(name);
            return QFile::copy(program, path) ? path : QString();
        };
        const QString termProgram = copy(QStandardPaths::findExecutable("xterm"), "quarlin-e2e-term");
        const QString logoProgram = copy(QStandardPaths::findExecutable("xlogo"), "quarlin-e2e-logo");
        const QString windowProgram = copy(TestDesktop::testWindowProgram(), "quarlin-e2e-window");
        QVERIFY(!termProgram.isEmpty() && !logoProgram.isEmpty() && !windowProgram.isEmpty());
        desktop.installDesktopEntry(
            termId,
            TestDesktop::applicationEntry("Term", termProgram + " -class QuarlinE2ETerm", "QuarlinE2ETerm"));
        desktop.installDesktopEntry(logoId, TestDesktop::applicationEntry("Logo", logoProgram, "XLogo"));
        desktop.installDesktopEntry(
            windowId, TestDesktop::applicationEntry("Window", windowProgram + " --class QuarlinE2EWindow",
                                                    "QuarlinE2EWindow"));
        const TestDesktop::Client term = desktop.startClient(
            termProgram, {"-class", "QuarlinE2ETerm", "-geometry", "40x10+500+500"}, "QuarlinE2ETerm");
        const TestDesktop::Client window =
            desktop.startClient(windowProgram, {"--class", "QuarlinE2EWindow"}, "QuarlinE2EWindow");
        QVERIFY(term.window && window.window);
        QCOMPARE(desktop.windowOfClass("XLogo"), 0u);

        X11Backend backend({.displayName = desktop.displayName(),
                            .applicationDirs = {desktop.dataHome() + "/applications"}});
        QVERIFY(backend.isConnected());
        QtScheduler scheduler;
        PreferenceStore preferences;
        Platform platform{scheduler, preferences, backend.workspace, backend.windows, backend.screens};

        QTemporaryDir dir;
        const QString path = dir.filePath("quarlin.sqlite");
        QString error;
        auto container = ModelContainer::open(path, scheduler, &error);
        QVERIFY2(container, qPrintable(error));
        auto* configuration = new ConfigurationGroup("Desk", 1920, 1080, std::nullopt);
        const QList<std::pair<QString, QString>> apps{
            {termId, "Term"}, {logoId, "Logo"}, {windowId, "Window"}};
        for (const auto& [id, name] : apps)
            configuration->appendConfiguration(new AppConfiguration(
                id, name, "fullScreen", 0, true, Corner::fullScreen, 0.5, 400, 0, 0, configuration));
        PositionGroup* group = configuration->addPositionGroup("Split", QString(), true);
        group->setPosition(termId, "Term", Corner::leftHalf);
        group->setPosition(logoId, "Logo", Corner::topRight);
        group->setPosition(windowId, "Window", Corner::bottomRight);
        container->mainContext()->insert(configuration);
        QVERIFY(container->mainContext()->save());

        AppState state(platform);
        LogCapture log;
        ConfigurationActivator::Row row;
        row.configuration = configuration;
        row.state = &state;
        row.localSelectedPositionGroupID = [] { return QString(); };
        ConfigurationActivator(platform, ConfigurationActivator::Variant::mainWindow, row)
            .applyConfigurationWithSelectedGroup();
        QVERIFY2(log.lines().contains("🚀 App Logo is not running - will launch first"),
                 qPrintable(log.lines().join('\n')));
        QVERIFY(log.lines().contains("💾 MainView: Persisted lastActivatedAt for Desk"));
        const std::optional<QDateTime> activatedAt = configuration->lastActivatedAt();
        QVERIFY(activatedAt);

        // Started by the activation, then every window at its place once the 2.0 s wait has run out.
        // The work area leaves out a window manager's own panel (fluxbox's toolbar at the bottom).
        const QRect area = desktop.workArea();
        const int half = area.height() / 2;
        const QRect leftHalf(0, area.y(), 960, area.height()), topRight(960, area.y(), 960, half),
            bottomRight(960, area.y() + area.height() - half, 960, half);
        QTRY_VERIFY_WITH_TIMEOUT(desktop.windowOfClass("XLogo") != 0, 10000);
        const quint32 logo = desktop.windowOfClass("XLogo");
        QTRY_VERIFY_WITH_TIMEOUT(desktop.frameGeometry(logo) == topRight &&
                                     desktop.frameGeometry(window.window) == bottomRight &&
                                     desktop.frameGeometry(term.window).topLeft() == leftHalf.topLeft(),
                                 20000);
        QVERIFY(log.lines().contains("📌 Positioning Logo at topRight using group Split"));

        // The activation time is in the file.
        auto reopened = ModelContainer::open(path, scheduler, &error);
        QVERIFY2(reopened, qPrintable(error));
        const QList<ConfigurationGroup*> stored = reopened->mainContext()->fetch<ConfigurationGroup>();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored[0]->lastActivatedAt(), activatedAt);

        // Let the engine's own later steps finish before the desktop goes away.
        QTRY_VERIFY_WITH_TIMEOUT(log.lines().filter("🎯 SUMMON VERIFICATION: Target was screen").size() == 3,
                                 5000);
    }
};

QTEST_GUILESS_MAIN(ActivationX11Test)
#include "ActivationX11Test.moc"
