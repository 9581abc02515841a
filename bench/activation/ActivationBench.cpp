// How long an activation takes on the private test desktop: four running applications (xterm, xlogo
// and two test windows) of a stored configuration are put into the four corners, alternately by two
// position groups so that every window moves each time, and each round is timed from the activation
// call to the moment the X server shows the last window settled at its place. The activation's own
// schedule places the last window 0.03 s after the call (0.06 s from the menu-bar row); target: the
// last window settled within 50 ms of that. Peak memory of the whole run is printed at the end.
#include "TestDesktop.h"

#include "activation/ConfigurationActivator.h"
#include "app/AppState.h"
#include "base/LogCapture.h"
#include "base/PreferenceStore.h"
#include "base/QtScheduler.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "platform/x11/X11Backend.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int rounds = 20;
constexpr double budgetMs = 50.0;

struct App {
    QString id;
    QString name;
    QString wmClass;
    quint32 window = 0;
};

double percentile(QList<double> values, double p) {
    std::sort(values.begin(), values.end());
    if (values.isEmpty())
        return 0.0;
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(p * double(values.size()))));
}

// The largest resident set of this process so far, in MiB.
double peakMemoryMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

QString entry(const QString& name, const QString& exec, const QString& wmClass) {
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nStartupWMClass=%3\n")
        .arg(name, exec, wmClass);
}

// Runs the event loop until condition holds, checking every millisecond; false after timeoutMs.
bool runUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start(1);
    if (!condition())
        loop.exec();
    return condition();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    TestDesktop desktop;
    if (!desktop.isReady()) {
        std::fprintf(stderr, "no test desktop: %s\n", qPrintable(desktop.error()));
        return 1;
    }
    const QString testWindow = TestDesktop::testWindowProgram();
    QList<App> apps{{QStringLiteral("bench-term"), QStringLiteral("Term"), QStringLiteral("BenchTerm")},
                    {QStringLiteral("bench-logo"), QStringLiteral("Logo"), QStringLiteral("XLogo")},
                    {QStringLiteral("bench-one"), QStringLiteral("One"), QStringLiteral("BenchOne")},
                    {QStringLiteral("bench-two"), QStringLiteral("Two"), QStringLiteral("BenchTwo")}};
    desktop.installDesktopEntry(apps[0].id, entry(apps[0].name, "xterm -class BenchTerm", apps[0].wmClass));
    desktop.installDesktopEntry(apps[1].id, entry(apps[1].name, "xlogo", apps[1].wmClass));
    for (int i = 2; i < 4; ++i)
        desktop.installDesktopEntry(
            apps[i].id, entry(apps[i].name, testWindow + " --class " + apps[i].wmClass, apps[i].wmClass));
    apps[0].window = desktop.startClient("xterm", {"-class", "BenchTerm"}, apps[0].wmClass).window;
    apps[1].window = desktop.startXlogo().window;
    for (int i = 2; i < 4; ++i)
        apps[i].window =
            desktop.startClient(testWindow, {"--class", apps[i].wmClass}, apps[i].wmClass).window;
    for (const App& app : apps) {
        if (!app.window) {
            std::fprintf(stderr, "%s did not show a window\n", qPrintable(app.name));
            return 1;
        }
    }

    X11Backend::Options options;
    options.displayName = desktop.displayName();
    options.applicationDirs = {desktop.dataHome() + QStringLiteral("/applications")};
    X11Backend backend(options);
    QtScheduler scheduler;
    PreferenceStore preferences;
    Platform platform{scheduler, preferences, backend.workspace, backend.windows, backend.screens};

    QTemporaryDir dir;
    QString error;
    auto container = ModelContainer::open(dir.filePath(QStringLiteral("quarlin.sqlite")), scheduler, &error);
    if (!container) {
        std::fprintf(stderr, "no store: %s\n", qPrintable(error));
        return 1;
    }
    auto* configuration = new ConfigurationGroup(QStringLiteral("Bench"), 1920, 1080, std::nullopt);
    for (const App& app : apps)
        configuration->appendConfiguration(new AppConfiguration(app.id, app.name, QStringLiteral("topLeft"),
                                                                0, true, Corner::topLeft, 0.5, 400, 0, 0,
                                                                configuration));
    const QList<Corner> corners{Corner::topLeft, Corner::topRight, Corner::bottomLeft, Corner::bottomRight};
    const QList<QRect> rects{{0, 0, 960, 540}, {960, 0, 960, 540}, {0, 540, 960, 540}, {960, 540, 960, 540}};
    QList<PositionGroup*> groups;
    for (int g = 0; g < 2; ++g) {
        groups << configuration->addPositionGroup(QStringLiteral("Layout %1").arg(g), QString(), g == 0);
        for (int i = 0; i < 4; ++i)
            groups[g]->setPosition(apps[i].id, apps[i].name, corners[(i + g) % 4]);
    }
    container->mainContext()->insert(configuration);
    container->mainContext()->save();

    AppState state(platform);
    LogCapture quiet; // the console lines are not what is measured
    QString groupID;
    ConfigurationActivator::Row row;
    row.configuration = configuration;
    row.state = &state;
    row.localSelectedPositionGroupID = [&groupID] { return groupID; };

    // Where each window must be for layout g: the frame exactly, except that xterm keeps to whole
    // character cells and may fall short of its rectangle by less than one.
    const auto settled = [&](int g) {
        for (int i = 0; i < 4; ++i) {
            const QRect expected = rects[(i + g) % 4];
            const QRect frame = desktop.frameGeometry(apps[i].window);
            const QSize cell = desktop.sizeIncrement(apps[i].window);
            if (!expected.contains(frame) || frame.width() <= expected.width() - cell.width() ||
                frame.height() <= expected.height() - cell.height())
                return false;
        }
        return true;
    };

    int failures = 0;
    for (const auto variant :
         {ConfigurationActivator::Variant::mainWindow, ConfigurationActivator::Variant::menuBar}) {
        const double scheduleMs =
            (apps.size() - 1) * ConfigurationActivator::activationStagger(variant) * 1000.0;
        QList<double> toSettled;
        int missed = 0;
        for (int round = 0; round < rounds; ++round) {
            const int g = round % 2;
            groupID = uuidString(groups[g]->id());
            QElapsedTimer clock;
            clock.start();
            ConfigurationActivator(platform, variant, row).applyConfigurationWithSelectedGroup();
            if (runUntil([&] { return settled(g); }, 5000))
                toSettled << double(clock.nsecsElapsed()) / 1e6;
            else
                ++missed;
            // Let the engine's correction and verification of this round run out before the next.
            runUntil([&] { return clock.elapsed() > 400; }, 1000);
        }
        const double median = percentile(toSettled, 0.5);
        const double worst = percentile(toSettled, 1.0);
        const char* name =
            variant == ConfigurationActivator::Variant::mainWindow ? "main-window row" : "menu-bar row";
        std::printf("%s: call to last of 4 windows settled, median %8.2f ms, worst %8.2f ms (%d rounds)\n",
                    name, median, worst, int(toSettled.size()));
        std::printf("%s: own schedule places the last window at  %8.2f ms; median over it %8.2f ms\n", name,
                    scheduleMs, median - scheduleMs);
        if (missed)
            std::printf("%s: %d rounds never settled\n", name, missed);
        failures += missed + (median - scheduleMs > budgetMs ? 1 : 0);
    }
    std::printf("peak memory (VmHWM): %.1f MiB\n", peakMemoryMiB());
    std::printf("target: the last window settled within %.0f ms of the schedule (median)\n", budgetMs);
    return failures == 0 ? 0 : 1;
}
