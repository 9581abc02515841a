// How the home tab copes with a large library: 1,000 configurations of 4 applications and 3 position
// groups each. Prints the time to show the tab (fetch, order, first paint), the slowest and median
// frame while scrolling the configuration list from top to bottom, and the slowest search keystroke
// (refilter and paint). Targets: no frame over 16 ms, a keystroke under 16 ms.
#include "app/AppState.h"
#include "base/PreferenceStore.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/VirtualScheduler.h"
#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/Registry.h"
#include "store/ModelContainer.h"
#include "ui/home/AppConfigurationsSectionView.h"
#include "ui/home/ApplicationIcons.h"
#include "ui/home/ConfigurationRow.h"
#include "ui/home/ContentView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
constexpr int configurations = 1000;
constexpr int appsPerConfiguration = 4;
constexpr int groupsPerConfiguration = 3;
constexpr double frameBudgetMs = 16.0;

struct NoHotKeys : KeyboardShortcuts::HotKeyBackend {
    int registerHotKey(int, int, quint32) override { return 0; }
    void unregisterHotKey(quint32) override {}
    bool isTakenByAnotherClient(int, int) override { return false; }
    void setEventHandler(EventHandler) override {}
};

double ms(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// CPU time of the whole process (the painter's helper threads included), in ms.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// CPU time of each frame: on a busy machine the wall time also counts the time others had the CPU.
QList<double> cpuFrames;

// One change and what the window repaints for it (Qt paints what the change exposed, as on screen).
double frame(const std::function<void()>& change) {
    QElapsedTimer timer;
    const double cpu = cpuMs();
    timer.start();
    change();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    cpuFrames.append(cpuMs() - cpu);
    return ms(timer);
}

double percentile(QList<double> values, int p) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(qMin(values.size() - 1, values.size() * p / 100));
}

void report(const char* what, double value, const char* verdict = "") {
    std::printf("%-46s %8.2f ms %s\n", what, value, verdict);
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    VirtualScheduler clock;
    PreferenceStore preferences;
    SimDesktop desktop(clock);
    desktop.setScreens({Screen{QStringLiteral("main"), Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), 1.0}});
    for (int a = 0; a < 12; ++a) {
        desktop.install(QStringLiteral("org.example.App%1").arg(a), QStringLiteral("App %1").arg(a));
        desktop.run(QStringLiteral("org.example.App%1").arg(a), QStringLiteral("App %1").arg(a));
    }
    Platform platform{clock, preferences, desktop, desktop, desktop};
    NoHotKeys hotKeys;
    KeyboardShortcuts::Registry registry(preferences, hotKeys, clock);
    std::unique_ptr<ModelContainer> container = ModelContainer::inMemory(clock);
    ModelContext* context = container->mainContext();
    const QList<PositionTemplate>& templates = PositionTemplate::predefinedTemplates();
    for (int c = 0; c < configurations; ++c) {
        auto* configuration =
            new ConfigurationGroup(QStringLiteral("Configuration %1").arg(c), 1920, 1080, std::nullopt);
        configuration->setDateCreated(clock.currentDateTime().addSecs(-c));
        context->insert(configuration);
        for (int a = 0; a < appsPerConfiguration; ++a)
            configuration->appendConfiguration(new AppConfiguration(
                QStringLiteral("org.example.App%1").arg((c + a) % 12), QStringLiteral("App %1").arg(a),
                QString(), 0, false, Corner::topRight, 0.5, 400, 10, 10));
        for (int g = 0; g < groupsPerConfiguration; ++g)
            configuration->createPositionGroupFromTemplate(templates.at((c + g) % templates.size()));
    }
    context->save();

    AppState state(platform, context);
    state.setModelContext(context);
    ApplicationIcons icons(platform);

    QElapsedTimer timer;
    timer.start();
    ContentView view(platform, state, context, icons);
    view.resize(600, 720);
    view.show();
    QCoreApplication::processEvents();
    view.repaint();
    const double shown = ms(timer);
    // Coming back to the tab: the lists are fetched again.
    view.hide();
    const double reshown = frame([&view] { view.show(); });

    // What was measured, for a person to look at.
    if (const QString path = qEnvironmentVariable("HOME_BENCH_SCREENSHOT"); !path.isEmpty())
        view.grab().save(path);

    QScrollBar* bar = view.configurationSection()->scrollArea()->verticalScrollBar();
    cpuFrames.clear();
    QList<double> frames;
    for (int y = 0; y <= bar->maximum(); y += 30)
        frames.append(frame([bar, y] { bar->setValue(y); }));
    std::sort(frames.begin(), frames.end());
    const QList<double> scrollCpu = cpuFrames;
    if (qEnvironmentVariableIsSet("BENCH_VERBOSE")) {
        QElapsedTimer rowTimer;
        rowTimer.start();
        QList<ConfigurationGroup*> all = context->fetch<ConfigurationGroup>();
        for (int i = 0; i < 100; ++i) {
            auto* row = new ConfigurationRow(platform, state, all.at(i), icons, {}, &view);
            row->show();
            delete row;
        }
        std::printf("one row, made, shown and dropped: %.2f ms\n", ms(rowTimer) / 100);
    }

    QLineEdit* search = view.configurationSection()->searchField();
    QList<double> keys;
    cpuFrames.clear();
    for (const QChar c : QStringLiteral("configuration 99"))
        keys.append(frame([search, c] { QTest::keyClick(search, c.toLatin1()); }));
    for (int i = 0; i < 4; ++i)
        keys.append(frame([search] { QTest::keyClick(search, Qt::Key_Backspace); }));
    std::sort(keys.begin(), keys.end());
    const QList<double> keyCpu = cpuFrames;

    auto verdict = [](double value) { return value <= frameBudgetMs ? "(ok)" : "(over 16 ms)"; };
    std::printf("home tab, %d configurations, %lld scroll frames, %lld keystrokes\n", configurations,
                qlonglong(frames.size()), qlonglong(keys.size()));
    report("first show (process's first paint included)", shown);
    report("show the tab again (fetch, order, paint)", reshown, verdict(reshown));
    report("scroll frame, median", frames.at(frames.size() / 2));
    report("scroll frame, 99th percentile", frames.at(frames.size() * 99 / 100),
           verdict(frames.at(frames.size() * 99 / 100)));
    report("scroll frame, slowest", frames.last(), verdict(frames.last()));
    report("search keystroke, median", keys.at(keys.size() / 2));
    report("search keystroke, slowest", keys.last(), verdict(keys.last()));
    std::printf("CPU time (what the machine's other load cannot inflate):\n");
    report("scroll frame, median", percentile(scrollCpu, 50));
    report("scroll frame, 99th percentile", percentile(scrollCpu, 99), verdict(percentile(scrollCpu, 99)));
    report("scroll frame, slowest", percentile(scrollCpu, 100), verdict(percentile(scrollCpu, 100)));
    report("search keystroke, slowest", percentile(keyCpu, 100), verdict(percentile(keyCpu, 100)));
    return 0;
}
