// Edit scopes and taking back failed changes, against real database files: an open scope is written
// by no other save, discard and a failed commit leave the live objects and the file as they were, a
// commit writes everything at once, and deletions are signalled.
#include "store/EditScope.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/Database.h"
#include "store/ModelContainer.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
QStringList bundlesOf(const ConfigurationGroup* configuration) {
    QStringList bundles;
    for (AppConfiguration* app : configuration->configurationList())
        bundles.append(app->bundleID());
    return bundles;
}

QStringList groupsOf(const ConfigurationGroup* configuration) {
    QStringList names;
    for (PositionGroup* group : configuration->positionGroupList())
        names.append(group->name());
    return names;
}

ConfigurationGroup* findByName(ModelContext* context, const QString& name) {
    for (ConfigurationGroup* configuration : context->fetch<ConfigurationGroup>())
        if (configuration->name() == name)
            return configuration;
    return nullptr;
}

// A configuration of four applications and two groups, saved.
ConfigurationGroup* makeWork(ModelContext* context) {
    auto* work = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
    context->insert(work);
    for (const char* bundle : {"a", "b", "c", "d"}) {
        auto* app = new AppConfiguration();
        app->setBundleID(QString::fromLatin1(bundle));
        work->appendConfiguration(app);
    }
    PositionGroup* main = work->addPositionGroup(QStringLiteral("Main"), QString(), true);
    main->setPosition(QStringLiteral("a"), QStringLiteral("A"), Corner::leftHalf);
    main->setPosition(QStringLiteral("b"), QStringLiteral("B"), Corner::rightHalf);
    work->addPositionGroup(QStringLiteral("Side"), QString(), false);
    return work;
}

// Renames, reorders, removes an application and a group, adds one of each, moves a position.
void editDraft(ConfigurationGroup* draft) {
    draft->setName(QStringLiteral("Work edited"));
    QList<AppConfiguration*> apps = draft->configurationList();
    apps.removeAt(1);
    std::reverse(apps.begin(), apps.end());
    auto* added = new AppConfiguration();
    added->setBundleID(QStringLiteral("e"));
    apps.append(added);
    draft->setConfigurations(apps);
    draft->positionGroupList()[1]->setConfigurationGroup(nullptr);
    draft->positionGroupList()[0]->setPosition(QStringLiteral("a"), QStringLiteral("A"), Corner::fullScreen);
    draft->addPositionGroup(QStringLiteral("New"), QString(), false);
}
} // namespace

class EditScopeTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    VirtualScheduler m_scheduler;

    QString path() const { return m_dir.filePath(QStringLiteral("quarlin.sqlite")); }
    std::unique_ptr<ModelContainer> open() {
        QString error;
        auto container = ModelContainer::open(path(), m_scheduler, &error);
        if (!container)
            qWarning() << error;
        return container;
    }
    std::unique_ptr<Database> peek() {
        QString error;
        return Database::open(path(), false, &error);
    }
    std::optional<QString> storedName() {
        return peek()->queryText(QStringLiteral("SELECT name FROM ConfigurationGroup"));
    }

