#include "QtScheduler.h"

#include <QThread>

#include <chrono>
#include <cmath>
#include <thread>

QtScheduler::QtScheduler() : m_timer(new QTimer(&m_context)) {
    m_clock.start();
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer, &QTimer::timeout, &m_context, [this] { runDue(); });
}

void QtScheduler::after(double seconds, Task task) {
    // Nanoseconds, so that 0.3 s stays 300 ms and close deadlines keep their order.
    const double delay = std::isfinite(seconds) ? std::clamp(seconds, 0.0, 1e9) : 0.0;
    const qint64 deadline = m_clock.nsecsElapsed() + std::llround(delay * 1e9);
    {
        QMutexLocker lock(&m_mutex);
        m_tasks.emplace(std::pair{deadline, m_sequence++}, std::move(task));
    }
    if (QThread::currentThread() == m_context.thread())
        arm();
    else
        QMetaObject::invokeMethod(
            &m_context, [this] { arm(); }, Qt::QueuedConnection);
}

void QtScheduler::arm() {
    qint64 deadline = 0;
    {
        QMutexLocker lock(&m_mutex);
        if (m_tasks.empty()) {
            m_timer->stop();
            return;
        }
        deadline = m_tasks.begin()->first.first;
    }
    const qint64 left = deadline - m_clock.nsecsElapsed();
    m_timer->start(left <= 0 ? 0 : int((left + 999'999) / 1'000'000));
}

void QtScheduler::runDue() {
    Task task;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_tasks.empty() && m_tasks.begin()->first.first <= m_clock.nsecsElapsed()) {
            task = std::move(m_tasks.begin()->second);
            m_tasks.erase(m_tasks.begin());
        }
    }
    // One task per turn of the event loop, so that input and X events are not starved.
    arm();
    if (task)
        task();
}

void QtScheduler::sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(std::max(0.0, seconds)));
}

double QtScheduler::now() const {
    return static_cast<double>(m_clock.nsecsElapsed()) / 1e9;
}

QDateTime QtScheduler::currentDateTime() const {
    return QDateTime::currentDateTimeUtc();
}
