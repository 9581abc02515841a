// The simulated desktop with the shared state, a configuration row's fields and a menu-bar manager
// that writes each step asked of it to the log.
#pragma once

#include "../app/Fakes.h"

#include "activation/ConfigurationActivator.h"
#include "app/AppState.h"
#include "base/Log.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"

#include <QRegularExpression>

#include <memory>
#include <vector>

struct AppSpec {
    QString bundleID;
    QString name;
    Corner corner = Corner::topLeft;
};

struct ActivationWorld : SimWorld {
    using Variant = ConfigurationActivator::Variant;

    AppState state{platform};
    FakeMenuBar menuBar{[](const QString& step) { logInfo(lcUi, step); }};
    // The row's own choice of position group.
    QString localGroupID;
    std::vector<std::unique_ptr<ConfigurationGroup>> owned;

    ActivationWorld() { state.setMenuBarManager(&menuBar); }

    // An installed application that runs with one window.
    void running(const QString& bundleID, const QString& name) {
        desktop.install(bundleID, name);
        runWithWindow(bundleID, name);
    }

    // A configuration (held by no store) with these applications at these own positions.
    ConfigurationGroup* configuration(const QString& name, const QList<AppSpec>& apps) {
        owned.push_back(std::make_unique<ConfigurationGroup>(name, 1440, 900, std::nullopt));
        ConfigurationGroup* configuration = owned.back().get();
        for (const AppSpec& spec : apps)
            configuration->appendConfiguration(
                new AppConfiguration(spec.bundleID, spec.name, CornerInfo::rawValue(spec.corner), 0, true,
                                     spec.corner, 0.5, 400, 0, 0, configuration));
        return configuration;
    }
    // A group of the configuration mapping each application, in list order, to a position.
    static PositionGroup* group(ConfigurationGroup* configuration, const QString& name,
                                const QList<Corner>& positions, bool isDefault = false) {
        PositionGroup* group = configuration->addPositionGroup(name, QString(), isDefault);
        const QList<AppConfiguration*> apps = configuration->configurationList();
        for (int i = 0; i < positions.size() && i < apps.size(); ++i)
            group->setPosition(apps[i]->bundleID(), apps[i]->appName(), positions[i]);
        return group;
    }

    ConfigurationActivator activator(Variant variant, ConfigurationGroup* configuration) {
        ConfigurationActivator::Row row;
        row.configuration = configuration;
        row.state = &state;
        row.localSelectedPositionGroupID = [this] { return localGroupID; };
        row.onScrollToSelf = [] { logInfo(lcUi, QStringLiteral("scroll")); };
        return ConfigurationActivator(platform, variant, row);
    }

    // The component's own lines (and "scroll", "autoHide"), with each placement shown as "summon <id>" and
    // the engine's and the screen choice's own lines left out.
    QStringList ownLines() {
        static const QRegularExpression engine(
            QStringLiteral("SUMMON|COORDINATE DEBUG|SCREEN DETECTION|ScreenDetection|Invisible "
                           "correction|ensureRightAnchored"));
        static const QString summon = QStringLiteral("🚀 SUMMON DEBUG: Starting summon for ");
        QStringList lines;
        for (const QString& line : log.take()) {
            if (line.startsWith(summon))
                lines << QStringLiteral("summon ") + line.mid(summon.size());
            else if (!line.contains(engine))
                lines << line;
        }
        return lines;
    }

    // When each application was brought forward by a placement, and opened by a launch: "time event".
    QStringList events() {
        QStringList out;
        for (const QString& entry : desktop.takeJournal())
            if (entry.contains(QStringLiteral(" activate ")) || entry.contains(QStringLiteral(" open ")))
                out << entry;
        return out;
    }
};
