#include "TimedApplication.h"

#include <algorithm>
#include <ctime>

namespace {
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}
} // namespace

bool TimedApplication::notify(QObject* receiver, QEvent* event) {
    if (m_depth > 0)
        return QCoreApplication::notify(receiver, event);
    ++m_depth;
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = threadCpuMs();
    const bool handled = QCoreApplication::notify(receiver, event);
    --m_depth;
    const double took = double(timer.nsecsElapsed()) / 1e6;
    longest = std::max(longest, took);
    longestCpu = std::max(longestCpu, threadCpuMs() - cpuBefore);
    if (took > frameMs)
        ++overFrame;
    // The bench's own checks are not work.
    if (took > 0.05)
        lastWork = clock.nsecsElapsed();
    return handled;
}

void TimedApplication::reset() {
    longest = 0;
    longestCpu = 0;
    overFrame = 0;
    clock.start();
    lastWork = 0;
}
