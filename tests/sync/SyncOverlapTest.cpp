// Edits saved on a machine while its sync round runs, before the round writes the store or after:
// per attribute the later-stamped edit wins on every machine, and a configuration deleted on another
// machine comes back when the edit here is the later.
#include "RoundGate.h"
#include "SyncMachine.h"

#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/Database.h"
#include "store/ModelContext.h"
#include "store/sync/FolderSyncStatus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace {
// After "dropApp" the dropped application's old place ties with the one that took it: only presence
// counts, so the applications are compared sorted.
QString appsSorted(QString text, const QString& there) {
    if (there != QLatin1String("dropApp"))
        return text;
    QStringList apps = text.section(u'|', 2).split(u',');
    apps.sort();
    return text.section(u'|', 0, 1) + u'|' + apps.join(u',');
}
} // namespace

class SyncOverlapTest : public QObject {
    Q_OBJECT
private:
    std::optional<QTemporaryDir> m_dir;
    std::optional<VirtualScheduler> m_scheduler;
    std::optional<Machine> m_a;
    std::optional<Machine> m_b;
    RoundGate m_gate;
    // Called on b's worker at each of its checkpoints.
    std::function<void(const char*)> m_atPoint;
    QString m_id;

    QString folder() const { return m_dir->filePath(QStringLiteral("shared")); }
    void syncBoth() {
        for (int pass = 0; pass < 2; ++pass)
            for (Machine* machine : {&*m_a, &*m_b}) {
                QString error;
                QVERIFY2(machine->engine->importChanges(&error), qPrintable(error));
                advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
            }
    }

    // Rows of the table at one point of b's round: a's edit, whether b's edit was made first, and what
    // every machine shows in the end. `laterHere`: only the rows in which b's edit is the later.
    static void addEditRows(const QByteArray& point, bool laterHere = false) {
        const char* at = point.constData();
        const auto row = [&](const char* name, const char* there, bool editedHereFirst,
                             const char* expected) {
            if (!(laterHere && editedHereFirst))
                QTest::addRow(name, at) << QString::fromLatin1(there) << editedHereFirst << point
                                        << QString::fromLatin1(expected);
        };
        row("deleted there, renamed here later, at %s", "delete", false, "Here|Here|Editor,Terminal");
        row("deleted there, an application renamed here later, at %s", "deleted, application renamed here",
            false, "Work||Renamed,Terminal");
        row("an application dropped there, renamed here later, at %s", "dropApp", false,
            "Work||Renamed,Terminal");
        // The dropped one's place moves up here only because the one before it went.
        row("the last application dropped there, the first dropped here later, at %s", "dropLast", false,
            "Work||");
        // What another machine took out on its own before deleting the owner stays out of what comes back.
        row("the last application dropped and then the configuration deleted there, renamed here later, at "
            "%s",
            "dropLast, delete", false, "Here||Editor");
        row("deleted there, an application dropped here later, at %s", "deleted, application dropped here",
            false, "Work||Terminal");
        row("deleted there, the applications reordered here later, at %s", "deleted, reordered here", false,
            "Work||Terminal,Editor");
        row("deleted there, an application added here later, at %s", "deleted, added here", false,
            "Work||Editor,Terminal,Here");
        row("deleted there later, renamed here, at %s", "delete", true, "absent");
        row("described there, renamed here, at %s", "describe", false, "Here|There|Editor,Terminal");
        row("an application added there, renamed here, at %s", "addApp", false,
            "Here||Editor,Terminal,Added");
        row("renamed there, deleted here later, at %s", "renamed, deleted here", false, "absent");
        row("an application renamed there, one added here, at %s", "renameApp", false,
            "Work||There,Terminal,Here");
        row("renamed there, renamed here later, at %s", "rename", false, "Here|There|Editor,Terminal");
        row("renamed here, renamed there later, at %s", "rename", true, "There|There|Editor,Terminal");
        row("deleted there, the last application dropped here later, at %s",
            "deleted, last application dropped here", false, "Work||Editor");
        // Bringing the moved one back writes its list whole, as shown before the round.
        row("an application dropped and another renamed there, the dropped one moved here later, at %s",
            "dropApp, renameApp", false, "Work||There,Editor");
        // One level down: a position group deleted there comes back for a later edit of what it owns.
        row("a group deleted there, a mapping added to it here later, at %s",
            "group deleted, mapping added here", false, "Work||Editor,Terminal|Main:Editor,Terminal,Here");
        row("a group deleted there, its mappings reordered here later, at %s",
            "group deleted, mappings reordered here", false, "Work||Editor,Terminal|Main:Terminal,Editor");
        row("a group deleted there, a mapping moved to another corner here later, at %s",
            "group deleted, mapping moved here", false, "Work||Editor,Terminal|Main:Editor*,Terminal");
        row("a group deleted there, renamed here later, at %s", "group deleted, renamed here", false,
            "Work||Editor,Terminal|Here:Editor,Terminal");
        row("a group deleted there later, renamed here, at %s", "group deleted, renamed here", true,
            "Work||Editor,Terminal");
        row("a group renamed there, a mapping added to it here, at %s", "group renamed, mapping added here",
            false, "Work||Editor,Terminal|There:Editor,Terminal,Here");
    }
    // The group "Main" of the configuration, on `machine`.
    PositionGroup* mainGroup(const Machine& machine) const {
        ConfigurationGroup* configuration = machine.find(m_id);
        return configuration && !configuration->positionGroupList().isEmpty()
                   ? configuration->positionGroupList().first()
                   : nullptr;
    }
    // shown(), and each position group as "|name:mapping,…", a mapping moved to the right half
    // marked "*".
    QString shownWithGroups(const Machine& machine) const {
        QString text = shown(machine, m_id);
        if (ConfigurationGroup* configuration = machine.find(m_id))
            for (PositionGroup* group : configuration->positionGroupList()) {
                QStringList mappings;
                for (AppPositionMapping* mapping : group->appPositionList())
                    mappings.append(mapping->appName() + (mapping->corner() == Corner::rightHalf
                                                              ? QStringLiteral("*")
                                                              : QString()));
                text += u'|' + group->name() + u':' + mappings.join(u',');
            }
        return text;
    }
    // "Main" with mappings of both applications, made on a and read in by both machines.
    void addMainGroup() {
        PositionGroup* group = m_a->find(m_id)->addPositionGroup(QStringLiteral("Main"), QString(), true);
        for (const char* name : {"Editor", "Terminal"})
            group->appendAppPosition(new AppPositionMapping(QStringLiteral("org.example.App"),
                                                            QLatin1String(name), Corner::leftHalf));
        QVERIFY(m_a->context()->save());
        QVERIFY(m_a->engine->flushWrites());
        syncBoth();
        QCOMPARE(shownWithGroups(*m_b), QStringLiteral("Work||Editor,Terminal|Main:Editor,Terminal"));
    }
    static void addEditColumns() {
        QTest::addColumn<QString>("there");
        QTest::addColumn<bool>("editedHereFirst");
        QTest::addColumn<QByteArray>("point");
        QTest::addColumn<QString>("expected");
    }

