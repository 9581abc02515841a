// How long sync takes with a large library: 1,000 configurations of 4 applications and 3 position
// groups each (14,000 objects with their mappings, one file each). Targets: export after one change under
// 5 ms; import of the 1,000 configurations at most 1.5 times what `find | cat` of the same files takes;
// no turn of the main thread over 16 ms while importing or exporting; a rescan with nothing new under
// 10 ms.
#include "base/QtScheduler.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"
#include "store/ModelContainer.h"
#include "store/sync/SyncEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int configurations = 1000;
constexpr int appsPerConfiguration = 4;
constexpr int groupsPerConfiguration = 3;

void report(const char* step, double milliseconds) {
    std::printf("%-48s %9.2f ms\n", step, milliseconds);
}

double elapsed(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Machine {
    std::unique_ptr<ModelContainer> container;
    std::unique_ptr<SyncEngine> engine;
};

Machine open(const QString& data, const QString& folder, Scheduler& scheduler) {
    QString error;
    Machine machine;
    machine.container = ModelContainer::open(data + QStringLiteral("/quarlin.sqlite"), scheduler, &error);
    if (machine.container) {
        machine.container->mainContext()->setAutosaveEnabled(false);
        SyncEngine::Options options;
        options.folder = folder;
        options.automatic = false;
        machine.engine = SyncEngine::create(*machine.container, scheduler, options, &error);
    }
    if (!machine.engine) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::exit(1);
    }
    return machine;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QtScheduler scheduler;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("shared"));
    QDir().mkpath(folder);
    const QList<PositionTemplate>& templates = PositionTemplate::predefinedTemplates();
    QElapsedTimer timer;

    Machine a = open(dir.filePath(QStringLiteral("a")), folder, scheduler);
    ModelContext* context = a.container->mainContext();
    QList<ConfigurationGroup*> created;
    for (int c = 0; c < configurations; ++c) {
        auto* configuration =
            new ConfigurationGroup(QStringLiteral("Configuration %1").arg(c), 1920, 1080, std::nullopt);
        context->insert(configuration);
        for (int i = 0; i < appsPerConfiguration; ++i)
            configuration->appendConfiguration(new AppConfiguration(
                QStringLiteral("org.example.App%1").arg(i), QStringLiteral("App %1").arg(i), QString(), 0,
                false, Corner::topRight, 0.5, 400, 10, 10));
        for (int g = 0; g < groupsPerConfiguration; ++g)
            configuration->createPositionGroupFromTemplate(templates.at(g % templates.size()));
        created.append(configuration);
    }
    timer.start();
    context->save(); // writes the store, then the first files; the rest follow a chunk per turn
    const double firstTurn = elapsed(timer);
    report("save and first chunk of the first export", firstTurn);
    // The rest, a chunk per turn of the event loop, as the program writes it: the longest turn is
    // how long the window cannot answer.
    double longestTurn = firstTurn;
    QElapsedTimer turn;
    for (int quiet = 0; quiet < 20;) {
        turn.start();
        QCoreApplication::processEvents();
        const double took = elapsed(turn);
        longestTurn = std::max(longestTurn, took);
        quiet = took < 1.0 ? quiet + 1 : 0;
    }
    report("... and the rest of it, a chunk per turn", elapsed(timer));
    report("first export: longest main-thread turn", longestTurn);
    a.engine->flushWrites();

    QList<double> times;
    for (int i = 0; i < 50; ++i) {
        created.at(i * 7)->setName(QStringLiteral("Renamed %1").arg(i));
        timer.start();
        a.engine->exportChanges();
        times.append(elapsed(timer));
        context->save();
    }
    std::sort(times.begin(), times.end());
    report("export after one change (median of 50)", times.at(times.size() / 2));
    report("export after one change (slowest of 50)", times.last());

    Machine b = open(dir.filePath(QStringLiteral("b")), folder, scheduler);
    timer.start();
    b.engine->importChanges();
    const double import = elapsed(timer);
    report("import of 1,000 configurations, empty store", import);
    // The import runs in one turn of the event loop.
    report("import: longest main-thread turn", import);
    if (b.container->mainContext()->fetch<ConfigurationGroup>().size() != configurations) {
        std::fprintf(stderr, "the second store did not receive every configuration\n");
        return 1;
    }
    timer.start();
    b.engine->importChanges();
    report("rescan with nothing new (Sync Now: every file)", elapsed(timer));
    times.clear();
    for (int i = 0; i < 11; ++i) {
        timer.start();
        b.engine->rescan();
        times.append(elapsed(timer));
    }
    std::sort(times.begin(), times.end());
    report("rescan with nothing new (timer, median of 11)", times.at(times.size() / 2));

    // For scale: what only reading every file costs on this file system, with the tools a user has.
    timer.start();
    QProcess::execute(QStringLiteral("sh"),
                      {QStringLiteral("-c"),
                       QStringLiteral("find '%1' -name '*.json' -exec cat {} + >/dev/null").arg(folder)});
    const double findCat = elapsed(timer);
    report("find | cat of the same files (for comparison)", findCat);
    std::printf("%-48s %9.2f\n", "import / find | cat (target at most 1.5)", import / findCat);
    return 0;
}
