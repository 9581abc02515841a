// How an automatic round's commit reaches the live objects: only the rows it wrote, a few per turn,
// all shown at once, the same as reading the whole database would give; edits and other writers'
// commits made meanwhile are never lost.
#include "SyncMachine.h"

#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/Database.h"
#include "store/ModelContainer.h"
#include "store/sync/SyncEngine.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>

namespace {
// Every configuration with its applications in list order, sorted.
QStringList library(ModelContext* context) {
    QStringList lines;
    for (ConfigurationGroup* configuration : context->fetch<ConfigurationGroup>()) {
        QStringList apps;
        for (AppConfiguration* app : configuration->configurationList())
            apps.append(app->appName());
        lines.append(configuration->name() + u':' + apps.join(u','));
    }
    lines.sort();
    return lines;
}

ConfigurationGroup* newConfiguration(const QString& name, int apps) {
    auto* configuration = new ConfigurationGroup(name, 1920, 1080, std::nullopt);
    for (int i = 0; i < apps; ++i)
        configuration->appendConfiguration(new AppConfiguration(QStringLiteral("org.example.App%1").arg(i),
                                                                name + QString::number(i), QString(), 0,
                                                                false, Corner::topRight, 0.5, 400, 10, 10));
    return configuration;
}
} // namespace

class SyncRefreshTest : public QObject {
    Q_OBJECT
private:
    std::optional<QTemporaryDir> m_dir;
    std::optional<VirtualScheduler> m_scheduler;
    std::optional<Machine> m_a;
    std::optional<Machine> m_b;
    QString m_keep;
    // Run on b's worker right after its round committed to the store.
    std::function<void()> m_afterCommit;
    // b's memory given back: how often, and how often in a turn of the main thread.
    std::atomic<int> m_trims = 0;
    std::atomic<int> m_trimsOnMain = 0;

    QString folder() const { return m_dir->filePath(QStringLiteral("shared")); }
    QString storeOf(const char* name) const {
        return m_dir->filePath(QLatin1String(name)) + QStringLiteral("/quarlin.sqlite");
    }
    // Another program's commit into b's database, through a connection of its own.
    void otherWriterCommits() {
        QString error;
        std::unique_ptr<Database> database = Database::open(storeOf("b"), false, &error);
        QVERIFY2(database, qPrintable(error));
        QVERIFY2(database->execute(QStringLiteral("INSERT INTO ConfigurationGroup (id, name, dateCreated, "
                                                  "screenWidth, screenHeight, hasConfigurations, "
                                                  "hasPositionGroups) VALUES ('%1', 'Other writer', "
                                                  "'2026-01-01T12:00:00.000Z', 1920, 1080, 1, 1)")
                                       .arg(uuidString(QUuid::createUuid())),
                                   &error),
                 qPrintable(error));
    }
    // What a fresh read of b's whole database gives.
    QStringList storedInB() {
        QString error;
        std::unique_ptr<ModelContainer> fresh = ModelContainer::open(storeOf("b"), *m_scheduler, &error);
        return fresh ? library(fresh->mainContext()) : QStringList{error};
    }
    // a changes the library much (more rows than one turn reads) and b's next automatic round starts
    // on its worker.
    void changeMuchAndStartARound() {
        ConfigurationGroup* keep = m_a->find(m_keep);
        keep->setName(QStringLiteral("Kept, renamed"));
        QList<AppConfiguration*> apps = keep->configurationList();
        std::reverse(apps.begin(), apps.end());
        keep->setConfigurations(apps);
        for (ConfigurationGroup* configuration : m_a->context()->fetch<ConfigurationGroup>())
            if (configuration->name() == QStringLiteral("Gone"))
                m_a->context()->deleteObject(configuration);
        for (int i = 0; i < ModelContext::refreshSlice / 4; ++i)
            m_a->context()->insert(newConfiguration(QStringLiteral("New %1").arg(i), 4));
        QVERIFY(m_a->context()->save());
        QVERIFY(m_a->engine->flushWrites());
        m_scheduler->advance(SyncEngine::rescanInterval);
        QVERIFY(m_b->engine->isBusy());
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
        ConfigurationGroup* keep = newConfiguration(QStringLiteral("Kept"), 3);
        m_a->context()->insert(keep);
        m_a->context()->insert(newConfiguration(QStringLiteral("Gone"), 2));
        m_a->context()->insert(newConfiguration(QStringLiteral("Other"), 3));
        QVERIFY(m_a->engine->importChanges());
        m_keep = uuidString(keep->id());
        m_afterCommit = nullptr;
        m_trims = 0;
        m_trimsOnMain = 0;
        m_b.emplace(m_dir->filePath(QStringLiteral("b")), folder(), *m_scheduler, true, 0,
                    [this](const char* point) {
                        if (m_afterCommit && point == std::string_view("storeCommitted"))
                            std::exchange(m_afterCommit, nullptr)();
                        if (point == std::string_view("memoryTrimmed")) {
                            ++m_trims;
                            if (QThread::currentThread() == thread())
                                ++m_trimsOnMain;
                        }
                    });
        advanceSettled(*m_scheduler, 0, {&*m_b});
        QCOMPARE(library(m_b->context()), library(m_a->context()));
    }

