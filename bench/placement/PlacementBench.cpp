// How fast the engine places real windows from one process, against what users run instead:
// one xdotool or wmctrl process per window. Places 1, 4 and 8 windows on a private desktop,
// prints each median and the ratios. Targets: at least 20 times faster than xdotool and at most
// 1.5 times wmctrl's time (which only sends its requests and waits for nothing), while every
// write is read back. Wall time includes waiting for the window manager to apply each request;
// CPU time is the engine's own work alone. The floor is what the window manager itself takes for
// what one placement asks of it (bring forward, a size, a position) when nothing is read back. The
// read-back floor is the same with the window manager's answer awaited after the size and after
// the position, as the engine must: the position is computed from the size the window really took.
//
//   bench_placement [--runs N]
#include "TestDesktop.h"
#include "base/LogCapture.h"
#include "base/PreferenceStore.h"
#include "placement/Actions.h"
#include "platform/sim/VirtualScheduler.h"
#include "platform/x11/X11Backend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int maxWindows = 8;

// CPU time of this process in ms: the engine's own work, without the window manager's.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double median(QList<double> values) {
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString appId(int i) {
    return QStringLiteral("bench-app-%1").arg(i);
}
QString wmClass(int i) {
    return QStringLiteral("BenchApp%1").arg(i);
}

// Where window i goes in round `round`: every round moves every window.
Corner cornerFor(int i, int round) {
    return CornerInfo::allCases[(i + round * 7) % CornerInfo::allCases.size()];
}

// The same placements as shell commands: one process per window, as a script would do it.
QString commandFor(const QString& tool, int windows) {
    QStringList parts;
    for (int i = 0; i < windows; ++i) {
        const int x = (i % 4) * 480, y = (i / 4) * 540;
        if (tool == QLatin1String("xdotool"))
            parts << QStringLiteral("xdotool search --classname %1 windowsize %@ 480 540 windowmove %@ %2 %3")
                         .arg(wmClass(i).toLower())
                         .arg(x)
                         .arg(y);
        else
            parts << QStringLiteral("wmctrl -x -r %1.%2 -e 0,%3,%4,480,540")
                         .arg(wmClass(i).toLower(), wmClass(i))
                         .arg(x)
                         .arg(y);
    }
    return parts.join(QStringLiteral("; "));
}

