// The engine's automatic round on the virtual clock, and the folder's state as the settings tab sees it.
#include "SyncMachine.h"

#include "base/LogCapture.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/Database.h"
#include "store/ModelContainer.h"
#include "store/sync/DeletionBackup.h"
#include "store/sync/FolderSyncStatus.h"
#include "store/sync/PeerRounds.h"
#include "store/sync/SkippedFiles.h"
#include "store/sync/SyncEngine.h"
#include "store/sync/SyncFolder.h"
#include "store/sync/SyncStamp.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

class SyncStatusTest : public QObject {
    Q_OBJECT
private:
    std::optional<QTemporaryDir> m_dir;
    std::optional<VirtualScheduler> m_scheduler;

    QString folder() const { return m_dir->filePath(QStringLiteral("shared")); }
    QString fileOf(const QString& id) const {
        return folder() + QStringLiteral("/ConfigurationGroup/") + id + QStringLiteral(".json");
    }
    Machine machineAt(const char* name, bool automatic) {
        return Machine(m_dir->filePath(QLatin1String(name)), folder(), *m_scheduler, automatic);
    }

    // Configurations named 0, 1, ... with one application each (a slice takes whole
    // configurations); their ids in that order.
    static QStringList insertConfigurations(Machine& machine, int count) {
        QStringList ids;
        for (int i = 0; i < count; ++i) {
            auto* configuration = new ConfigurationGroup(QString::number(i), 1920, 1080, std::nullopt);
            configuration->appendConfiguration(newApp(QStringLiteral("App"), Corner::topRight));
            machine.context()->insert(configuration);
            ids.append(uuidString(configuration->id()));
        }
        return ids;
    }

private Q_SLOTS:
    void init() {
        m_scheduler.reset();
        m_dir.emplace();
        m_scheduler.emplace();
        QVERIFY(QDir().mkpath(folder()));
    }

    void savesAreWrittenAndTheFolderIsRescanned() {
        Machine a = machineAt("a", true);
        Machine b = machineAt("b", true);
        advanceSettled(*m_scheduler, 0, {&a, &b});
        QSignalSpy remoteChanges(b.context(), &ModelContext::remoteChange);

        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        a.context()->insert(configuration);
        QVERIFY(a.context()->save());
        QVERIFY(QFile::exists(fileOf(uuidString(configuration->id()))));
        QVERIFY(b.context()->fetch<ConfigurationGroup>().isEmpty());

        advanceSettled(*m_scheduler, SyncEngine::rescanInterval, {&a, &b});
        QCOMPARE(remoteChanges.size(), 1);
        QCOMPARE(b.context()->fetch<ConfigurationGroup>().value(0)->name(), QStringLiteral("Work"));
    }