    // The edit made on b for a row of the table: adding an application writes the other applications'
    // rows too.
    void editHere(const QString& there) {
        ConfigurationGroup* here = m_b->find(m_id);
        if (there.startsWith(QLatin1String("group"))) {
            PositionGroup* group = mainGroup(*m_b);
            if (there.endsWith(QLatin1String("renamed here")))
                return group->setName(QStringLiteral("Here"));
            if (there.endsWith(QLatin1String("mapping moved here")))
                return group->appPositionList().first()->setCorner(Corner::rightHalf);
            if (there.endsWith(QLatin1String("reordered here"))) {
                QList<AppPositionMapping*> mappings = group->appPositionList();
                mappings.append(mappings.takeFirst());
                return group->setAppPositions(mappings);
            }
            return group->appendAppPosition(new AppPositionMapping(QStringLiteral("org.example.App"),
                                                                   QStringLiteral("Here"), Corner::leftHalf));
        }
        if (there == QLatin1String("renameApp"))
            return here->appendConfiguration(newApp(QStringLiteral("Here")));
        if (there == QLatin1String("deleted, application renamed here") || there == QLatin1String("dropApp"))
            return here->configurationList().first()->setAppName(QStringLiteral("Renamed"));
        if (there == QLatin1String("renamed, deleted here"))
            return m_b->context()->deleteObject(here);
        if (there == QLatin1String("deleted, reordered here") ||
            there == QLatin1String("dropApp, renameApp")) {
            QList<AppConfiguration*> apps = here->configurationList();
            apps.append(apps.takeFirst());
            return here->setConfigurations(apps);
        }
        if (there == QLatin1String("deleted, added here"))
            return here->appendConfiguration(newApp(QStringLiteral("Here")));
        if (there == QLatin1String("deleted, application dropped here") || there == QLatin1String("dropLast"))
            return m_b->context()->deleteObject(here->configurationList().first());
        if (there == QLatin1String("deleted, last application dropped here"))
            return m_b->context()->deleteObject(here->configurationList().last());
        here->setName(QStringLiteral("Here"));
        if (there == QLatin1String("delete"))
            here->setDesc(QStringLiteral("Here"));
    }
    // a's edit, saved and written to the folder.
    void editThere(const QString& there) {
        ConfigurationGroup* configuration = m_a->find(m_id);
        if (there.startsWith(QLatin1String("group deleted")))
            m_a->context()->deleteObject(mainGroup(*m_a));
        else if (there.startsWith(QLatin1String("group renamed")))
            mainGroup(*m_a)->setName(QStringLiteral("There"));
        else if (there.startsWith(QLatin1String("delete")))
            m_a->context()->deleteObject(configuration);
        else if (there == QLatin1String("dropApp"))
            m_a->context()->deleteObject(configuration->configurationList().first());
        else if (there == QLatin1String("dropLast"))
            m_a->context()->deleteObject(configuration->configurationList().last());
        else if (there == QLatin1String("dropLast, delete")) {
            m_a->context()->deleteObject(configuration->configurationList().last());
            QVERIFY(m_a->context()->save() && m_a->engine->flushWrites());
            m_scheduler->advance(1);
            m_a->context()->deleteObject(configuration);
        } else if (there == QLatin1String("dropApp, renameApp")) {
            configuration->configurationList().last()->setAppName(QStringLiteral("There"));
            m_a->context()->deleteObject(configuration->configurationList().first());
        } else if (there == QLatin1String("describe"))
            configuration->setDesc(QStringLiteral("There"));
        else if (there == QLatin1String("renamed, deleted here"))
            configuration->setName(QStringLiteral("There"));
        else if (there == QLatin1String("renameApp"))
            configuration->configurationList().first()->setAppName(QStringLiteral("There"));
        else if (there == QLatin1String("addApp"))
            configuration->appendConfiguration(newApp(QStringLiteral("Added")));
        else
            configuration->setName(QStringLiteral("There")), configuration->setDesc(QStringLiteral("There"));
        QVERIFY(m_a->context()->save());
        QVERIFY(m_a->engine->flushWrites());
        m_scheduler->advance(1);
    }

    // b's data folder as kill -9 would leave it now, copied aside; `restartB` starts b from the copy.
    QString crashed() const { return m_dir->filePath(QStringLiteral("crashed")); }
    void copyB() { copyTree(m_dir->filePath(QStringLiteral("b")), crashed(), true); }
    void copyBAt(const char* point) {
        m_atPoint = [this, point](const char* reached) {
            if (std::string_view(reached) == point)
                copyB();
        };
    }
    void restartB() {
        m_b.reset();
        m_b.emplace(crashed(), folder(), *m_scheduler, false);
    }
    // The shared folder too, as it was then: what b wrote after never got there.
    QString sharedThen() const { return m_dir->filePath(QStringLiteral("shared-then")); }
    void copyBWithFolder() {
        copyB();
        copyTree(folder(), sharedThen());
    }
    void restartBWithFolder() {
        m_b.reset();
        QVERIFY(QDir(folder()).removeRecursively());
        QVERIFY(QDir().rename(sharedThen(), folder()));
        restartB();
    }

    // b's round stopped at `point` while `edit` is made and saved on b, then let go and waited for;
    // at "readingIn", made while the live objects read the round in.
    void editDuringRound(const char* point, const std::function<void()>& edit) {
        if (std::string_view(point) == "readingIn") {
            m_b->engine->syncNow([](bool, const QString&) {});
            m_b->engine->settle();
            QVERIFY(m_b->context()->isRefreshing());
            edit();
            QVERIFY(m_b->context()->save());
            m_b->engine->settle();
            return;
        }
        m_gate.arm(point);
        m_b->engine->syncNow([](bool, const QString&) {});
        QVERIFY(m_gate.waitReached());
        edit();
        QString error;
        const bool saved = m_b->context()->save(&error);
        m_gate.release();
        QVERIFY2(saved, qPrintable(error));
        m_b->engine->settle();
    }

private Q_SLOTS:
    void init() {
        m_b.reset();
        m_a.reset();
        m_scheduler.reset();
        m_dir.emplace();
        m_scheduler.emplace();
        QVERIFY(QDir().mkpath(folder()));
        m_a.emplace(m_dir->filePath(QStringLiteral("a")), folder(), *m_scheduler, false);
        m_b.emplace(m_dir->filePath(QStringLiteral("b")), folder(), *m_scheduler, false, 0,
                    [this](const char* point) {
                        if (m_atPoint)
                            m_atPoint(point);
                        m_gate.pass(point);
                    });
        m_id = uuidString(insertWork(*m_a, {"Editor", "Terminal"})->id());
        QVERIFY(m_a->context()->save());
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Editor,Terminal"));
        m_b->context()->setAutosaveEnabled(false);
    }

