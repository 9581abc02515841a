// The program's scheduler on the real Qt event loop keeps the virtual clock's order.
#include "base/QtScheduler.h"

#include <QTest>
#include <QThread>

class QtSchedulerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void overdueStepsRunInDeadlineOrderBeforeANewZeroDelayStep() {
        QtScheduler s;
        QStringList ran;
        auto note = [&](const char* name) { return [&ran, name] { ran << QLatin1String(name); }; };
        // Asked before the others, the blocking step (as a window search is) runs first whenever the
        // loop starts, and it blocks until all three are overdue, however long the calls below took.
        double asked = 0;
        s.async([&] {
            const double until = asked + 0.25;
            while (s.now() < until) {
            }
            ran << QStringLiteral("busy");
            s.async(note("new"));
        });
        // Deadlines 100 ms apart: a busy machine pausing this thread between two calls does not
        // swap them.
        s.after(0.2, note("a200"));
        s.after(0.1, note("b100"));
        s.after(0.2, note("c200"));
        asked = s.now();
        QTRY_COMPARE(ran.size(), 5);
        QCOMPARE(ran, (QStringList{"busy", "b100", "a200", "c200", "new"}));
    }

    void delaysAreNotRoundedUp() {
        QtScheduler s;
        QStringList ran;
        auto note = [&](const char* name) { return [&ran, name] { ran << QLatin1String(name); }; };
        // 0.05 + 0.001 is 51.000000000000004 ms: it must not count as 52 ms (asked for first, so
        // that a pause between the two calls can only hide the fault, never fake it).
        s.after(0.05 + 0.001, note("e51"));
        s.after(0.0515, note("d51.5"));
        QTRY_COMPARE(ran.size(), 2);
        QCOMPARE(ran, (QStringList{"e51", "d51.5"}));
    }

    void stepsFromAnotherThreadRunOnTheMainThread() {
        QtScheduler s;
        QThread* ranOn = nullptr;
        std::unique_ptr<QThread> worker(
            QThread::create([&] { s.async([&] { ranOn = QThread::currentThread(); }); }));
        worker->start();
        worker->wait();
        QTRY_VERIFY(ranOn);
        QCOMPARE(ranOn, QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(QtSchedulerTest)
#include "QtSchedulerTest.moc"