    void cleanup() {
        m_b.reset();
        m_a.reset();
    }

    // Turn by turn, b shows the library as it was until the whole round is in, then all of it at once,
    // in the objects it already had.
    void aRoundComesInWholeAfterSeveralTurns() {
        ConfigurationGroup* keep = m_b->find(m_keep);
        const QList<AppConfiguration*> keptApps = keep->configurationList();
        const QStringList before = library(m_b->context());
        QSignalSpy remoteChanges(m_b->context(), &ModelContext::remoteChange);
        QSignalSpy deleted(m_b->context(), &ModelContext::objectDeleted);
        changeMuchAndStartARound();
        m_b->engine->settle();
        QVERIFY(m_b->context()->isRefreshing());
        int turns = 0;
        while (m_b->context()->isRefreshing()) {
            QCOMPARE(library(m_b->context()), before);
            QCOMPARE(remoteChanges.size(), 0);
            QCOMPARE(m_scheduler->runAll(1), 1);
            ++turns;
        }
        QVERIFY2(turns > 2, qPrintable(QString::number(turns)));
        QCOMPARE(remoteChanges.size(), 1);
        QCOMPARE(deleted.size(), 3); // the configuration and its two applications
        QCOMPARE(library(m_b->context()), library(m_a->context()));
        QCOMPARE(library(m_b->context()), storedInB());
        QCOMPARE(m_b->find(m_keep), keep);
        QList<AppConfiguration*> reversed = keptApps;
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(keep->configurationList(), reversed);
        QVERIFY(!m_b->context()->hasChanges());
    }

    // The file watcher sees the round's commit before the round ends: its look leaves the commit to the
    // round, which reads in only its rows, a few per turn, rather than the whole database at once.
    void aLookBeforeTheRoundEndsLeavesItsCommitToIt() {
        std::atomic<bool> committed = false;
        m_afterCommit = [&committed] { committed = true; };
        QSignalSpy remoteChanges(m_b->context(), &ModelContext::remoteChange);
        changeMuchAndStartARound();
        QTRY_VERIFY_WITH_TIMEOUT(committed, 10000);
        m_b->context()->checkForRemoteChanges();
        QCOMPARE(remoteChanges.size(), 0);
        m_b->engine->settle();
        QVERIFY(m_b->context()->isRefreshing());
        advanceSettled(*m_scheduler, 1, {&*m_b});
        QCOMPARE(remoteChanges.size(), 1);
        QCOMPARE(library(m_b->context()), library(m_a->context()));
    }

