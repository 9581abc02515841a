#include "QtScheduler.h"

#include <QTimer>

#include <chrono>
#include <cmath>
#include <thread>

QtScheduler::QtScheduler() {
    m_clock.start();
}

void QtScheduler::after(double seconds, Task task) {
    const auto ms = static_cast<int>(std::ceil(std::max(0.0, seconds) * 1000.0));
    QTimer::singleShot(ms, Qt::PreciseTimer, &m_context, std::move(task));
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
