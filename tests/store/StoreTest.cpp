// The store against real database files: what is saved comes back exactly, delete rules reach the
// file, failures keep what is pending, other writers are noticed, and foreign files are left alone.
#include "StoreFiles.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/Item.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "store/Database.h"
#include "store/IsoDate.h"
#include "store/StoreSchema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <functional>
#include <utility>

namespace {
QDateTime at(int day, int msec = 0) {
    return QDateTime(QDate(2026, 3, day), QTime(8, 30, 15, msec), Qt::UTC);
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs `action` in place of the first sleep of a connection opened while it lives, which SQLite makes
// through the connection's file system when another connection holds a lock that it waits for.
class WhileWaitingForALock {
public:
    explicit WhileWaitingForALock(std::function<void()> action) {
        s_then = std::move(action);
        s_base = sqlite3_vfs_find(nullptr);
        m_vfs = *s_base;
        m_vfs.zName = "whileWaiting";
        m_vfs.xSleep = [](sqlite3_vfs*, int microseconds) {
            const std::function<void()> then = std::exchange(s_then, {});
            if (!then)
                return s_base->xSleep(s_base, microseconds);
            then();
            return microseconds;
        };
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~WhileWaitingForALock() { sqlite3_vfs_unregister(&m_vfs); }
    WhileWaitingForALock(const WhileWaitingForALock&) = delete;
    WhileWaitingForALock& operator=(const WhileWaitingForALock&) = delete;

private:
    static inline std::function<void()> s_then;
    static inline sqlite3_vfs* s_base = nullptr;
    sqlite3_vfs m_vfs{};
};

// While it lives, connections opened find the disk full: every write to the files whose open flags
// hold `kinds` (SQLITE_OPEN_MAIN_DB, SQLITE_OPEN_WAL) fails as a full disk fails it.
class OnAFullDisk {
public:
    explicit OnAFullDisk(int kinds) {
        s_kinds = kinds;
        s_base = sqlite3_vfs_find(nullptr);
        m_vfs = *s_base;
        m_vfs.zName = "fullDisk";
        m_vfs.xOpen = [](sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
            const int rc = s_base->xOpen(s_base, name, file, flags, outFlags);
            if (rc == SQLITE_OK && (flags & s_kinds) && file->pMethods) {
                s_methods = *file->pMethods;
                s_methods.xWrite = [](sqlite3_file*, const void*, int, sqlite3_int64) { return SQLITE_FULL; };
                file->pMethods = &s_methods;
            }
            return rc;
        };
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~OnAFullDisk() { sqlite3_vfs_unregister(&m_vfs); }
    OnAFullDisk(const OnAFullDisk&) = delete;
    OnAFullDisk& operator=(const OnAFullDisk&) = delete;

private:
    static inline int s_kinds = 0;
    static inline sqlite3_vfs* s_base = nullptr;
    static inline sqlite3_io_methods s_methods{};
    sqlite3_vfs m_vfs{};
};
} // namespace

class StoreTest : public QObject, StoreFiles {
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsEveryAttributeAndListOrder() {
        QUuid configurationId, groupId, mappingId, appId, savedId;
        {
            auto container = open();
            QVERIFY(container);
            ModelContext* context = container->mainContext();
            auto* saved = new SavedApp(QStringLiteral("org.example.Saved"), QStringLiteral("Saved"), 800.5,
                                       600.25, Corner::bottomHalf, 0.75, 3.5, 4.5);
            saved->setDateAdded(at(2, 7));
            savedId = saved->id();
            context->insert(saved);

            auto* configuration =
                new ConfigurationGroup(QStringLiteral("Work ✓"), 1920, 1080, QStringLiteral("desc"));
            configurationId = configuration->id();
            configuration->setDateCreated(at(3, 999));
            configuration->setLastActivatedAt(at(4, 1));
            context->insert(configuration);
            for (const char* id : {"c.third", "a.first", "b.second"}) {
                auto* app = new AppConfiguration(QString::fromLatin1(id), QStringLiteral("App ") + id,
                                                 QStringLiteral("rightThird"), 7, true, Corner::rightThird,
                                                 0.33, 512, 11, 12);
                configuration->appendConfiguration(app);
            }
            AppConfiguration* linked = configuration->configurationList()[1];
            appId = linked->id();
            linked->setSavedApp(saved);
            PositionGroup* empty =
                configuration->addPositionGroup(QStringLiteral("Empty"), QStringLiteral("d1"), false);
            empty->setAppPositions(QList<AppPositionMapping*>());
            PositionGroup* group =
                configuration->addPositionGroup(QStringLiteral("Main"), QStringLiteral("d2"), true);
            group->setDateCreated(at(5, 5));
            groupId = group->id();
            group->setPosition(QStringLiteral("zeta"), QStringLiteral("Zeta"), Corner::fullScreen);
            group->setPosition(QStringLiteral("alpha"), QStringLiteral("Alpha"), Corner::leftTwoThirds);
            mappingId = group->appPositionList()[0]->id();

            auto* bare = new ConfigurationGroup();
            bare->setName(QStringLiteral("Bare"));
            context->insert(bare);
            auto* item = new Item();
            item->setTimestamp(at(6, 123));
            context->insert(item);
            QString error;
            QVERIFY2(context->save(&error), qPrintable(error));
            QVERIFY(!context->hasChanges());
        }

        auto container = open();
        QVERIFY(container);
        ModelContext* context = container->mainContext();
        QCOMPARE(context->fetch<ConfigurationGroup>().size(), 2);
        QCOMPARE(context->fetch<Item>().size(), 1);
        QCOMPARE(context->fetch<Item>()[0]->timestamp(), at(6, 123));

        ConfigurationGroup* bare = findByName(context, QStringLiteral("Bare"));
        QVERIFY(bare);
        QVERIFY(!bare->configurations() && !bare->positionGroups() && !bare->desc() &&
                !bare->lastActivatedAt() && !bare->defaultPositionGroupID());

        ConfigurationGroup* configuration = findByName(context, QStringLiteral("Work ✓"));
        QVERIFY(configuration);
        QCOMPARE(configuration->id(), configurationId);
        QCOMPARE(configuration->dateCreated(), at(3, 999));
        QCOMPARE(configuration->lastActivatedAt(), std::optional(at(4, 1)));
        QCOMPARE(configuration->screenWidth(), 1920.0);
        QCOMPARE(configuration->screenHeight(), 1080.0);
        QCOMPARE(configuration->desc(), std::optional(QStringLiteral("desc")));
        QCOMPARE(configuration->defaultPositionGroupID(), std::optional(uuidString(groupId)));

        QCOMPARE(bundleIDs(configuration), QStringLiteral("c.third,a.first,b.second"));
        AppConfiguration* app = configuration->configurationList()[1];
        QCOMPARE(app->id(), appId);
        QCOMPARE(app->configurationGroup(), configuration);
        const auto numbers = [](std::initializer_list<double> values) {
            QStringList out;
            for (double v : values)
                out << QString::number(v, 'g', 12);
            return out.join(' ');
        };
        QCOMPARE(app->appName() + ' ' + app->relativePosition() + ' ' + app->savedCorner(),
                 QStringLiteral("App a.first rightThird rightThird"));
        QCOMPARE(numbers({double(app->priority()), double(app->isRequired()), app->savedWidthFraction(),
                          app->savedHeight(), app->savedMarginX(), app->savedMarginY()}),
                 QStringLiteral("7 1 0.33 512 11 12"));
        QCOMPARE(context->fetch<SavedApp>().size(), 1);
        SavedApp* saved = context->fetch<SavedApp>()[0];
        QCOMPARE(app->savedApp(), saved);
        QCOMPARE(saved->configurationList(), QList<AppConfiguration*>{app});
        QCOMPARE(saved->id(), savedId);
        QCOMPARE(saved->bundleID() + ' ' + saved->name() + ' ' + saved->savedCorner(),
                 QStringLiteral("org.example.Saved Saved bottomHalf"));
        QCOMPARE(saved->dateAdded(), at(2, 7));
        QCOMPARE(numbers({saved->savedWidth(), saved->savedHeight(), saved->savedWidthFraction(),
                          saved->savedMarginX(), saved->savedMarginY()}),
                 QStringLiteral("800.5 600.25 0.75 3.5 4.5"));

        const QList<PositionGroup*> groups = configuration->positionGroupList();
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0]->name(), QStringLiteral("Empty"));
        QCOMPARE(groups[0]->appPositions(), std::optional(QList<AppPositionMapping*>()));
        PositionGroup* group = groups[1];
        QCOMPARE(configuration->defaultPositionGroup(), group);
        QCOMPARE(group->configurationGroup(), configuration);
        QCOMPARE(group->desc(), QStringLiteral("d2"));
        QCOMPARE(group->isDefault(), true);
        QCOMPARE(group->dateCreated(), at(5, 5));
        const QList<AppPositionMapping*> mappings = group->appPositionList();
        QCOMPARE(mappings.size(), 2);
        QCOMPARE(mappings[0]->id(), mappingId);
        QCOMPARE(mappings[0]->bundleID() + ' ' + mappings[0]->appName() + ' ' + mappings[0]->savedCorner(),
                 QStringLiteral("zeta Zeta fullScreen"));
        QCOMPARE(mappings[0]->positionGroup(), group);
        QCOMPARE(mappings[1]->bundleID(), QStringLiteral("alpha"));
        QCOMPARE(context->fetch<AppPositionMapping>().size(), 2);
        QVERIFY(!context->hasChanges());
    }

    void deletingAConfigurationCascadesAndDeletingASavedAppNullifies() {
        {
            auto container = open();
            ModelContext* context = container->mainContext();
            auto* saved = new SavedApp();
            context->insert(saved);
            for (const char* name : {"doomed", "kept"}) {
                auto* configuration = new ConfigurationGroup(QString::fromLatin1(name), 0, 0, std::nullopt);
                context->insert(configuration);
                auto* app = new AppConfiguration();
                configuration->appendConfiguration(app);
                app->setSavedApp(saved);
                PositionGroup* group = configuration->addPositionGroup(QStringLiteral("g"), QString(), false);
                group->setPosition(QStringLiteral("x"), QStringLiteral("X"), Corner::topHalf);
            }
            QVERIFY(context->save());
            QCOMPARE(saved->configurationList().size(), 2);

            ConfigurationGroup* doomed = findByName(context, QStringLiteral("doomed"));
            context->deleteObject(doomed);
            QCOMPARE(saved->configurationList().size(), 1);
            QVERIFY(context->save());
        }
        {
            auto container = open();
            ModelContext* context = container->mainContext();
            QCOMPARE(context->fetch<ConfigurationGroup>().size(), 1);
            QCOMPARE(context->fetch<AppConfiguration>().size(), 1);
            QCOMPARE(context->fetch<PositionGroup>().size(), 1);
            QCOMPARE(context->fetch<AppPositionMapping>().size(), 1);
            QCOMPARE(context->fetch<SavedApp>().size(), 1);
            context->deleteObject(context->fetch<SavedApp>()[0]);
            QVERIFY(context->save());
        }
        auto container = open();
        ModelContext* context = container->mainContext();
        QCOMPARE(context->fetch<SavedApp>().size(), 0);
        QCOMPARE(context->fetch<AppConfiguration>().size(), 1);
        AppConfiguration* app = context->fetch<AppConfiguration>()[0];
        QCOMPARE(app->savedApp(), nullptr);
        QCOMPARE(app->configurationGroup(), findByName(context, QStringLiteral("kept")));
    }

    void reorderingAndRemovingFromListsReachTheFile() {
        {
            auto container = open();
            ModelContext* context = container->mainContext();
            auto* configuration = new ConfigurationGroup();
            context->insert(configuration);
            for (const char* id : {"one", "two", "three"}) {
                auto* app = new AppConfiguration();
                app->setBundleID(QString::fromLatin1(id));
                configuration->appendConfiguration(app);
            }
            QVERIFY(context->save());
            QList<AppConfiguration*> apps = configuration->configurationList();
            AppConfiguration* removed = apps.takeAt(1);
            std::reverse(apps.begin(), apps.end());
            configuration->setConfigurations(apps);
            QCOMPARE(removed->configurationGroup(), nullptr);
            QVERIFY(context->save());
            // The removed application is no longer stored but stays a valid object.
            QCOMPARE(removed->bundleID(), QStringLiteral("two"));
        }
        auto container = open();
        ConfigurationGroup* configuration = container->mainContext()->fetch<ConfigurationGroup>()[0];
        QCOMPARE(bundleIDs(configuration), QStringLiteral("three,one"));
        QCOMPARE(container->mainContext()->fetch<AppConfiguration>().size(), 2);
    }

    // Equal places in a list (left by concurrent reorders on several machines) are ordered by id, both
    // when the whole store is read and when another writer's change is read in: row keys differ
    // between machines, so ordering by them would show each machine its own list.
    void equalPlacesInAListGoByIdEverywhere() {
        {
            auto container = open();
            ModelContext* context = container->mainContext();
            context->setAutosaveEnabled(false);
            auto* configuration = new ConfigurationGroup();
            context->insert(configuration);
            // Stored first, but last by id.
            for (const char* id :
                 {"FFFFFFFF-0000-4000-8000-000000000001", "00000000-0000-4000-8000-000000000002",
                  "80000000-0000-4000-8000-000000000003"}) {
                auto* app = new AppConfiguration();
                app->setId(QUuid::fromString(QLatin1String(id)));
                app->setBundleID(QLatin1String(id).left(2));
                configuration->appendConfiguration(app);
            }
            QVERIFY(context->save());
            QString error;
            auto other = Database::open(path(), false, &error);
            QVERIFY2(other, qPrintable(error));
            QVERIFY(other->execute(QStringLiteral("UPDATE AppConfiguration SET configurationGroupOrder = "
                                                  "CASE WHEN bundleID = '80' THEN 1 ELSE 0 END")));
            context->checkForRemoteChanges();
            QCOMPARE(bundleIDs(configuration), QStringLiteral("00,FF,80"));
        }
        auto container = open();
        QCOMPARE(bundleIDs(container->mainContext()->fetch<ConfigurationGroup>()[0]),
                 QStringLiteral("00,FF,80"));
    }

    void aFailedSaveKeepsItsPendingChanges() {
        auto container = open();
        ModelContext* context = container->mainContext();
        auto* configuration = new ConfigurationGroup(QStringLiteral("before"), 0, 0, std::nullopt);
        context->insert(configuration);
        QVERIFY(context->save());

        QString error;
        auto other = Database::open(path(), false, &error);
        QVERIFY2(other, qPrintable(error));
        QVERIFY(other->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON ConfigurationGroup "
                                              "BEGIN SELECT RAISE(ABORT, 'refused by test'); END")));
        configuration->setName(QStringLiteral("after"));
        configuration->appendConfiguration(new AppConfiguration());
        QVERIFY(!context->save(&error));
        QVERIFY2(error.contains(QStringLiteral("refused by test")), qPrintable(error));
        QVERIFY(context->hasChanges());
        // Nothing of the failed transaction reached the file.
        QCOMPARE(other->queryInteger(QStringLiteral("SELECT count(*) FROM AppConfiguration")),
                 std::optional<qint64>(0));