    // Whatever happens while the round is read in, b ends with the round, the edit made meanwhile and
    // the other writer's commit, in its live objects and in its database.
    void nothingMadeMeanwhileIsLost_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("otherWriter");
        QTest::addColumn<bool>("beforeTheCommit");
        QTest::addColumn<bool>("move");
        QTest::newRow("an edit left pending") << false << false << false << false;
        QTest::newRow("an edit saved") << true << false << false << false;
        QTest::newRow("another writer's commit") << false << true << false << false;
        QTest::newRow("another writer's commit before the round is read in")
            << false << true << true << false;
        // A new order changes no attribute of the list's owner, as a list read in does not either.
        QTest::newRow("a move saved") << true << false << false << true;
    }
    void nothingMadeMeanwhileIsLost() {
        QFETCH(bool, save);
        QFETCH(bool, otherWriter);
        QFETCH(bool, beforeTheCommit);
        QFETCH(bool, move);
        m_b->context()->setAutosaveEnabled(false);
        ConfigurationGroup* keep = m_b->find(m_keep);
        ConfigurationGroup* gone = nullptr;
        ConfigurationGroup* other = nullptr;
        for (ConfigurationGroup* configuration : m_b->context()->fetch<ConfigurationGroup>())
            if (configuration->name() == QStringLiteral("Gone"))
                gone = configuration;
            else if (configuration != keep)
                other = configuration;
        const QString goneId = uuidString(gone->id());
        const auto changeMeanwhile = [&] {
            if (otherWriter)
                return otherWriterCommits();
            if (move) {
                QList<AppConfiguration*> apps = other->configurationList();
                apps.append(apps.takeFirst());
                other->setConfigurations(apps);
            } else {
                keep->setName(QStringLiteral("Renamed here"));
            }
            if (save)
                QVERIFY(m_b->context()->save());
        };
        if (beforeTheCommit)
            m_afterCommit = changeMeanwhile;
        // The move saves the members' rows whole, as shown before the round: a's rename stands.
        if (move)
            for (ConfigurationGroup* configuration : m_a->context()->fetch<ConfigurationGroup>())
                if (configuration->name() == QStringLiteral("Other"))
                    configuration->configurationList().first()->setAppName(QStringLiteral("There"));
        changeMuchAndStartARound();
        m_b->engine->settle();
        // Some rows are read, not all.
        m_scheduler->runAll(2);
        QCOMPARE(m_b->context()->isRefreshing(), !beforeTheCommit);
        if (!beforeTheCommit)
            changeMeanwhile();
        // What the file watcher does when another writer commits.
        m_b->context()->checkForRemoteChanges();
        advanceSettled(*m_scheduler, 1, {&*m_b});
        QVERIFY(!m_b->context()->isRefreshing());
        QVERIFY(m_b->context()->save());

        const QStringList live = library(m_b->context());
        QCOMPARE(live, storedInB());
        QVERIFY(!m_b->find(goneId));
        // The edit is the later one.
        const QString kept =
            otherWriter || move ? QStringLiteral("Kept, renamed") : QStringLiteral("Renamed here");
        QVERIFY2(live.contains(kept + QStringLiteral(":Kept2,Kept1,Kept0")), qPrintable(live.join(u'\n')));
        QCOMPARE(live.contains(QStringLiteral("Other writer:")), otherWriter);
        QCOMPARE(live.filter(QStringLiteral("New ")).size(), ModelContext::refreshSlice / 4);
        QCOMPARE(live.contains(QStringLiteral("Other:Other1,Other2,There")), move);
        // And what was made here goes out.
        QVERIFY(m_b->engine->flushWrites());
        QVERIFY(m_a->engine->importChanges());
        QCOMPARE(library(m_a->context()), live);
    }

    // A large round gives back what it freed on b's worker, not in a turn of the window: an edit saved
    // while the round is read in, which waits for the worker, still goes out at once after it.
    void anEditSavedWhileALargeRoundIsReadInGoesOutAfterIt() {
        for (int i = 0; i < 450; ++i)
            m_a->context()->insert(newConfiguration(QStringLiteral("Many %1").arg(i), 4));
        QVERIFY(m_a->context()->save());
        QVERIFY(m_a->engine->flushWrites());
        m_scheduler->advance(SyncEngine::rescanInterval);
        QVERIFY(m_b->engine->isBusy());
        m_b->engine->settle();
        QVERIFY(m_b->context()->isRefreshing());
        m_b->find(m_keep)->setName(QStringLiteral("Renamed here"));
        QVERIFY(m_b->context()->save());
        advanceSettled(*m_scheduler, 1, {&*m_b});
        QVERIFY(m_trims > 0);
        QCOMPARE(m_trimsOnMain.load(), 0);
        QVERIFY(m_a->engine->importChanges());
        QCOMPARE(m_a->find(m_keep)->name(), QStringLiteral("Renamed here"));
    }
};

QTEST_GUILESS_MAIN(SyncRefreshTest)
#include "SyncRefreshTest.moc"
