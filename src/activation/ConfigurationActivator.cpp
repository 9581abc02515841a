#include "ConfigurationActivator.h"

#include "PositionRearranger.h"

#include "app/AppState.h"
#include "app/MenuBarManaging.h"
#include "base/Log.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/MissingAppDetector.h"
#include "model/PositionGroup.h"
#include "placement/Actions.h"
#include "placement/ScreenDetectionHelper.h"
#include "store/ModelContext.h"

namespace {

QString count(qsizetype n) {
    return QString::number(n);
}

QSet<QString> bundleIDsOf(const QList<MissingAppInfo>& missing) {
    QSet<QString> ids;
    for (const MissingAppInfo& info : missing)
        ids.insert(info.bundleID);
    return ids;
}

} // namespace

ConfigurationActivator::ConfigurationActivator(Platform& platform, Variant variant, Row row)
    : m_platform(platform), m_variant(variant), m_row(std::move(row)) {}

QString ConfigurationActivator::logPrefix(const QString& mainWindow, const QString& menuBar) const {
    return m_variant == Variant::menuBar ? menuBar : mainWindow;
}

QList<AppConfiguration*> ConfigurationActivator::apps() const {
    return m_row.configuration ? m_row.configuration->configurationList() : QList<AppConfiguration*>();
}

// --- the two rules ---

PositionGroup* ConfigurationActivator::currentPositionGroup() const {
    ConfigurationGroup* configuration = m_row.configuration;
    if (!configuration)
        return nullptr;
    const QString key = uuidString(configuration->id());
    const QHash<QString, QString> chosen =
        m_row.state ? m_row.state->selectedPositionGroupForConfig() : QHash<QString, QString>();
    QString selected;
    if (chosen.contains(key))
        selected = chosen.value(key);
    else if (m_row.localSelectedPositionGroupID)
        selected = m_row.localSelectedPositionGroupID();
    for (PositionGroup* group : configuration->positionGroupList()) {
        if (uuidString(group->id()) == selected)
            return group;
    }
    return configuration->defaultPositionGroup();
}

Corner ConfigurationActivator::positionOf(const AppConfiguration* app, const PositionGroup* group) {
    if (group) {
        if (const std::optional<Corner> position = group->getPosition(app->bundleID()))
            return *position;
    }
    return app->corner();
}

PinSpec ConfigurationActivator::placementRequest(const AppConfiguration* app, Corner position) {
    return PinSpec{position, app->savedWidthFraction(), app->savedHeight(), app->savedMarginX(),
                   app->savedMarginY()};
}

// --- activation ---

bool ConfigurationActivator::handOverMissingApps(const QList<MissingAppInfo>& missing) {
    if (missing.isEmpty() || m_row.state->shouldContinueWithPartialActivation())
        return false;
    logWarning(lcActivation, QStringLiteral("⚠️ Found ") + count(missing.size()) +
                                 QStringLiteral(" missing apps in configuration: ") +
                                 m_row.configuration->name());
    m_row.state->setMissingAppsToShow(missing);
    m_row.state->setShowMissingAppModal(true);
    m_row.state->setConfigurationForPartialActivation(m_row.configuration);
    return true;
}

void ConfigurationActivator::continuePartialActivation(const QList<MissingAppInfo>& missing) {
    if (!m_row.state->shouldContinueWithPartialActivation())
        return;
    m_row.state->setShouldContinueWithPartialActivation(false);
    m_row.state->setConfigurationForPartialActivation(nullptr);
    logInfo(lcActivation,
            logPrefix(QStringLiteral("🔄 Continuing with partial activation, skipping "),
                      QStringLiteral("🔄 Menu Bar: Continuing with partial activation, skipping ")) +
                count(missing.size()) + QStringLiteral(" missing apps"));
}

