// How long sync takes with a large library: 1,000 configurations of 4 applications and 3 position
// groups each (14,000 objects with their mappings, one file each). Targets: export after one change under
// 5 ms; import of the 1,000 configurations at most 1.5 times what `find | cat` of the same files takes;
// no turn of the main thread over 16 ms while importing or exporting; a rescan with nothing new under
// 10 ms; a machine that lost its sync state lists the folder off the main thread too. And what a
// machine keeps in memory once it has read 100,000 tombstones: target under 60 MB in all.
// With an option it runs one step on a folder written by --generate, so that bench/sync/compare can
// time builds of several revisions on the same files (--help lists them).
#include "SyncFolderGenerator.h"
#include "TimedApplication.h"
#include "base/AllocatorPolicy.h"
#include "base/Log.h"
#include "base/QtScheduler.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"
#include "store/ModelContainer.h"
#include "store/sync/SyncEngine.h"
#include "store/sync/SyncStateStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {
constexpr int configurations = 1000;
constexpr int appsPerConfiguration = SyncFolderGenerator::appsPerConfiguration;
constexpr int groupsPerConfiguration = SyncFolderGenerator::groupsPerConfiguration;

void report(const char* step, double milliseconds) {
    std::printf("%-48s %9.2f ms\n", step, milliseconds);
}

double elapsed(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

void fail(const QString& error) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    std::exit(1);
}

std::unique_ptr<ModelContainer> openStore(const QString& data, Scheduler& scheduler) {
    QString error;
    std::unique_ptr<ModelContainer> container =
        ModelContainer::open(data + QStringLiteral("/quarlin.sqlite"), scheduler, &error);
    if (!container)
        fail(error);
    container->mainContext()->setAutosaveEnabled(false);
    return container;
}

// Automatic, the engine reads the folder as soon as it starts, as the program does.
std::unique_ptr<SyncEngine> startSync(ModelContainer& container, const QString& folder, Scheduler& scheduler,
                                      bool automatic) {
    QString error;
    SyncEngine::Options options;
    options.folder = folder;
    options.automatic = automatic;
    std::unique_ptr<SyncEngine> engine = SyncEngine::create(container, scheduler, options, &error);
    if (!engine)
        fail(error);
    return engine;
}

struct Turns {
    double total = 0;
    double longest = 0;
    int overFrame = 0;
    double longestCpu = 0;
};
// Runs the event loop until `done` holds, the engine's worker is idle and no work came for a while; the
// loop sleeps while it waits for the worker, as the program's does. Gives how long it took up to the
// last work done, and the longest event.
Turns runUntil(TimedApplication& application, SyncEngine& engine, const std::function<bool()>& done) {
    constexpr qint64 quietNs = 100'000'000;
    application.reset();
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() && !engine.isBusy() && application.clock.nsecsElapsed() - application.lastWork > quietNs)
            loop.quit();
    });
    check.start(10);
    loop.exec();
    return {double(application.lastWork) / 1e6, application.longest, application.overFrame,
            application.longestCpu};
}
// The resident memory of this process, in MB.
double residentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// The living configurations among the files of `folder`.
int liveConfigurations(const QString& folder) {
    const QDir dir(folder + QStringLiteral("/ConfigurationGroup"));
    int count = 0;
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly) && !file.readAll().contains("\"deleted\": true"))
            ++count;
    }
    return count;
}

// A machine with an empty store reads `folder`, and the process ends as soon as the configurations
// show: timed from outside, next to `find | cat` of the same files.
int importFolder(TimedApplication& application, const QString& folder) {
    QtScheduler scheduler;
    QTemporaryDir dir;
    std::unique_ptr<ModelContainer> store = openStore(dir.path(), scheduler);
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<SyncEngine> sync = startSync(*store, folder, scheduler, true);
    QObject::connect(store->mainContext(), &ModelContext::remoteChange, [&] {
        report("import of the folder", elapsed(timer));
        report("import: longest main-thread turn", application.longest);
        std::fflush(stdout);
        // What the program does next (export, closing the store) is not the import.
        std::_Exit(0);
    });
    runUntil(application, *sync, [] { return false; });
    return 1;
}