        QVERIFY(other->execute(QStringLiteral("DROP TRIGGER refuse")));
        QVERIFY2(context->save(&error), qPrintable(error));
        QVERIFY(!context->hasChanges());
        QCOMPARE(other->queryText(QStringLiteral("SELECT name FROM ConfigurationGroup")),
                 std::optional(QStringLiteral("after")));
        QCOMPARE(other->queryInteger(QStringLiteral("SELECT count(*) FROM AppConfiguration")),
                 std::optional<qint64>(1));
    }

    // The disk refuses the automatic save: the user is to hear of it once per run of failures, and
    // the save is tried again by itself until the disk takes it.
    void aFailingAutomaticSaveIsSignalledOnceAndTriedAgain_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("read-only file") << false;
        QTest::newRow("full disk") << true;
    }
    void aFailingAutomaticSaveIsSignalledOnceAndTriedAgain() {
        QFETCH(bool, fullDisk);
        const auto run = [](const QString& program, const QStringList& arguments) {
            return QProcess::execute(program, arguments) == 0;
        };
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("disk"));
        const QString file = folder + QStringLiteral("/quarlin.sqlite");
        const QStringList files{file, file + QStringLiteral("-wal")};
        const QString filler = folder + QStringLiteral("/filler");
        QVERIFY(QDir().mkpath(folder));
        if (fullDisk && !run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=400k", "tmpfs", folder}))
            QSKIP("cannot mount a small tmpfs here (needs root)");
        const auto cleanUp = qScopeGuard([&] {
            run(QStringLiteral("chattr"), QStringList{QStringLiteral("-i")} + files);
            if (fullDisk)
                run(QStringLiteral("umount"), {folder});
        });
        // Read-only for everyone, root included; or a disk without a free byte.
        const auto refuse = [&] {
            if (!fullDisk)
                return run(QStringLiteral("chattr"), QStringList{QStringLiteral("+i")} + files);
            QFile fill(filler);
            if (!fill.open(QIODevice::WriteOnly))
                return false;
            const QByteArray block(4096, 'x');
            while (fill.write(block) == block.size() && fill.flush()) {
            }
            return true;
        };
        const auto allow = [&] {
            return fullDisk ? QFile::remove(filler)
                            : run(QStringLiteral("chattr"), QStringList{QStringLiteral("-i")} + files);
        };

        auto container = open(file);
        ModelContext* context = container->mainContext();
        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 0, 0, std::nullopt);
        context->insert(configuration);
        QVERIFY(context->save());
        QSignalSpy failed(context, &ModelContext::saveFailed);
        if (!refuse())
            QSKIP("cannot make the file immutable here");
        const QString large(64 * 1024, QLatin1Char('d'));
        configuration->setDesc(large);
        m_scheduler.advance(ModelContext::autosaveDelay);
        QVERIFY(context->hasChanges());
        QCOMPARE(failed.size(), 1);
        QVERIFY(!failed.at(0).at(0).toString().isEmpty());
        configuration->setName(QStringLiteral("Work 2"));
        m_scheduler.advance(ModelContext::autosaveRetryInterval);
        QCOMPARE(failed.size(), 1);

        // Once the disk takes it again, the retry saves without another change.
        QVERIFY(allow());
        m_scheduler.advance(ModelContext::autosaveRetryInterval);
        QVERIFY(!context->hasChanges());
        QCOMPARE(open(file)->mainContext()->fetch<ConfigurationGroup>().value(0)->desc(),
                 std::optional(large));

        // A new run of failures is told again.
        QVERIFY(refuse());
        configuration->setDesc(large + large);
        m_scheduler.advance(ModelContext::autosaveDelay);
        QCOMPARE(failed.size(), 2);
    }

    void changesAreSavedAutomaticallyOnceShortlyAfterABurst() {
        auto container = open();
        ModelContext* context = container->mainContext();
        const int before = m_scheduler.pendingCount();
        auto* configuration = new ConfigurationGroup();
        context->insert(configuration);
        configuration->setName(QStringLiteral("first"));
        configuration->setName(QStringLiteral("second"));
        configuration->addPositionGroup(QStringLiteral("g"), QString(), false);
        QCOMPARE(m_scheduler.pendingCount(), before + 1);
        QVERIFY(context->hasChanges());
        m_scheduler.advance(ModelContext::autosaveDelay);
        QVERIFY(!context->hasChanges());

        auto reopened = open();
        QCOMPARE(findByName(reopened->mainContext(), QStringLiteral("second"))->positionGroupList().size(),
                 1);
    }

    // Only a new object schedules the automatic save by being inserted; a change to a stored one
    // must schedule it by itself.
    void aChangeToAStoredObjectIsSavedAutomatically_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("expected"); // name, applications, number of groups
        QTest::newRow("rename") << 0 << "renamed one,two 0";
        QTest::newRow("reorder applications") << 1 << "stored two,one 0";
        QTest::newRow("add a position group") << 2 << "stored one,two 1";
        QTest::newRow("delete an application") << 3 << "stored two 0";
    }
    void aChangeToAStoredObjectIsSavedAutomatically() {
        QFETCH(int, change);
        QFETCH(QString, expected);
        const auto describe = [](const ConfigurationGroup* configuration) {
            return QStringLiteral("%1 %2 %3")
                .arg(configuration->name(), bundleIDs(configuration))
                .arg(configuration->positionGroupList().size());
        };
        auto container = open();
        ModelContext* context = container->mainContext();
        auto* configuration = new ConfigurationGroup(QStringLiteral("stored"), 0, 0, std::nullopt);
        context->insert(configuration);
        for (const char* bundle : {"one", "two"}) {
            configuration->appendConfiguration(new AppConfiguration());
            configuration->configurationList().last()->setBundleID(QString::fromLatin1(bundle));
        }
        QVERIFY(context->save());
        m_scheduler.runAll(); // the insert's own automatic save, which finds nothing to do
        QList<AppConfiguration*> apps = configuration->configurationList();
        if (change == 0)
            configuration->setName(QStringLiteral("renamed"));
        else if (change == 1)
            configuration->setConfigurations(QList<AppConfiguration*>{apps[1], apps[0]});
        else if (change == 2)
            configuration->addPositionGroup(QStringLiteral("g"), QString(), true);
        else
            context->deleteObject(apps[0]);
        QCOMPARE(m_scheduler.pendingCount(), 1);
        m_scheduler.advance(ModelContext::autosaveDelay);
        QVERIFY(!context->hasChanges());
        QCOMPARE(describe(configuration), expected);
        QCOMPARE(describe(open()->mainContext()->fetch<ConfigurationGroup>().value(0)), expected);
    }

    // Another process commits one transaction at a time. Its file event comes while the commit is
    // not yet visible here (the writer syncs its log slowly), and no later event comes: each commit
    // must still be read in, by the look taken once the files are quiet.
    void everyOneTransactionCommitOfAnotherProcessIsReadIn() {
        auto container = open();
        ModelContext* context = container->mainContext();
        QSignalSpy spy(context, &ModelContext::remoteChange);
        for (int round = 1; round <= 8; ++round) {
            const QString sql =
                QStringLiteral(
                    "BEGIN; INSERT INTO ConfigurationGroup (id, name, dateCreated, screenWidth, "
                    "screenHeight, hasConfigurations, hasPositionGroups) VALUES ('%1', 'round %2', "
                    "'2026-01-01T00:00:00.000Z', 0, 0, 1, 0); INSERT INTO AppConfiguration (id, "
                    "configurationGroup, configurationGroupOrder, savedAppOrder, bundleID, appName, "
                    "relativePosition, priority, isRequired, savedCorner, savedWidthFraction, "
                    "savedHeight, savedMarginX, savedMarginY) VALUES ('%1', last_insert_rowid(), 0, 0, "
                    "'org.example.App', 'App', '', 0, 0, 'topLeft', 0.5, 400, 0, 0); COMMIT;")
                    .arg(uuidString(newUuid()))
                    .arg(round);
            QProcess writer;
            writer.start(QStringLiteral(SLOW_SYNC_WRITER), {path(), sql, QStringLiteral("150")});
            // The file event arrives (and schedules the second look) on the real event loop.
            QTRY_VERIFY(writer.state() == QProcess::NotRunning);
            QCOMPARE(writer.exitCode(), 0);
            QTRY_VERIFY(spy.count() == round || m_scheduler.pendingCount() > 0);
            m_scheduler.advance(ModelContext::recheckDelay);
            QCOMPARE(spy.count(), round);
            ConfigurationGroup* added = findByName(context, QStringLiteral("round %1").arg(round));
            QVERIFY(added);
            QCOMPARE(added->configurationList().size(), 1);
        }
    }

    // Renames, inserts, deletions and moves by another writer reach the live objects once, and the
    // changes still pending here survive the read.
    void anotherWriterRaisesRemoteChangeOnceAndIsMerged() {
        auto container = open();
        ModelContext* context = container->mainContext();
        context->setAutosaveEnabled(false);
        auto* configuration = new ConfigurationGroup(QStringLiteral("mine"), 0, 0, std::nullopt);
        context->insert(configuration);
        auto* doomed = new ConfigurationGroup(QStringLiteral("gone soon"), 0, 0, std::nullopt);
        context->insert(doomed);
        auto* doomedApp = new AppConfiguration();
        doomed->appendConfiguration(doomedApp);
        auto* local = new ConfigurationGroup(QStringLiteral("local"), 0, 0, std::nullopt);
        context->insert(local);
        QVERIFY(context->save());
        const QDateTime pending(QDate(2026, 5, 1), QTime(9, 0), Qt::UTC);
        local->setLastActivatedAt(pending);
        QSignalSpy spy(context, &ModelContext::remoteChange);

        context->checkForRemoteChanges();
        QCOMPARE(spy.count(), 0);

        {
            auto other = open();
            ModelContext* otherContext = other->mainContext();
            otherContext->setAutosaveEnabled(false);
            ConfigurationGroup* mine = findByName(otherContext, QStringLiteral("mine"));
            mine->setName(QStringLiteral("renamed elsewhere"));
            // A new application there arrives here as one of this configuration.
            mine->appendConfiguration(new AppConfiguration());
            otherContext->deleteObject(findByName(otherContext, QStringLiteral("gone soon")));
            auto* added = new ConfigurationGroup(QStringLiteral("added elsewhere"), 0, 0, std::nullopt);
            otherContext->insert(added);
            added->appendConfiguration(new AppConfiguration());
            QVERIFY(otherContext->save());
        }
        context->checkForRemoteChanges();
        context->checkForRemoteChanges();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(configuration->name(), QStringLiteral("renamed elsewhere"));
        QCOMPARE(local->lastActivatedAt(), std::optional(pending));
        QCOMPARE(configuration->configurationList().size(), 1);
        QCOMPARE(configuration->configurationList()[0]->configurationGroup(), configuration);
        QVERIFY(context->isDeleted(doomed));
        QVERIFY(context->isDeleted(doomedApp));
        ConfigurationGroup* added = findByName(context, QStringLiteral("added elsewhere"));
        QVERIFY(added);
        QCOMPARE(added->configurationList().size(), 1);
        QCOMPARE(context->fetch<ConfigurationGroup>().size(), 3);
        QVERIFY(!context->hasChanges());
    }

    // Another writer deleted a configuration (its applications went with it) before this context read
    // that in: an edit saved now is the later change and writes all of it back, each row once, even
    // where SQLite hands out the deleted rows' keys again. An application added to it is such an edit:
    // its row never names the deleted row.
    // Another writer deletes a row (with what it owns) before this context has read that in; an edit
    // saved here, at any level below or at that row, brings back the chain of owners it needs, whole.
    void anEditSavedAfterAnotherWriterDeletedItsRowBringsItBackWhole_data() {
        QTest::addColumn<QString>("deletedThere");
        QTest::addColumn<QString>("editHere");
        QTest::addColumn<QString>("expected");
        const QString cornerSet = QStringLiteral("Work:Editor,Terminal,Browser|Main:Editor*,Terminal");
        QTest::newRow("configuration deleted, renamed")
            << "ConfigurationGroup"
            << "rename" << QStringLiteral("Renamed:Editor,Terminal,Browser|Main:Editor,Terminal");
        QTest::newRow("configuration deleted, an application added")
            << "ConfigurationGroup"
            << "add application" << QStringLiteral("Work:Editor,Terminal,Browser,Mail|Main:Editor,Terminal");
        QTest::newRow("configuration deleted, a mapping added")
            << "ConfigurationGroup"
            << "add mapping" << QStringLiteral("Work:Editor,Terminal,Browser|Main:Editor,Terminal,Mail");
        QTest::newRow("configuration deleted, a mapping's corner set") << "ConfigurationGroup"
                                                                       << "set corner" << cornerSet;
        QTest::newRow("group deleted, a mapping added")
            << "PositionGroup"
            << "add mapping" << QStringLiteral("Work:Editor,Terminal,Browser|Main:Editor,Terminal,Mail");
        QTest::newRow("group deleted, its mappings reordered")
            << "PositionGroup"
            << "reorder mappings" << QStringLiteral("Work:Editor,Terminal,Browser|Main:Terminal,Editor");
        QTest::newRow("group deleted, a mapping's corner set") << "PositionGroup"
                                                               << "set corner" << cornerSet;
        QTest::newRow("group deleted, renamed")
            << "PositionGroup"
            << "rename group" << QStringLiteral("Work:Editor,Terminal,Browser|Renamed:Editor,Terminal");
        QTest::newRow("group deleted, its configuration renamed")
            << "PositionGroup"
            << "rename" << QStringLiteral("Renamed:Editor,Terminal,Browser");
        QTest::newRow("mapping deleted, its corner set") << "AppPositionMapping WHERE appName = 'Editor'"
                                                         << "set corner" << cornerSet;
    }
    void anEditSavedAfterAnotherWriterDeletedItsRowBringsItBackWhole() {
        QFETCH(QString, deletedThere);
        QFETCH(QString, editHere);
        QFETCH(QString, expected);
        auto container = open();
        ModelContext* context = container->mainContext();
        context->setAutosaveEnabled(false);
        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        for (const char* name : {"Editor", "Terminal", "Browser"})
            configuration->appendConfiguration(new AppConfiguration(QStringLiteral("org.example.App"),
                                                                    QLatin1String(name), QString(), 0, false,
                                                                    Corner::leftHalf, 0.5, 400, 10, 10));
        PositionGroup* group = configuration->addPositionGroup(QStringLiteral("Main"), QString(), true);
        for (const char* name : {"Editor", "Terminal"})
            group->appendAppPosition(new AppPositionMapping(QStringLiteral("org.example.App"),
                                                            QLatin1String(name), Corner::leftHalf));
        context->insert(configuration);
        QVERIFY(context->save());
        QString error;
        auto other = Database::open(path(), false, &error);
        QVERIFY2(other->execute(QStringLiteral("PRAGMA foreign_keys = ON; DELETE FROM %1").arg(deletedThere),
                                &error),
                 qPrintable(error));
        if (editHere == QLatin1String("add application"))
            configuration->appendConfiguration(
                new AppConfiguration(QStringLiteral("org.example.App"), QStringLiteral("Mail"), QString(), 0,
                                     false, Corner::leftHalf, 0.5, 400, 10, 10));
        else if (editHere == QLatin1String("add mapping"))
            group->appendAppPosition(new AppPositionMapping(QStringLiteral("org.example.App"),
                                                            QStringLiteral("Mail"), Corner::leftHalf));
        else if (editHere == QLatin1String("reorder mappings")) {
            QList<AppPositionMapping*> mappings = group->appPositionList();
            mappings.append(mappings.takeFirst());
            group->setAppPositions(mappings);
        } else if (editHere == QLatin1String("set corner"))
            group->appPositionList().first()->setCorner(Corner::rightHalf);
        else if (editHere == QLatin1String("rename group"))
            group->setName(QStringLiteral("Renamed"));
        else
            configuration->setName(QStringLiteral("Renamed"));
        QVERIFY2(context->save(&error), qPrintable(error));
        // Saved once more, the next save is not refused.
        configuration->setDesc(QStringLiteral("later"));
        QVERIFY2(context->save(&error), qPrintable(error));
        for (const auto& [child, owner] : {std::pair("AppConfiguration", "configurationGroup"),
                                           std::pair("PositionGroup", "configurationGroup"),
                                           std::pair("AppPositionMapping", "positionGroup")})
            QCOMPARE(
                other
                    ->queryInteger(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 IS NULL OR %2 NOT IN "
                                                  "(SELECT pk FROM %3)")
                                       .arg(QLatin1String(child), QLatin1String(owner),
                                            QLatin1String(owner) == QLatin1String("positionGroup")
                                                ? QStringLiteral("PositionGroup")
                                                : QStringLiteral("ConfigurationGroup")))
                    .value_or(-1),
                0);
        context->checkForRemoteChanges();
        const auto shown = [](ModelContext* in) {
            QStringList lines;
            for (ConfigurationGroup* c : in->fetch<ConfigurationGroup>()) {
                QStringList parts;
                QStringList apps;
                for (AppConfiguration* app : c->configurationList())
                    apps.append(app->appName());
                parts.append(c->name() + u':' + apps.join(u','));
                for (PositionGroup* g : c->positionGroupList()) {
                    QStringList mappings;
                    for (AppPositionMapping* mapping : g->appPositionList())
                        mappings.append(mapping->appName() + (mapping->corner() == Corner::rightHalf
                                                                  ? QStringLiteral("*")
                                                                  : QString()));
                    parts.append(g->name() + u':' + mappings.join(u','));
                }
                lines.append(parts.join(u'|'));
            }
            return lines;
        };
        QCOMPARE(shown(context), QStringList{expected});
        auto fresh = open();
        QCOMPARE(shown(fresh->mainContext()), QStringList{expected});
    }

    // Another writer added an application to a configuration that this context deletes before reading
    // that in: the application's row goes with the configuration's rather than naming a row that is gone.
    void aDeletionTakesWhatAnotherWriterAddedWithIt() {
        auto container = open();
        ModelContext* context = container->mainContext();
        context->setAutosaveEnabled(false);
        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        context->insert(configuration);
        QVERIFY(context->save());
        QString error;
        auto other = Database::open(path(), false, &error);
        QVERIFY2(other->execute(
                     QStringLiteral(
                         "INSERT INTO AppConfiguration (id, configurationGroup, configurationGroupOrder, "
                         "savedAppOrder, bundleID, appName, relativePosition, priority, isRequired, "
                         "savedCorner, savedWidthFraction, savedHeight, savedMarginX, savedMarginY) VALUES "
                         "('%1', (SELECT pk FROM ConfigurationGroup), 0, 0, 'org.example.App', 'App', '', 0, "
                         "0, 'topLeft', 0.5, 400, 0, 0)")
                         .arg(uuidString(newUuid())),
                     &error),
                 qPrintable(error));
        context->deleteObject(configuration);
        QVERIFY2(context->save(&error), qPrintable(error));
        QCOMPARE(other->queryInteger(QStringLiteral("SELECT count(*) FROM AppConfiguration")).value_or(-1),
                 0);
    }

    // Another writer deleted the saved application that an application links to, before this context
    // read that in: an edit of the application saves, without the link.
    void anEditSavesWhereAnotherWriterDeletedTheSavedApplicationItLinksTo() {
        auto container = open();
        ModelContext* context = container->mainContext();
        context->setAutosaveEnabled(false);
        auto* saved = new SavedApp(QStringLiteral("org.example.App"), QStringLiteral("App"), 800, 600,
                                   Corner::leftHalf, 0.5, 10, 10);
        context->insert(saved);
        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        auto* app = new AppConfiguration(QStringLiteral("org.example.App"), QStringLiteral("App"), QString(),
                                         0, false, Corner::leftHalf, 0.5, 400, 10, 10);
        configuration->appendConfiguration(app);
        context->insert(configuration);
        app->setSavedApp(saved);
        QVERIFY(context->save());
        QString error;
        auto other = Database::open(path(), false, &error);
        QVERIFY2(other->execute(QStringLiteral("PRAGMA foreign_keys = ON; DELETE FROM SavedApp"), &error),
                 qPrintable(error));
        app->setAppName(QStringLiteral("Renamed"));
        QVERIFY2(context->save(&error), qPrintable(error));
        QCOMPARE(
            other->queryText(QStringLiteral("SELECT appName FROM AppConfiguration WHERE savedApp IS NULL")),
            QStringLiteral("Renamed"));
    }

    void aCommitFromAnotherProcessIsNoticedWithoutBeingAsked() {
        auto container = open();
        ModelContext* context = container->mainContext();
        QSignalSpy spy(context, &ModelContext::remoteChange);
        QString error;
        auto other = Database::open(path(), false, &error);
        QVERIFY(other->execute(QStringLiteral(
            "INSERT INTO ConfigurationGroup (id, name, dateCreated, screenWidth, screenHeight, "
            "hasConfigurations, "
            "hasPositionGroups) VALUES ('5E1F0C4A-0000-4000-8000-000000000001', 'typed by hand', "
            "'2026-01-01T00:00:00.000Z', 0, 0, 0, 0)")));
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.count(), 1);
        QVERIFY(findByName(context, QStringLiteral("typed by hand")));
    }

    void filesThatAreNotOurDatabaseAreReportedAndLeftUntouched_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("expected");
        QTest::newRow("garbage") << QByteArray("this is not a database, just some text\n").repeated(200)
                                 << QStringLiteral("file is not a database");
        QTest::newRow("truncated header")
            << QByteArray("SQLite format 3\0\x10\0", 19) + QByteArray(300, '\xff') << QString();
    }
    void filesThatAreNotOurDatabaseAreReportedAndLeftUntouched() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        {
            QFile file(path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        QString error;
        auto container = ModelContainer::open(path(), m_scheduler, &error);
        QVERIFY(!container);
        QVERIFY2(error.startsWith(path()), qPrintable(error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QCOMPARE(contentsOf(path()), contents);
        QVERIFY(!QFile::exists(path() + "-wal"));
        QCOMPARE(ModelContainer::failureMessage(error),
                 QStringLiteral("Could not create ModelContainer: ") + error);
    }

    void otherProgramsDatabasesAndNewerSchemasAreRefused_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        QTest::newRow("another program's database") << QStringLiteral("CREATE TABLE notes (text TEXT)")
                                                    << QStringLiteral("is not a Quarlin database");
        QTest::newRow("newer schema")
            << QStringLiteral(
                   "CREATE TABLE Metadata (key TEXT PRIMARY KEY, value TEXT); INSERT INTO Metadata VALUES "
                   "('schemaVersion', '2.0.0'); PRAGMA application_id = 1364347982")
            << QStringLiteral("holds schema version 2.0.0");
    }
    void otherProgramsDatabasesAndNewerSchemasAreRefused() {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        {
            QString error;
            auto database = Database::open(path(), true, &error);
            QVERIFY(database->execute(sql, &error));
        }
        const QByteArray before = contentsOf(path());
        QString error;
        QVERIFY(!ModelContainer::open(path(), m_scheduler, &error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QCOMPARE(contentsOf(path()), before);
    }

    // The first start on a full disk says so, and leaves no empty file behind that the next start,
    // with room again, would take for a damaged one of the user's.
    void aFirstStartOnAFullDiskSaysSoAndLeavesNoFile_data() {
        QTest::addColumn<int>("kinds");
        QTest::newRow("no room for the file") << int(SQLITE_OPEN_MAIN_DB);
        QTest::newRow("no room for its log") << int(SQLITE_OPEN_WAL);
    }
    void aFirstStartOnAFullDiskSaysSoAndLeavesNoFile() {
        QFETCH(int, kinds);
        const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        const QString file = folder + QStringLiteral("/quarlin.sqlite");
        QString error;
        {
            OnAFullDisk full(kinds);
            QVERIFY(!ModelContainer::open(file, m_scheduler, &error));
        }
        QCOMPARE(error, file + QStringLiteral(": ") + ModelContainer::diskFullReason());
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
        auto container = open(file);
        QVERIFY(container);
        container->mainContext()->insert(
            new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt));
        QVERIFY(container->mainContext()->save());
    }

    void aFolderInTheWayIsReported() {
        const QString folder = m_dir.filePath(QStringLiteral("folder.sqlite"));
        QVERIFY(QDir().mkpath(folder));
        QString error;
        QVERIFY(!ModelContainer::open(folder, m_scheduler, &error));
        QVERIFY2(error.contains(QStringLiteral("is not a file")), qPrintable(error));
    }

    void theFileAndItsFolderAreCreatedAndMarkedAsOurs() {
        const QString nested = m_dir.filePath(QStringLiteral("data/quarlin/quarlin.sqlite"));
        {
            auto container = open(nested);
            QVERIFY(container);
            QCOMPARE(container->path(), nested);
        }
        QString error;
        auto database = Database::open(nested, false, &error);
        QCOMPARE(
            database->queryText(QStringLiteral("SELECT value FROM Metadata WHERE key = 'schemaVersion'")),
            std::optional(QStringLiteral("1.1.0")));
        QCOMPARE(database->queryText(QStringLiteral("PRAGMA journal_mode")),
                 std::optional(QStringLiteral("wal")));
        QCOMPARE(
            database->queryInteger(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = 'Item'")),
            std::optional<qint64>(1));
    }

    // A file of 1.0 handed out a deleted row's key again; opened now, it keeps every row and link and
    // never does so again.
    void aFileOfTheFirstVersionIsUpgradedInPlace() {
        {
            auto container = open();
            auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
            configuration->appendConfiguration(new AppConfiguration());
            configuration->appendConfiguration(new AppConfiguration());
            container->mainContext()->insert(configuration);
            QVERIFY(container->mainContext()->save());
        }
        QString error;
        const auto execute = [&](const char* sql) {
            auto database = Database::open(path(), false, &error);
            QVERIFY2(database && database->execute(QString::fromLatin1(sql), &error), qPrintable(error));
        };
        execute("PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, ' AUTOINCREMENT', "
                "'') WHERE type = 'table'; DELETE FROM sqlite_sequence; UPDATE Metadata SET value = '1.0.0' "
                "WHERE key = 'schemaVersion'");
        // Two programs open the file at once. The first, whose connection follows the links, upgrades
        // it and deletes the newest row (whose key 1.0 handed out again) while the second waits for
        // the lock: the second finds the file upgraded, and the deleted row's key stays used.
        auto first = Database::open(path(), false, &error);
        QVERIFY(first && first->execute(QStringLiteral("PRAGMA foreign_keys = ON; BEGIN IMMEDIATE")));
        bool upgraded = false;
        const WhileWaitingForALock whileWaiting([&] {
            first->execute(QStringLiteral("ROLLBACK"));
            upgraded = StoreSchema::upgrade(*first, &error) &&
                       first->queryInteger(QStringLiteral("PRAGMA foreign_keys")) == 1 &&
                       first->execute(QStringLiteral("DELETE FROM AppConfiguration WHERE pk = 2"), &error);
        });
        auto container = open();
        QVERIFY2(upgraded, qPrintable(error));
        ModelContext* context = container->mainContext();
        ConfigurationGroup* configuration = findByName(context, QStringLiteral("Work"));
        QVERIFY(configuration);
        QCOMPARE(configuration->configurationList().size(), 1);
        configuration->appendConfiguration(new AppConfiguration());
        QVERIFY(context->save());
        auto database = Database::open(path(), false, &error);
        QCOMPARE(database->queryInteger(QStringLiteral("SELECT max(pk) FROM AppConfiguration")),
                 std::optional<qint64>(3));
        QCOMPARE(
            database->queryText(QStringLiteral("SELECT value FROM Metadata WHERE key = 'schemaVersion'")),
            std::optional(QStringLiteral("1.1.0")));
        // The links name the new tables: deleting the configuration takes its applications.
        QVERIFY(
            database->execute(QStringLiteral("PRAGMA foreign_keys = ON; DELETE FROM ConfigurationGroup")));
        QCOMPARE(database->queryInteger(QStringLiteral("SELECT count(*) FROM AppConfiguration")),
                 std::optional<qint64>(0));
    }

    void theDefaultPathFollowsXdgDataHome() {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", "/srv/data");
        QCOMPARE(ModelContainer::defaultPath(), QStringLiteral("/srv/data/quarlin/quarlin.sqlite"));
        qputenv("XDG_DATA_HOME", "relative/ignored");
        QCOMPARE(ModelContainer::defaultPath(),
                 QDir::homePath() + QStringLiteral("/.local/share/quarlin/quarlin.sqlite"));
        qputenv("XDG_DATA_HOME", saved);
    }

    void anInMemoryStoreServesTheLayersAboveInTests() {
        auto container = ModelContainer::inMemory(m_scheduler);
        ModelContext* context = container->mainContext();
        auto* configuration = new ConfigurationGroup();
        context->insert(configuration);
        configuration->addPositionGroup(QStringLiteral("g"), QString(), true);
        QVERIFY(context->save());
        QCOMPARE(context->fetch<PositionGroup>().size(), 1);
        context->deleteObject(configuration);
        QVERIFY(context->save());
        QVERIFY(context->fetch<PositionGroup>().isEmpty());
    }

    void aWriteProtectedFileIsReportedAndLeftAlone() {
        {
            auto container = open();
            container->mainContext()->insert(new ConfigurationGroup());
        }
        const QByteArray before = contentsOf(path());
        // Root ignores permission bits; an immutable file is refused even to root.
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path()}) != 0)
            QSKIP("cannot make the file immutable here");
        QString error;
        const bool opened = ModelContainer::open(path(), m_scheduler, &error) != nullptr;
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path()});
        QVERIFY(!opened);
        QVERIFY2(error.contains(QStringLiteral("read-only")), qPrintable(error));
        QCOMPARE(contentsOf(path()), before);
    }

    // A data folder that cannot be written, with a store in it or not yet: the folder is named, and
    // nothing in it is touched.
    void anUnwritableFolderIsNamedAndLeftAlone() {
        for (const bool stored : {true, false}) {
            const QString folder =
                m_dir.filePath(stored ? QStringLiteral("stored") : QStringLiteral("empty"));
            const QString file = folder + QStringLiteral("/quarlin.sqlite");
            QVERIFY(QDir().mkpath(folder));
            if (stored)
                open(file)->mainContext()->insert(new ConfigurationGroup());
            const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
            const QByteArray contents = contentsOf(file);
            // Root ignores permission bits; an immutable folder is refused even to root.
            if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) != 0)
                QSKIP("cannot make the folder immutable here");
            QString error;
            const bool opened = ModelContainer::open(file, m_scheduler, &error) != nullptr;
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
            QVERIFY(!opened);
            QCOMPARE(error,
                     file + QStringLiteral(": the folder ") + folder + QStringLiteral(" cannot be written"));
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
            QCOMPARE(contentsOf(file), contents);
        }
    }

    void datesAreWrittenAsQtWritesThemInUtc() {
        // Days and milliseconds either side of the epoch, leap days, the ends of the four-digit
        // years (and past them, where the text is Qt's own), and times given in other zones.
        const QList<QDateTime> dates = {
            QDateTime::fromMSecsSinceEpoch(0, Qt::UTC),
            QDateTime::fromMSecsSinceEpoch(-1, Qt::UTC),
            QDateTime::fromMSecsSinceEpoch(-86'400'000, Qt::UTC),
            QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999), Qt::UTC),
            QDateTime(QDate(2000, 3, 1), QTime(0, 0), Qt::UTC),
            QDateTime(QDate(1900, 2, 28), QTime(12, 0, 0, 7), Qt::UTC),
            QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC),
            QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC),
            QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC),
            QDateTime(QDate(-5, 6, 1), QTime(0, 0), Qt::UTC),
            QDateTime(QDate(2026, 12, 8), QTime(2, 30, 0, 50), Qt::OffsetFromUTC, 5 * 3600),
            QDateTime(QDate(2026, 7, 1), QTime(9, 0), Qt::LocalTime),
            QDateTime(),
        };
        for (const QDateTime& date : dates)
            QCOMPARE(isoDateText(date), date.toUTC().toString(Qt::ISODateWithMs));
        // A spread of instants over the years people use.
        for (qint64 ms = -2'208'988'800'000; ms < 4'102'444'800'000; ms += 7'777'777'777 + 13) {
            const QDateTime date = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
            QCOMPARE(isoDateText(date), date.toString(Qt::ISODateWithMs));
        }
    }

    void nothingIsUnique() {
        {
            auto container = open();
            ModelContext* context = container->mainContext();
            for (int i = 0; i < 2; ++i) {
                auto* configuration = new ConfigurationGroup(QStringLiteral("Twin"), 0, 0, std::nullopt);
                context->insert(configuration);
                configuration->appendConfiguration(new AppConfiguration());
                configuration->appendConfiguration(new AppConfiguration());
            }
            ConfigurationGroup* first = context->fetch<ConfigurationGroup>()[0];
            // Even a copied identifier is kept as it is.
            context->fetch<ConfigurationGroup>()[1]->setId(first->id());
            // Nothing but closing the store writes them.
        }
        auto container = open();
        QCOMPARE(container->mainContext()->fetch<ConfigurationGroup>().size(), 2);
        QCOMPARE(container->mainContext()->fetch<AppConfiguration>().size(), 4);
    }

    void aChildMovedAwayFromAConfigurationDeletedInTheSameSaveSurvives() {
        {
            auto container = open();
            ModelContext* context = container->mainContext();
            auto* doomed = new ConfigurationGroup(QStringLiteral("doomed"), 0, 0, std::nullopt);
            auto* heir = new ConfigurationGroup(QStringLiteral("heir"), 0, 0, std::nullopt);
            context->insert(doomed);
            context->insert(heir);
            auto* app = new AppConfiguration();
            app->setBundleID(QStringLiteral("moved"));
            doomed->appendConfiguration(app);
            PositionGroup* group = doomed->addPositionGroup(QStringLiteral("moved group"), QString(), false);
            group->setPosition(QStringLiteral("moved"), QString(), Corner::leftHalf);
            QVERIFY(context->save());

            app->setConfigurationGroup(heir);
            group->setConfigurationGroup(heir);
            context->deleteObject(doomed);
            QVERIFY(!context->isDeleted(app));
            QVERIFY(!context->isDeleted(group));
            QVERIFY(context->save());
        }
        auto container = open();
        ModelContext* context = container->mainContext();
        QCOMPARE(context->fetch<ConfigurationGroup>().size(), 1);
        ConfigurationGroup* heir = findByName(context, QStringLiteral("heir"));
        QCOMPARE(bundleIDs(heir), QStringLiteral("moved"));
        QCOMPARE(heir->positionGroupList().size(), 1);
        QCOMPARE(heir->positionGroupList()[0]->getPosition(QStringLiteral("moved")),
                 std::optional(Corner::leftHalf));
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "StoreTest.moc"
