// Edit scopes and taking back failed changes, against real database files: an open scope is written
// by no other save, a discarded or refused commit leaves the live objects and the file as they were,
// a commit writes everything at once, and deletions are signalled.
#include "store/EditScope.h"
#include "StoreFiles.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "store/Database.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString before = QStringLiteral("Work|a,b,c,d|Main[a=leftHalf,b=rightHalf],Side[]");
const QString after = QStringLiteral("Work edited|d,c,a,e|Main[a=fullScreen,b=rightHalf],New[]");

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

// Renames, removes an application and a group, reorders, adds one of each, moves a position.
void editDraft(ConfigurationGroup* draft) {
    draft->setName(QStringLiteral("Work edited"));
    QList<AppConfiguration*> apps = draft->configurationList();
    apps.removeAt(1);
    std::reverse(apps.begin(), apps.end());
    apps.append(new AppConfiguration());
    apps.last()->setBundleID(QStringLiteral("e"));
    draft->setConfigurations(apps);
    draft->positionGroupList()[1]->setConfigurationGroup(nullptr);
    draft->positionGroupList()[0]->setPosition(QStringLiteral("a"), QStringLiteral("A"), Corner::fullScreen);
    draft->addPositionGroup(QStringLiteral("New"), QString(), false);
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}
} // namespace

class EditScopeTest : public QObject, StoreFiles {
    Q_OBJECT

    // The whole of a configuration in one line: name, applications in order, groups with their mappings.
    static QString summary(const ConfigurationGroup* configuration) {
        if (!configuration)
            return QStringLiteral("(none)");
        QStringList groups;
        for (PositionGroup* group : configuration->positionGroupList()) {
            QStringList mappings;
            for (AppPositionMapping* mapping : group->appPositionList())
                mappings.append(mapping->bundleID() + '=' + mapping->savedCorner());
            groups.append(group->name() + '[' + mappings.join(',') + ']');
        }
        return configuration->name() + '|' + bundleIDs(configuration) + '|' + groups.join(',');
    }

    // What the file holds of the configuration, read by a connection of its own.
    QString stored(const QString& name, const QString& file = {}) {
        auto reader = open(file);
        return reader ? summary(findByName(reader->mainContext(), name)) : QStringLiteral("(cannot open)");
    }

private Q_SLOTS:
    void anOpenScopeIsWrittenByNoOtherSaveAndItsCommitWritesAll() {
        auto container = open();
        ModelContext* context = container->mainContext();
        ConfigurationGroup* work = makeWork(context);
        QVERIFY(context->save());
        EditScope scope(work);
        editDraft(scope.configuration());

        // The automatic save, an unrelated save and reading another process's commit.
        work->setLastActivatedAt(m_scheduler.currentDateTime());
        m_scheduler.advance(ModelContext::autosaveDelay);
        context->insert(new ConfigurationGroup(QStringLiteral("Other"), 0, 0, std::nullopt));
        QVERIFY(context->save());
        QVERIFY(run(QStringLiteral(SLOW_SYNC_WRITER),
                    {path(),
                     QStringLiteral("INSERT INTO ConfigurationGroup (id, name, dateCreated, screenWidth, "
                                    "screenHeight, hasConfigurations, hasPositionGroups) VALUES ('%1', "
                                    "'Remote', '2026-01-01T00:00:00.000Z', 0, 0, 0, 0)")
                         .arg(uuidString(newUuid())),
                     QStringLiteral("0")}));
        context->checkForRemoteChanges();
        QVERIFY(findByName(context, QStringLiteral("Remote")));
        QCOMPARE(summary(work), before);
        QCOMPARE(stored(QStringLiteral("Work")), before);
        QCOMPARE(summary(scope.configuration()), after);

        QSignalSpy saved(context, &ModelContext::didSave);
        QString error;
        QVERIFY2(scope.commit(&error), qPrintable(error));
        QVERIFY(!scope.isOpen());
        QCOMPARE(saved.count(), 1);
        QVERIFY(!context->hasChanges());
        QCOMPARE(summary(work), after);
        QCOMPARE(stored(QStringLiteral("Work edited")), after);
        // What others changed meanwhile stays.
        QVERIFY(work->lastActivatedAt());
        QCOMPARE(context->fetch<AppConfiguration>().size(), 4);
        QCOMPARE(context->fetch<AppPositionMapping>().size(), 2);
    }

