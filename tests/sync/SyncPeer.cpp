// One machine for the sync tests: a store in its own data folder sharing a sync folder, driven by
// commands on standard input, one per line; each answer ends with "ok" or "error: ...".
//   sync_peer DATA_FOLDER SYNC_FOLDER [--clock-offset-ms N] [--automatic] [--die-at POINT] [--jitter SEED]
// --die-at kills the process (SIGKILL, as kill -9) at one of the engine's checkpoints; --jitter stalls
// the worker there for a random few milliseconds, so that rounds overlap the edits of a soak run.
#include "RoundGate.h"

#include "base/Log.h"
#include "base/QtScheduler.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"
#include "store/ModelContainer.h"
#include "store/sync/SyncEngine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace {
void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

ConfigurationGroup* find(ModelContext* context, const QString& id) {
    for (ConfigurationGroup* configuration : context->fetch<ConfigurationGroup>())
        if (uuidString(configuration->id()) == id)
            return configuration;
    return nullptr;
}

ConfigurationGroup* create(ModelContext* context, const QString& name) {
    auto* configuration = new ConfigurationGroup(name, 1920, 1080, std::nullopt);
    context->insert(configuration);
    for (const char* bundle : {"org.example.Editor", "org.example.Terminal"})
        configuration->appendConfiguration(new AppConfiguration(
            QString::fromLatin1(bundle), name, QString(), 0, false, Corner::leftHalf, 0.5, 400, 10, 10));
    configuration->createPositionGroupFromTemplate(PositionTemplate::predefinedTemplates().first());
    return configuration;
}

AppConfiguration* appAt(ConfigurationGroup* configuration, int index) {
    const QList<AppConfiguration*> apps = configuration->configurationList();
    return apps.isEmpty() ? nullptr : apps[index % apps.size()];
}

// Every configuration, by id: "id|name|description|appId:appName,…" with the applications in order.
QStringList dump(ModelContext* context) {
    QStringList lines;
    for (ConfigurationGroup* configuration : context->fetch<ConfigurationGroup>()) {
        QStringList apps;
        for (AppConfiguration* app : configuration->configurationList())
            apps.append(uuidString(app->id()) + u':' + app->appName());
        lines.append(QStringLiteral("%1|%2|%3|%4")
                         .arg(uuidString(configuration->id()), configuration->name(),
                              configuration->desc().value_or(QString()), apps.join(u',')));
    }
    lines.sort();
    return lines;
}

QString describe(ConfigurationGroup* configuration) {
    QStringList apps;
    for (AppConfiguration* app : configuration->configurationList())
        apps.append(app->bundleID());
    QStringList groups;
    for (PositionGroup* group : configuration->positionGroupList())
        groups.append(QStringLiteral("%1:%2").arg(group->name()).arg(group->appPositionList().size()));
    return QStringLiteral("%1|%2|%3|%4")
        .arg(configuration->name(), configuration->desc().value_or(QString()), apps.join(u','),
             groups.join(u','));
}
} // namespace

