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
        // Deadlines far enough apart that a busy machine pausing this thread between two calls
        // cannot swap them.
        s.after(0.02, note("a20"));
        s.after(0.01, note("b10"));
        s.after(0.02, note("c20"));
        // A blocking step (as a window search is) leaves the three overdue, then asks for more.
        s.async([&] {
            const double until = s.now() + 0.03;
            while (s.now() < until) {
            }
            ran << QStringLiteral("busy");
            s.async(note("new"));
        });
        // 0.05 + 0.001 is 51.000000000000004 ms: it must not count as 52 ms (asked for first, so
        // that a pause between the two calls can only hide the fault, never fake it).
        s.after(0.05 + 0.001, note("e51"));
        s.after(0.0515, note("d51.5"));
        QTRY_COMPARE(ran.size(), 7);
        QCOMPARE(ran, (QStringList{"busy", "b10", "a20", "c20", "new", "e51", "d51.5"}));
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
