// One machine of the in-process sync tests: a store in its own folder and its engine, on the test's
// virtual clock (or that clock shifted, for a machine whose clock is wrong).
#pragma once

#include "base/Scheduler.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "platform/SyncStatus.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/ModelContainer.h"
#include "store/sync/SyncEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

struct Machine {
    std::unique_ptr<ModelContainer> container;
    std::unique_ptr<SyncEngine> engine;

    Machine(const QString& data, const QString& folder, Scheduler& scheduler, bool automatic,
            qint64 clockOffsetMs = 0, std::function<void(const char*)> checkpoint = {},
            SyncFolder::Denied denied = {}) {
        QString error;
        container = ModelContainer::open(data + QStringLiteral("/quarlin.sqlite"), scheduler, &error);
        QVERIFY2(container, qPrintable(error));
        SyncEngine::Options options;
        options.folder = folder;
        options.automatic = automatic;
        options.checkpoint = std::move(checkpoint);
        options.denied = std::move(denied);
        if (clockOffsetMs != 0)
            options.wallClock = [&scheduler, clockOffsetMs] {
                return scheduler.currentDateTime().toMSecsSinceEpoch() + clockOffsetMs;
            };
        engine = SyncEngine::create(*container, scheduler, options, &error);
        QVERIFY2(engine, qPrintable(error));
    }
    ModelContext* context() const { return container->mainContext(); }
    ConfigurationGroup* find(const QString& id) const {
        for (ConfigurationGroup* configuration : context()->fetch<ConfigurationGroup>())
            if (uuidString(configuration->id()) == id)
                return configuration;
        return nullptr;
    }
    QString nameOf(const QString& id) const {
        ConfigurationGroup* configuration = find(id);
        return configuration ? configuration->name() : QStringLiteral("absent");
    }
};

// An application of a configuration, named `name`.
inline AppConfiguration* newApp(const QString& name, Corner corner = Corner::leftHalf) {
    return new AppConfiguration(QStringLiteral("org.example.App"), name, QString(), 0, false, corner, 0.5,
                                400, 10, 10);
}

// "Work" with applications of these names, inserted on `machine`.
inline ConfigurationGroup* insertWork(Machine& machine, std::initializer_list<const char*> apps) {
    auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
    for (const char* name : apps)
        configuration->appendConfiguration(newApp(QLatin1String(name)));
    machine.context()->insert(configuration);
    return configuration;
}

// A configuration `name` with applications of these names and ids, in this order, inserted on
// `machine`: tests of places choose ids against the order of the list.
inline ConfigurationGroup* insertWithIds(Machine& machine, const QString& name,
                                         const QList<std::pair<QString, QString>>& apps) {
    auto* configuration = new ConfigurationGroup(name, 1920, 1080, std::nullopt);
    for (const auto& [appName, id] : apps) {
        AppConfiguration* app = newApp(appName);
        app->setId(QUuid::fromString(id));
        configuration->appendConfiguration(app);
    }
    machine.context()->insert(configuration);
    return configuration;
}

// "name|description|apps", or "absent".
inline QString shown(const Machine& machine, const QString& id) {
    ConfigurationGroup* configuration = machine.find(id);
    if (!configuration)
        return QStringLiteral("absent");
    QStringList apps;
    for (AppConfiguration* app : configuration->configurationList())
        apps.append(app->appName());
    return QStringLiteral("%1|%2|%3")
        .arg(configuration->name(), configuration->desc().value_or(QString()), apps.join(u','));
}

// A folder as it is now; for a machine's data folder (`killed`), as kill -9 leaves it: the
// shared-memory index is rebuilt.
inline void copyTree(const QString& from, const QString& to, bool killed = false) {
    QDir().mkpath(to);
    for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + u'/' + entry.fileName();
        if (entry.isDir())
            copyTree(entry.filePath(), target, killed);
        else if (!killed || !entry.fileName().endsWith(QLatin1String("-shm")))
            QFile::copy(entry.filePath(), target);
    }
}

// Moves the virtual clock on by `seconds`; a round or batch of files that a due task hands to a
// machine's worker is waited for before the clock moves further, as if the worker took no time.
inline void advanceSettled(VirtualScheduler& scheduler, double seconds,
                           const QList<const Machine*>& machines) {
    const double until = scheduler.now() + seconds;
    const auto nextDue = [&] {
        const QList<double> deadlines = scheduler.pendingDeadlines();
        return !deadlines.isEmpty() && deadlines.first() <= until + 1e-9 ? std::optional(deadlines.first())
                                                                         : std::nullopt;
    };
    for (;;) {
        const double next = nextDue().value_or(until);
        scheduler.advance(std::max(0.0, next - scheduler.now()));
        bool waited = false;
        for (const Machine* machine : machines)
            if (machine->engine->isBusy()) {
                machine->engine->settle();
                waited = true;
            }
        if (!waited && !nextDue() && next >= until - 1e-9)
            return;
    }
}

// "Sync Now", waited for: the worker's jobs end as if they took no time and the clock stands still.
// Its outcome, with the reason of a failure in `error`.
inline bool syncNowSettled(SyncStatus& sync, VirtualScheduler& scheduler,
                           const QList<const Machine*>& machines, QString* error = nullptr) {
    struct Outcome {
        std::optional<bool> ok;
        QString error;
    };
    auto outcome = std::make_shared<Outcome>();
    sync.syncNow([outcome](bool ok, const QString& message) {
        outcome->ok = ok;
        outcome->error = message;
    });
    for (int turn = 0; !outcome->ok && turn < 1000; ++turn)
        advanceSettled(scheduler, 0, machines);
    if (error)
        *error = outcome->ok ? outcome->error : QStringLiteral("Sync Now never ended");
    return outcome->ok.value_or(false);
}

// A record in the folder, read or written as a broken peer or a person would.
inline QJsonObject readRecord(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

inline void writeRecord(const QString& path, const QJsonObject& record) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(record).toJson());
}

// The tombstone of configuration `id`, stamped `stamp`.
inline QJsonObject tombstoneRecord(const QString& id, const QJsonValue& stamp) {
    return {{QStringLiteral("format"), 1},
            {QStringLiteral("class"), QStringLiteral("ConfigurationGroup")},
            {QStringLiteral("id"), id},
            {QStringLiteral("deleted"), true},
            {QStringLiteral("stamp"), stamp}};
}

// A copy of the record at `from`, given the id `as` (and `attributes`), written to `to`.
inline void plantCopy(const QString& from, const QString& to, const QString& as,
                      const QJsonObject& attributes = {}) {
    QJsonObject record = readRecord(from);
    QVERIFY(!record.isEmpty());
    record.insert(QStringLiteral("id"), as);
    QJsonObject changed = record.value(QStringLiteral("attributes")).toObject();
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it)
        changed.insert(it.key(), it.value());
    record.insert(QStringLiteral("attributes"), changed);
    writeRecord(to, record);
}