// Median wall time of a shell command in ms: hyperfine when present, else our own runs.
double measureCommand(const QString& command, const QProcessEnvironment& env, int runs) {
    QTemporaryDir dir;
    const QString hyperfine = QStandardPaths::findExecutable(QStringLiteral("hyperfine"));
    if (!hyperfine.isEmpty()) {
        const QString json = dir.filePath(QStringLiteral("result.json"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(hyperfine, {QStringLiteral("--style"), QStringLiteral("none"), QStringLiteral("--warmup"),
                            QStringLiteral("2"), QStringLiteral("--runs"), QString::number(runs),
                            QStringLiteral("--export-json"), json, command});
        p.waitForFinished(-1);
        QFile file(json);
        if (p.exitCode() == 0 && file.open(QIODevice::ReadOnly)) {
            const QJsonObject result = QJsonDocument::fromJson(file.readAll())
                                           .object()[QStringLiteral("results")]
                                           .toArray()
                                           .first()
                                           .toObject();
            return result[QStringLiteral("median")].toDouble() * 1000.0;
        }
    }
    QList<double> times;
    for (int r = 0; r < runs; ++r) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
        p.waitForFinished(-1);
        times << double(timer.nsecsElapsed()) / 1e6;
    }
    return median(times);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    int runs = 20;
    const QStringList args = application.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0 && at + 1 < args.size())
        runs = std::max(3, args[at + 1].toInt());

    TestDesktop desktop;
    if (!desktop.isReady()) {
        std::fprintf(stderr, "no test desktop: %s\n", qPrintable(desktop.error()));
        return 1;
    }
    QList<quint32> windowIds;
    for (int i = 0; i < maxWindows; ++i) {
        desktop.installDesktopEntry(appId(i),
                                    QStringLiteral("[Desktop Entry]\nType=Application\nName=Bench %1\n"
                                                   "Exec=%2 --class %3\nStartupWMClass=%3\n")
                                        .arg(i)
                                        .arg(TestDesktop::testWindowProgram(), wmClass(i)));
        const quint32 window =
            desktop.startTestWindow({QStringLiteral("--class"), wmClass(i)}, wmClass(i)).window;
        if (!window) {
            std::fprintf(stderr, "window %d did not appear\n", i);
            return 1;
        }
        windowIds << window;
    }

    X11Backend::Options options;
    options.displayName = desktop.displayName();
    options.applicationDirs = {desktop.dataHome() + QStringLiteral("/applications")};
    X11Backend backend(options);
    VirtualScheduler scheduler;
    PreferenceStore preferences;
    Platform platform{scheduler, preferences, backend.workspace, backend.windows, backend.screens};
    const Screen screen = backend.screens.screens().value(0);

    // engine: summon with its correction and verification; summon: the synchronous part alone.
    // The window manager alone: the requests of one placement per window, then one answer from it.
    X11Connection& conn = backend.connection;
    auto floorRun = [&](int windows, int round, bool readBack) {
        const quint32 time = conn.serverTime();
        for (int i = 0; i < windows; ++i) {
            const quint32 w = windowIds[i];
            const int x = ((i + round) % 4) * 480, y = ((i + round) / 4 % 2) * 540;
            const int size = 470 + round % 2 * 10;
            constexpr quint32 sourcePager = 2, xywh = 0xf << 8, northWest = 1;
            conn.sendToWindowManager(w, X11Atom::_NET_ACTIVE_WINDOW, {sourcePager, time, 0, 0, 0});
            conn.sendToWindowManager(w, X11Atom::_NET_MOVERESIZE_WINDOW,
                                     {northWest | xywh | (sourcePager << 12), 0, 0, quint32(size), 520});
            if (readBack)
                conn.syncWithWindowManager(1000);
            conn.sendToWindowManager(
                w, X11Atom::_NET_MOVERESIZE_WINDOW,
                {northWest | xywh | (sourcePager << 12), quint32(x), quint32(y), quint32(size), 520});
            if (readBack)
                conn.syncWithWindowManager(1000);
        }
        conn.syncWithWindowManager(1000);
    };
    auto floorOf = [&](int windows, int& round, bool readBack) {
        QList<double> times;
        for (int r = 0; r < runs; ++r, ++round) {
            QElapsedTimer timer;
            timer.start();
            floorRun(windows, round, readBack);
            times << double(timer.nsecsElapsed()) / 1e6;
        }
        return median(times);
    };

    std::printf("%-8s %10s %10s %12s %12s %10s %12s %10s %10s %10s %10s %14s\n", "windows", "engine ms",
                "summon ms", "per window", "cpu/window", "floor ms", "read-back ms", "xdotool ms",
                "wmctrl ms", "xdotool/x", "x/wmctrl", "read-back/wmctrl");
    bool wallMet = true, cpuMet = true, ratioMet = true, wmctrlMet = true;
    int round = 0;
    for (int windows : {1, 4, 8}) {
        QList<double> engine, summons, cpu;
        for (int r = 0; r < runs + 2; ++r, ++round) {
            LogCapture quiet; // the engine's console lines are not what is measured here
            QElapsedTimer timer;
            timer.start();
            const double cpuStart = cpuMs();
            desktop.waitFor([] { return true; }, 0);
            for (int i = 0; i < windows; ++i)
                Actions(platform).summon(appId(i), PinSpec{cornerFor(i, round), 0, 0, 0, 0}, screen);
            const double placed = double(timer.nsecsElapsed()) / 1e6;
            scheduler.advance(0.25); // the correction and the verification, without their waits
            if (r >= 2) {
                summons << placed;
                engine << double(timer.nsecsElapsed()) / 1e6;
                cpu << cpuMs() - cpuStart;
            }
        }
        const double ours = median(engine);
        const double floor = floorOf(windows, round, false);
        const double readBackFloor = floorOf(windows, round, true);
        desktop.waitFor([] { return true; }, 0); // reads what the desktop's own connection was sent
        const double xdotool =
            measureCommand(commandFor(QStringLiteral("xdotool"), windows), desktop.environment(), runs);
        const double wmctrl =
            measureCommand(commandFor(QStringLiteral("wmctrl"), windows), desktop.environment(), runs);
        std::printf("%-8d %10.2f %10.2f %12.2f %12.2f %10.2f %12.2f %10.2f %10.2f %10.1f %10.2f %14.2f\n",
                    windows, ours, median(summons), ours / windows, median(cpu) / windows, floor,
                    readBackFloor, xdotool, wmctrl, xdotool / ours, ours / wmctrl, readBackFloor / wmctrl);
        wallMet = wallMet && ours / windows < 10.0;
        cpuMet = cpuMet && median(cpu) / windows < 10.0;
        ratioMet = ratioMet && xdotool / ours >= 20.0;
        wmctrlMet = wmctrlMet && ours / wmctrl <= 1.5;
    }
    auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    std::printf(
        "targets: under 10 ms per window: wall %s, cpu %s; 20x xdotool: %s; at most 1.5x wmctrl: %s\n",
        verdict(wallMet), verdict(cpuMet), verdict(ratioMet), verdict(wmctrlMet));
    return 0;
}