int ConfigurationActivator::launchAndSchedulePositioning(const QSet<QString>& missing,
                                                         std::function<void()> positioning) {
    const bool verbose = m_variant == Variant::mainWindow;
    QList<AppConfiguration*> toLaunch;
    for (AppConfiguration* app : apps()) {
        if (missing.contains(app->bundleID())) {
            logInfo(lcActivation, logPrefix(QStringLiteral("⏭️ Skipping missing app: "),
                                            QStringLiteral("⏭️ Menu Bar: Skipping missing app: ")) +
                                      app->appName());
        } else if (!m_platform.workspace.runningApplications(app->bundleID()).isEmpty()) {
            if (verbose)
                logInfo(lcActivation,
                        QStringLiteral("✅ App ") + app->appName() + QStringLiteral(" is already running"));
        } else {
            if (verbose)
                logInfo(lcActivation, QStringLiteral("🚀 App ") + app->appName() +
                                          QStringLiteral(" is not running - will launch first"));
            toLaunch.append(app);
        }
    }

    if (!toLaunch.isEmpty()) {
        if (verbose)
            logInfo(lcActivation,
                    QStringLiteral("🚀 Launching ") + count(toLaunch.size()) + QStringLiteral(" apps..."));
        Platform* platform = &m_platform;
        for (qsizetype i = 0; i < toLaunch.size(); ++i) {
            const QString bundleID = toLaunch.at(i)->bundleID();
            const QString appName = toLaunch.at(i)->appName();
            m_platform.scheduler.after(double(i) * launchInterval, [platform, bundleID, appName, verbose] {
                if (verbose)
                    logInfo(lcActivation, QStringLiteral("🚀 Launching ") + appName);
                Actions(*platform).launchApp(bundleID);
            });
        }
    }

    // Counted from now, not from the last launch.
    m_platform.scheduler.after(toLaunch.isEmpty() ? 0.0 : launchWait, std::move(positioning));
    return int(toLaunch.size());
}

void ConfigurationActivator::summonLater(double delay, const AppConfiguration* app, Corner position,
                                         const Screen& screen) const {
    Platform* platform = &m_platform;
    const QString bundleID = app->bundleID();
    const PinSpec spec = placementRequest(app, position);
    m_platform.scheduler.after(
        delay, [platform, bundleID, spec, screen] { Actions(*platform).summon(bundleID, spec, screen); });
}

void ConfigurationActivator::applyConfigurationWithSelectedGroup(const std::optional<Screen>& targetScreen) {
    ConfigurationGroup* configuration = m_row.configuration;
    if (!configuration || !m_row.state)
        return;
    AppState& state = *m_row.state;
    const bool verbose = m_variant == Variant::mainWindow;

    const Screen screen =
        targetScreen ? *targetScreen : ScreenDetectionHelper(m_platform).getTargetScreen(state.mainWindow());
    PositionGroup* group = currentPositionGroup();
    const QString groupName = group ? group->name() : QStringLiteral("default positions");
    logInfo(lcActivation, logPrefix(QStringLiteral("🚀 Applying configuration: "),
                                    QStringLiteral("🚀 MinimizedView: Applying configuration: ")) +
                              configuration->name() + QStringLiteral(" with position group: ") + groupName);

    const QList<MissingAppInfo> missing =
        MissingAppDetector::findMissingApps(m_platform.workspace, configuration);
    if (handOverMissingApps(missing))
        return;
    continuePartialActivation(missing);
    const QSet<QString> missingIDs = bundleIDsOf(missing);

    const ConfigurationActivator self = *this;
    const QPointer<PositionGroup> fixedGroup = group;
    const int launched =
        launchAndSchedulePositioning(missingIDs, [self, fixedGroup, groupName, screen, missingIDs] {
            self.positionForActivation(fixedGroup, groupName, screen, missingIDs);
        });

    if (verbose) {
        logInfo(lcActivation, QStringLiteral("✅ Configuration ") + configuration->name() +
                                  QStringLiteral(" will be applied with position group ") + groupName);
        if (launched > 0)
            logInfo(lcActivation, QStringLiteral("⏳ Waiting for ") + count(launched) +
                                      QStringLiteral(" apps to launch before positioning..."));
    }

    configuration->setLastActivatedAt(m_platform.scheduler.currentDateTime());
    if (ModelContext* context = ModelContext::of(configuration)) {
        QString error;
        if (context->save(&error))
            logDebug(lcActivation,
                     logPrefix(QStringLiteral("💾 MainView: Persisted lastActivatedAt for "),
                               QStringLiteral("💾 MinimizedRow: Persisted lastActivatedAt for ")) +
                         configuration->name());
        else
            logWarning(lcActivation,
                       logPrefix(QStringLiteral("❌ MainView: Failed to persist lastActivatedAt: "),
                                 QStringLiteral("❌ MinimizedRow: Failed to persist lastActivatedAt: ")) +
                           error);
    }

    if (m_row.onScrollToSelf)
        m_row.onScrollToSelf();
    if (MenuBarManaging* manager = state.menuBarManager())
        manager->hideWindowIfConfigActivationAutoHideEnabled();
}