    // A write-protected file, or a full file system (a small tmpfs).
    void aCommitTheDiskRefusesKeepsTheScopeOpenAndTheFileIntact_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("read-only file") << false;
        QTest::newRow("full disk") << true;
    }
    void aCommitTheDiskRefusesKeepsTheScopeOpenAndTheFileIntact() {
        QFETCH(bool, fullDisk);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("disk"));
        const QString file = folder + QStringLiteral("/quarlin.sqlite");
        QVERIFY(QDir().mkpath(folder));
        if (fullDisk && !run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=400k", "tmpfs", folder}))
            QSKIP("cannot mount a small tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] {
            if (fullDisk)
                run(QStringLiteral("umount"), {folder});
        });
        auto container = open(file);
        ModelContext* context = container->mainContext();
        ConfigurationGroup* work = makeWork(context);
        auto* library = new SavedApp();
        context->insert(library);
        QVERIFY(context->save());
        // A change of the main context that must stay pending through it all.
        work->setDesc(QStringLiteral("pending"));
        EditScope scope(work);
        editDraft(scope.configuration());
        scope.setSavedApp(scope.configuration()->configurationList()[0], library);
        if (fullDisk)
            scope.configuration()->setDesc(QString(300 * 1024, QLatin1Char('x')));
        const QStringList files{file, file + QStringLiteral("-wal")};
        if (!fullDisk && !run(QStringLiteral("chattr"), QStringList{QStringLiteral("+i")} + files))
            QSKIP("cannot make the file immutable here");
        const auto unprotect = qScopeGuard([&] { run(QStringLiteral("chattr"), QStringList{"-i"} + files); });

        QString error;
        QVERIFY(!scope.commit(&error));
        QVERIFY2(error.contains(fullDisk ? QStringLiteral("full") : QStringLiteral("I/O")),
                 qPrintable(error));
        QVERIFY(scope.isOpen());
        QCOMPARE(summary(scope.configuration()), after);
        QCOMPARE(summary(work), before);
        QCOMPARE(work->desc(), std::optional(QStringLiteral("pending")));
        QVERIFY(library->configurationList().isEmpty());
        QCOMPARE(context->fetch<AppConfiguration>().size(), 4);
        run(QStringLiteral("chattr"), QStringList{QStringLiteral("-i")} + files);
        QCOMPARE(stored(QStringLiteral("Work"), file), before);

        // Once the disk takes it again, the same scope commits, and the pending change is still there.
        if (fullDisk)
            scope.configuration()->setDesc(QStringLiteral("short"));
        QVERIFY2(scope.commit(&error), qPrintable(error));
        QCOMPARE(work->configurationList()[0]->savedApp(), library);
        QVERIFY(context->save());
        container.reset();
        QCOMPARE(stored(QStringLiteral("Work edited"), file), after);
    }

    // A rename is written on its own while the scope stays open; discarding then drops the rest.
    void renamingWritesOnlyTheNameAndDiscardDropsTheRest() {
        auto container = open();
        ConfigurationGroup* work = makeWork(container->mainContext());
        QVERIFY(container->mainContext()->save());
        EditScope scope(work);
        editDraft(scope.configuration());
        QVERIFY(scope.commitName(QStringLiteral("Renamed")));
        QVERIFY(scope.isOpen());
        QCOMPARE(scope.configuration()->name(), QStringLiteral("Renamed"));
        const QString renamed = QString(before).replace("Work", "Renamed");
        QCOMPARE(stored(QStringLiteral("Renamed")), renamed);
        scope.discard();
        QVERIFY(!scope.isOpen());
        QCOMPARE(summary(work), renamed);
        QVERIFY(!container->mainContext()->hasChanges());
    }

    void rollbackTakesBackFailedCreatesDeletesAndEdits() {
        auto container = open();
        ModelContext* context = container->mainContext();
        ConfigurationGroup* work = makeWork(context);
        auto* library = new SavedApp();
        context->insert(library);
        AppConfiguration* linked = work->configurationList()[2];
        linked->setSavedApp(library);
        QVERIFY(context->save());
        QString error;
        auto other = Database::open(path(), false, &error);
        QVERIFY(other->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON ConfigurationGroup "
                                              "BEGIN SELECT RAISE(ABORT, 'refused by test'); END")));

        auto* created = new ConfigurationGroup(QStringLiteral("Created"), 0, 0, std::nullopt);
        context->insert(created);
        created->addPositionGroup(QStringLiteral("g"), QString(), true);
        QSignalSpy createdGone(created, &ModelObject::deleted);
        editDraft(work); // edits of the live objects this time
        context->deleteObject(library);
        for (ConfigurationGroup* configuration : context->fetch<ConfigurationGroup>()) // Clear All
            context->deleteObject(configuration);
        QVERIFY(!context->save());

        context->rollback();
        QVERIFY(!context->hasChanges());
        QCOMPARE(createdGone.count(), 1);
        QCOMPARE(context->fetch<ConfigurationGroup>(), QList<ConfigurationGroup*>{work});
        QCOMPARE(summary(work), before);
        QCOMPARE(context->fetch<PositionGroup>().size(), 2);
        QCOMPARE(context->fetch<SavedApp>(), QList<SavedApp*>{library});
        QCOMPARE(linked->savedApp(), library);
        QCOMPARE(library->configurationList(), QList<AppConfiguration*>{linked});
        // Nothing of it is written by a later save either.
        work->setDesc(QStringLiteral("later"));
        QVERIFY(context->save());
        QCOMPARE(other->queryInteger(QStringLiteral("SELECT count(*) FROM ConfigurationGroup")),
                 std::optional<qint64>(1));
        QCOMPARE(stored(QStringLiteral("Work")), before);
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
        EditScope scope(work);
        scope.configuration()->setName(QStringLiteral("edited"));
        QSignalSpy scopeTold(&scope, &EditScope::configurationDeleted);
        QSignalSpy appGone(work->configurationList()[0], &ModelObject::deleted);
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
        QString error;
        QVERIFY(!scope.commit(&error));
        QVERIFY2(error.contains(QStringLiteral("was deleted")), qPrintable(error));
        QVERIFY(!scope.commitName(QStringLiteral("x")));
        QCOMPARE(stored(QStringLiteral("edited")), QStringLiteral("(none)"));
        QCOMPARE(stored(QStringLiteral("x")), QStringLiteral("(none)"));
    }
};

QTEST_GUILESS_MAIN(EditScopeTest)
#include "EditScopeTest.moc"