int main(int argc, char** argv) {
    installConsole();
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 3)
        return 2;
    QtScheduler scheduler;
    QString error;
    std::unique_ptr<ModelContainer> container =
        ModelContainer::open(args[1] + QStringLiteral("/quarlin.sqlite"), scheduler, &error);
    if (!container) {
        say(QStringLiteral("error: ") + error);
        return 1;
    }
    ModelContext* context = container->mainContext();
    SyncEngine::Options options;
    options.folder = args[2];
    options.automatic = args.contains(QStringLiteral("--automatic"));
    context->setAutosaveEnabled(options.automatic);
    if (const int at = int(args.indexOf(QStringLiteral("--clock-offset-ms")));
        at > 0 && at + 1 < args.size()) {
        const qint64 offset = args[at + 1].toLongLong();
        options.wallClock = [offset] { return QDateTime::currentMSecsSinceEpoch() + offset; };
    }
    QByteArray dieAt;
    if (const int at = int(args.indexOf(QStringLiteral("--die-at"))); at > 0 && at + 1 < args.size())
        dieAt = args[at + 1].toUtf8();
    std::optional<unsigned> jitter;
    if (const int at = int(args.indexOf(QStringLiteral("--jitter"))); at > 0 && at + 1 < args.size())
        jitter = args[at + 1].toUInt();
    RoundGate gate;
    {
        auto random = std::make_shared<std::pair<std::mutex, std::minstd_rand>>();
        random->second.seed(jitter.value_or(0));
        options.checkpoint = [dieAt, jitter, random, &gate](const char* reached) {
            gate.pass(reached);
            if (dieAt == reached)
                std::raise(SIGKILL);
            // Not at every file written: a stall there would hold back each file of an export.
            if (!jitter || std::strcmp(reached, "temporaryWritten") == 0)
                return;
            int ms = 0;
            {
                const std::lock_guard lock(random->first);
                ms = int(random->second() % 40);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        };
    }
    std::unique_ptr<SyncEngine> engine = SyncEngine::create(*container, scheduler, options, &error);
    if (!engine) {
        say(QStringLiteral("error: ") + error);
        return 1;
    }
    const auto saved = [&] {
        QString why;
        return context->save(&why) ? QStringLiteral("ok") : QStringLiteral("error: ") + why;
    };

    const auto run = [&](const QString& line) {
        const QString command = line.section(u' ', 0, 0);
        const QString id = line.section(u' ', 1, 1);
        const QString text = line.section(u' ', 2);
        ConfigurationGroup* configuration = find(context, id);
        if (command == QLatin1String("create") || command == QLatin1String("make")) {
            // "make" names the applications too, after the configuration.
            ConfigurationGroup* made = create(context, line.section(u' ', 1));
            say(uuidString(made->id()));
            if (command == QLatin1String("make"))
                for (AppConfiguration* app : made->configurationList())
                    say(uuidString(app->id()));
            say(saved());
        } else if (command == QLatin1String("createMany")) {
            for (int i = 0; i < id.toInt(); ++i)
                create(context, QStringLiteral("Configuration %1").arg(i));
            say(saved());
        } else if (command == QLatin1String("dump")) {
            for (const QString& entry : dump(context))
                say(entry);
            say(QStringLiteral("ok"));
        } else if (command == QLatin1String("count")) {
            say(QString::number(context->fetch<ConfigurationGroup>().size()));
            say(QStringLiteral("ok"));
        } else if (command == QLatin1String("show")) {
            say(configuration ? describe(configuration) : QStringLiteral("absent"));
            say(QStringLiteral("ok"));
        } else if (!configuration &&
                   (command == QLatin1String("rename") || command == QLatin1String("describe") ||
                    command.endsWith(QLatin1String("App")) || command == QLatin1String("dropAppAt") ||
                    command == QLatin1String("reorderApps") || command == QLatin1String("delete") ||
                    command == QLatin1String("pending") || command == QLatin1String("renameInRound"))) {
            say(QStringLiteral("error: no configuration ") + id);
        } else if (command == QLatin1String("rename") || command == QLatin1String("pending")) {
            configuration->setName(text);
            say(command == QLatin1String("pending") ? QStringLiteral("ok") : saved());
        } else if (command == QLatin1String("renameInRound")) {
            // Saved while a round of "Sync Now" stands at its start on the worker; a round that waits
            // for what runs first starts on a later turn.
            gate.arm("roundStarted");
            engine->syncNow([](bool, const QString&) {});
            const QDeadlineTimer deadline(10000);
            while (!gate.waitReached(std::chrono::milliseconds(10)) && !deadline.hasExpired())
                QCoreApplication::processEvents();
            if (ConfigurationGroup* renamed = find(context, id)) {
                renamed->setName(text);
                say(saved());
            } else {
                say(QStringLiteral("error: no configuration ") + id);
            }
            gate.release();
        } else if (command == QLatin1String("addApp")) {
            auto* app = new AppConfiguration(QStringLiteral("org.example.Added"), text, QString(), 0, false,
                                             Corner::rightHalf, 0.5, 400, 10, 10);
            configuration->appendConfiguration(app);
            say(uuidString(app->id()));
            say(saved());
        } else if (command == QLatin1String("renameApp") || command == QLatin1String("dropAppAt")) {
            // "renameApp ID INDEX NAME", "dropAppAt ID INDEX": the application at INDEX (modulo the count).
            AppConfiguration* app = appAt(configuration, text.section(u' ', 0, 0).toInt());
            if (!app) {
                say(QStringLiteral("error: no applications"));
                return;
            }
            say(uuidString(app->id()));
            if (command == QLatin1String("renameApp"))
                app->setAppName(text.section(u' ', 1));
            else
                context->deleteObject(app);
            say(saved());
        } else if (command == QLatin1String("reorderApps")) {
            // "reorderApps ID [INDEX]": the application at INDEX (modulo the count, the first without)
            // goes to the end; "unchanged" when it was there already, which is no edit.
            QList<AppConfiguration*> apps = configuration->configurationList();
            const QList<AppConfiguration*> was = apps;
            if (!apps.isEmpty())
                apps.append(apps.takeAt(text.toInt() % apps.size()));
            if (apps == was)
                say(QStringLiteral("unchanged"));
            configuration->setConfigurations(apps);
            say(saved());
        } else if (command == QLatin1String("describe")) {
            configuration->setDesc(text);
            say(saved());
        } else if (command == QLatin1String("dropApp") || command == QLatin1String("detachApp")) {
            // The editor deletes an application; taking it out of the list leaves it unstored.
            QList<AppConfiguration*> apps = configuration->configurationList();
            AppConfiguration* app = apps.takeFirst();
            if (command == QLatin1String("dropApp"))
                context->deleteObject(app);
            else
                configuration->setConfigurations(apps);
            say(saved());
        } else if (command == QLatin1String("delete")) {
            context->deleteObject(configuration);
            say(saved());
        } else if (command == QLatin1String("sync")) {
            say(engine->importChanges(&error) ? QStringLiteral("ok") : QStringLiteral("error: ") + error);
        } else if (command == QLatin1String("quit")) {
            say(QStringLiteral("ok"));
            QCoreApplication::quit();
        } else {
            say(QStringLiteral("error: unknown command ") + command);
        }
    };
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            QCoreApplication::quit();
            return;
        }
        // What a command sets going for a later turn (the export that follows reading in a round) runs
        // before the next command is read, as it does before a person's next click.
        input.setEnabled(false);
        run(QString::fromStdString(line).trimmed());
        scheduler.async([&input] { input.setEnabled(true); });
    });
    say(QStringLiteral("ready"));
    return application.exec();
}