void ConfigurationActivator::positionForActivation(PositionGroup* group, const QString& groupName,
                                                   const Screen& screen, const QSet<QString>& missing) const {
    positionEach(group, QStringLiteral(" using group ") + groupName, activationStagger(m_variant), screen,
                 missing);
}

void ConfigurationActivator::positionEach(PositionGroup* group, const QString& lineSuffix, double stagger,
                                          const Screen& screen, const QSet<QString>& missing) const {
    int k = 0;
    for (AppConfiguration* app : apps()) {
        if (missing.contains(app->bundleID())) {
            logInfo(lcActivation,
                    logPrefix(QStringLiteral("⏭️ Skipping positioning for missing app: "),
                              QStringLiteral("⏭️ Menu Bar: Skipping positioning for missing app: ")) +
                        app->appName());
            continue;
        }
        const Corner position = positionOf(app, group);
        if (m_variant == Variant::mainWindow)
            logInfo(lcActivation, QStringLiteral("📌 Positioning ") + app->appName() + QStringLiteral(" at ") +
                                      str(position) + lineSuffix);
        summonLater(k * stagger, app, position, screen);
        ++k;
    }
}

void ConfigurationActivator::applyConfigurationImmediately() {
    ConfigurationGroup* configuration = m_row.configuration;
    if (!configuration || !m_row.state)
        return;
    const bool verbose = m_variant == Variant::mainWindow;

    const Screen screen = ScreenDetectionHelper(m_platform).getTargetScreen(m_row.state->mainWindow());
    if (verbose)
        logInfo(lcActivation,
                QStringLiteral("🚀 Auto-applying swapped configuration: ") + configuration->name());

    QSet<QString> missingIDs;
    if (m_variant == Variant::menuBar) {
        const QList<MissingAppInfo> missing =
            MissingAppDetector::findMissingApps(m_platform.workspace, configuration);
        if (handOverMissingApps(missing))
            return;
        continuePartialActivation(missing);
        missingIDs = bundleIDsOf(missing);
    }

    const ConfigurationActivator self = *this;
    const int launched = launchAndSchedulePositioning(
        missingIDs, [self, screen, missingIDs] { self.positionForReapplication(screen, missingIDs); });

    if (verbose) {
        logInfo(lcActivation, QStringLiteral("✅ Swapped configuration ") + configuration->name() +
                                  QStringLiteral(" will be applied automatically"));
        if (launched > 0)
            logInfo(lcActivation, QStringLiteral("⏳ Waiting for ") + count(launched) +
                                      QStringLiteral(" apps to launch before positioning..."));
    }
}

void ConfigurationActivator::positionForReapplication(const Screen& screen,
                                                      const QSet<QString>& missing) const {
    // Decided now, so that it shows what the rearrangement has just written.
    positionEach(currentPositionGroup(), QString(), reapplicationStagger, screen, missing);
}

// --- the row's controls ---

void ConfigurationActivator::activateFromRow() {
    ConfigurationGroup* configuration = m_row.configuration;
    if (!configuration || !m_row.state)
        return;
    if (m_variant == Variant::menuBar &&
        handOverMissingApps(MissingAppDetector::findMissingApps(m_platform.workspace, configuration)))
        return;
    m_row.state->setSelectedConfigurationID(uuidString(configuration->id()));
    logInfo(lcActivation, QStringLiteral("📱 Auto-selected configuration: ") + configuration->name() +
                              QStringLiteral(" on activation"));
    applyConfigurationWithSelectedGroup();
}

void ConfigurationActivator::activateOnDisplay(const Screen& screen) {
    if (!m_row.configuration || !m_row.state)
        return;
    m_row.state->setSelectedConfigurationID(uuidString(m_row.configuration->id()));
    applyConfigurationWithSelectedGroup(screen);
}

void ConfigurationActivator::triggerPartialActivationIfPending() {
    ConfigurationGroup* configuration = m_row.configuration;
    if (!configuration || !m_row.state || !m_row.state->triggerPartialActivation())
        return;
    ConfigurationGroup* pending = m_row.state->configurationForPartialActivation();
    if (!pending || pending->id() != configuration->id())
        return;
    m_row.state->setTriggerPartialActivation(false);
    logInfo(lcActivation, logPrefix(QStringLiteral("🔄 ConfigRow: Triggering partial activation for "),
                                    QStringLiteral("🔄 MinimizedRow: Triggering partial activation for ")) +
                              configuration->name());
    applyConfigurationWithSelectedGroup();
}

