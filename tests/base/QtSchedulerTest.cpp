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
        s.after(0.002, note("a2"));
        s.after(0.001, note("b1"));
        s.after(0.002, note("c2"));
        // A blocking step (as a window search is) leaves the three overdue, then asks for more.
        s.async([&] {
            const double until = s.now() + 0.005;
            while (s.now() < until) {
            }
            ran << QStringLiteral("busy");
            s.async(note("new"));
        });
        // 0.05 + 0.001 is 51.000000000000004 ms: it must not count as 52 ms.
        s.after(0.0515, note("d51.5"));
        s.after(0.05 + 0.001, note("e51"));
        QTRY_COMPARE(ran.size(), 7);
        QCOMPARE(ran, (QStringList{"busy", "b1", "a2", "c2", "new", "e51", "d51.5"}));
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