    void cleanup() {
        m_atPoint = {};
        m_b.reset();
        m_a.reset();
    }

    // B edits its saved application while a round gives its id to a configuration whose file claims
    // it: the saved application goes, with the edit, and B writes nothing of it.
    void anObjectEditedWhileItsIdGoesToAnotherClassGoes_data() {
        QTest::addColumn<QByteArray>("point");
        for (const char* point : {"roundStarted", "storeCommitted"})
            QTest::newRow(point) << QByteArray(point);
    }
    void anObjectEditedWhileItsIdGoesToAnotherClassGoes() {
        QFETCH(QByteArray, point);
        auto* saved = new SavedApp(QStringLiteral("org.example.Files"), QStringLiteral("Files"), 800, 600,
                                   Corner::rightHalf, 0.5, 10, 10);
        m_b->context()->insert(saved);
        QVERIFY(m_b->context()->save() && m_b->engine->flushWrites());
        const QString claimed = uuidString(saved->id());
        const QString savedFile = folder() + QStringLiteral("/SavedApp/") + claimed + QStringLiteral(".json");
        const QJsonObject savedRecord = readRecord(savedFile);
        const QString configurations = folder() + QStringLiteral("/ConfigurationGroup/");
        plantCopy(configurations + m_id + QStringLiteral(".json"),
                  configurations + claimed + QStringLiteral(".json"), claimed);
        editDuringRound(point.constData(), [&] { saved->setName(QStringLiteral("Edited")); });
        syncBoth();
        for (Machine* machine : {&*m_a, &*m_b}) {
            QVERIFY(machine->context()->fetch<SavedApp>().isEmpty());
            QCOMPARE(shown(*machine, claimed), QStringLiteral("Work||"));
        }
        QCOMPARE(readRecord(savedFile), savedRecord);
    }

    void theLaterEditWinsWhateverTheRoundIsDoing_data() {
        addEditColumns();
        // Before the round merges, once it has merged and is to keep that and write the store (it holds
        // no lock on the store until then), after it, and while the live objects read the round in.
        for (const char* point : {"roundStarted", "merged", "storeCommitted", "readingIn"})
            addEditRows(point);
        // b's edits on either side of a's deletion, saved together while the round reads it: the later
        // one weighs.
        QTest::newRow("deleted there between two edits here, at roundStarted")
            << QStringLiteral("delete between") << false << QByteArray("roundStarted")
            << QStringLiteral("Here|Early|Editor,Terminal");
    }
    void theLaterEditWinsWhateverTheRoundIsDoing() {
        QFETCH(QString, there);
        QFETCH(bool, editedHereFirst);
        QFETCH(QByteArray, point);
        QFETCH(QString, expected);
        const auto editHere = [&] { this->editHere(there); };
        if (there.startsWith(QLatin1String("group")))
            addMainGroup();
        if (editedHereFirst)
            editHere();
        m_scheduler->advance(1);
        const bool between = there.endsWith(QLatin1String("between"));
        if (!between)
            editThere(there);
        if (QTest::currentTestFailed())
            return;

        // b's round reads a's change; b's edit is saved while the round runs.
        const bool readingIn = point == "readingIn";
        if (!readingIn)
            m_gate.arm(point.constData());
        bool ended = false;
        m_b->engine->syncNow([&ended](bool, const QString&) { ended = true; });
        if (readingIn) {
            m_b->engine->settle();
            QVERIFY(m_b->context()->isRefreshing());
        } else {
            QVERIFY(m_gate.waitReached());
        }
        if (between) {
            m_b->find(m_id)->setDesc(QStringLiteral("Early"));
            m_scheduler->advance(1);
            editThere(there);
        }
        if (!editedHereFirst)
            editHere();
        QString error;
        const bool saved = m_b->context()->save(&error);
        m_gate.release();
        QVERIFY2(saved, qPrintable(error));
        m_b->engine->settle();
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        QVERIFY(ended);
        syncBoth();

        QCOMPARE(shownWithGroups(*m_b), shownWithGroups(*m_a));
        QCOMPARE(appsSorted(shownWithGroups(*m_b), there), appsSorted(expected, there));
    }