private Q_SLOTS:
    void init() {
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path() + QString::fromLatin1(suffix));
    }

    void anOpenScopeIsWrittenByNoOtherSaveAndItsCommitWritesAll() {
        auto container = open();
        ModelContext* context = container->mainContext();
        ConfigurationGroup* work = makeWork(context);
        QVERIFY(context->save());
        EditScope scope(work);
        QVERIFY(scope.isOpen());
        editDraft(scope.configuration());

        // The automatic save, an unrelated save and reading another writer's commit.
        work->setLastActivatedAt(m_scheduler.currentDateTime());
        m_scheduler.advance(ModelContext::autosaveDelay);
        context->insert(new ConfigurationGroup(QStringLiteral("Other"), 0, 0, std::nullopt));
        QVERIFY(context->save());
        QProcess writer;
        writer.start(
            QStringLiteral(SLOW_SYNC_WRITER),
            {path(),
             QStringLiteral("INSERT INTO ConfigurationGroup (id, name, dateCreated, screenWidth, "
                            "screenHeight, hasConfigurations, hasPositionGroups) VALUES ('%1', 'Remote', "
                            "'2026-01-01T00:00:00.000Z', 0, 0, 0, 0)")
                 .arg(uuidString(newUuid())),
             QStringLiteral("0")});
        QVERIFY(writer.waitForFinished(10000));
        QCOMPARE(writer.exitCode(), 0);
        context->checkForRemoteChanges();
        QVERIFY(findByName(context, QStringLiteral("Remote")));
        QCOMPARE(peek()->queryInteger(
                     QStringLiteral("SELECT count(*) FROM ConfigurationGroup WHERE name = 'Work'")),
                 std::optional<qint64>(1));
        QCOMPARE(bundlesOf(work), QStringList({"a", "b", "c", "d"}));
        QCOMPARE(bundlesOf(scope.configuration()), QStringList({"d", "c", "a", "e"}));
        QVERIFY(work->lastActivatedAt());

        QSignalSpy saved(context, &ModelContext::didSave);
        QString error;
        QVERIFY2(scope.commit(&error), qPrintable(error));
        QVERIFY(!scope.isOpen());
        QCOMPARE(saved.count(), 1);
        QVERIFY(!context->hasChanges());
        QCOMPARE(work->name(), QStringLiteral("Work edited"));
        QCOMPARE(bundlesOf(work), QStringList({"d", "c", "a", "e"}));
        QCOMPARE(context->fetch<AppConfiguration>().size(), 4);

        auto reopened = open();
        ConfigurationGroup* stored = findByName(reopened->mainContext(), QStringLiteral("Work edited"));
        QVERIFY(stored);
        QCOMPARE(stored->id(), work->id());
        QCOMPARE(bundlesOf(stored), QStringList({"d", "c", "a", "e"}));
        QCOMPARE(groupsOf(stored), QStringList({"Main", "New"}));
        QCOMPARE(stored->positionGroupList()[0]->getPosition(QStringLiteral("a")),
                 std::optional(Corner::fullScreen));
        QCOMPARE(stored->defaultPositionGroup()->name(), QStringLiteral("Main"));
        QVERIFY(stored->lastActivatedAt());
        QCOMPARE(reopened->mainContext()->fetch<PositionGroup>().size(), 2);
        QCOMPARE(reopened->mainContext()->fetch<AppPositionMapping>().size(), 2);
    }

    void discardAndAFailedCommitLeaveTheLiveObjectsAndTheFileAsTheyWere() {
        auto container = open();
        ModelContext* context = container->mainContext();
        ConfigurationGroup* work = makeWork(context);
        auto* saved = new SavedApp();
        context->insert(saved);
        QVERIFY(context->save());
        const QList<AppConfiguration*> apps = work->configurationList();
        const QList<PositionGroup*> groups = work->positionGroupList();
        // A change of the main context that must stay pending through it all.
        work->setDesc(QStringLiteral("pending"));

        EditScope discarded(work);
        editDraft(discarded.configuration());
        discarded.discard();
        QVERIFY(!discarded.isOpen());
        QCOMPARE(work->configurationList(), apps);
        QCOMPARE(work->positionGroupList(), groups);

        auto other = peek();
        QVERIFY(other->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON PositionGroup "
                                              "BEGIN SELECT RAISE(ABORT, 'refused by test'); END")));
        EditScope scope(work);
        editDraft(scope.configuration());
        scope.setSavedApp(scope.configuration()->configurationList()[0], saved);
        QString error;
        QVERIFY(!scope.commit(&error));
        QVERIFY2(error.contains(QStringLiteral("refused by test")), qPrintable(error));
        QVERIFY(scope.isOpen());
        QCOMPARE(work->name(), QStringLiteral("Work"));
        QCOMPARE(work->configurationList(), apps);
        QCOMPARE(work->positionGroupList(), groups);
        QCOMPARE(groups[0]->getPosition(QStringLiteral("a")), std::optional(Corner::leftHalf));
        QVERIFY(saved->configurationList().isEmpty());
        QCOMPARE(context->fetch<AppConfiguration>().size(), 4);
        QCOMPARE(context->fetch<PositionGroup>().size(), 2);
        for (AppConfiguration* app : apps)
            QVERIFY(context->contains(app));
        QCOMPARE(work->desc(), std::optional(QStringLiteral("pending")));
        QCOMPARE(storedName(), std::optional(QStringLiteral("Work")));
        QCOMPARE(other->queryInteger(QStringLiteral("SELECT count(*) FROM AppConfiguration")),
                 std::optional<qint64>(4));

        // Only the main context's own change is left to the next save; the scope commits later.
        QVERIFY(context->save());
        QCOMPARE(other->queryText(QStringLiteral("SELECT name FROM ConfigurationGroup")),
                 std::optional(QStringLiteral("Work")));
        QVERIFY(other->execute(QStringLiteral("DROP TRIGGER refuse")));
        QVERIFY2(scope.commit(&error), qPrintable(error));
        QCOMPARE(storedName(), std::optional(QStringLiteral("Work edited")));
        QCOMPARE(work->configurationList()[0]->savedApp(), saved);
    }

    // The disk refuses the commit: a write-protected file, or a full file system (a small tmpfs).
    void aCommitTheDiskRefusesKeepsTheScopeOpenAndTheFileIntact_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("read-only file") << false;
        QTest::newRow("full disk") << true;
    }
    void aCommitTheDiskRefusesKeepsTheScopeOpenAndTheFileIntact() {
        QFETCH(bool, fullDisk);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("disk"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/quarlin.sqlite");
        const auto run = [](const QString& program, const QStringList& arguments) {
            QProcess process;
            process.start(program, arguments);
            return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
                   process.exitCode() == 0;
        };
        if (fullDisk && !run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=400k", "tmpfs", folder}))
            QSKIP("cannot mount a small tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] {
            if (fullDisk)
                run(QStringLiteral("umount"), {folder});
        });
        QString error;
        auto container = ModelContainer::open(file, m_scheduler, &error);
        QVERIFY2(container, qPrintable(error));
        ModelContext* context = container->mainContext();
        ConfigurationGroup* work = makeWork(context);
        QVERIFY(context->save());
        EditScope scope(work);
        editDraft(scope.configuration());
        if (fullDisk)
            scope.configuration()->setDesc(QString(300 * 1024, QLatin1Char('x')));
        const QStringList protectedFiles{file, file + QStringLiteral("-wal")};
        if (!fullDisk && !run(QStringLiteral("chattr"), QStringList{QStringLiteral("+i")} + protectedFiles))
            QSKIP("cannot make the file immutable here");
        const auto unprotect = qScopeGuard([&] {
            if (!fullDisk)
                run(QStringLiteral("chattr"), QStringList{QStringLiteral("-i")} + protectedFiles);
        });

        QVERIFY(!scope.commit(&error));
        QVERIFY2(error.contains(fullDisk ? QStringLiteral("full") : QStringLiteral("I/O")),
                 qPrintable(error));
        QVERIFY(scope.isOpen());
        QCOMPARE(scope.configuration()->name(), QStringLiteral("Work edited"));
        QCOMPARE(work->name(), QStringLiteral("Work"));
        QCOMPARE(bundlesOf(work), QStringList({"a", "b", "c", "d"}));
        QVERIFY(!context->hasChanges());
        QCOMPARE(Database::open(file, false, &error)
                     ->queryText(QStringLiteral("SELECT name FROM ConfigurationGroup")),
                 std::optional(QStringLiteral("Work")));

        // Once the disk takes it again, the same scope commits.
        if (fullDisk)
            scope.configuration()->setDesc(QStringLiteral("short"));
        else
            run(QStringLiteral("chattr"), QStringList{QStringLiteral("-i")} + protectedFiles);
        QVERIFY2(scope.commit(&error), qPrintable(error));
        container.reset();
        auto reopened = ModelContainer::open(file, m_scheduler, &error);
        QVERIFY2(reopened, qPrintable(error));
        ConfigurationGroup* stored = findByName(reopened->mainContext(), QStringLiteral("Work edited"));
        QVERIFY(stored);
        QCOMPARE(bundlesOf(stored), QStringList({"d", "c", "a", "e"}));
    }

    void renamingWritesOnlyTheName() {
        auto container = open();
        ModelContext* context = container->mainContext();
        ConfigurationGroup* work = makeWork(context);
        QVERIFY(context->save());
        EditScope scope(work);
        editDraft(scope.configuration());
        QVERIFY(scope.commitName(QStringLiteral("Renamed")));
        QVERIFY(scope.isOpen());
        QCOMPARE(storedName(), std::optional(QStringLiteral("Renamed")));
        QCOMPARE(peek()->queryInteger(QStringLiteral("SELECT count(*) FROM PositionGroup")),
                 std::optional<qint64>(2));
        QCOMPARE(bundlesOf(work), QStringList({"a", "b", "c", "d"}));
        QCOMPARE(scope.configuration()->name(), QStringLiteral("Renamed"));
    }

    void rollbackTakesBackFailedCreatesDeletesAndEdits() {
        auto container = open();
        ModelContext* context = container->mainContext();
        ConfigurationGroup* work = makeWork(context);
        auto* library = new SavedApp();
        context->insert(library);
        work->configurationList()[2]->setSavedApp(library);
        QVERIFY(context->save());
        const QList<AppConfiguration*> apps = work->configurationList();
        auto other = peek();
        QVERIFY(other->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON ConfigurationGroup "
                                              "BEGIN SELECT RAISE(ABORT, 'refused by test'); END; "
                                              "CREATE TRIGGER refuseNew BEFORE INSERT ON ConfigurationGroup "
                                              "BEGIN SELECT RAISE(ABORT, 'refused by test'); END")));

        auto* created = new ConfigurationGroup(QStringLiteral("Created"), 0, 0, std::nullopt);
        context->insert(created);
        created->addPositionGroup(QStringLiteral("g"), QString(), true);
        QSignalSpy createdGone(created, &ModelObject::deleted);
        QList<AppConfiguration*> reordered = apps;
        std::reverse(reordered.begin(), reordered.end());
        work->setConfigurations(reordered);
        work->setName(QStringLiteral("edited"));
        context->deleteObject(library);
        // Clear All.
        for (ConfigurationGroup* configuration : context->fetch<ConfigurationGroup>())
            context->deleteObject(configuration);
        QVERIFY(!context->save());

        context->rollback();
        QVERIFY(!context->hasChanges());
        QCOMPARE(createdGone.count(), 1);
        QVERIFY(!context->contains(created));
        QCOMPARE(context->fetch<ConfigurationGroup>(), QList<ConfigurationGroup*>{work});
        QCOMPARE(context->fetch<PositionGroup>().size(), 2);
        QCOMPARE(work->name(), QStringLiteral("Work"));
        QCOMPARE(work->configurationList(), apps);
        QCOMPARE(context->fetch<SavedApp>(), QList<SavedApp*>{library});
        QCOMPARE(apps[2]->savedApp(), library);
        QCOMPARE(library->configurationList(), QList<AppConfiguration*>{apps[2]});
        // Nothing of it is written by a later save either.
        work->setDesc(QStringLiteral("later"));
        QVERIFY(context->save());
        QCOMPARE(other->queryInteger(QStringLiteral("SELECT count(*) FROM ConfigurationGroup")),
                 std::optional<qint64>(1));
        QCOMPARE(other->queryText(QStringLiteral("SELECT name FROM ConfigurationGroup")),
                 std::optional(QStringLiteral("Work")));
    }

    void deletionsAreSignalledAndAScopeNeverWritesADeletedConfigurationBack_data() {
        QTest::addColumn<bool>("byAnotherWriter");
        QTest::newRow("here") << false;
        QTest::newRow("by another writer") << true;
    }
    void deletionsAreSignalledAndAScopeNeverWritesADeletedConfigurationBack() {
        QFETCH(bool, byAnotherWriter);
        auto container = open();
        ModelContext* context = container->mainContext();
        ConfigurationGroup* work = makeWork(context);
        QVERIFY(context->save());
        AppConfiguration* app = work->configurationList()[0];
        EditScope scope(work);
        scope.configuration()->setName(QStringLiteral("edited"));
        QSignalSpy scopeTold(&scope, &EditScope::configurationDeleted);
        QSignalSpy appGone(app, &ModelObject::deleted);
        QSignalSpy contextTold(context, &ModelContext::objectDeleted);
        if (byAnotherWriter) {
            auto writer = open();
            writer->mainContext()->deleteObject(findByName(writer->mainContext(), QStringLiteral("Work")));
            QVERIFY(writer->mainContext()->save());
            writer.reset();
            context->checkForRemoteChanges();
        } else {
            context->deleteObject(work);
            QCOMPARE(scopeTold.count(), 0); // not before the deletion is saved
            QVERIFY(context->save());
        }
        QCOMPARE(scopeTold.count(), 1);
        QCOMPARE(appGone.count(), 1);
        QCOMPARE(contextTold.count(), 1 + 4 + 2 + 2);
        QVERIFY(scope.isConfigurationDeleted());
        QString error;
        QVERIFY(!scope.commit(&error));
        QVERIFY2(error.contains(QStringLiteral("was deleted")), qPrintable(error));
        QVERIFY(!scope.commitName(QStringLiteral("x")));
        QCOMPARE(peek()->queryInteger(QStringLiteral("SELECT count(*) FROM ConfigurationGroup")),
                 std::optional<qint64>(0));
    }
};

QTEST_GUILESS_MAIN(EditScopeTest)
#include "EditScopeTest.moc"
