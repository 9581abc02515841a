// How long the program takes from its start until its main window is shown, and how much memory it
// has taken by then at most, on the private test desktop with a store of its own. Targets: under
// 300 ms to the window, under 80 MB peak resident memory.
#include "TestDesktop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int runs = 10;
constexpr double targetMs = 300;
constexpr double targetMb = 80;

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

// The peak resident memory of a process, in MB; 0 when unreadable.
double peakResidentMb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestDesktop desktop;
    if (!desktop.isReady()) {
        std::fprintf(stderr, "no test desktop: %s\n", qPrintable(desktop.error()));
        return 1;
    }
    QList<double> times;
    QList<double> peaks;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        // The first run creates the store; the others open it.
        const TestDesktop::Client client =
            desktop.startClient(QStringLiteral(QUARLIN_PROGRAM), {}, QStringLiteral("quarlin"), 10000);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (!client.window) {
            std::fprintf(stderr, "run %d: the main window did not appear\n", i + 1);
            desktop.stopProcess(client.pid);
            return 1;
        }
        const double mb = peakResidentMb(client.pid);
        desktop.stopProcess(client.pid);
        std::printf("run %2d: %6.1f ms to the main window, %5.1f MB peak%s\n", i + 1, ms, mb,
                    i == 0 ? " (new store)" : "");
        times << ms;
        peaks << mb;
    }
    const double ms = median(times);
    const double mb = *std::max_element(peaks.begin(), peaks.end());
    std::printf("start-up: median %.1f ms (target < %.0f ms) %s\n", ms, targetMs,
                ms < targetMs ? "ok" : "MISSED");
    std::printf("peak memory: max %.1f MB (target < %.0f MB) %s\n", mb, targetMb,
                mb < targetMb ? "ok" : "MISSED");
    return 0;
}