    // The store refuses the rows that settle an edit saved while the round ran (another program's
    // trigger stands in for a disk that fails): "Sync Now" and the Settings tab say so, with the reason,
    // and once the store takes the rows again the next "Sync Now" settles and sends the edit.
    void aSettlementTheStoreRefusesIsSyncNowsOutcome_data() {
        QTest::addColumn<QByteArray>("point");
        for (const char* point : {"storeCommitted", "readingIn"})
            QTest::newRow(point) << QByteArray(point);
    }
    void aSettlementTheStoreRefusesIsSyncNowsOutcome() {
        QFETCH(QByteArray, point);
        editThere(QStringLiteral("rename"));
        const bool readingIn = point == "readingIn";
        if (!readingIn)
            m_gate.arm(point.constData());
        FolderSyncStatus status(m_b->engine.get(), QString());
        std::optional<bool> outcome;
        QString reported;
        status.syncNow([&](bool ok, const QString& error) {
            outcome = ok;
            reported = error;
        });
        if (readingIn) {
            m_b->engine->settle();
            QVERIFY(m_b->context()->isRefreshing());
        } else {
            QVERIFY(m_gate.waitReached());
        }
        // The save writes the row whole, with the name that the round replaced.
        m_b->find(m_id)->setDesc(QStringLiteral("Here"));
        QString error;
        const bool saved = m_b->context()->save(&error);
        std::unique_ptr<Database> other =
            Database::open(m_dir->filePath(QStringLiteral("b/quarlin.sqlite")), false, &error);
        const bool refusing =
            other &&
            other->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON ConfigurationGroup "
                                          "WHEN NEW.name = 'There' BEGIN SELECT RAISE(ABORT, "
                                          "'the disk refused the write'); END"),
                           &error);
        m_gate.release();
        QVERIFY2(saved && refusing, qPrintable(error));
        for (int turn = 0; !outcome && turn < 1000; ++turn)
            advanceSettled(*m_scheduler, 0, {&*m_a, &*m_b});
        QVERIFY(outcome.has_value());
        QVERIFY(!*outcome);
        QVERIFY2(reported.contains(QLatin1String("refused")), qPrintable(reported));
        QCOMPARE(status.lastOutcome(), SyncStatus::Outcome::failed);
        QVERIFY2(status.lastError().contains(QLatin1String("refused")), qPrintable(status.lastError()));

        QVERIFY2(other->execute(QStringLiteral("DROP TRIGGER refuse"), &error), qPrintable(error));
        QVERIFY2(syncNowSettled(status, *m_scheduler, {&*m_a, &*m_b}, &error), qPrintable(error));
        syncBoth();
        for (Machine* machine : {&*m_a, &*m_b})
            QCOMPARE(shown(*machine, m_id), QStringLiteral("There|Here|Editor,Terminal"));
    }

    // Another program holds the store's write lock from the end of the merge until the round has given
    // up waiting: the round fails with the reason and takes nothing, though it kept its sync state, and
    // the next round brings the change in without b sending back what its rows held.
    void aRoundThatCannotWriteTheStoreTakesNothing() {
        editThere(QStringLiteral("rename"));
        // Taken on b's worker; checked here.
        std::unique_ptr<Database> other;
        QString lockError;
        bool locked = false;
        m_atPoint = [&](const char* reached) {
            if (std::string_view(reached) != "merged" || other)
                return;
            other = Database::open(m_dir->filePath(QStringLiteral("b/quarlin.sqlite")), false, &lockError);
            locked = other && other->execute(QStringLiteral("BEGIN IMMEDIATE"), &lockError);
        };
        QString error;
        const bool imported = m_b->engine->importChanges(&error);
        m_atPoint = {};
        QVERIFY2(locked, qPrintable(lockError));
        QVERIFY(!imported);
        QVERIFY2(error.contains(QLatin1String("locked")), qPrintable(error));
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Editor,Terminal"));

        other.reset();
        syncBoth();
        for (Machine* machine : {&*m_a, &*m_b})
            QCOMPARE(shown(*machine, m_id), QStringLiteral("There|There|Editor,Terminal"));
    }

    // Killed once the round's commit is done and before the main thread has weighed it against the edit
    // saved meanwhile (saved before the round's commit took the store, while the worker stood at the
    // commit, or as the round ended): the restart keeps the later of the two, as the live machine would
    // have. The files, and the shared folder, are copied as kill -9 leaves them.
    void anEditSavedAroundTheCommitSurvivesAKill_data() {
        addEditColumns();
        // An edit of this machine's that waits to go out when it is killed is stamped at the restart:
        // only the rows in which it is the later anyway.
        for (const char* point : {"merged", "storeCommitted", "roundEnded"})
            addEditRows(point, true);
    }
    void anEditSavedAroundTheCommitSurvivesAKill() {
        QFETCH(QString, there);
        QFETCH(bool, editedHereFirst);
        QFETCH(QByteArray, point);
        QFETCH(QString, expected);
        if (there.startsWith(QLatin1String("group")))
            addMainGroup();
        if (editedHereFirst)
            editHere(there);
        m_scheduler->advance(1);
        editThere(there);
        if (QTest::currentTestFailed())
            return;

        // Saved before the commit or at it: copied as the round ends. Saved as it ends: after the save.
        const bool atEnd = point == "roundEnded";
        bool copied = false;
        m_atPoint = [&](const char* reached) {
            if (!atEnd && std::string_view(reached) == "roundEnded") {
                copyBWithFolder();
                copied = true;
            }
        };
        m_gate.arm(point.constData());
        m_b->engine->syncNow([](bool, const QString&) {});
        QVERIFY(m_gate.waitReached());
        if (!editedHereFirst)
            editHere(there);
        QString error;
        const bool saved = m_b->context()->save(&error);
        if (atEnd) {
            copyBWithFolder();
            copied = true;
        }
        m_gate.release();
        QVERIFY2(saved, qPrintable(error));
        m_b->engine->settle();
        m_atPoint = {};
        QVERIFY(copied);

        restartBWithFolder();
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shownWithGroups(*m_b), shownWithGroups(*m_a));
        QCOMPARE(appsSorted(shownWithGroups(*m_b), there), appsSorted(expected, there));
    }

    // A round brings new configurations and the file of the one b renames meanwhile: as it was,
    // delivered again unchanged under a new inode (as sync services do), described or deleted. b is
    // killed at each step and another writer changes two new configurations in what the kill left.
    // After the restart no saved change is undone, on b, on a, or on a machine that joins.
    void aKillDuringARoundUndoesNoSavedChange_data() {
        QTest::addColumn<QByteArray>("point");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("renamed");
        for (const char* point : {"roundStarted", "stateKept", "storeCommitted", "roundEnded"})
            for (const char* file : {"as it was", "again", "described", "deleted"})
                for (const bool renamed : {false, true})
                    QTest::addRow("killed at %s, its file %s%s", point, file, renamed ? ", renamed here" : "")
                        << QByteArray(point) << QByteArray(file) << renamed;
    }
    void aKillDuringARoundUndoesNoSavedChange() {
        QFETCH(QByteArray, point);
        QFETCH(QByteArray, file);
        QFETCH(bool, renamed);
        QStringList made;
        for (const char* name : {"Renamed", "Deleted"}) {
            auto* configuration = new ConfigurationGroup(QLatin1String(name), 1920, 1080, std::nullopt);
            m_a->context()->insert(configuration);
            made.append(uuidString(configuration->id()));
        }
        if (file == "described")
            m_a->find(m_id)->setDesc(QStringLiteral("There"));
        if (file == "deleted")
            m_a->context()->deleteObject(m_a->find(m_id));
        QVERIFY(m_a->context()->save() && m_a->engine->flushWrites());
        const QString path = QStringLiteral("%1/ConfigurationGroup/%2.json").arg(folder(), m_id);
        if (file == "again") {
            QVERIFY(QFile::copy(path, path + QStringLiteral(".tmp")));
            QCOMPARE(std::rename(qPrintable(path + QStringLiteral(".tmp")), qPrintable(path)), 0);
        }
        m_scheduler->advance(1);

        // At the first round only: "Sync Now" reads the folder again after a save made during its round.
        bool copied = false;
        m_atPoint = [&](const char* reached) {
            if (!copied && point == reached)
                copyBWithFolder(), copied = true;
        };
        if (renamed)
            editDuringRound("roundStarted", [this] { m_b->find(m_id)->setName(QStringLiteral("Here")); });
        else
            QVERIFY(m_b->engine->importChanges());
        m_atPoint = {};
        QVERIFY(copied);
        QString error;
        const std::unique_ptr<Database> store =
            Database::open(crashed() + QStringLiteral("/quarlin.sqlite"), false, &error);
        QVERIFY2(store && store->execute(QStringLiteral("PRAGMA foreign_keys = ON; UPDATE ConfigurationGroup "
                                                        "SET name = 'Elsewhere' WHERE id = '%1'; DELETE FROM "
                                                        "ConfigurationGroup WHERE id = '%2'")
                                             .arg(made[0], made[1]),
                                         &error),
                 qPrintable(error));

        restartBWithFolder();
        Machine c(m_dir->filePath(QStringLiteral("c")), folder(), *m_scheduler, false);
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QVERIFY(c.engine->importChanges());
        // The other writer found the new configurations only where the round's commit had put them;
        // the rename, the later, brings a deleted configuration back whole.
        const bool committed = point == "storeCommitted" || point == "roundEnded";
        const bool here = renamed && point != "roundStarted";
        const QStringList expected{file == "deleted" && !here
                                       ? QStringLiteral("absent")
                                       : QStringLiteral("%1|%2|Editor,Terminal")
                                             .arg(here ? "Here" : "Work", file == "described" ? "There" : ""),
                                   committed ? QStringLiteral("Elsewhere||") : QStringLiteral("Renamed||"),
                                   committed ? QStringLiteral("absent") : QStringLiteral("Deleted||")};
        for (const Machine* machine : {&*m_b, &*m_a, &c})
            QCOMPARE((QStringList{shown(*machine, m_id), shown(*machine, made[0]), shown(*machine, made[1])}),
                     expected);
    }

    // An application added there and then its configuration deleted there, both read in one round that
    // is killed before the store's commit: the new application, never in the store here, is no edit
    // of this machine's, and the deletion stands after the restart.
    void aDeletionWithANewMemberStandsAfterAKilledRound() {
        copyBAt("stateKept");
        editThere(QStringLiteral("addApp"));
        editThere(QStringLiteral("delete"));
        QVERIFY(m_b->engine->importChanges());
        m_atPoint = {};
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("absent"));

        restartB();
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("absent"));
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("absent"));
    }

    // Killed before the store's commit, and the store then refuses the restart's writes (a full disk,
    // say): what the round merged is no deletion made here. Nothing goes out until the round is
    // finished; then the configuration shows here too.
    void aRoundLeftUnfinishedSendsNothing() {
        copyBAt("stateKept");
        const QString made = uuidString(insertWork(*m_a, {"Mail"})->id());
        QVERIFY(m_a->context()->save() && m_a->engine->flushWrites());
        m_scheduler->advance(1);
        QVERIFY(m_b->engine->importChanges());
        m_atPoint = {};
        QString error;
        const std::unique_ptr<Database> store =
            Database::open(crashed() + QStringLiteral("/quarlin.sqlite"), false, &error);
        QVERIFY2(store &&
                     store->execute(QStringLiteral("CREATE TRIGGER full BEFORE INSERT ON ConfigurationGroup "
                                                   "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); "
                                                   "END"),
                                    &error),
                 qPrintable(error));
        restartB();
        QVERIFY(!m_b->engine->importChanges(&error));
        QVERIFY2(error.contains(QLatin1String("disk is full")), qPrintable(error));
        QVERIFY(m_a->engine->importChanges());
        QCOMPARE(shown(*m_a, made), QStringLiteral("Work||Mail"));

        QVERIFY2(store->execute(QStringLiteral("DROP TRIGGER full"), &error), qPrintable(error));
        syncBoth();
        for (const Machine* machine : {&*m_a, &*m_b})
            QCOMPARE(shown(*machine, made), QStringLiteral("Work||Mail"));
    }

    // A store written while the program's saves did not follow the links may hold a row that names an
    // owner whose row is gone. That link is no edit made here: a round that writes the row puts it back
    // in its owner instead of failing on it at every round.
    void aLinkToAGoneRowIsNoEditMadeHere() {
        QString error;
        const std::unique_ptr<Database> store =
            Database::open(m_dir->filePath(QStringLiteral("b/quarlin.sqlite")), false, &error);
        QVERIFY2(store && store->execute(QStringLiteral("UPDATE AppConfiguration SET configurationGroup = "
                                                        "configurationGroup + 100 WHERE appName = 'Editor'"),
                                         &error),
                 qPrintable(error));
        editThere(QStringLiteral("renameApp"));
        QVERIFY2(m_b->engine->importChanges(&error), qPrintable(error));
        syncBoth();
        for (const Machine* machine : {&*m_a, &*m_b})
            QCOMPARE(shown(*machine, m_id), QStringLiteral("Work||There,Terminal"));
    }

    // Killed before the store's commit, with the note as an older version keeps it: its objects alone,
    // beside the mark of an earlier note that it finished, which the store holds. That mark does not
    // pass for this note's: the restart writes the new application, which the store never got.
    void aStaleMarkDoesNotPassForANotesCommit() {
        copyBAt("stateKept");
        editThere(QStringLiteral("addApp"));
        QVERIFY(m_b->engine->importChanges());
        m_atPoint = {};
        QString error;
        const std::unique_ptr<Database> store =
            Database::open(crashed() + QStringLiteral("/quarlin.sqlite"), false, &error);
        QVERIFY2(store, qPrintable(error));
        const std::optional<QString> stale =
            store->queryText(QStringLiteral("SELECT value FROM Metadata WHERE key = 'syncRound'"));
        QVERIFY(stale);
        const std::unique_ptr<Database> state =
            Database::open(crashed() + QStringLiteral("/sync-state.sqlite"), false, &error);
        QVERIFY2(state &&
                     state->execute(QStringLiteral("UPDATE SyncMeta SET value = substr(value, instr(value, "
                                                   "',') + 1) WHERE key = 'applying' AND value LIKE "
                                                   "'syncRound=%'; INSERT OR REPLACE INTO SyncMeta "
                                                   "VALUES ('applyingMark', '%1')")
                                        .arg(*stale),
                                    &error),
                 qPrintable(error));
        restartB();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Editor,Terminal,Added"));
    }

    // Killed after the round noted what it merged and before the store's commit: the restart finishes
    // the round without writing over what was saved here meanwhile. The files are copied as they are at
    // that moment, which is what kill -9 leaves.
    void anEditSavedBeforeAKilledRoundSurvivesTheRestart() {
        copyBAt("stateKept");
        ConfigurationGroup* there = m_a->find(m_id);
        QList<AppConfiguration*> apps = there->configurationList();
        apps.append(apps.takeFirst());
        there->setConfigurations(apps);
        QVERIFY(m_a->context()->save());
        QVERIFY(m_a->engine->flushWrites());
        m_scheduler->advance(1);

        editDuringRound("roundStarted", [this] {
            ConfigurationGroup* here = m_b->find(m_id);
            here->setName(QStringLiteral("Here"));
            here->setDesc(QStringLiteral("Here"));
        });
        m_atPoint = {};
        QVERIFY(QFile::exists(crashed() + QStringLiteral("/sync-state.sqlite")));

        restartB();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Here|Here|Terminal,Editor"));
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Here|Here|Terminal,Editor"));
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("Here|Here|Terminal,Editor"));
    }

    // Deleted on a; renamed on c, which has not read the deletion; an application renamed on b later,
    // while a round takes the deletion in. The configuration comes back with c's name everywhere: b
    // brings back what it held, under the stamps it had, not under the stamp of its own edit.
    void whatComesBackKeepsItsStamps() {
        Machine c(m_dir->filePath(QStringLiteral("c")), folder(), *m_scheduler, false);
        QVERIFY(c.engine->importChanges());
        const QList<const Machine*> all{&*m_a, &*m_b, &c};
        advanceSettled(*m_scheduler, 1, all);
        QCOMPARE(shown(c, m_id), QStringLiteral("Work||Editor,Terminal"));
        editThere(QStringLiteral("delete"));
        c.find(m_id)->setName(QStringLiteral("Third"));
        QVERIFY(c.context()->save());
        QVERIFY(c.engine->flushWrites());
        QFile file(QStringLiteral("%1/ConfigurationGroup/%2.json").arg(folder(), m_id));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.contains("\"deleted\": true"), text.constData());
        m_scheduler->advance(1);

        editDuringRound("roundStarted", [this] {
            m_b->find(m_id)->configurationList().first()->setAppName(QStringLiteral("Renamed"));
        });
        if (QTest::currentTestFailed())
            return;
        advanceSettled(*m_scheduler, 1, all);
        QString error;
        for (int pass = 0; pass < 2; ++pass)
            for (const Machine* machine : all) {
                QVERIFY2(machine->engine->importChanges(&error), qPrintable(error));
                advanceSettled(*m_scheduler, 1, all);
            }
        for (const Machine* machine : all)
            QCOMPARE(shown(*machine, m_id), QStringLiteral("Third||Renamed,Terminal"));
    }

    // A round takes in a's rename of a configuration and a new application of it while b deletes the
    // configuration: the deletion, the later, takes the rows the round wrote, the new application's
    // too, unread by the program. A later rename on a brings the configuration back on b whole.
    void whatADeletionTookUnreadComesBackWithItsOwner() {
        editThere(QStringLiteral("addApp"));
        editThere(QStringLiteral("renamed, deleted here"));
        editDuringRound("roundStarted", [this] { m_b->context()->deleteObject(m_b->find(m_id)); });
        if (QTest::currentTestFailed())
            return;
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("absent"));

        m_a->find(m_id)->setName(QStringLiteral("Again"));
        QVERIFY(m_a->context()->save());
        QVERIFY(m_a->engine->flushWrites());
        syncBoth();
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("Again||Editor,Terminal,Added"));
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Again||Editor,Terminal,Added"));
    }

    // A round takes in an application added on a and a's deletion of its configuration while b renames
    // the configuration: the rename, the later, brings it back whole, with that application.
    void aConfigurationBroughtBackKeepsWhatTheRoundAddedToIt() {
        editThere(QStringLiteral("addApp"));
        editThere(QStringLiteral("delete"));
        editDuringRound("roundStarted", [this] { m_b->find(m_id)->setName(QStringLiteral("Here")); });
        if (QTest::currentTestFailed())
            return;
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Here||Editor,Terminal,Added"));
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("Here||Editor,Terminal,Added"));
    }

    // An application added here while a round takes in the deletion of its configuration brings the
    // configuration back with it, also when an application added to another one is saved before the
    // two are weighed.
    void anApplicationAddedWhileARoundDeletesItsConfigurationStays() {
        auto* other = new ConfigurationGroup(QStringLiteral("Other"), 1920, 1080, std::nullopt);
        other->appendConfiguration(newApp(QStringLiteral("First")));
        m_b->context()->insert(other);
        QVERIFY(m_b->context()->save());
        editThere(QStringLiteral("delete"));

        m_gate.arm("roundStarted");
        m_b->engine->syncNow([](bool, const QString&) {});
        QVERIFY(m_gate.waitReached());
        editHere(QStringLiteral("deleted, added here"));
        QVERIFY(m_b->context()->save());
        m_gate.releaseUntil("roundEnded");
        QVERIFY(m_gate.waitReached());
        other->appendConfiguration(newApp(QStringLiteral("Second")));
        const bool saved = m_b->context()->save();
        m_gate.release();
        QVERIFY(saved);
        m_b->engine->settle();
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Editor,Terminal,Here"));
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("Work||Editor,Terminal,Here"));
    }

    // A round takes in the deletion of a configuration whose applications hold the newest rows, and an
    // application added to another configuration is saved before the program reads that in: the new
    // row must not take an old one's key, which would make its application look deleted here and bring
    // the configuration back.
    void aRowSavedWhileARoundDeletesOthersLeavesTheDeletion() {
        auto* other = new ConfigurationGroup(QStringLiteral("Other"), 1920, 1080, std::nullopt);
        m_b->context()->insert(other);
        QVERIFY(m_b->context()->save());
        editThere(QStringLiteral("delete"));
        editDuringRound("storeCommitted",
                        [&] { other->appendConfiguration(newApp(QStringLiteral("Added"))); });
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("absent"));
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("absent"));
        QCOMPARE(other->configurationList().size(), 1);

        // Nor does a row that a later round brings take the key of one deleted here.
        m_b->context()->deleteObject(other);
        QVERIFY(m_b->context()->save());
        const QString added = uuidString(insertWork(*m_a, {"New"})->id());
        QVERIFY(m_a->context()->save());
        syncBoth();
        QCOMPARE(shown(*m_b, added), QStringLiteral("Work||New"));
        QString error;
        const std::unique_ptr<Database> store =
            Database::open(m_dir->filePath(QStringLiteral("b/quarlin.sqlite")), false, &error);
        QVERIFY2(store, qPrintable(error));
        QCOMPARE(store->queryInteger(QStringLiteral("SELECT pk FROM ConfigurationGroup")).value_or(0),
                 qint64(3));
    }

    // A list with a gap in its recorded places (a member dropped where another's addition was not known)
    // is shown numbered without it;
    // a round takes in the deletion of its owner while something else is saved here. The places shown
    // are no move made here, so nothing brings the owner back.
    void aGapInADeletedListIsNoEditHere() {
        // Each machine changes the list without knowing of the other's change.
        m_a->find(m_id)->appendConfiguration(newApp(QStringLiteral("Third")));
        QVERIFY(m_a->context()->save());
        m_b->context()->deleteObject(m_b->find(m_id)->configurationList().at(1));
        QVERIFY(m_b->context()->save());
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Editor,Third"));
        auto* other = new ConfigurationGroup(QStringLiteral("Other"), 1920, 1080, std::nullopt);
        m_b->context()->insert(other);
        QVERIFY(m_b->context()->save());

        editThere(QStringLiteral("delete"));
        editDuringRound("merged", [&] { other->setName(QStringLiteral("Renamed")); });
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("absent"));
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("absent"));
        QCOMPARE(other->name(), QStringLiteral("Renamed"));
    }

    // A moves an application to the end while a third machine drops the other one, and b reads both in
    // at once: the application's recorded place leaves a gap before it. A deletes the configuration and
    // b renames it while its round takes that in: the configuration comes back with the application,
    // whose place shown restates no move made here and goes out as recorded, as its row holds it.
    // Dropped there later, the application goes here too.
    void aMemberBroughtBackWithItsOwnerGoesOutAtItsPlace() {
        Machine c(m_dir->filePath(QStringLiteral("c")), folder(), *m_scheduler, false);
        QVERIFY(c.engine->importChanges());
        ConfigurationGroup* there = m_a->find(m_id);
        QList<AppConfiguration*> apps = there->configurationList();
        apps.append(apps.takeFirst());
        there->setConfigurations(apps);
        QVERIFY(m_a->context()->save() && m_a->engine->flushWrites());
        m_scheduler->advance(1);
        c.context()->deleteObject(c.find(m_id)->configurationList().last());
        QVERIFY(c.context()->save() && c.engine->importChanges());
        QVERIFY(m_b->engine->importChanges());
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b, &c});
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Editor"));

        // Written out before b's round starts.
        editThere(QStringLiteral("delete"));
        QVERIFY(m_a->engine->importChanges());
        editDuringRound("merged", [&] { m_b->find(m_id)->setName(QStringLiteral("Here")); });
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("Here||Editor"));
        m_a->context()->deleteObject(m_a->find(m_id)->configurationList().first());
        QVERIFY(m_a->context()->save());
        syncBoth();
        for (const Machine* machine : {&*m_a, &*m_b})
            QCOMPARE(shown(*machine, m_id), QStringLiteral("Here||"));
    }

    // The configuration comes back for a rename made here while a round takes in its deletion, with what
    // its position group holds. Deleted there again, it goes here too, whole.
    void aConfigurationBroughtBackGoesWhenDeletedAgain() {
        auto* group = new PositionGroup(QStringLiteral("Left & Right"), QString(), false);
        group->appendAppPosition(new AppPositionMapping(QStringLiteral("org.example.App"),
                                                        QStringLiteral("Editor"), Corner::leftHalf));
        m_a->find(m_id)->appendPositionGroup(group);
        QVERIFY(m_a->context()->save());
        syncBoth();
        // Written out before b's round starts.
        editThere(QStringLiteral("delete"));
        QVERIFY(m_a->engine->importChanges());
        editDuringRound("merged", [&] { m_b->find(m_id)->setName(QStringLiteral("Here")); });
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("Here||Editor,Terminal"));
        m_a->context()->deleteObject(m_a->find(m_id));
        QVERIFY(m_a->context()->save());
        syncBoth();
        for (const Machine* machine : {&*m_a, &*m_b})
            QCOMPARE(shown(*machine, m_id), QStringLiteral("absent"));
    }

    // A drops an application, then deletes its configuration; b renames the configuration while its
    // round takes both in. The rename brings the configuration back, without the dropped application.
    void aConfigurationBroughtBackLeavesOutWhatWasDroppedBefore() {
        m_a->context()->deleteObject(m_a->find(m_id)->configurationList().last());
        QVERIFY(m_a->context()->save());
        QVERIFY(m_a->engine->flushWrites());
        m_scheduler->advance(1);
        editThere(QStringLiteral("delete"));
        editDuringRound("storeCommitted", [&] { m_b->find(m_id)->setName(QStringLiteral("Here")); });
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Here||Editor"));
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("Here||Editor"));
    }

    // A move made on a third machine and a's drop of the first application, unaware of it, leave b a gap
    // before the places it shows; an application put in on b then goes out with a key of its own
    // beside them, so that none tie and every machine keeps b's order.
    void anApplicationPutInBesideAGapKeepsTheOrderShown() {
        m_a->find(m_id)->appendConfiguration(newApp(QStringLiteral("Mail")));
        QVERIFY(m_a->context()->save());
        syncBoth();
        Machine third(m_dir->filePath(QStringLiteral("third")), folder(), *m_scheduler, false);
        QVERIFY(third.engine->importChanges());
        QList<AppConfiguration*> apps = third.find(m_id)->configurationList();
        apps.swapItemsAt(1, 2);
        third.find(m_id)->setConfigurations(apps);
        QVERIFY(third.context()->save() && third.engine->flushWrites());
        m_scheduler->advance(1);
        editThere(QStringLiteral("dropApp"));
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Mail,Terminal"));
        m_b->find(m_id)->appendConfiguration(newApp(QStringLiteral("Here")));
        QVERIFY(m_b->context()->save() && m_b->engine->flushWrites());
        QSet<QString> places;
        for (const QFileInfo& file :
             QDir(folder() + QStringLiteral("/AppConfiguration")).entryInfoList({QStringLiteral("*.json")}))
            if (const QJsonObject record = readRecord(file.filePath()); !record[u"deleted"].toBool())
                places.insert(record[u"attributes"][u"configurationGroupOrder"].toString());
        QCOMPARE(places.size(), 3);
        syncBoth();
        for (const Machine* machine : {&*m_a, &*m_b})
            QCOMPARE(shown(*machine, m_id), QStringLiteral("Work||Mail,Terminal,Here"));
    }

    // An application dropped there and later, before b reads that, the one before it dropped here: the
    // place that moves up here restates the order and outweighs neither deletion.
    void aPlaceMovedUpByADeletionHereOutweighsNoDeletion() {
        editThere(QStringLiteral("dropLast"));
        editHere(QStringLiteral("dropLast"));
        QVERIFY(m_b->context()->save() && m_b->engine->flushWrites());
        syncBoth();
        for (const Machine* machine : {&*m_a, &*m_b})
            QCOMPARE(shown(*machine, m_id), QStringLiteral("Work||"));
    }

    // An application added there and another here at once, b's round reading a's in before b's goes
    // out (added before the round merges, once it has, or while the windows read it in): the rows are
    // saved as the list is shown, so that none of them passes for an edit saved here later, and a
    // deletion made there afterwards is taken in.
    void aListReadInBesideAnApplicationAddedHereIsSavedAsShown_data() {
        QTest::addColumn<QByteArray>("point");
        for (const char* point : {"roundStarted", "merged", "readingIn"})
            QTest::newRow(point) << QByteArray(point);
    }
    void aListReadInBesideAnApplicationAddedHereIsSavedAsShown() {
        QFETCH(QByteArray, point);
        editThere(QStringLiteral("addApp"));
        const auto add = [this] { m_b->find(m_id)->appendConfiguration(newApp(QStringLiteral("Here"))); };
        editDuringRound(point.constData(), add);
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), shown(*m_a, m_id));
        editThere(QStringLiteral("delete"));
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("absent"));
    }

    // A moves Files to the top of Editor, Terminal, Files; b, whose windows still show the list as it
    // was, moves Editor to the end while its round takes a's move in. Only the moves made go out: b
    // writes Editor's place and no other, and both machines show Files, Terminal, Editor.
    void onlyTheMemberMovedHereGetsAPlace_data() {
        QTest::addColumn<QByteArray>("point");
        for (const char* point : {"roundStarted", "merged", "storeCommitted", "readingIn"})
            QTest::newRow(point) << QByteArray(point);
    }
    void onlyTheMemberMovedHereGetsAPlace() {
        QFETCH(QByteArray, point);
        m_a->find(m_id)->appendConfiguration(newApp(QStringLiteral("Files")));
        QVERIFY(m_a->context()->save() && m_a->engine->flushWrites());
        syncBoth();
        ConfigurationGroup* there = m_a->find(m_id);
        QList<AppConfiguration*> apps = there->configurationList();
        apps.prepend(apps.takeLast());
        there->setConfigurations(apps);
        QVERIFY(m_a->context()->save() && m_a->engine->flushWrites());
        m_scheduler->advance(1);
        const auto move = [this] {
            QList<AppConfiguration*> shown = m_b->find(m_id)->configurationList();
            shown.append(shown.takeFirst());
            m_b->find(m_id)->setConfigurations(shown);
        };
        editDuringRound(point.constData(), move);
        syncBoth();
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("Work||Files,Terminal,Editor"));
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Files,Terminal,Editor"));
        // The machine part of the stamp of each application's place.
        QHash<QString, QString> placedBy;
        for (AppConfiguration* app : m_a->find(m_id)->configurationList()) {
            const QJsonObject file = readRecord(folder() + QStringLiteral("/AppConfiguration/") +
                                                uuidString(app->id()) + QStringLiteral(".json"));
            placedBy.insert(app->appName(), file.value(QStringLiteral("stamps"))
                                                .toObject()
                                                .value(QStringLiteral("configurationGroupOrder"))
                                                .toString()
                                                .section(u'-', 2));
        }
        QCOMPARE_NE(placedBy.value(QStringLiteral("Terminal")), placedBy.value(QStringLiteral("Editor")));
        QCOMPARE_NE(placedBy.value(QStringLiteral("Files")), placedBy.value(QStringLiteral("Editor")));
    }

    // B's round takes in a's deletion of a configuration that b's windows still show, and the latest
    // change stands on every machine: b's own deletion, made after a third machine (unaware of a's)
    // renamed it; or the third machine's deletion, made after b's rename brought the configuration back
    // and before b sent that.
    void theLatestDeletionStands_data() {
        QTest::addColumn<bool>("renamedHere");
        QTest::addRow("renamed on a third machine, then deleted here") << false;
        QTest::addRow("renamed here, then deleted on a third machine") << true;
    }
    void theLatestDeletionStands() {
        QFETCH(bool, renamedHere);
        Machine third(m_dir->filePath(QStringLiteral("third")), folder(), *m_scheduler, false);
        QString error;
        QVERIFY2(third.engine->importChanges(&error), qPrintable(error));
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b, &third});
        QCOMPARE(shown(third, m_id), QStringLiteral("Work||Editor,Terminal"));

        editThere(QStringLiteral("delete"));
        // B's edit is saved once the round is let go.
        editDuringRound("storeCommitted", [&] {
            const auto sendThird = [&] {
                QVERIFY(third.context()->save());
                QVERIFY(third.engine->flushWrites());
                m_scheduler->advance(1);
            };
            Machine& first = renamedHere ? *m_b : third;
            Machine& last = renamedHere ? third : *m_b;
            first.find(m_id)->setName(QStringLiteral("Renamed"));
            renamedHere ? m_scheduler->advance(1) : sendThird();
            last.context()->deleteObject(last.find(m_id));
            if (renamedHere)
                sendThird();
        });
        for (int pass = 0; pass < 2; ++pass)
            for (Machine* machine : {&*m_a, &*m_b, &third}) {
                QVERIFY2(machine->engine->importChanges(&error), qPrintable(error));
                advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b, &third});
            }
        for (const Machine* machine : {&*m_a, &*m_b, &third})
            QCOMPARE(shown(*machine, m_id), QStringLiteral("absent"));
    }

    // A deletes a configuration; a third machine, unaware of that, renames one of its applications,
    // which brings the configuration back; b moves the applications while its round takes both in. The
    // rename, the configuration and b's order all stand everywhere.
    void aRenameThatBringsBackStandsBesideAMoveMadeHere() {
        Machine third(m_dir->filePath(QStringLiteral("third")), folder(), *m_scheduler, false);
        QString error;
        QVERIFY2(third.engine->importChanges(&error), qPrintable(error));
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b, &third});

        editThere(QStringLiteral("delete"));
        third.find(m_id)->configurationList().first()->setAppName(QStringLiteral("Renamed"));
        QVERIFY(third.context()->save());
        QVERIFY(third.engine->flushWrites());
        m_scheduler->advance(1);
        editDuringRound("storeCommitted", [&] { editHere(QStringLiteral("deleted, reordered here")); });
        for (int pass = 0; pass < 2; ++pass)
            for (Machine* machine : {&*m_a, &*m_b, &third}) {
                QVERIFY2(machine->engine->importChanges(&error), qPrintable(error));
                advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b, &third});
            }
        for (const Machine* machine : {&*m_a, &*m_b, &third})
            QCOMPARE(shown(*machine, m_id), QStringLiteral("Work||Terminal,Renamed"));
    }

    // An application dropped here while a round takes in the deletion of its configuration brings the
    // configuration back; killed once that is saved and before it goes out, the restart sends it, the
    // dropped application as deleted.
    void aConfigurationBroughtBackByADropGoesOutAfterAKill() {
        m_a->context()->deleteObject(m_a->find(m_id));
        QVERIFY(m_a->context()->save());
        QVERIFY(m_a->engine->flushWrites());
        m_scheduler->advance(1);

        m_gate.arm("roundStarted");
        m_b->engine->syncNow([](bool, const QString&) {});
        QVERIFY(m_gate.waitReached());
        ModelContext* context = m_b->context();
        context->deleteObject(m_b->find(m_id)->configurationList().first());
        QString error;
        const bool saved = context->save(&error);
        bool copied = false;
        const QMetaObject::Connection copy = connect(context, &ModelContext::didSave, this, [&] {
            if (!std::exchange(copied, true))
                copyBWithFolder();
        });
        m_gate.release();
        QVERIFY2(saved, qPrintable(error));
        m_b->engine->settle();
        disconnect(copy);
        QVERIFY(copied);

        restartBWithFolder();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Terminal"));
        advanceSettled(*m_scheduler, 1, {&*m_a, &*m_b});
        syncBoth();
        QCOMPARE(shown(*m_b, m_id), QStringLiteral("Work||Terminal"));
        QCOMPARE(shown(*m_a, m_id), QStringLiteral("Work||Terminal"));
    }
};

QTEST_GUILESS_MAIN(SyncOverlapTest)
#include "SyncOverlapTest.moc"
