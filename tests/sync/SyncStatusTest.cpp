// The engine's automatic round on the virtual clock, and the folder's state as the settings tab sees it.
#include "SyncMachine.h"

#include "base/LogCapture.h"
#include "model/ConfigurationGroup.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/ModelContainer.h"
#include "store/sync/FolderSyncStatus.h"
#include "store/sync/SyncEngine.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class SyncStatusTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void savesAreWrittenAndTheFolderIsRescanned() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(folder));
        VirtualScheduler scheduler;
        Machine a(dir.filePath(QStringLiteral("a")), folder, scheduler, true);
        Machine b(dir.filePath(QStringLiteral("b")), folder, scheduler, true);
        scheduler.runDue();
        QSignalSpy remoteChanges(b.context(), &ModelContext::remoteChange);

        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        a.context()->insert(configuration);
        QVERIFY(a.context()->save());
        QVERIFY(QFile::exists(folder + QStringLiteral("/ConfigurationGroup/") +
                              uuidString(configuration->id()) + QStringLiteral(".json")));
        QVERIFY(b.context()->fetch<ConfigurationGroup>().isEmpty());

        scheduler.advance(SyncEngine::rescanInterval);
        QCOMPARE(remoteChanges.size(), 1);
        QCOMPARE(b.context()->fetch<ConfigurationGroup>().value(0)->name(), QStringLiteral("Work"));
    }

    void aLargeBatchIsWrittenAChunkPerTurn() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(folder));
        VirtualScheduler scheduler;
        Machine a(dir.filePath(QStringLiteral("a")), folder, scheduler, false);
        const int count = SyncEngine::writeChunk * 3;
        for (int i = 0; i < count; ++i)
            a.context()->insert(new ConfigurationGroup(QString::number(i), 1920, 1080, std::nullopt));
        QVERIFY(a.context()->save());
        const auto files = [&] { return QDir(folder + QStringLiteral("/ConfigurationGroup")).count() - 2; };
        QCOMPARE(files(), SyncEngine::writeChunk);
        scheduler.runDue();
        QCOMPARE(files(), count);
    }

    void aDeletionMadeWhileSyncWasOffStillTravels() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(folder));
        VirtualScheduler scheduler;
        Machine a(dir.filePath(QStringLiteral("a")), folder, scheduler, false);
        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        a.context()->insert(configuration);
        QVERIFY(a.engine->importChanges());
        a.engine.reset();
        const QString id = uuidString(configuration->id());
        a.context()->deleteObject(configuration);
        QVERIFY(a.context()->save());
        a.container.reset();

        Machine again(dir.filePath(QStringLiteral("a")), folder, scheduler, false);
        QVERIFY(again.engine->importChanges());
        QFile file(folder + QStringLiteral("/ConfigurationGroup/") + id + QStringLiteral(".json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("\"deleted\": true"));
    }

    void folderStates_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("syncs");
        QTest::newRow("a folder") << "shared" << int(SyncStatus::AccountStatus::available) << true;
        QTest::newRow("no folder") << "missing" << int(SyncStatus::AccountStatus::noAccount) << true;
        QTest::newRow("a file in its place")
            << "file" << int(SyncStatus::AccountStatus::temporarilyUnavailable) << false;
        if (::geteuid() != 0)
            QTest::newRow("read-only") << "readonly" << int(SyncStatus::AccountStatus::restricted) << false;
    }
    void folderStates() {
        QFETCH(QString, folder);
        QFETCH(int, status);
        QFETCH(bool, syncs);
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("shared"))));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("readonly/ConfigurationGroup"))));
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("readonly")),
                                      QFile::ReadOwner | QFile::ExeOwner));
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        VirtualScheduler scheduler;
        Machine machine(dir.filePath(QStringLiteral("data")), dir.filePath(folder), scheduler, false);
        machine.context()->insert(new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt));
        FolderSyncStatus sync(machine.engine.get(), QString());

        QCOMPARE(int(sync.accountStatus()), status);
        LogCapture log;
        QCOMPARE(sync.syncNow(), syncs);
        QCOMPARE(int(sync.lastOutcome()),
                 int(syncs ? SyncStatus::Outcome::synced : SyncStatus::Outcome::failed));
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(syncs ? QStringLiteral("✅ Manual sync completed")
                                                     : QStringLiteral("❌ Manual sync failed: ")));
        // What was pending is stored whatever became of the sync.
        QVERIFY(!machine.context()->hasChanges());
        QFile::setPermissions(dir.filePath(QStringLiteral("readonly")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // The settings tab learns of automatic rounds too: one that fails, then one that succeeds.
    void automaticRoundsReportTheirOutcome() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(folder));
        // A file where a class folder belongs: every round fails to list it.
        QFile blocker(folder + QStringLiteral("/ConfigurationGroup"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        VirtualScheduler scheduler;
        Machine machine(dir.filePath(QStringLiteral("data")), folder, scheduler, true);
        FolderSyncStatus sync(machine.engine.get(), QString());
        QSignalSpy changed(&sync, &SyncStatus::changed);

        LogCapture log;
        scheduler.runDue();
        QCOMPARE(int(sync.lastOutcome()), int(SyncStatus::Outcome::failed));
        QVERIFY2(sync.lastError().contains(QStringLiteral("ConfigurationGroup")),
                 qPrintable(sync.lastError()));
        scheduler.advance(SyncEngine::rescanInterval * 3);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(log.lines().filter(QStringLiteral("Sync failed")).size(), 1);

        QVERIFY(blocker.remove());
        scheduler.advance(SyncEngine::rescanInterval);
        QCOMPARE(int(sync.lastOutcome()), int(SyncStatus::Outcome::synced));
        QCOMPARE(sync.lastError(), QString());
        QCOMPARE(changed.size(), 2);
    }

    void aDamagedFileDoesNotFreezeItsConfiguration_data() {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("cut short") << QByteArray("\"attributes\"") << QByteArray();
        QTest::newRow("a name that is a number")
            << QByteArray("\"name\": \"Work\"") << QByteArray("\"name\": 5");
        QTest::newRow("a newer format") << QByteArray("\"format\": 1") << QByteArray("\"format\": 2");
    }
    void aDamagedFileDoesNotFreezeItsConfiguration() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(folder));
        VirtualScheduler scheduler;
        Machine a(dir.filePath(QStringLiteral("a")), folder, scheduler, false);
        Machine b(dir.filePath(QStringLiteral("b")), folder, scheduler, false);
        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        a.context()->insert(configuration);
        QVERIFY(a.engine->importChanges() && b.engine->importChanges());
        const QString id = uuidString(configuration->id());
        QFile file(folder + QStringLiteral("/ConfigurationGroup/") + id + QStringLiteral(".json"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray text = file.readAll();
        QVERIFY(text.contains(from));
        text = to.isEmpty() ? text.left(text.indexOf(from)) : text.replace(from, to);
        file.resize(0);
        file.write(text);
        file.close();

        FolderSyncStatus status(a.engine.get(), QString());
        QVERIFY(status.syncNow());
        QCOMPARE(status.unreadableFileCount(), 1);
        // Edits made here keep going out, in a file that every machine can read again.
        configuration->setName(QStringLiteral("Renamed"));
        QVERIFY(a.context()->save());
        QVERIFY(b.engine->importChanges());
        QCOMPARE(b.nameOf(id), QStringLiteral("Renamed"));
        QVERIFY(status.syncNow());
        QCOMPARE(status.unreadableFileCount(), 0);
    }

    void withoutAnEngineEverySyncFails() {
        FolderSyncStatus sync(nullptr, QStringLiteral("the state file is damaged"));
        LogCapture log;
        QString error;
        QVERIFY(!sync.syncNow(&error));
        QCOMPARE(error, QStringLiteral("the state file is damaged"));
        QCOMPARE(log.lines(), QStringList{QStringLiteral("❌ Manual sync failed: the state file is damaged")});
    }
};

QTEST_GUILESS_MAIN(SyncStatusTest)
#include "SyncStatusTest.moc"