// A machine with an empty store reads `folder` to the end of its round; then another machine renames
// every configuration in it and Sync Now reads that. How long the window could not answer in each.
int round(TimedApplication& application, const QString& shared) {
    QtScheduler scheduler;
    QTemporaryDir dir;
    const int expected = liveConfigurations(shared);
    std::unique_ptr<ModelContainer> store = openStore(dir.path(), scheduler);
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<SyncEngine> sync = startSync(*store, shared, scheduler, true);
    const double started = elapsed(timer);
    double import = 0;
    QObject::connect(store->mainContext(), &ModelContext::remoteChange, [&] {
        if (import == 0)
            import = elapsed(timer);
    });
    bool ended = false;
    QObject::connect(sync.get(), &SyncEngine::finished, [&ended] { ended = true; });
    const Turns read = runUntil(application, *sync, [&ended] { return ended; });
    const QList<ConfigurationGroup*> shown = store->mainContext()->fetch<ConfigurationGroup>();
    if (shown.size() != expected)
        fail(QStringLiteral("%1 configurations read of %2").arg(shown.size()).arg(expected));
    report("import of the folder", import);
    report("import round: longest main-thread turn", std::max(started, read.longest));
    report("import round: longest turn, main-thread CPU time", read.longestCpu);
    std::printf("%-48s %9d\n", "import round: turns over 16 ms", read.overFrame + (started > 16 ? 1 : 0));

    QString error;
    if (!SyncFolderGenerator::renameConfigurations(shared, &error))
        fail(error);
    bool synced = false;
    timer.start();
    sync->syncNow([&synced](bool, const QString&) { synced = true; });
    const double asked = elapsed(timer);
    const Turns renames = runUntil(application, *sync, [&synced] { return synced; });
    for (ConfigurationGroup* configuration : store->mainContext()->fetch<ConfigurationGroup>())
        if (!configuration->name().endsWith(QStringLiteral(" changed")))
            fail(QStringLiteral("%1 was not renamed").arg(configuration->name()));
    report("round of every configuration renamed", renames.total);
    report("renames: longest main-thread turn", std::max(asked, renames.longest));
    report("renames: longest turn, main-thread CPU time", renames.longestCpu);
    std::printf("%-48s %9d\n", "renames: turns over 16 ms", renames.overFrame + (asked > 16 ? 1 : 0));
    return 0;
}

// A machine with an empty store reads `folder` (of tombstones) to the end of its round; in a process
// of its own, so that nothing else weighs on its memory.
int memory(TimedApplication& application, const QString& folder) {
    QtScheduler scheduler;
    QTemporaryDir dir;
    std::unique_ptr<ModelContainer> store = openStore(dir.path(), scheduler);
    const double idle = residentMb();
    std::unique_ptr<SyncEngine> sync = startSync(*store, folder, scheduler, true);
    bool ended = false;
    QObject::connect(sync.get(), &SyncEngine::finished, [&ended] { ended = true; });
    runUntil(application, *sync, [&ended] { return ended; });
    std::printf("%-48s %9.1f MB\n", "memory before reading the folder", idle);
    std::printf("%-48s %9.1f MB\n", "memory after reading the folder", residentMb());
    return 0;
}

