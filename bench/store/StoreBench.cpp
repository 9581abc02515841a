// How long the store takes with a large library: 1,000 configurations of 4 applications and 3 position
// groups each. Prints each step's time and the peak memory. Targets: reopen and fetch all under
// 100 ms, one small save under 5 ms; an editor's scope opened and discarded under 1 ms, committed
// under 5 ms.
#include "base/QtScheduler.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"
#include "store/EditScope.h"
#include "store/ModelContainer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>
#include <time.h>

namespace {
constexpr int configurations = 1000;
constexpr int appsPerConfiguration = 4;
constexpr int groupsPerConfiguration = 3;

qint64 threadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void report(const char* step, const QElapsedTimer& timer) {
    std::printf("%-40s %9.2f ms\n", step, double(timer.nsecsElapsed()) / 1e6);
}

std::unique_ptr<ModelContainer> openOrDie(const QString& path, Scheduler& scheduler) {
    QString error;
    auto container = ModelContainer::open(path, scheduler, &error);
    if (!container) {
        std::fprintf(stderr, "%s\n", qPrintable(ModelContainer::failureMessage(error)));
        std::exit(1);
    }
    container->mainContext()->setAutosaveEnabled(false);
    return container;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QtScheduler scheduler;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.sqlite"));
    const QList<PositionTemplate>& templates = PositionTemplate::predefinedTemplates();
    QElapsedTimer timer;

    {
        auto container = openOrDie(path, scheduler);
        ModelContext* context = container->mainContext();
        timer.start();
        for (int c = 0; c < configurations; ++c) {
            auto* configuration =
                new ConfigurationGroup(QStringLiteral("Configuration %1").arg(c), 1920, 1080, std::nullopt);
            context->insert(configuration);
            for (int a = 0; a < appsPerConfiguration; ++a)
                configuration->appendConfiguration(new AppConfiguration(
                    QStringLiteral("org.example.App%1").arg(a), QStringLiteral("App %1").arg(a), QString(), 0,
                    false, Corner::topRight, 0.5, 400, 10, 10));
            for (int g = 0; g < groupsPerConfiguration; ++g)
                configuration->createPositionGroupFromTemplate(templates[9 + g % 2]);
        }
        report("create 1,000 configurations", timer);
        timer.start();
        QString error;
        if (!context->save(&error)) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(error));
            return 1;
        }
        report("save them", timer);
    }

    timer.start();
    auto container = openOrDie(path, scheduler);
    const QList<ConfigurationGroup*> all = container->mainContext()->fetch<ConfigurationGroup>();
    report("reopen and fetch all", timer);
    if (all.size() != configurations) {
        std::fprintf(stderr, "fetched %lld configurations\n", static_cast<long long>(all.size()));
        return 1;
    }

    ModelContext* context = container->mainContext();
    constexpr int rounds = 200;
    qint64 total = 0;
    for (int i = 0; i < rounds; ++i) {
        all[i]->setLastActivatedAt(QDateTime::currentDateTimeUtc());
        timer.start();
        context->save();
        total += timer.nsecsElapsed();
    }
    std::printf("%-40s %9.2f ms\n", "save one changed attribute (mean)", double(total) / rounds / 1e6);

    // The editor's scope over one configuration of 4 applications and 5 position groups (each mapping
    // every application), in the full library. Targets: open and discard under 1 ms, commit under 5 ms.
    auto* edited = new ConfigurationGroup(QStringLiteral("Edited"), 1920, 1080, std::nullopt);
    context->insert(edited);
    for (int a = 0; a < appsPerConfiguration; ++a)
        edited->appendConfiguration(new AppConfiguration(QStringLiteral("org.example.App%1").arg(a),
                                                         QStringLiteral("App %1").arg(a), QString(), 0, false,
                                                         Corner::topRight, 0.5, 400, 10, 10));
    for (int g = 0; g < 5; ++g)
        edited->createPositionGroupFromTemplate(templates[9 + g % 2]);
    context->save();
    qint64 openDiscard = 0, worstOpenDiscard = 0;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        EditScope scope(edited);
        scope.discard();
        const qint64 elapsed = timer.nsecsElapsed();
        openDiscard += elapsed;
        worstOpenDiscard = std::max(worstOpenDiscard, elapsed);
    }
    std::printf("%-40s %9.3f ms (worst %.3f ms)\n", "open and discard an edit scope (mean)",
                double(openDiscard) / rounds / 1e6, double(worstOpenDiscard) / 1e6);
    qint64 commit = 0, worstCommit = 0, commitCpu = 0;
    for (int i = 0; i < rounds; ++i) {
        EditScope scope(edited);
        ConfigurationGroup* draft = scope.configuration();
        QList<AppConfiguration*> apps = draft->configurationList();
        std::rotate(apps.begin(), apps.begin() + 1, apps.end());
        draft->setConfigurations(apps);
        draft->setName(QStringLiteral("Edited %1").arg(i));
        draft->positionGroupList()[i % 5]->setPosition(apps[0]->bundleID(), apps[0]->appName(),
                                                       i % 2 ? Corner::leftHalf : Corner::rightHalf);
        const qint64 cpuBefore = threadCpuNanoseconds();
        timer.start();
        QString error;
        if (!scope.commit(&error)) {
            std::fprintf(stderr, "commit failed: %s\n", qPrintable(error));
            return 1;
        }
        const qint64 elapsed = timer.nsecsElapsed();
        commitCpu += threadCpuNanoseconds() - cpuBefore;
        commit += elapsed;
        worstCommit = std::max(worstCommit, elapsed);
    }
    std::printf("%-40s %9.3f ms (worst %.3f ms; CPU %.3f ms, the rest waits for the disk)\n",
                "commit an edit scope (mean)", double(commit) / rounds / 1e6, double(worstCommit) / 1e6,
                double(commitCpu) / rounds / 1e6);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-40s %9.1f MiB\n", "peak memory", double(usage.ru_maxrss) / 1024.0);
    return 0;
}
