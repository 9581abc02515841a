// One machine of the in-process sync tests: a store in its own folder and its engine, on the test's
// virtual clock (or that clock shifted, for a machine whose clock is wrong).
#pragma once

#include "base/Scheduler.h"
#include "model/ConfigurationGroup.h"
#include "store/ModelContainer.h"
#include "store/sync/SyncEngine.h"

#include <QTest>

#include <memory>

struct Machine {
    std::unique_ptr<ModelContainer> container;
    std::unique_ptr<SyncEngine> engine;

    Machine(const QString& data, const QString& folder, Scheduler& scheduler, bool automatic,
            qint64 clockOffsetMs = 0) {
        QString error;
        container = ModelContainer::open(data + QStringLiteral("/quarlin.sqlite"), scheduler, &error);
        QVERIFY2(container, qPrintable(error));
        SyncEngine::Options options;
        options.folder = folder;
        options.automatic = automatic;
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
