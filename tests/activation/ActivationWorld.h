// A simulated desktop on the virtual clock with the shared state, a configuration row's fields and a
// fake menu-bar manager: what the activation and rearrangement tests drive.
#pragma once

#include "activation/ConfigurationActivator.h"
#include "app/AppState.h"
#include "app/MenuBarManaging.h"
#include "base/LogCapture.h"
#include "base/PreferenceStore.h"
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "platform/Platform.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/VirtualScheduler.h"

#include <QRegularExpression>
#include <QStringList>

#include <memory>
#include <vector>

// Notes in the log when the activation asks the menu-bar mode to hide its window.
class FakeMenuBar : public MenuBarManaging {
public:
    explicit FakeMenuBar(LogCapture& log) : m_log(log) {}

    void showAttachedWindow() override {}
    void showAttachedWindowForLaunch() override {}
    void toggleAttachedWindow() override {}
    void updateDockIconVisibility() override {}
    int statusBarAppearanceEnforcementAttempts() const override { return 0; }
    void setStatusBarAppearanceEnforcementAttempts(int) override {}
    void enforceStatusBarAppearance() override {}
    void hideWindowIfConfigActivationAutoHideEnabled() override { m_log.append(QStringLiteral("hide")); }

private:
    LogCapture& m_log;
};

// The main window, on a display the test chooses.
class FakeMainWindow : public HostWindow {
public:
    std::optional<Screen> screen() const override { return onScreen; }
    std::optional<Screen> onScreen;
};

struct AppSpec {
    QString bundleID;
    QString name;
    Corner corner = Corner::topLeft;
};

struct ActivationWorld {
    using Variant = ConfigurationActivator::Variant;

    VirtualScheduler clock;
    PreferenceStore preferences;
    SimDesktop desktop{clock};
    Platform platform{clock, preferences, desktop, desktop, desktop};
    AppState state{platform};
    LogCapture log;
    FakeMenuBar menuBar{log};
    // The row's own choice of position group.
    QString localGroupID;
    std::vector<std::unique_ptr<ConfigurationGroup>> owned;

    // A 1440 x 900 display with a 25-point panel at the bottom.
    static Screen laptop() {
        return Screen{QStringLiteral("laptop"), Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875), 1.0};
    }
    // A 1920 x 1080 display above it.
    static Screen above() {
        return Screen{QStringLiteral("above"), Rect(0, 900, 1920, 1080), Rect(0, 900, 1920, 1080), 1.0};
    }

    ActivationWorld() { desktop.setScreens({laptop()}); }

    // An installed application that runs with one window.
    SimWindow& running(const QString& bundleID, const QString& name) {
        desktop.install(bundleID, name);
        SimApplication& app = desktop.run(bundleID, name);
        SimWindow w(name);
        w.position = {300, 200};
        return desktop.addWindow(app, w);
    }
    // An installed application that is not running; opening it shows a window at once.
    void installed(const QString& bundleID, const QString& name) { desktop.install(bundleID, name); }

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
        row.onScrollToSelf = [this] { log.append(QStringLiteral("scroll")); };
        return ConfigurationActivator(platform, variant, row);
    }

    // The component's own lines (and "scroll", "hide"), with each placement shown as "summon <id>" and
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
        for (const QString& entry : desktop.takeJournal()) {
            if (entry.contains(QStringLiteral(" activate ")) || entry.contains(QStringLiteral(" open ")))
                out << entry;
        }
        return out;
    }
};
