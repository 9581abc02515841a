// A run of the shared state on the simulated desktop and the virtual clock: a store in a temporary
// folder, the shortcut component over the fake hot keys, and helpers that build configurations.
#pragma once

#include "../placement/SimWorld.h"
#include "../shortcuts/FakeHotKeyBackend.h"

#include "app/AppState.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "shortcuts/Registry.h"
#include "store/ModelContainer.h"

#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct AppWorld : SimWorld {
    FakeHotKeyBackend hotKeys;
    KeyboardShortcuts::Registry registry{preferences, hotKeys, clock};
    QTemporaryDir dir;
    std::unique_ptr<ModelContainer> container;

    AppWorld() {
        desktop.setScreens({laptop(1.0)});
        QString error;
        container = ModelContainer::open(dir.filePath(QStringLiteral("store.sqlite")), clock, &error);
        if (!container)
            qFatal("store: %s", qPrintable(error));
        m_context = container->mainContext();
        // Saves are the tests' business: nothing is written behind their back.
        m_context->setAutosaveEnabled(false);
    }

    // The store's context, also after the container was handed to the program.
    ModelContext* context() const { return m_context; }

    // The name of the stored configuration with this id; empty when there is none.
    QString configurationName(const QString& id) const {
        for (ConfigurationGroup* c : context()->fetch<ConfigurationGroup>())
            if (uuidString(c->id()) == id)
                return c->name();
        return {};
    }

    // A configuration created `createdDaysAgo` days before the clock's start, activated
    // `activatedDaysAgo` days before it (never when absent).
    ConfigurationGroup* configuration(const QString& name, int createdDaysAgo,
                                      std::optional<int> activatedDaysAgo = std::nullopt) {
        auto* c = new ConfigurationGroup(name, 1440, 900, std::nullopt);
        const QDateTime start = clock.currentDateTime();
        c->setDateCreated(start.addDays(-createdDaysAgo));
        if (activatedDaysAgo)
            c->setLastActivatedAt(start.addDays(-*activatedDaysAgo));
        context()->insert(c);
        return c;
    }

    // An application of the configuration stored at `corner` with the given size hints.
    static AppConfiguration* addApp(ConfigurationGroup* c, const QString& bundleID, const QString& name,
                                    Corner corner = Corner::topRight) {
        auto* app = new AppConfiguration(bundleID, name, QString(), 0, true, corner, 0.5, 400, 10, 10);
        c->appendConfiguration(app);
        return app;
    }

private:
    ModelContext* m_context = nullptr;
};