int generate(const QString& folder, int configurationCount, int tombstoneCount) {
    QString error;
    SyncFolderGenerator generator(folder, 1);
    if (!generator.writeConfigurations(configurationCount, &error) ||
        !generator.writeTombstones(tombstoneCount, &error))
        fail(error);
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    // As the program does.
    useSteadyAllocatorThresholds();
    installConsole();
    TimedApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times sync with a large library; with an option, one step of it."));
    parser.addHelpOption();
    const QCommandLineOption generateOption(QStringLiteral("generate"),
                                            QStringLiteral("Write a sync folder as another machine left it."),
                                            QStringLiteral("folder"));
    const QCommandLineOption configurationsOption(QStringLiteral("configurations"),
                                                  QStringLiteral("Configurations to generate (1000)."),
                                                  QStringLiteral("n"), QString::number(configurations));
    const QCommandLineOption tombstonesOption(QStringLiteral("tombstones"),
                                              QStringLiteral("Tombstone files to generate (0)."),
                                              QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption importOption(
        QStringLiteral("import"), QStringLiteral("Read the folder into an empty store; end once it shows."),
        QStringLiteral("folder"));
    const QCommandLineOption roundOption(
        QStringLiteral("round"),
        QStringLiteral("Read the folder, then rename every configuration in it: longest turns."),
        QStringLiteral("folder"));
    const QCommandLineOption memoryOption(QStringLiteral("memory"),
                                          QStringLiteral("Read the folder: resident memory after."),
                                          QStringLiteral("folder"));
    parser.addOptions(
        {generateOption, configurationsOption, tombstonesOption, importOption, roundOption, memoryOption});
    parser.process(application);
    if (parser.isSet(generateOption))
        return generate(parser.value(generateOption), parser.value(configurationsOption).toInt(),
                        parser.value(tombstonesOption).toInt());
    if (parser.isSet(importOption))
        return importFolder(application, parser.value(importOption));
    if (parser.isSet(roundOption))
        return round(application, parser.value(roundOption));
    if (parser.isSet(memoryOption))
        return memory(application, parser.value(memoryOption));
    QtScheduler scheduler;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("shared"));
    QDir().mkpath(folder);
    const QList<PositionTemplate>& templates = PositionTemplate::predefinedTemplates();
    QElapsedTimer timer;

    std::unique_ptr<ModelContainer> a = openStore(dir.filePath(QStringLiteral("a")), scheduler);
    ModelContext* context = a->mainContext();
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
    context->save();
    report("store save of the new library (no sync yet)", elapsed(timer));

    // Sync set up on an existing library: everything goes out.
    std::unique_ptr<SyncEngine> aSync = startSync(*a, folder, scheduler, false);
    timer.start();
    aSync->exportChanges();
    const double firstTurn = elapsed(timer);
    const Turns exportTurns = runUntil(application, *aSync, [] { return true; });
    report("first export of 14,000 objects", firstTurn + exportTurns.total);
    report("first export: longest main-thread turn", std::max(firstTurn, exportTurns.longest));
    aSync->flushWrites();

    QList<double> times;
    for (int i = 0; i < 50; ++i) {
        created.at(i * 7)->setName(QStringLiteral("Renamed %1").arg(i));
        timer.start();
        aSync->exportChanges();
        times.append(elapsed(timer));
        context->save();
    }
    std::sort(times.begin(), times.end());
    report("export after one change (median of 50)", times.at(times.size() / 2));
    report("export after one change (slowest of 50)", times.last());

    // Another machine joins: its first round reads the whole library, in the background.
    std::unique_ptr<ModelContainer> b = openStore(dir.filePath(QStringLiteral("b")), scheduler);
    timer.start();
    std::unique_ptr<SyncEngine> bSync = startSync(*b, folder, scheduler, true);
    report("start of sync, a new sync state (before the import)", elapsed(timer));
    bool roundEnded = false;
    QObject::connect(bSync.get(), &SyncEngine::finished, [&roundEnded] { roundEnded = true; });
    // The import is done once the live objects show the round (they are read in after it ends).
    timer.start();
    double import = 0;
    QObject::connect(b->mainContext(), &ModelContext::remoteChange, [&] {
        if (import == 0)
            import = elapsed(timer);
    });
    // Then the exporter takes on the 14,000 objects it has not seen yet, a slice per turn.
    const Turns importTurns = runUntil(application, *bSync, [&] { return roundEnded; });
    report("import of 1,000 configurations, empty store", import);
    report("... and the exporter's look at the new objects", importTurns.total);
    report("import: longest main-thread turn", importTurns.longest);
    if (b->mainContext()->fetch<ConfigurationGroup>().size() != configurations) {
        std::fprintf(stderr, "the second store did not receive every configuration\n");
        return 1;
    }
    timer.start();
    bSync->importChanges();
    report("rescan with nothing new (Sync Now: every file)", elapsed(timer));
    // "Sync Now" as the settings tab asks for it: in the background, the window answering meanwhile.
    const auto syncNow = [&](const char* what, const char* longest) {
        double ended = 0;
        timer.start();
        bSync->syncNow([&](bool, const QString&) { ended = elapsed(timer); });
        const double started = elapsed(timer);
        const Turns turns = runUntil(application, *bSync, [&ended] { return ended > 0; });
        report(what, ended);
        report(longest, std::max(started, turns.longest));
    };
    syncNow("Sync Now with nothing new", "Sync Now, longest main-thread turn (nothing new)");
    for (ConfigurationGroup* configuration : std::as_const(created))
        configuration->setName(configuration->name() + QStringLiteral(" changed"));
    context->save();
    aSync->flushWrites();
    syncNow("Sync Now with 1,000 changed files", "Sync Now, longest main-thread turn (1,000 changed)");
    times.clear();
    for (int i = 0; i < 11; ++i) {
        timer.start();
        bSync->rescan();
        times.append(elapsed(timer));
    }
    std::sort(times.begin(), times.end());
    report("rescan with nothing new (timer, median of 11)", times.at(times.size() / 2));

    // A machine that lost its sync state re-joins: it lists the folder and reads all of it again, in
    // the background.
    bSync.reset();
    const QString statePath = SyncStateStore::pathFor(b->path());
    for (const QString& file :
         {statePath, statePath + QStringLiteral("-wal"), statePath + QStringLiteral("-shm")})
        QFile::remove(file);
    timer.start();
    bSync = startSync(*b, folder, scheduler, true);
    const double restarted = elapsed(timer);
    bool rejoined = false;
    QObject::connect(bSync.get(), &SyncEngine::finished, [&rejoined] { rejoined = true; });
    const Turns rejoin = runUntil(application, *bSync, [&rejoined] { return rejoined; });
    report("re-join without a sync state", restarted + rejoin.total);
    report("re-join: longest main-thread turn", std::max(restarted, rejoin.longest));
    // The start opens a new sync state on the main thread; the round itself is what follows.
    report("re-join: longest main-thread turn after the start", rejoin.longest);

    // For scale: what only reading every file costs on this file system, with the tools a user has.
    timer.start();
    QProcess::execute(QStringLiteral("sh"),
                      {QStringLiteral("-c"),
                       QStringLiteral("find '%1' -name '*.json' -exec cat {} + >/dev/null").arg(folder)});
    const double findCat = elapsed(timer);
    report("find | cat of the same files (for comparison)", findCat);
    std::printf("%-48s %9.2f\n", "import / find | cat (target at most 1.5)", import / findCat);
    std::fflush(stdout);
    // What a machine keeps once it has read 100,000 tombstones, in a process of its own.
    const QString tombstones = dir.filePath(QStringLiteral("tombstones"));
    if (generate(tombstones, 0, 100'000) != 0)
        return 1;
    return QProcess::execute(QCoreApplication::applicationFilePath(),
                             {QStringLiteral("--memory"), tombstones});
}
