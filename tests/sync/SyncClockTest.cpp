// Stamps against wrong clocks and hostile stamps: when a change is stamped, how far ahead a stamp may
// be, and what a stamp outside the bounds does.
#include "SyncMachine.h"

#include "base/LogCapture.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/sync/HybridClock.h"
#include "store/sync/SyncStamp.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <optional>
#include <utility>

class SyncClockTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    VirtualScheduler m_scheduler;
    std::optional<Machine> a, b;
    QString m_id;

    QString folder() const { return m_dir.filePath(QStringLiteral("shared")); }
    QString fileOf(const QString& id) const {
        return folder() + QStringLiteral("/ConfigurationGroup/") + id + QStringLiteral(".json");
    }
    // Both machines hold "Work" with its "Editor", made on A (or on B); B's clock is `offsetOfB` ahead.
    void start(qint64 offsetOfB = 0, bool madeOnB = false) {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(folder()));
        a.emplace(m_dir.filePath(QStringLiteral("a")), folder(), m_scheduler, false);
        b.emplace(m_dir.filePath(QStringLiteral("b")), folder(), m_scheduler, false, offsetOfB);
        Machine& maker = madeOnB ? *b : *a;
        m_id = uuidString(insertWork(maker, {"Editor"})->id());
        QVERIFY(maker.context()->save());
        syncInTurn({&maker, madeOnB ? &*a : &*b});
    }
    static void syncInTurn(std::initializer_list<Machine*> machines) {
        for (Machine* machine : machines) {
            QString error;
            QVERIFY2(machine->engine->importChanges(&error), qPrintable(error));
        }
    }
    void rename(Machine& machine, const QString& name, bool save = true) {
        machine.find(m_id)->setName(name);
        if (save)
            QVERIFY(machine.context()->save());
    }
    // Rewrites a record in the folder as a hostile or broken peer would.
    static void edit(const QString& path, const std::function<void(QJsonObject&)>& change) {
        QJsonObject record = readRecord(path);
        QVERIFY(!record.isEmpty());
        change(record);
        writeRecord(path, record);
    }
    static void stampName(QJsonObject& record, const QString& name, const QString& stamp) {
        QJsonObject attributes = record.value(QStringLiteral("attributes")).toObject();
        attributes.insert(QStringLiteral("name"), name);
        record.insert(QStringLiteral("attributes"), attributes);
        QJsonObject stamps = record.value(QStringLiteral("stamps")).toObject();
        stamps.insert(QStringLiteral("name"), stamp);
        record.insert(QStringLiteral("stamps"), stamps);
        record.insert(QStringLiteral("stamp"), stamp);
    }
    static QString stampIn(const QString& path) {
        return readRecord(path)[QStringLiteral("stamp")].toString();
    }

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() {
        a.reset();
        b.reset();
    }

    // A's rename waits a second for the autosave; B's, half a second later, is saved at once.
    void aChangeIsStampedWhenItIsMade() {
        start();
        rename(*a, QStringLiteral("FromA"), false);
        m_scheduler.advance(0.5);
        rename(*b, QStringLiteral("FromB"));
        m_scheduler.advance(ModelContext::autosaveDelay);
        QVERIFY(!a->context()->hasChanges());
        syncInTurn({&*a, &*b, &*a});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("FromB"));
        QCOMPARE(b->nameOf(m_id), QStringLiteral("FromB"));
    }

    // Neither saw the other's edit; B's clock is ten minutes fast, A renamed a minute after B.
    void aFastClockDoesNotWinAConflict() {
        start(10 * 60 * 1000);
        rename(*b, QStringLiteral("FromB"));
        m_scheduler.advance(60);
        rename(*a, QStringLiteral("FromA"));
        syncInTurn({&*a, &*b, &*a, &*b});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("FromA"));
        QCOMPARE(b->nameOf(m_id), QStringLiteral("FromA"));
        // An edit made after B's, on B, still wins: B's clock is wrong, not its order.
        rename(*b, QStringLiteral("LaterOnB"));
        syncInTurn({&*b, &*a});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("LaterOnB"));
    }

    void aFastClocksDeletionDoesNotWinOverALaterEdit() {
        start(10 * 60 * 1000);
        b->context()->deleteObject(b->find(m_id));
        QVERIFY(b->context()->save());
        m_scheduler.advance(60);
        rename(*a, QStringLiteral("Kept"));
        syncInTurn({&*a, &*b, &*a});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("Kept"));
        QCOMPARE(b->nameOf(m_id), QStringLiteral("Kept"));
    }

    // The other way round: B renames first, A deletes once it has seen the rename, so the deletion is
    // the later change though A's clock is behind B's stamp.
    void aDeletionAfterAFastClocksEditWins() {
        start(10 * 60 * 1000);
        // Long after A made "Work": the drift rule does not keep A's name against B's.
        m_scheduler.advance(HybridClock::maxDrift / 1000 + 60);
        rename(*b, QStringLiteral("FromB"));
        syncInTurn({&*b, &*a});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("FromB"));
        m_scheduler.advance(60);
        a->context()->deleteObject(a->find(m_id));
        QVERIFY(a->context()->save());
        syncInTurn({&*a, &*b});
        QCOMPARE(b->nameOf(m_id), QStringLiteral("absent"));
        m_scheduler.advance(HybridClock::maxDrift / 1000 + 60);
        syncInTurn({&*a, &*b, &*a});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("absent"));
        QCOMPARE(b->nameOf(m_id), QStringLiteral("absent"));
    }

    // B makes "Work"; A changes it a minute after reading it. A's change is the later whichever clock
    // is ahead, also by more than the drift; a file that does not say what its change had seen (as
    // older versions write) is weighed by the drift rule alone.
    void aChangeMadeAfterSeeingAnotherWins_data() {
        QTest::addColumn<int>("minutesOfB");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("unseen");
        QTest::addColumn<QString>("shows");
        for (int minutes : {-10, -4, 4, 10})
            for (const auto& [change, shows] :
                 {std::pair("rename", "Renamed||Editor"), std::pair("delete", "absent"),
                  std::pair("edit application", "Work||Edited")})
                QTest::addRow("%s, B %+d min", change, minutes)
                    << minutes << QString::fromLatin1(change) << false << QString::fromLatin1(shows);
        QTest::addRow("rename, B -10 min, older file") << -10 << "rename" << true << "Work||Editor";
        QTest::addRow("rename, B -4 min, older file") << -4 << "rename" << true << "Renamed||Editor";
    }
    void aChangeMadeAfterSeeingAnotherWins() {
        QFETCH(int, minutesOfB);
        QFETCH(QString, change);
        QFETCH(bool, unseen);
        QFETCH(QString, shows);
        start(minutesOfB * 60 * 1000, true);
        m_scheduler.advance(60);
        if (change == QLatin1String("rename"))
            rename(*a, QStringLiteral("Renamed"));
        else if (change == QLatin1String("delete"))
            a->context()->deleteObject(a->find(m_id));
        else
            a->find(m_id)->configurationList().first()->setAppName(QStringLiteral("Edited"));
        QVERIFY(a->context()->save());
        syncInTurn({&*a});
        if (unseen)
            edit(fileOf(m_id), [](QJsonObject& record) { record.remove(QStringLiteral("seen")); });
        LogCapture log;
        syncInTurn({&*b, &*a, &*b});
        QCOMPARE(log.lines().filter(QStringLiteral("skipped")), QStringList());
        QCOMPARE(shown(*b, m_id), shows);
        QCOMPARE(shown(*a, m_id), shows);
    }

    void aStampInTheYear2100IsNotTakenOn() {
        start();
        // Long after the last edit here: nothing made here competes with it.
        m_scheduler.advance(3600);
        const QString in2100 = QStringLiteral("4102444800000-000000-") +
                               QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        edit(fileOf(m_id), [&](QJsonObject& record) { stampName(record, QStringLiteral("Future"), in2100); });
        syncInTurn({&*a});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("Future"));
        // Seen, but this machine's clock stays where it is; an edit made after it still wins.
        auto* other = new ConfigurationGroup(QStringLiteral("Other"), 1920, 1080, std::nullopt);
        a->context()->insert(other);
        rename(*a, QStringLiteral("Later"));
        QVERIFY2(stampIn(fileOf(uuidString(other->id()))) < QStringLiteral("2"),
                 qPrintable(stampIn(fileOf(uuidString(other->id())))));
        syncInTurn({&*b, &*a});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("Later"));
        QCOMPARE(b->nameOf(m_id), QStringLiteral("Later"));
    }

    // The largest stamp the text could hold used to push every counter past what any machine reads.
    void aStampOutOfBoundsIsRefused() {
        start();
        const QString stranger = QStringLiteral("0B5E2C1A-0000-4000-8000-00000000000C");
        QVERIFY(QFile::copy(fileOf(m_id), fileOf(stranger)));
        const QString largest = QStringLiteral("999999999999999999-999999999999999999-X");
        edit(fileOf(stranger), [&](QJsonObject& record) {
            record.insert(QStringLiteral("id"), stranger);
            stampName(record, QStringLiteral("Stranger"), largest);
        });
        LogCapture log;
        syncInTurn({&*a});
        QCOMPARE(log.lines().filter(stranger).filter(QStringLiteral("out of bounds")).size(), 1);
        rename(*a, QStringLiteral("Renamed"));
        syncInTurn({&*b});
        QCOMPARE(b->nameOf(m_id), QStringLiteral("Renamed"));
        QCOMPARE(b->nameOf(stranger), QStringLiteral("absent"));
    }

    // A stamp that no later stamp could beat would keep its object at the planted values on every
    // machine: such a file is skipped with one console line, and the next edit is written over it.
    void aStampNoEditCouldBeatIsRefused_data() {
        QTest::addColumn<QString>("stamp");
        QTest::newRow("at the limit") << QStringLiteral("9999999999999-999999-~~~~");
        QTest::newRow("at the limit from a machine")
            << QStringLiteral("9999999999999-999999-FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF");
        QTest::newRow("machine sorting above all") << QStringLiteral("1796601600123-000000-~~~~");
    }
    void aStampNoEditCouldBeatIsRefused() {
        QFETCH(QString, stamp);
        start();
        edit(fileOf(m_id), [&](QJsonObject& record) { stampName(record, QStringLiteral("Frozen"), stamp); });
        LogCapture log;
        syncInTurn({&*a, &*b, &*a});
        QCOMPARE(log.lines().filter(m_id).filter(QStringLiteral("skipped")).size(), 2);
        QCOMPARE(a->nameOf(m_id), QStringLiteral("Work"));
        m_scheduler.advance(1);
        rename(*b, QStringLiteral("FromB"));
        syncInTurn({&*b, &*a});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("FromB"));
        m_scheduler.advance(1);
        rename(*a, QStringLiteral("FromA"));
        syncInTurn({&*a, &*b});
        QCOMPARE(b->nameOf(m_id), QStringLiteral("FromA"));
        QVERIFY2(!stampIn(fileOf(m_id)).startsWith(u'9'), qPrintable(stampIn(fileOf(m_id))));
    }

    // A peer used up its counter in this very millisecond: the next edit here goes into the next
    // millisecond, in a stamp that every machine reads.
    void anEditAfterAPeersLastCounterIsReadEverywhere() {
        start();
        const QString full = QStringLiteral("%1-%2-0B5E2C1A-0000-4000-8000-00000000000D")
                                 .arg(m_scheduler.currentDateTime().toMSecsSinceEpoch())
                                 .arg(SyncStamp::maxCounter);
        edit(fileOf(m_id), [&](QJsonObject& record) { stampName(record, QStringLiteral("Peer"), full); });
        syncInTurn({&*a});
        QCOMPARE(a->nameOf(m_id), QStringLiteral("Peer"));
        // Still in that millisecond: a new object, whose stamps follow nothing but the clock, and an
        // edit of the peer's.
        auto* next = new ConfigurationGroup(QStringLiteral("Next"), 1920, 1080, std::nullopt);
        a->context()->insert(next);
        rename(*a, QStringLiteral("Later"));
        LogCapture log;
        syncInTurn({&*a, &*b});
        QCOMPARE(log.lines().filter(QStringLiteral("skipped")), QStringList());
        QCOMPARE(b->nameOf(uuidString(next->id())), QStringLiteral("Next"));
        QCOMPARE(b->nameOf(m_id), QStringLiteral("Later"));
        QVERIFY2(stampIn(fileOf(m_id)) > full, qPrintable(stampIn(fileOf(m_id))));
    }

    // A peer's file stamped at the very end of a stamp's range, or B's clock set past it: the edits
    // after it stay within the range, so every machine reads them and one that joins takes them.
    void editsAfterTheLatestStampAreReadEverywhere_data() {
        QTest::addColumn<int>("counter");
        QTest::addColumn<int>("edits");
        QTest::addColumn<bool>("clockPast");
        QTest::newRow("the last stamp, one edit") << int(SyncStamp::maxCounter) << 1 << false;
        QTest::newRow("the one before it, two edits") << int(SyncStamp::maxCounter) - 1 << 2 << false;
        QTest::newRow("a clock past the last stamp, two edits") << 0 << 2 << true;
    }
    void editsAfterTheLatestStampAreReadEverywhere() {
        QFETCH(int, counter);
        QFETCH(int, edits);
        QFETCH(bool, clockPast);
        const qint64 now = m_scheduler.currentDateTime().toMSecsSinceEpoch();
        start(clockPast ? SyncStamp::latestWall - now + 86400000 : 0);
        Machine& editor = clockPast ? *b : *a;
        if (!clockPast) {
            // A machine id that sorts before those of the machines here.
            const QString latest = QStringLiteral("%1-%2-00000000-0000-4000-8000-000000000001")
                                       .arg(SyncStamp::latestWall)
                                       .arg(counter, 6, 10, QChar(u'0'));
            edit(fileOf(m_id),
                 [&](QJsonObject& record) { stampName(record, QStringLiteral("Peer"), latest); });
        }
        // Past the drift rule's few minutes: "Work" is no recent edit that A would keep.
        m_scheduler.advance(double(HybridClock::maxDrift) / 1000 + 1);
        if (!clockPast) {
            syncInTurn({&*a});
            QCOMPARE(a->nameOf(m_id), QStringLiteral("Peer"));
        }
        LogCapture log;
        for (int i = 1; i <= edits; ++i) {
            m_scheduler.advance(1);
            rename(editor, QStringLiteral("Edit %1").arg(i));
            syncInTurn({&editor, clockPast ? &*a : &*b});
        }
        Machine joining(m_dir.filePath(QStringLiteral("joining")), folder(), m_scheduler, false);
        syncInTurn({&joining, &*a});
        QCOMPARE(log.lines().filter(QStringLiteral("skipped")), QStringList());
        const QString last = QStringLiteral("Edit %1").arg(edits);
        for (const Machine* machine : {&*a, &*b, &joining})
            QCOMPARE(machine->nameOf(m_id), last);
        QVERIFY2(SyncStamp::fromString(stampIn(fileOf(m_id))), qPrintable(stampIn(fileOf(m_id))));
    }

    // A merge orders two edits by their stamps alone: equal stamps from one machine would let a
    // later edit lose to an earlier one.
    void stampsStrictlyIncreaseWithinOneMillisecond() {
        const QString here = QStringLiteral("3F2A9C10-0000-4000-8000-000000000001");
        const QString other = QStringLiteral("3F2A9C10-0000-4000-8000-000000000002");
        qint64 wall = 1796601600123;
        HybridClock clock(here, [&wall] { return wall; });
        const SyncStamp first = clock.tick();
        const SyncStamp second = clock.tick();
        QVERIFY2(second > first, qPrintable(second.toString()));
        // Seen from another machine in the same millisecond, with a higher machine id.
        const SyncStamp seen{wall, second.counter, other};
        clock.observe(seen);
        QVERIFY2(clock.tick() > seen, qPrintable(clock.last().toString()));
        const SyncStamp ahead{wall, 41, other};
        clock.observe(ahead);
        QVERIFY2(clock.tick() > ahead, qPrintable(clock.last().toString()));
        // Seen ahead of this wall clock, within the drift, and then the wall clock reaches it.
        const SyncStamp later{wall + 5, 0, other};
        clock.observe(later);
        wall += 5;
        QVERIFY2(clock.tick() > later, qPrintable(clock.last().toString()));
        // The last counter of a millisecond, seen from another machine: the next one follows.
        const SyncStamp full{wall, SyncStamp::maxCounter, other};
        clock.observe(full);
        const SyncStamp next = clock.tick();
        QVERIFY2(next > full && SyncStamp::fromString(next.toString()), qPrintable(next.toString()));
        // A restart resumes after the last stamp kept, even when the wall clock went back.
        HybridClock restarted(here, [&wall] { return wall - 1000; });
        restarted.restore(clock.last());
        QVERIFY2(restarted.tick() > clock.last(), qPrintable(restarted.last().toString()));
    }

    void stampTextBounds_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        const QString machine = QStringLiteral("3F2A9C10-0000-4000-8000-000000000001");
        QTest::newRow("latest") << "9000000000000-999999-" + machine << true;
        QTest::newRow("after the latest") << "9000000000001-000000-" + machine << false;
        QTest::newRow("largest text") << "9999999999999-999999-" + machine << false;
        QTest::newRow("wall of 14 digits") << "10000000000000-000000-" + machine << false;
        QTest::newRow("counter of 7 digits") << "1796601600123-1000000-" + machine << false;
        QTest::newRow("no machine") << "1796601600123-000000-" << false;
        QTest::newRow("machine sorting above all") << "1796601600123-000000-~~~~" << false;
        QTest::newRow("lower-case machine") << "1796601600123-000000-" + machine.toLower() << false;
        QTest::newRow("machine in braces") << "1796601600123-000000-{" + machine + "}" << false;
        QTest::newRow("machine with more") << "1796601600123-000000-" + machine + "0" << false;
    }
    void stampTextBounds() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(SyncStamp::fromString(text).has_value(), valid);
    }
};

QTEST_GUILESS_MAIN(SyncClockTest)
#include "SyncClockTest.moc"
