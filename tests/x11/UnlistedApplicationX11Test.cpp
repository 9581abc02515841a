// A program without a desktop entry (xlogo) on a real desktop: listed by its window class, kept
// with an entry of its own written from its command line, closed, and started again by activating
// a configuration that holds it.
#include "TestDesktop.h"
#include "activation/ConfigurationActivator.h"
#include "app/AppState.h"
#include "base/LogCapture.h"
#include "base/PreferenceStore.h"
#include "base/QtScheduler.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/MissingAppDetector.h"
#include "placement/RunningAppsHelper.h"
#include "platform/x11/X11Backend.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class UnlistedApplicationX11Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aProgramWithoutAnEntryIsListedKeptAndStartedAgain() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        // A copy in a folder with a space, started with arguments the entry must carry unchanged.
        QTemporaryDir programs;
        QVERIFY(QDir(programs.path()).mkdir(QStringLiteral("my programs")));
        const QString program = programs.filePath(QStringLiteral("my programs/logo"));
        QVERIFY(QFile::copy(QStandardPaths::findExecutable(QStringLiteral("xlogo")), program));
        const QStringList arguments{QStringLiteral("-name"), QStringLiteral("logo \"100%\" $HOME")};
        const TestDesktop::Client logo = desktop.startClient(program, arguments, QStringLiteral("XLogo"));
        QVERIFY(logo.window);

        X11Backend backend({.displayName = desktop.displayName(),
                            .applicationDirs = {desktop.dataHome() + "/applications"}});
        QVERIFY(backend.isConnected());
        QtScheduler scheduler;
        PreferenceStore preferences;
        Platform platform{scheduler, preferences, backend.workspace, backend.windows, backend.screens};
        const QString id = QStringLiteral("quarlin-XLogo");

        const QList<RunningApp> running = RunningAppsHelper(platform).getRunningApps();
        QVERIFY(running.contains(RunningApp(QStringLiteral("XLogo"), id, std::nullopt, false)));
        QVERIFY(!MissingAppDetector::isAppInstalled(backend.workspace, id));

        QCOMPARE(backend.workspace.keepApplication(id), std::nullopt);
        const QString entryPath = desktop.dataHome() + "/applications/" + id + ".desktop";
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {entryPath});
        QVERIFY(validate.waitForFinished(10000));
        QCOMPARE(validate.readAll() + QByteArray::number(validate.exitCode()), QByteArray("0"));
        const std::optional<DesktopEntry> entry = DesktopEntry::load(entryPath, QString());
        QVERIFY(entry && entry->noDisplay);
        QCOMPARE(DesktopEntry::splitExec(entry->exec), QStringList{program} + arguments);
        QVERIFY(MissingAppDetector::isAppInstalled(backend.workspace, id));
        // The same id from now on, and a kept entry is never written over.
        QVERIFY(RunningAppsHelper(platform).getRunningApps().contains(
            RunningApp(QStringLiteral("XLogo"), id, std::nullopt, false)));
        QVERIFY(QFile::remove(program));
        QCOMPARE(backend.workspace.keepApplication(id), std::nullopt);
        QCOMPARE(DesktopEntry::load(entryPath, QString())->exec, entry->exec);
        QVERIFY(!MissingAppDetector::isAppInstalled(backend.workspace, id));
        QVERIFY(QFile::copy(QStandardPaths::findExecutable(QStringLiteral("xlogo")), program));

        QVERIFY(desktop.close(logo.window));
        QVERIFY(desktop.waitFor([&] { return desktop.windowOfClass(QStringLiteral("XLogo")) == 0; }));
        QTemporaryDir dir;
        QString error;
        auto container = ModelContainer::open(dir.filePath("quarlin.sqlite"), scheduler, &error);
        QVERIFY2(container, qPrintable(error));
        auto* configuration = new ConfigurationGroup("Logo", 1920, 1080, std::nullopt);
        configuration->appendConfiguration(new AppConfiguration(
            id, "XLogo", "leftHalf", 0, true, Corner::leftHalf, 0.5, 400, 0, 0, configuration));
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
        QTRY_VERIFY_WITH_TIMEOUT(desktop.windowOfClass(QStringLiteral("XLogo")) != 0, 10000);
        QCOMPARE(desktop.wmClass(desktop.windowOfClass(QStringLiteral("XLogo"))), arguments[1] + ".XLogo");
        QTRY_VERIFY_WITH_TIMEOUT(desktop.frameGeometry(desktop.windowOfClass(QStringLiteral("XLogo"))) ==
                                     QRect(0, 0, 960, 1080),
                                 20000);
        // Let the engine's own later steps finish before the desktop goes away.
        QTRY_VERIFY_WITH_TIMEOUT(log.lines().filter("🎯 SUMMON VERIFICATION: Target was screen").size() == 1,
                                 5000);
    }
};

QTEST_GUILESS_MAIN(UnlistedApplicationX11Test)
#include "UnlistedApplicationX11Test.moc"