    // Every version of every file of a class, to tell whether any was rewritten.
    QStringList versions(const QString& className = QStringLiteral("ConfigurationGroup")) const {
        QStringList versions;
        const QDir dir(folder() + u'/' + className);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            const std::optional<SyncFolder::Signature> file = SyncFolder::signatureOf(dir.filePath(name));
            versions.append(QStringLiteral("%1 %2 %3").arg(name).arg(file->inode).arg(file->modified));
        }
        return versions;
    }

    // A few files are written at once. A whole library is stamped a slice per turn and written by the
    // worker, and the save returns before; what it wrote is kept, so a restart rewrites nothing.
    void aLargeExportGoesASlicePerTurnAndToTheWorker() {
        Machine a = machineAt("a", false);
        auto* one = new ConfigurationGroup(QStringLiteral("One"), 1920, 1080, std::nullopt);
        a.context()->insert(one);
        QVERIFY(a.context()->save());
        // A new sync state lists the folder first, on the worker.
        advanceSettled(*m_scheduler, 0, {&a});
        one->setName(QStringLiteral("First"));
        QVERIFY(a.context()->save());
        QVERIFY(!a.engine->isBusy());
        QCOMPARE(versions().size(), 1);

        // Each with one application: a slice takes whole configurations, so a file written by one
        // slice is not written again by the next.
        const int count = SyncEngine::exportSlice / 2 + SyncEngine::writeChunk;
        insertConfigurations(a, count);
        QVERIFY(a.context()->save());
        QVERIFY(a.engine->isBusy());
        a.engine->settle();
        const QStringList first = versions();
        QCOMPARE(first.size(), SyncEngine::exportSlice / 2 + 1);
        advanceSettled(*m_scheduler, 0, {&a});
        const QStringList written = versions();
        QCOMPARE(written.size(), count + 1);
        for (const QString& version : first)
            QVERIFY2(written.contains(version), qPrintable(version));

        a.engine.reset();
        a.container.reset();
        Machine again = machineAt("a", false);
        QSignalSpy imported(again.engine.get(), &SyncEngine::imported);
        QVERIFY(again.engine->importChanges());
        QCOMPARE(imported.size(), 0);
        QCOMPARE(versions(), written);
    }

    // Edits and deletions made while a large export is between its slices go out as they are then: an
    // object not taken on yet with its newest values, one already written as a tombstone, one deleted
    // before it was taken on not at all.
    void aLargeExportTakesWhatChangedBetweenItsSlices() {
        Machine a = machineAt("a", false);
        a.context()->insert(new ConfigurationGroup(QStringLiteral("One"), 1920, 1080, std::nullopt));
        QVERIFY(a.context()->save());
        advanceSettled(*m_scheduler, 0, {&a});
        const int count = SyncEngine::exportSlice * 2;
        const QStringList ids = insertConfigurations(a, count);
        QVERIFY(a.context()->save());
        a.engine->settle();
        const QString early = ids.first(), late = ids.last(), lateGone = ids.at(count - 2);
        QVERIFY(QFile::exists(fileOf(early)));
        QVERIFY(!QFile::exists(fileOf(late)));

        const QList<ConfigurationGroup*> live = a.context()->fetch<ConfigurationGroup>();
        const auto find = [&](const QString& id) {
            return *std::find_if(live.begin(), live.end(),
                                 [&](ConfigurationGroup* c) { return uuidString(c->id()) == id; });
        };
        find(late)->setName(QStringLiteral("Edited"));
        a.context()->deleteObject(find(early));
        a.context()->deleteObject(find(lateGone));
        QVERIFY(a.context()->save());
        advanceSettled(*m_scheduler, 0, {&a});

        const auto record = [&](const QString& id) {
            QFile file(fileOf(id));
            return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                                  : QJsonObject();
        };
        QCOMPARE(record(late).value(QStringLiteral("attributes")).toObject().value(QStringLiteral("name")),
                 QJsonValue(QStringLiteral("Edited")));
        QCOMPARE(record(early).value(QStringLiteral("deleted")), QJsonValue(true));
        QVERIFY(!QFile::exists(fileOf(lateGone)));
        // Nothing missed: every other configuration is there, and "One".
        QCOMPARE(QDir(folder() + QStringLiteral("/ConfigurationGroup")).entryList(QDir::Files).size(), count);
    }

    // The program quits while a round runs on the worker: the round ends with the store and the sync
    // state written together, and the next start neither merges it again nor sends anything out.
    void aQuitDuringARoundLosesNothing() {
        Machine a = machineAt("a", false);
        const int count = 150;
        for (int i = 0; i < count; ++i)
            a.context()->insert(new ConfigurationGroup(QString::number(i), 1920, 1080, std::nullopt));
        QVERIFY(a.engine->importChanges());
        const QStringList written = versions();

        auto b =
            std::make_unique<Machine>(m_dir->filePath(QStringLiteral("b")), folder(), *m_scheduler, true);
        m_scheduler->runDue();
        QVERIFY(b->engine->isBusy());
        b.reset();

        Machine again = machineAt("b", false);
        QCOMPARE(again.context()->fetch<ConfigurationGroup>().size(), count);
        QSignalSpy imported(again.engine.get(), &SyncEngine::imported);
        QVERIFY(again.engine->importChanges());
        QCOMPARE(imported.size(), 0);
        QCOMPARE(versions(), written);
    }

    // A machine that lost its sync state merges the whole folder again: what its store already holds as
    // merged is neither written nor counted, what another machine changed meanwhile is.
    void aRejoinWritesOnlyWhatDiffers() {
        Machine a = machineAt("a", false);
        const QStringList ids = insertConfigurations(a, 3);
        QVERIFY(a.engine->importChanges());
        const QString data = m_dir->filePath(QStringLiteral("b"));
        {
            Machine b = machineAt("b", false);
            QVERIFY(b.engine->importChanges());
            advanceSettled(*m_scheduler, 0, {&b});
            QCOMPARE(b.context()->fetch<ConfigurationGroup>().size(), 3);
        }
        const auto forget = [&] {
            for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
                QFile::remove(data + QStringLiteral("/sync-state.sqlite") + suffix);
        };
        forget();
        {
            // Nothing changed meanwhile: the database stays as it was.
            Machine b = machineAt("b", false);
            QString error;
            const std::unique_ptr<Database> store = Database::open(b.container->path(), false, &error);
            QVERIFY2(store, qPrintable(error));
            const auto version = [&] { return store->queryInteger(QStringLiteral("PRAGMA data_version")); };
            const std::optional<qint64> before = version();
            QVERIFY(b.engine->importChanges());
            advanceSettled(*m_scheduler, 0, {&b});
            QCOMPARE(version(), before);
        }
        forget();
        a.find(ids[1])->setName(QStringLiteral("Renamed"));
        QVERIFY(a.engine->importChanges());

        Machine b = machineAt("b", false);
        QSignalSpy imported(b.engine.get(), &SyncEngine::imported);
        QVERIFY(b.engine->importChanges());
        advanceSettled(*m_scheduler, 0, {&b});
        QCOMPARE(imported.size(), 1);
        QCOMPARE(imported.first().first().toInt(), 1);
        QCOMPARE(b.nameOf(ids[1]), QStringLiteral("Renamed"));
        QCOMPARE(b.nameOf(ids[2]), QStringLiteral("2"));
    }

    // The store's rows are written on a thread of their own behind the merge: a row the store refuses
    // fails the whole round, wherever it comes, and nothing of the round is kept; the next round after
    // the cause is gone brings everything.
    void aRowTheStoreRefusesFailsTheWholeRound_data() {
        QTest::addColumn<QString>("refused");
        QTest::newRow("early") << QStringLiteral("3");
        QTest::newRow("late") << QStringLiteral("597");
    }
    void aRowTheStoreRefusesFailsTheWholeRound() {
        QFETCH(QString, refused);
        Machine a = machineAt("a", false);
        const QStringList ids = insertConfigurations(a, 600);
        QVERIFY(a.engine->importChanges());

        Machine b = machineAt("b", false);
        QString error;
        const std::unique_ptr<Database> store = Database::open(b.container->path(), false, &error);
        QVERIFY2(store, qPrintable(error));
        QVERIFY2(store->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON ConfigurationGroup "
                                               "WHEN NEW.name = '%1' BEGIN SELECT RAISE(ABORT, "
                                               "'refused here'); END")
                                    .arg(refused),
                                &error),
                 qPrintable(error));
        QVERIFY(!b.engine->importChanges(&error));
        QVERIFY2(error.contains(QStringLiteral("refused here")), qPrintable(error));
        QVERIFY(store->execute(QStringLiteral("DROP TRIGGER refuse")));
        b.context()->checkForRemoteChanges();
        QCOMPARE(b.context()->fetch<ConfigurationGroup>().size(), 0);

        QVERIFY2(b.engine->importChanges(&error), qPrintable(error));
        advanceSettled(*m_scheduler, 0, {&b});
        QCOMPARE(b.context()->fetch<ConfigurationGroup>().size(), 600);
        QCOMPARE(b.nameOf(ids[597]), QStringLiteral("597"));
        QCOMPARE(b.find(ids[3])->configurations().value_or(QList<AppConfiguration*>()).size(), 1);
    }

    // An edit saved while a round runs on the worker waits for it, then goes out, and the round does not
    // take it back.
    void anEditDuringARoundGoesOutAfterIt() {
        Machine a = machineAt("a", false);
        auto* work = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        a.context()->insert(work);
        QVERIFY(a.engine->importChanges());
        const QString id = uuidString(work->id());
        Machine b = machineAt("b", true);
        advanceSettled(*m_scheduler, 0, {&b});

        work->setName(QStringLiteral("Renamed there"));
        QVERIFY(a.context()->save());
        QVERIFY(b.engine->importChanges());
        QCOMPARE(b.nameOf(id), QStringLiteral("Renamed there"));
        a.context()->insert(new ConfigurationGroup(QStringLiteral("Home"), 1920, 1080, std::nullopt));
        QVERIFY(a.context()->save());
        m_scheduler->advance(SyncEngine::rescanInterval);
        QVERIFY(b.engine->isBusy());
        b.find(id)->setName(QStringLiteral("Renamed here"));
        QVERIFY(b.context()->save());
        b.engine->settle();
        QCOMPARE(b.context()->fetch<ConfigurationGroup>().size(), 2);
        QCOMPARE(b.nameOf(id), QStringLiteral("Renamed here"));
        QVERIFY(a.engine->importChanges());
        QCOMPARE(a.nameOf(id), QStringLiteral("Renamed here"));
    }

    // The sync state keeps a file's text without its indentation; what is inside the names stays whole.
    void namesKeepTheirSpacingAcrossARestart() {
        const QString name = QStringLiteral("  two  spaces, \"quoted\" \\\" and\n\ta tab, a folder \\");
        Machine a = machineAt("a", false);
        auto* configuration = new ConfigurationGroup(name, 1920, 1080, std::nullopt);
        a.context()->insert(configuration);
        QVERIFY(a.engine->importChanges());
        const QString id = uuidString(configuration->id());
        auto b =
            std::make_unique<Machine>(m_dir->filePath(QStringLiteral("b")), folder(), *m_scheduler, false);
        QVERIFY(b->engine->importChanges());
        QCOMPARE(b->nameOf(id), name);
        const std::optional<SyncFolder::Signature> written = SyncFolder::signatureOf(fileOf(id));

        b.reset();
        Machine again = machineAt("b", false);
        QVERIFY(again.engine->importChanges());
        QCOMPARE(again.nameOf(id), name);
        // Nothing taken for an edit made here.
        QCOMPARE(SyncFolder::signatureOf(fileOf(id)), written);
    }

    // A deletion made while sync was off still travels, as its tombstone alone: the files of what went
    // with it stay as they are, here and on a machine that held it.
    void aDeletionMadeWhileSyncWasOffStillTravels() {
        Machine a = machineAt("a", false);
        Machine b = machineAt("b", false);
        const QString id = insertConfigurations(a, 1).first();
        QVERIFY(a.engine->importChanges() && b.engine->importChanges());
        const QStringList apps = versions(QStringLiteral("AppConfiguration"));
        a.engine.reset();
        a.context()->deleteObject(a.find(id));
        QVERIFY(a.context()->save());
        a.container.reset();

        Machine again = machineAt("a", false);
        QVERIFY(again.engine->importChanges() && b.engine->importChanges());
        advanceSettled(*m_scheduler, 0, {&again, &b});
        QVERIFY(readRecord(fileOf(id))[QStringLiteral("deleted")].toBool());
        QCOMPARE(b.nameOf(id), QStringLiteral("absent"));
        QCOMPARE(versions(QStringLiteral("AppConfiguration")), apps);
    }

    // A round of many files is read by worker threads: hostile files among them are refused as when read
    // one by one, a later change of a file read that way is taken, and a restart finds nothing new.
    void aLargeRoundRefusesHostileFilesAndTakesLaterChanges() {
        Machine a = machineAt("a", false);
        const int count = 150;
        QList<ConfigurationGroup*> made;
        for (int i = 0; i < count; ++i) {
            made.append(new ConfigurationGroup(QString::number(i), 1920, 1080, std::nullopt));
            a.context()->insert(made.last());
        }
        QVERIFY(a.engine->importChanges());
        const QString first = uuidString(made.first()->id());
        QFile damaged(fileOf(uuidString(QUuid::createUuid())));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("{ not json");
        damaged.close();
        QVERIFY(QFile::copy(fileOf(first), fileOf(uuidString(QUuid::createUuid()))));
        QVERIFY(QFile::link(fileOf(first), fileOf(uuidString(QUuid::createUuid()))));

        Machine b = machineAt("b", false);
        QVERIFY(b.engine->importChanges());
        QCOMPARE(b.context()->fetch<ConfigurationGroup>().size(), count);
        QCOMPARE(b.engine->unreadableFileCount(), 3);
        QVERIFY(damaged.exists());

        made.first()->setName(QStringLiteral("Renamed"));
        QVERIFY(a.context()->save());
        QVERIFY(b.engine->importChanges());
        QCOMPARE(b.nameOf(first), QStringLiteral("Renamed"));

        b.engine.reset();
        Machine again = machineAt("b", false);
        LogCapture log;
        QVERIFY(again.engine->importChanges());
        QVERIFY(log.lines().filter(QStringLiteral("merged")).isEmpty());
        QCOMPARE(again.nameOf(first), QStringLiteral("Renamed"));
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
        QCOMPARE(syncNowSettled(sync, scheduler, {&machine}), syncs);
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
        // A file where a class folder belongs: every round fails to list it.
        QFile blocker(folder() + QStringLiteral("/ConfigurationGroup"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Machine machine = machineAt("data", true);
        FolderSyncStatus sync(machine.engine.get(), QString());
        QSignalSpy changed(&sync, &SyncStatus::changed);

        LogCapture log;
        advanceSettled(*m_scheduler, 0, {&machine});
        QCOMPARE(int(sync.lastOutcome()), int(SyncStatus::Outcome::failed));
        QVERIFY2(sync.lastError().contains(QStringLiteral("ConfigurationGroup")),
                 qPrintable(sync.lastError()));
        advanceSettled(*m_scheduler, SyncEngine::rescanInterval * 3, {&machine});
        QCOMPARE(changed.size(), 1);
        QCOMPARE(log.lines().filter(QStringLiteral("Sync failed")).size(), 1);

        QVERIFY(blocker.remove());
        advanceSettled(*m_scheduler, SyncEngine::rescanInterval, {&machine});
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
        QTest::newRow("a newer format") << QByteArray("\"format\": 2") << QByteArray("\"format\": 3");
    }
    void aDamagedFileDoesNotFreezeItsConfiguration() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        Machine a = machineAt("a", false);
        Machine b = machineAt("b", false);
        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        a.context()->insert(configuration);
        QVERIFY(a.engine->importChanges() && b.engine->importChanges());
        const QString id = uuidString(configuration->id());
        QFile file(fileOf(id));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray text = file.readAll();
        QVERIFY(text.contains(from));
        text = to.isEmpty() ? text.left(text.indexOf(from)) : text.replace(from, to);
        file.resize(0);
        file.write(text);
        file.close();

        FolderSyncStatus status(a.engine.get(), QString());
        QVERIFY(syncNowSettled(status, *m_scheduler, {&a}));
        QCOMPARE(status.unreadableFileCount(), 1);
        // Edits made here keep going out, in a file that every machine can read again.
        configuration->setName(QStringLiteral("Renamed"));
        QVERIFY(a.context()->save());
        QVERIFY(b.engine->importChanges());
        QCOMPARE(b.nameOf(id), QStringLiteral("Renamed"));
        QVERIFY(syncNowSettled(status, *m_scheduler, {&a}));
        QCOMPARE(status.unreadableFileCount(), 0);
    }

    // A folder full of files that are not records: a few lines and one count, not a line each.
    void aFloodOfBadFilesIsSummarised() {
        QVERIFY(QDir().mkpath(folder() + QStringLiteral("/ConfigurationGroup")));
        const auto put = [&](const QString& name) {
            QFile file(folder() + QStringLiteral("/ConfigurationGroup/") + name);
            return file.open(QIODevice::WriteOnly) && file.write("{ not json") > 0;
        };
        for (int i = 0; i < 300; ++i)
            QVERIFY(
                put(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".json")));
        for (int i = 0; i < 50; ++i)
            QVERIFY(put(QStringLiteral("notes-%1.txt").arg(i)));
        Machine machine = machineAt("data", false);
        FolderSyncStatus sync(machine.engine.get(), QString());

        LogCapture log;
        QVERIFY(syncNowSettled(sync, *m_scheduler, {&machine}));
        const QStringList skipped = log.lines().filter(QStringLiteral("⚠️ Sync: skipped"));
        QCOMPARE(skipped.size(), SkippedFiles::linesPerRound + 1);
        QVERIFY2(skipped.last().startsWith(QStringLiteral("⚠️ Sync: skipped %1 more files in ")
                                               .arg(350 - SkippedFiles::linesPerRound)),
                 qPrintable(skipped.last()));
        QCOMPARE(sync.unreadableFileCount(), 350);
        log.clear();
        QVERIFY(syncNowSettled(sync, *m_scheduler, {&machine}));
        QCOMPARE(log.lines().filter(QStringLiteral("skipped")), QStringList());

        QVERIFY(QDir(folder() + QStringLiteral("/ConfigurationGroup")).removeRecursively());
        QVERIFY(syncNowSettled(sync, *m_scheduler, {&machine}));
        QCOMPARE(sync.unreadableFileCount(), 0);
    }

    // A tombstone stays until every machine has read the folder well after the deletion, then goes
    // from the folder and from every machine's state.
    void tombstonesGoOnceEveryMachineHasReadThem() {
        Machine a = machineAt("a", false);
        Machine b = machineAt("b", false);
        auto* configuration = new ConfigurationGroup(QStringLiteral("Gone"), 1920, 1080, std::nullopt);
        a.context()->insert(configuration);
        QVERIFY(a.engine->importChanges() && b.engine->importChanges());
        const QString file = fileOf(uuidString(configuration->id()));
        a.context()->deleteObject(configuration);
        QVERIFY(a.context()->save());
        QVERIFY(a.engine->importChanges() && b.engine->importChanges());

        m_scheduler->advance(double(PeerRounds::lifetime + PeerRounds::day) / 1000);
        // B has not read the folder since the deletion: A keeps the tombstone.
        QVERIFY(a.engine->importChanges());
        QVERIFY(QFile::exists(file));
        QVERIFY(b.engine->importChanges());
        QVERIFY(a.engine->importChanges());
        QVERIFY(!QFile::exists(file));
        // Neither brings it back.
        QVERIFY(b.engine->importChanges() && a.engine->importChanges());
        QVERIFY(!QFile::exists(file));
        QVERIFY(b.context()->fetch<ConfigurationGroup>().isEmpty());
    }

    // C stopped syncing before the deletion and comes back long after with an edit, which wins over
    // the tombstone: the machines that drop the expired tombstone must leave C's file in place.
    void anExpiredTombstoneRewrittenMeanwhileStays() {
        Machine a = machineAt("a", false);
        Machine b = machineAt("b", false);
        Machine c = machineAt("c", false);
        const QString id = insertConfigurations(a, 1).first();
        QVERIFY(a.engine->importChanges() && b.engine->importChanges() && c.engine->importChanges());
        a.context()->deleteObject(a.find(id));
        QVERIFY(a.context()->save());
        QVERIFY(a.engine->importChanges() && b.engine->importChanges());

        m_scheduler->advance(double(PeerRounds::away + PeerRounds::day) / 1000);
        c.find(id)->setName(QStringLiteral("FromC"));
        QVERIFY(c.context()->save());
        QVERIFY(c.engine->importChanges());
        QVERIFY(a.engine->importChanges() && b.engine->importChanges() && c.engine->importChanges());
        QVERIFY(QFile::exists(fileOf(id)));
        for (const Machine* machine : {&a, &b, &c})
            QCOMPARE(machine->nameOf(id), QStringLiteral("FromC"));
    }

    // The machine files come from other machines too: what is not a regular file with one name is
    // never opened (a second name of the store would drop its locks, a pipe would hang the round),
    // and a Machines folder that is a link is neither read nor written through.
    void machineFilesAreReadLikeObjectFiles_data() {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<bool>("read");
        QTest::newRow("regular file") << "file" << true;
        QTest::newRow("hard link") << "hard link" << false;
        QTest::newRow("symbolic link") << "symbolic link" << false;
        QTest::newRow("pipe") << "pipe" << false;
        QTest::newRow("folder linked outside") << "folder link" << false;
    }
    void machineFilesAreReadLikeObjectFiles() {
        QFETCH(QString, planted);
        QFETCH(bool, read);
        const QString other = QStringLiteral("0B5E2C1A-0000-4000-8000-0000000000AA");
        const QString here = QStringLiteral("0B5E2C1A-0000-4000-8000-0000000000BB");
        const QString outside = m_dir->filePath(QStringLiteral("outside"));
        const QString machines = folder() + u'/' + PeerRounds::folderName();
        QVERIFY(QDir().mkpath(outside) && QDir().mkpath(folder()));
        QVERIFY(planted == QLatin1String("folder link") ? QFile::link(outside, machines)
                                                        : QDir().mkpath(machines));
        const QString original = outside + u'/' + other + QStringLiteral(".json");
        QFile file(original);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(QJsonObject{{QStringLiteral("format"), 1},
                                             {QStringLiteral("machine"), other},
                                             {QStringLiteral("round"), 1796601600000.0}})
                       .toJson());
        file.close();
        const QByteArray name = QFile::encodeName(machines + u'/' + other + QStringLiteral(".json"));
        if (planted == QLatin1String("file"))
            QVERIFY(QFile::copy(original, QFile::decodeName(name)));
        else if (planted == QLatin1String("hard link"))
            QCOMPARE(::link(QFile::encodeName(original).constData(), name.constData()), 0);
        else if (planted == QLatin1String("symbolic link"))
            QVERIFY(QFile::link(original, QFile::decodeName(name)));
        else if (planted == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(name.constData(), 0644), 0);

        PeerRounds rounds(folder(), here);
        QCOMPARE(rounds.rounds().contains(other), read);
        QString error;
        QCOMPARE(rounds.noteRound(1796601700000, &error), planted != QLatin1String("folder link"));
        QCOMPARE(QFile::exists(outside + u'/' + here + QStringLiteral(".json")), false);
        QCOMPARE(QDir(outside).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
    }

    // Machines append to one list at once: the new applications take the same key. Or two move
    // different members at once, each to the other's place. Every machine shows them in one order, by
    // key and then id, whichever machine reads the tie first, and nobody writes them again. Or three
    // reorder one list at once and one of them deletes a member too: the deletion stands, and all
    // agree within the two passes that docs/sync.md gives them.
    void concurrentAppendsEndInOneOrder_data() {
        QTest::addColumn<int>("machines");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<bool>("reorders");
        QTest::newRow("two machines") << 2 << false << false;
        QTest::newRow("three machines") << 3 << false << false;
        QTest::newRow("two machines moving") << 2 << true << false;
        QTest::newRow("three machines reordering, one deleting") << 3 << false << true;
    }
    void concurrentAppendsEndInOneOrder() {
        QFETCH(int, machines);
        QFETCH(bool, moves);
        QFETCH(bool, reorders);
        std::vector<std::unique_ptr<Machine>> all;
        for (int m = 0; m < machines; ++m)
            all.push_back(std::make_unique<Machine>(m_dir->filePath(QString(QChar(u'a' + m))), folder(),
                                                    *m_scheduler, false));
        const QString id = insertConfigurations(*all[0], 1).first();
        // Each machine reads the folder once and runs what that leaves for later turns.
        const auto pass = [&] {
            for (const auto& machine : all) {
                QVERIFY(machine->engine->importChanges());
                advanceSettled(*m_scheduler, 0, {machine.get()});
            }
        };
        const auto listOf = [&](const Machine& machine) {
            QStringList list;
            for (const AppConfiguration* app : machine.find(id)->configurationList())
                list.append(app->bundleID());
            return list.join(u',');
        };
        const QString folder = this->folder() + QStringLiteral("/AppConfiguration");
        // Each member's place (a tombstone keeps the place it had, which is no longer in the list), and
        // each file's version.
        const auto files = [&] {
            QStringList places;
            QStringList versions;
            for (const QFileInfo& info :
                 QDir(folder).entryInfoList({QStringLiteral("*.json")}, QDir::Files)) {
                const QJsonObject record = readRecord(info.filePath());
                if (!record[QStringLiteral("deleted")].toBool())
                    places.append(
                        record[QStringLiteral("attributes")][QStringLiteral("configurationGroupOrder")]
                            .toVariant()
                            .toString());
                versions.append(QString::number(SyncFolder::signatureOf(info.filePath())->inode));
            }
            return std::pair(places, versions);
        };
        const auto append = [&](Machine& machine, const QString& bundleID) {
            machine.find(id)->appendConfiguration(new AppConfiguration(
                bundleID, bundleID, QString(), 0, false, Corner::topRight, 0.5, 400, 10, 10));
            QVERIFY(machine.context()->save());
        };
        // Lists the members in this order of their ids.
        const auto arrange = [&](Machine& machine, std::initializer_list<int> order) {
            QList<AppConfiguration*> byId = machine.find(id)->configurationList();
            std::sort(byId.begin(), byId.end(),
                      [](auto* x, auto* y) { return uuidString(x->id()) < uuidString(y->id()); });
            QList<AppConfiguration*> list;
            for (int i : order)
                list.append(byId[i]);
            machine.find(id)->setConfigurations(list);
            QVERIFY(machine.context()->save());
        };
        if (moves) {
            for (const char* bundleID : {"b", "c", "d"})
                append(*all[0], QLatin1String(bundleID));
            arrange(*all[0], {0, 2, 1, 3});
        }
        if (reorders) {
            for (const char* bundleID : {"b", "c", "d", "e", "f", "g"})
                append(*all[0], QLatin1String(bundleID));
            // Against the order of the ids: half of a swap of two then looks like a tie.
            arrange(*all[0], {6, 5, 4, 3, 2, 1, 0});
        }
        pass();
        if (reorders) {
            const std::initializer_list<int> orders[] = {
                {5, 6, 4, 3, 2, 1, 0}, {0, 1, 2, 3, 4, 5, 6}, {3, 4, 5, 6, 0, 1, 2}};
            // Against the order each machine showed (that of the ids, reversed): only the fewest
            // members whose order changed send a place (a new key may happen to be an old one).
            const int movedMembers[] = {1, 6, 6};
            for (int m = 0; m < machines; ++m) {
                const QStringList placesBefore = files().first;
                arrange(*all[m], orders[m]);
                QVERIFY(all[m]->engine->exportChanges());
                const QStringList placesAfter = files().first;
                int changedPlaces = 0;
                for (qsizetype i = 0; i < placesAfter.size(); ++i)
                    changedPlaces += placesAfter[i] != placesBefore.value(i) ? 1 : 0;
                QVERIFY2(changedPlaces <= movedMembers[m], qPrintable(QString::number(changedPlaces)));
                m_scheduler->advance(1);
            }
            AppConfiguration* dropped = all[2]->find(id)->configurationList()[3];
            const QString bundleID = dropped->bundleID();
            all[2]->context()->deleteObject(dropped);
            QVERIFY(all[2]->context()->save());
            pass();
            pass();
            const QString agreed = listOf(*all[0]);
            QVERIFY2(!agreed.split(u',').contains(bundleID), qPrintable(agreed));
            QCOMPARE(agreed.count(u',') + 1, 6);
            for (const auto& machine : all)
                QCOMPARE(listOf(*machine), agreed);
            const QStringList versions = files().second;
            pass();
            pass();
            QCOMPARE(files().second, versions);
            for (const auto& machine : all)
                QCOMPARE(listOf(*machine), agreed);
            return;
        }
        // The ids decide the order of a tie: a few times over, with new ones.
        for (int round = 0; round < (moves ? 1 : 4); ++round) {
            if (moves) {
                // A moves the first member past the second; B, a moment later, the third before it.
                arrange(*all[0], {2, 0, 1, 3});
                m_scheduler->advance(1);
                arrange(*all[1], {0, 1, 2, 3});
            }
            for (int m = 0; m < machines && !moves; ++m)
                append(*all[m], QStringLiteral("r%1m%2").arg(round).arg(m));
            pass();
            // A machine early in the pass reads the others' moves in the next.
            if (moves)
                pass();
            for (const auto& machine : all)
                QCOMPARE(listOf(*machine), listOf(*all[0]));
            QCOMPARE(listOf(*all[0]).count(u',') + 1, moves ? 4 : 1 + (round + 1) * machines);
            const QStringList versions = files().second;
            // Shown alike for good: later passes write nothing and move nothing.
            pass();
            QCOMPARE(files().second, versions);
            for (const auto& machine : all)
                QCOMPARE(listOf(*machine), listOf(*all[0]));
        }
    }

    // A round that merges many tombstones packs them afresh: nothing of them may be lost or changed on
    // the way, nor of the objects beside them.
    void aLargeRoundKeepsWhatItMergedWhenItPacksIt() {
        Machine a = machineAt("a", false);
        const QStringList ids = insertConfigurations(a, 2100);
        QVERIFY(a.engine->importChanges());
        std::optional<Machine> b = machineAt("b", false);
        QVERIFY(b->engine->importChanges());
        const QByteArray alive = [&] {
            QFile file(fileOf(ids[0]));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        QVERIFY(alive.contains("\"deleted\": false"));
        for (int i = 0; i < 2050; ++i)
            a.context()->deleteObject(a.find(ids[i]));
        QVERIFY(a.context()->save());
        QVERIFY(a.engine->importChanges() && b->engine->importChanges());
        QCOMPARE(b->context()->fetch<ConfigurationGroup>().size(), 50);

        const auto rename = [](Machine& machine, const QString& id, const QString& name) {
            machine.find(id)->setName(name);
            QVERIFY(machine.context()->save());
        };
        rename(*b, ids[2050], QStringLiteral("FromB"));
        QVERIFY(b->engine->importChanges() && a.engine->importChanges());
        QCOMPARE(a.nameOf(ids[2050]), QStringLiteral("FromB"));
        rename(a, ids[2051], QStringLiteral("FromA"));
        QVERIFY(a.engine->importChanges() && b->engine->importChanges());
        QCOMPARE(b->nameOf(ids[2051]), QStringLiteral("FromA"));
        // A tombstone still holds against the object's older file, and after a restart too.
        for (int restart = 0; restart < 2; ++restart) {
            QFile file(fileOf(ids[0]));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(alive);
            file.close();
            QVERIFY(b->engine->importChanges());
            QCOMPARE(b->nameOf(ids[0]), QStringLiteral("absent"));
            b.reset();
            b.emplace(machineAt("b", false));
        }
    }

    // One round that deletes many configurations or saved applications keeps a copy first, which
    // brings them back.
    void manyDeletionsAtOnceKeepACopy_data() {
        QTest::addColumn<int>("deleted");
        QTest::addColumn<bool>("savedApps");
        QTest::addColumn<QString>("what");
        QTest::newRow("a few") << DeletionBackup::threshold << false << QString();
        QTest::newRow("more than a few")
            << DeletionBackup::threshold + 2 << false << QStringLiteral("5 configurations");
        QTest::newRow("saved applications")
            << DeletionBackup::threshold + 1 << true << QStringLiteral("4 saved applications");
    }
    void manyDeletionsAtOnceKeepACopy() {
        QFETCH(int, deleted);
        QFETCH(bool, savedApps);
        QFETCH(QString, what);
        Machine a = machineAt("a", false);
        auto b =
            std::make_unique<Machine>(m_dir->filePath(QStringLiteral("b")), folder(), *m_scheduler, false);
        const auto stored = [savedApps](Machine& machine) {
            return savedApps ? machine.context()->fetch<SavedApp>().size()
                             : machine.context()->fetch<ConfigurationGroup>().size();
        };
        for (int i = 0; i < deleted; ++i)
            if (savedApps)
                a.context()->insert(new SavedApp(QStringLiteral("org.example.App%1").arg(i),
                                                 QString::number(i), 800, 600, Corner::topLeft, 0.5, 0, 0));
            else
                a.context()->insert(new ConfigurationGroup(QString::number(i), 1920, 1080, std::nullopt));
        QVERIFY(a.engine->importChanges() && b->engine->importChanges());
        QCOMPARE(stored(*b), deleted);
        for (ConfigurationGroup* configuration : a.context()->fetch<ConfigurationGroup>())
            a.context()->deleteObject(configuration);
        for (SavedApp* app : a.context()->fetch<SavedApp>())
            a.context()->deleteObject(app);
        QVERIFY(a.context()->save());
        QVERIFY(a.engine->importChanges());

        FolderSyncStatus sync(b->engine.get(), QString());
        LogCapture log;
        QVERIFY(syncNowSettled(sync, *m_scheduler, {b.get()}));
        QCOMPARE(stored(*b), 0);
        const QStringList copies =
            QDir(m_dir->filePath(QStringLiteral("b/backups"))).entryList(QDir::Files, QDir::Name);
        if (deleted <= DeletionBackup::threshold) {
            QCOMPARE(copies, QStringList());
            QCOMPARE(sync.notice(), QString());
            return;
        }
        QCOMPARE(copies.size(), 1);
        const QString copy = m_dir->filePath(QStringLiteral("b/backups/")) + copies.first();
        QCOMPARE(
            log.lines().filter(QStringLiteral("another machine deleted")),
            QStringList{QStringLiteral("⚠️ Sync: another machine deleted %1; the library as it was is "
                                       "kept in %2")
                            .arg(what, copy)});
        QVERIFY(sync.notice().contains(copy));

        // Restored as the notice says, the configurations come back, here and on the other machine.
        b.reset();
        const QString store = m_dir->filePath(QStringLiteral("b/quarlin.sqlite"));
        QVERIFY(QFile::remove(store) && QFile::copy(copy, store));
        Machine restored = machineAt("b", false);
        QCOMPARE(stored(restored), deleted);
        QVERIFY(restored.engine->importChanges() && a.engine->importChanges());
        QCOMPARE(stored(restored), deleted);
        QCOMPARE(stored(a), deleted);
    }

    // A quiet folder is not read over and over; a file written by another machine is read as soon as
    // the folder reports it, long before the next full rescan.
    void aWatchedFolderIsReadWhenItChanges() {
        QVERIFY(QDir().mkpath(folder() + QStringLiteral("/ConfigurationGroup")));
        Machine a = machineAt("a", false);
        Machine b = machineAt("b", true);
        advanceSettled(*m_scheduler, 0, {&b});
        QSignalSpy rounds(b.engine.get(), &SyncEngine::finished);
        advanceSettled(*m_scheduler, 60, {&b});
        QCOMPARE(rounds.size(), 0);
        a.context()->insert(new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt));
        QVERIFY(a.context()->save());
        double waited = 0;
        QTRY_VERIFY_WITH_TIMEOUT((advanceSettled(*m_scheduler, SyncEngine::settleDelay, {&b}),
                                  waited += SyncEngine::settleDelay,
                                  !b.context()->fetch<ConfigurationGroup>().isEmpty()),
                                 10000);
        QVERIFY(waited < SyncEngine::rescanInterval);
    }

    // "Sync Now" runs on the worker and reports on a later turn. Asked while the timer's round runs, it
    // waits for that round and reads the folder again; asked twice, it reads it once.
    void syncNowRunsInTheBackground() {
        Machine a = machineAt("a", false);
        Machine b = machineAt("b", true);
        a.context()->insert(new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt));
        QVERIFY(a.engine->importChanges());
        m_scheduler->runDue();
        QVERIFY(b.engine->isBusy());
        auto* later = new ConfigurationGroup(QStringLiteral("Later"), 1920, 1080, std::nullopt);
        a.context()->insert(later);
        QVERIFY(a.context()->save());

        FolderSyncStatus sync(b.engine.get(), QString());
        QSignalSpy rounds(b.engine.get(), &SyncEngine::finished);
        QStringList outcomes;
        const auto note = [&outcomes](bool ok, const QString& error) {
            outcomes.append(ok ? QStringLiteral("ok") : error);
        };
        LogCapture log;
        sync.syncNow(note);
        sync.syncNow(note);
        QCOMPARE(outcomes, QStringList());
        for (int turn = 0; outcomes.isEmpty() && turn < 100; ++turn)
            advanceSettled(*m_scheduler, 0, {&b});
        QCOMPARE(outcomes, (QStringList{QStringLiteral("ok"), QStringLiteral("ok")}));
        QCOMPARE(rounds.size(), 2);
        QCOMPARE(b.nameOf(uuidString(later->id())), QStringLiteral("Later"));
        QCOMPARE(log.lines().filter(QStringLiteral("Manual sync")).value(0),
                 QStringLiteral("✅ Manual sync completed"));
        QCOMPARE(sync.lastOutcome(), SyncStatus::Outcome::synced);
    }

    // Files that the worker fails to write fail "Sync Now", with the reason.
    void syncNowReportsFilesItCouldNotWrite() {
        Machine a = machineAt("a", false);
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), folder() + QStringLiteral("/ConfigurationGroup")));
        for (int i = 0; i <= SyncEngine::writeChunk; ++i)
            a.context()->insert(new ConfigurationGroup(QString::number(i), 1920, 1080, std::nullopt));
        FolderSyncStatus sync(a.engine.get(), QString());
        LogCapture log;
        QString error;
        QVERIFY(!syncNowSettled(sync, *m_scheduler, {&a}, &error));
        QVERIFY2(
            error.endsWith(QStringLiteral("ConfigurationGroup: a symbolic link or a file, not followed")),
            qPrintable(error));
        QVERIFY(log.lines().contains(QStringLiteral("❌ Manual sync failed: ") + error));
        QCOMPARE(sync.lastOutcome(), SyncStatus::Outcome::failed);
        QVERIFY(QDir(elsewhere.path()).isEmpty());
    }

    // Something in the way fails an export: a folder at the object's file name (found by the round
    // that the unexpected entry calls for, or by a round before), or a class folder that is a link. The
    // failure shows until the file is written, which happens on its own once the obstacle goes; the
    // tries and the exports of later edits neither flicker the status nor print more than one line,
    // and a restart still writes it.
    void aFailedExportIsTriedAgain_data() {
        QTest::addColumn<bool>("linkedFolder");
        QTest::addColumn<bool>("listedFirst");
        QTest::addColumn<bool>("restart");
        QTest::newRow("folder at the name") << false << false << false;
        QTest::newRow("listed first") << false << true << false;
        QTest::newRow("restarted") << false << false << true;
        QTest::newRow("linked class folder") << true << false << false;
    }
    void aFailedExportIsTriedAgain() {
        QFETCH(bool, linkedFolder);
        QFETCH(bool, listedFirst);
        QFETCH(bool, restart);
        auto a =
            std::make_unique<Machine>(m_dir->filePath(QStringLiteral("a")), folder(), *m_scheduler, true);
        auto sync = std::make_unique<FolderSyncStatus>(a->engine.get(), QString());
        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        a->context()->insert(configuration);
        QVERIFY(a->context()->save());
        advanceSettled(*m_scheduler, 0, {a.get()});
        const QString path = fileOf(uuidString(configuration->id()));
        const QString classFolder = folder() + QStringLiteral("/ConfigurationGroup");
        const QString moved = folder() + QStringLiteral("/moved");
        // The link leads to the very file written last, so nothing tells the retry that it changed.
        if (linkedFolder)
            QVERIFY(QDir().rename(classFolder, moved) && QFile::link(moved, classFolder));
        else
            QVERIFY(QFile::remove(path) && QDir().mkpath(path + QStringLiteral("/inside")));
        if (listedFirst)
            QVERIFY(a->engine->rescan());

        LogCapture log;
        configuration->setName(QStringLiteral("Renamed"));
        QVERIFY(a->context()->save());
        advanceSettled(*m_scheduler, SyncEngine::rescanInterval, {a.get()});
        QCOMPARE(sync->lastOutcome(), SyncStatus::Outcome::failed);
        QVERIFY2(sync->lastError().startsWith(linkedFolder ? classFolder : path),
                 qPrintable(sync->lastError()));
        QSignalSpy changed(sync.get(), &SyncStatus::changed);
        advanceSettled(*m_scheduler, SyncEngine::rescanInterval, {a.get()});
        QCOMPARE(changed.size(), 0);
        configuration->setName(QStringLiteral("Again"));
        QVERIFY(a->context()->save());
        advanceSettled(*m_scheduler, SyncEngine::rescanInterval * 2, {a.get()});
        QCOMPARE(log.lines().filter(QStringLiteral("❌")).size(), 1);

        if (linkedFolder)
            QVERIFY(QFile::remove(classFolder) && QDir().rename(moved, classFolder));
        else
            QVERIFY(QDir(path).removeRecursively());
        if (restart) {
            sync.reset();
            a.reset();
            a = std::make_unique<Machine>(m_dir->filePath(QStringLiteral("a")), folder(), *m_scheduler, true);
            sync = std::make_unique<FolderSyncStatus>(a->engine.get(), QString());
        }
        advanceSettled(*m_scheduler, SyncEngine::rescanInterval, {a.get()});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll())["attributes"]["name"].toString(),
                 QStringLiteral("Again"));
        QCOMPARE(sync->lastOutcome(), SyncStatus::Outcome::synced);
        QCOMPARE(sync->lastError(), QString());
    }

    void withoutAnEngineEverySyncFails() {
        FolderSyncStatus sync(nullptr, QStringLiteral("the state file is damaged"));
        LogCapture log;
        QString error;
        QVERIFY(!syncNowSettled(sync, *m_scheduler, {}, &error));
        QCOMPARE(error, QStringLiteral("the state file is damaged"));
        QCOMPARE(log.lines(), QStringList{QStringLiteral("❌ Manual sync failed: the state file is damaged")});
    }
};

QTEST_GUILESS_MAIN(SyncStatusTest)
#include "SyncStatusTest.moc"