void ConfigurationActivator::positionGroupSelectionChanged(const QString& oldID, const QString& newID,
                                                           bool isInitializing) {
    ConfigurationGroup* configuration = m_row.configuration;
    if (!configuration || !m_row.state || newID == oldID || newID.isEmpty() || isInitializing ||
        m_row.state->selectedConfigurationID() != uuidString(configuration->id()) || apps().isEmpty())
        return;
    QString name = QStringLiteral("Unknown");
    for (PositionGroup* group : configuration->positionGroupList()) {
        if (uuidString(group->id()) == newID) {
            name = group->name();
            break;
        }
    }
    // One step per change, however many watchers saw it (a row on screen and the editor that saved
    // the group): the step is marked on the run's state until it has run.
    const QString mark = QStringLiteral("pendingGroupActivation:") + uuidString(configuration->id()) +
                         QLatin1Char('/') + newID;
    if (m_row.state->findChild<QObject*>(mark, Qt::FindDirectChildrenOnly))
        return;
    auto* pending = new QObject(m_row.state);
    pending->setObjectName(mark);
    logInfo(lcActivation, logPrefix(QStringLiteral("🔄 Position group changed to: "),
                                    QStringLiteral("🔄 MinimizedView: Position group changed to: ")) +
                              name + QStringLiteral(" - auto-activating SELECTED configuration"));
    // The step may outlive the row: it acts for a configuration still stored, also when another one
    // was selected meanwhile.
    ConfigurationActivator self = *this;
    m_platform.scheduler.after(0.1, [self, pending = QPointer<QObject>(pending)]() mutable {
        delete pending.data();
        ConfigurationGroup* target = self.m_row.configuration;
        ModelContext* context = self.m_row.state->modelContext();
        if (!target || (context && !context->contains(target)))
            return;
        self.applyConfigurationWithSelectedGroup();
    });
}

// --- rearrangements ---

std::optional<Corner> ConfigurationActivator::imageIn(std::span<const PositionPair> map, Corner position) {
    return PositionRearranger::imageIn(map, position);
}

bool ConfigurationActivator::isIn(std::span<const Corner> set, Corner position) {
    return PositionRearranger::isIn(set, position);
}

void ConfigurationActivator::swapTwoAppPositions() {
    PositionRearranger(*this).swapTwoAppPositions();
}

ConfigurationActivator::PositionPair ConfigurationActivator::intelligentSwap(Corner position1,
                                                                             Corner position2) const {
    return PositionRearranger(*this).intelligentSwap(position1, position2);
}

void ConfigurationActivator::requestSwap() {
    PositionRearranger(*this).requestSwap();
}

bool ConfigurationActivator::allAppsInCornerPositions() const {
    return PositionRearranger(*this).allAppsInCornerPositions();
}

bool ConfigurationActivator::allAppsInThirdsPositions() const {
    return PositionRearranger(*this).allAppsInThirdsPositions();
}

void ConfigurationActivator::rotateCornerPositionsClockwise() {
    PositionRearranger(*this).rotateCornerPositionsClockwise();
}

void ConfigurationActivator::rotateThirdsPositionsRight() {
    PositionRearranger(*this).rotateThirdsPositionsRight();
}

void ConfigurationActivator::requestCornerRotation() {
    PositionRearranger(*this).requestCornerRotation();
}

void ConfigurationActivator::requestThirdsRotation() {
    PositionRearranger(*this).requestThirdsRotation();
}

bool ConfigurationActivator::isLeftHalfPlusRightCorners() const {
    return PositionRearranger(*this).isLeftHalfPlusRightCorners();
}

bool ConfigurationActivator::isRightHalfPlusLeftCorners() const {
    return PositionRearranger(*this).isRightHalfPlusLeftCorners();
}

void ConfigurationActivator::swapHalfCornerPositions() {
    PositionRearranger(*this).swapHalfCornerPositions();
}

void ConfigurationActivator::requestHalfCornerSwap() {
    PositionRearranger(*this).requestHalfCornerSwap();
}

bool ConfigurationActivator::isTopHalfPlusBottomCorners() const {
    return PositionRearranger(*this).isTopHalfPlusBottomCorners();
}

bool ConfigurationActivator::isBottomHalfPlusTopCorners() const {
    return PositionRearranger(*this).isBottomHalfPlusTopCorners();
}

void ConfigurationActivator::rotateNewHalfCornerPositions() {
    PositionRearranger(*this).rotateNewHalfCornerPositions();
}

void ConfigurationActivator::requestHalfCornerRotation() {
    PositionRearranger(*this).requestHalfCornerRotation();
}
