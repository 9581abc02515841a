// The virtual clock that every timing test relies on.
#include "platform/sim/VirtualScheduler.h"

#include <QTest>

#include <thread>

class VirtualSchedulerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void runsDueTasksInDeadlineThenSchedulingOrder() {
        VirtualScheduler s;
        QStringList ran;
        s.after(0.2, [&] { ran << QStringLiteral("b0.2"); });
        s.after(0.1, [&] { ran << QStringLiteral("a0.1"); });
        s.after(0.2, [&] { ran << QStringLiteral("c0.2"); });
        s.async([&] { ran << QStringLiteral("now"); });
        s.advance(0.15);
        QCOMPARE(ran, (QStringList{QStringLiteral("now"), QStringLiteral("a0.1")}));
        s.advance(0.05);
        QCOMPARE(ran.mid(2), (QStringList{QStringLiteral("b0.2"), QStringLiteral("c0.2")}));
        QCOMPARE(s.pendingCount(), 0);
    }

    void tasksSeeTheirOwnDeadlineAndMayScheduleMore() {
        VirtualScheduler s;
        QList<double> seen;
        s.after(0.1, [&] {
            seen << s.now();
            s.after(0.1, [&] { seen << s.now(); });
        });
        s.after(0.3, [&] { seen << s.now(); });
        // Sums of steps meet their deadline.
        s.advance(0.1);
        s.advance(0.2);
        QCOMPARE(seen, (QList<double>{0.1, 0.2, 0.3}));
        s.advance(0.7);
        QCOMPARE(s.now(), 1.0);
    }

    void sleepMovesTheClockAndRunsNothingAndRunAllStops() {
        VirtualScheduler s;
        bool ran = false;
        s.after(0.5, [&] { ran = true; });
        const QDateTime before = s.currentDateTime();
        s.sleep(0.8);
        QVERIFY(!ran);
        QCOMPARE(s.sleeps(), QList<double>{0.8});
        QCOMPARE(before.msecsTo(s.currentDateTime()), 800);
        s.runDue();
        QVERIFY(ran);
        // A task that keeps rescheduling itself stops at the limit.
        std::function<void()> again = [&] { s.after(1.0, again); };
        s.after(1.0, again);
        QCOMPARE(s.runAll(10), 10);
    }

    // A worker that ends while the clock advances hands its result to the next advance, so a test
    // sees the same order however fast the worker was.
    void tasksFromOtherThreadsWaitForTheNextAdvance() {
        VirtualScheduler s;
        QStringList ran;
        const auto fromAnotherThread = [&](const QString& name) {
            std::thread([&s, &ran, name] { s.async([&ran, name] { ran << name; }); }).join();
        };
        fromAnotherThread(QStringLiteral("before"));
        QCOMPARE(s.pendingDeadlines(), QList<double>{0.0});
        s.after(0.1, [&] {
            ran << QStringLiteral("round");
            fromAnotherThread(QStringLiteral("worker"));
        });
        s.advance(0.1);
        QCOMPARE(ran, (QStringList{QStringLiteral("before"), QStringLiteral("round")}));
        QCOMPARE(s.pendingCount(), 1);
        s.runDue();
        QCOMPARE(ran.last(), QStringLiteral("worker"));
    }
};

QTEST_GUILESS_MAIN(VirtualSchedulerTest)
#include "VirtualSchedulerTest.moc"
