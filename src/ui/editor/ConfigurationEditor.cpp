#include "ConfigurationEditor.h"

#include "activation/ConfigurationActivator.h"
#include "app/AppState.h"
#include "base/Log.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "placement/Actions.h"
#include "placement/ScreenDetectionHelper.h"
#include "store/EditScope.h"
#include "store/ModelContext.h"

#include <QSet>

const QList<Corner>& ConfigurationEditor::newAppPositionOrder() {
    static const QList<Corner> order = {
        Corner::topLeft,         Corner::topRight,       Corner::bottomLeft, Corner::bottomRight,
        Corner::leftHalf,        Corner::rightHalf,      Corner::topHalf,    Corner::bottomHalf,
        Corner::leftThird,       Corner::centerThird,    Corner::rightThird, Corner::leftTwoThirds,
        Corner::centerTwoThirds, Corner::rightTwoThirds,
    };
    return order;
}

ConfigurationEditor::ConfigurationEditor(AppState& state, ModelContext& context,
                                         ConfigurationGroup* configuration,
                                         const std::optional<QString>& selectedPositionGroupID,
                                         const QList<SavedApp*>& savedApps, QObject* parent)
    : QObject(parent), m_state(state), m_context(context),
      m_scope(std::make_unique<EditScope>(configuration)), m_savedApps(savedApps),
      m_availableApps(savedApps) {
    connect(m_scope.get(), &EditScope::configurationDeleted, this,
            &ConfigurationEditor::configurationDeleted);
    initializePositionTracking();
    m_groups = std::make_unique<DraftPositionGroups>(state, *m_scope, selectedPositionGroupID);
    connect(m_groups.get(), &DraftPositionGroups::selectionChanged, this, &ConfigurationEditor::changed);
    connect(m_groups.get(), &DraftPositionGroups::groupsEdited, this, &ConfigurationEditor::edited);
}

ConfigurationEditor::~ConfigurationEditor() = default;

ConfigurationGroup* ConfigurationEditor::configuration() const {
    return m_scope->configuration();
}

ConfigurationGroup* ConfigurationEditor::original() const {
    return m_scope->isConfigurationDeleted() ? nullptr : m_scope->original();
}

QList<AppConfiguration*> ConfigurationEditor::apps() const {
    ConfigurationGroup* draft = configuration();
    return draft ? draft->configurationList() : QList<AppConfiguration*>();
}

Platform& ConfigurationEditor::platform() const {
    return m_state.platform();
}

bool ConfigurationEditor::isOpen() const {
    return m_scope->isOpen() && !m_scope->isConfigurationDeleted();
}

void ConfigurationEditor::edited() {
    m_edited = true;
    Q_EMIT changed();
}

// --- loading ---

void ConfigurationEditor::initializePositionTracking() {
    m_currentPositions.clear();
    for (AppConfiguration* app : apps())
        m_currentPositions.insert(app->id(), app->corner());
}

// --- positions ---

QList<Corner> ConfigurationEditor::cornerOptions() const {
    QList<Corner> options(CornerInfo::allCases.begin(), CornerInfo::allCases.end() - 1);
    if (apps().size() == 1)
        options.append(Corner::fullScreen);
    return options;
}

QString ConfigurationEditor::positionDisplayName(Corner corner) {
    switch (corner) {
    case Corner::topLeft:
        return QStringLiteral("Top Left");
    case Corner::topRight:
        return QStringLiteral("Top Right");
    case Corner::bottomLeft:
        return QStringLiteral("Bottom Left");
    case Corner::bottomRight:
        return QStringLiteral("Bottom Right");
    case Corner::topHalf:
        return QStringLiteral("Top Half");
    case Corner::bottomHalf:
        return QStringLiteral("Bottom Half");
    case Corner::leftHalf:
        return QStringLiteral("Left Half");
    case Corner::rightHalf:
        return QStringLiteral("Right Half");
    case Corner::leftThird:
        return QStringLiteral("Left Third");
    case Corner::centerThird:
        return QStringLiteral("Center Third");
    case Corner::rightThird:
        return QStringLiteral("Right Third");
    case Corner::leftTwoThirds:
        return QStringLiteral("Left Two Thirds");
    case Corner::centerTwoThirds:
        return QStringLiteral("Center Two Thirds");
    case Corner::rightTwoThirds:
        return QStringLiteral("Right Two Thirds");
    case Corner::fullScreen:
        return QStringLiteral("Full Screen");
    }
    return QString();
}

std::optional<Corner> ConfigurationEditor::currentPosition(const AppConfiguration* app) const {
    const auto it = m_currentPositions.constFind(app->id());
    if (it == m_currentPositions.constEnd())
        return std::nullopt;
    return *it;
}

// With a group, the position activation really uses: the group's mapping, else the application's own
// stored position. Without one, the position chosen in this editor.
Corner ConfigurationEditor::selectedCorner(const AppConfiguration* app) const {
    if (PositionGroup* group = selectedPositionGroup())
        return ConfigurationActivator::positionOf(app, group);
    return currentPosition(app).value_or(app->corner());
}

std::optional<ConfigurationEditor::Owner>
ConfigurationEditor::ownerForCorner(Corner corner, const AppConfiguration* excluding) const {
    for (const AppConfiguration* app : apps()) {
        if (app == excluding)
            continue;
        if (selectedCorner(app) == corner)
            return Owner(app->bundleID(), app->appName());
    }
    return std::nullopt;
}

bool ConfigurationEditor::choosePosition(AppConfiguration* app, Corner corner) {
    if (ownerForCorner(corner, app))
        return false;
    if (PositionGroup* group = selectedPositionGroup()) {
        group->setPosition(app->bundleID(), app->appName(), corner);
    } else {
        m_currentPositions.insert(app->id(), corner);
        app->setSavedCorner(CornerInfo::rawValue(corner));
        app->setRelativePosition(CornerInfo::rawValue(corner));
    }
    edited();
    return true;
}

// --- applications ---

void ConfigurationEditor::setRunningApps(const QList<RunningApp>& apps) {
    if (m_runningApps == apps)
        return;
    m_runningApps = apps;
    Q_EMIT runningAppsChanged();
}

bool ConfigurationEditor::canAdd(const QString& bundleID) const {
    const QList<AppConfiguration*> current = apps();
    if (!configuration() || current.size() >= maxApps)
        return false;
    for (const AppConfiguration* app : current) {
        if (app->bundleID() == bundleID)
            return false;
    }
    return true;
}

// The first position of the order that no application of the configuration holds, by the same rule
// the rows show (and activation uses).
Corner ConfigurationEditor::determinePositionForNewApp() const {
    QSet<Corner> held;
    for (const AppConfiguration* app : apps())
        held.insert(selectedCorner(app));
    for (Corner corner : newAppPositionOrder()) {
        if (!held.contains(corner))
            return corner;
    }
    return Corner::topLeft;
}

AppConfiguration* ConfigurationEditor::appendApp(AppConfiguration* app, const QString& name,
                                                 Corner position) {
    configuration()->appendConfiguration(app);
    if (PositionGroup* group = selectedPositionGroup())
        group->setPosition(app->bundleID(), name, position);
    m_currentPositions.insert(app->id(), position);
    edited();
    return app;
}

AppConfiguration* ConfigurationEditor::addAppToConfiguration(SavedApp* saved) {
    if (!saved || !canAdd(saved->bundleID()))
        return nullptr;
    const Corner position = determinePositionForNewApp();
    auto* app = new AppConfiguration(saved->bundleID(), saved->name(), CornerInfo::rawValue(position), 0,
                                     true, position, saved->savedWidthFraction(), saved->savedHeight(),
                                     saved->savedMarginX(), saved->savedMarginY());
    appendApp(app, saved->name(), position);
    logInfo(lcUi, QStringLiteral("✅ Added ") + saved->name() + QStringLiteral(" to configuration at ") +
                      str(position));
    return app;
}

AppConfiguration* ConfigurationEditor::addRunningAppToConfiguration(const RunningApp& running) {
    if (!canAdd(running.bundleID))
        return nullptr;
    // A program without a desktop entry gets one now, so that the configuration can start it.
    if (const std::optional<QString> kept = platform().workspace.keepApplication(running.bundleID)) {
        logWarning(lcUi, QStringLiteral("❌ Failed to keep ") + running.name + QStringLiteral(": ") + *kept);
        Q_EMIT addFailed(tr("Could not add '%1': %2").arg(running.name, *kept));
        return nullptr;
    }
    const Corner position = determinePositionForNewApp();
    double width = 0;
    double height = 0;
    if (const std::optional<Rect> frame = Actions(platform()).getCurrentWindowFrame(running.bundleID)) {
        width = frame->width;
        height = frame->height;
    } else {
        const std::optional<Screen> main = platform().screens.mainScreen();
        width = (main ? main->visibleFrame.width : 1200.0) * m_state.widthFraction();
        height = m_state.heightPoints();
    }
    autoSaveRunningAppIfNeeded(running, width, height);
    auto* app =
        new AppConfiguration(running.bundleID, running.name, CornerInfo::rawValue(position), 0, true,
                             position, m_state.widthFraction(), height, m_state.marginX(), m_state.marginY());
    appendApp(app, running.name, position);
    logInfo(lcUi, QStringLiteral("✅ Added running app ") + running.name +
                      QStringLiteral(" to configuration at ") + str(position));
    return app;
}

bool ConfigurationEditor::autoSaveRunningAppIfNeeded(const RunningApp& running, double width, double height) {
    // Asks the store as it is now and this editor's own list, not the list given at opening.
    for (const SavedApp* saved : m_context.fetch<SavedApp>()) {
        if (saved->bundleID() == running.bundleID)
            return false;
    }
    for (const SavedApp* saved : m_availableApps) {
        if (saved->bundleID() == running.bundleID)
            return false;
    }
    auto* saved = new SavedApp(running.bundleID, running.name, width, height, m_state.corner(),
                               m_state.widthFraction(), m_state.marginX(), m_state.marginY());
    m_context.insert(saved);
    QString error;
    if (!m_context.save(QList<ModelObject*>{saved}, &error)) {
        logWarning(lcUi, QStringLiteral("❌ Failed to auto-save running app: ") + error);
        m_context.deleteObject(saved);
        return false;
    }
    m_availableApps.append(saved);
    logInfo(lcUi, QStringLiteral("💾 Auto-saved running app as SavedApp: ") + running.name);
    // The lists show the new saved application now, whatever becomes of this editor.
    m_state.triggerConfigurationDataRefresh();
    Q_EMIT availableAppsChanged();
    return true;
}

void ConfigurationEditor::removeAppFromConfiguration(AppConfiguration* app) {
    ConfigurationGroup* draft = configuration();
    if (!draft)
        return;
    const QUuid id = app->id();
    const QString name = app->appName();
    if (draft->configurations()) {
        QList<AppConfiguration*> remaining;
        for (AppConfiguration* a : draft->configurationList()) {
            if (a->id() != id)
                remaining.append(a);
        }
        draft->setConfigurations(remaining);
    }
    m_currentPositions.remove(id);
    logInfo(lcUi, QStringLiteral("🗑️ Removed ") + name + QStringLiteral(" from configuration"));
    edited();
}

// --- the name ---

bool ConfigurationEditor::renameConfiguration(const QString& name, QString* error) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        logWarning(lcUi, QStringLiteral("❌ Configuration name cannot be empty"));
        if (error)
            *error = QStringLiteral("The name cannot be empty.");
        return false;
    }
    if (const QString tooLong = ConfigurationGroup::nameLengthError(trimmed); !tooLong.isEmpty()) {
        logWarning(lcUi, QStringLiteral("❌ Configuration name is too long"));
        if (error)
            *error = tooLong;
        return false;
    }
    QString why;
    if (!configuration() || !m_scope->commitName(trimmed, &why)) {
        if (why.isEmpty())
            why = QStringLiteral("The editor is closed.");
        logWarning(lcUi, QStringLiteral("❌ Failed to save configuration name: ") + why);
        // The draft keeps what is stored, so the header and a later Save show the old name.
        ConfigurationGroup* live = original();
        if (live && configuration())
            configuration()->setName(live->name());
        if (error)
            *error = why;
        Q_EMIT nameChanged();
        return false;
    }
    m_state.triggerConfigurationDataRefresh();
    logInfo(lcUi, QStringLiteral("✅ Saved configuration name: '") + trimmed + QStringLiteral("'"));
    Q_EMIT nameChanged();
    return true;
}

// --- the whole ---

void ConfigurationEditor::previewCurrentConfiguration() {
    const QList<AppConfiguration*> list = apps();
    Platform& p = platform();
    AppState* state = &m_state;
    for (int i = 0; i < list.size(); ++i) {
        const AppConfiguration* app = list.at(i);
        const Corner corner = selectedCorner(app);
        const QString bundleID = app->bundleID();
        const QString appName = app->appName();
        const PinSpec spec = ConfigurationActivator::placementRequest(app, corner);
        QPointer<AppState> guard(state);
        p.scheduler.after(i * previewStagger, [&p, guard, bundleID, appName, spec] {
            const Screen screen =
                ScreenDetectionHelper(p).getTargetScreen(guard ? guard->mainWindow() : nullptr);
            Actions(p).summon(bundleID, spec, screen);
            logInfo(lcUi, QStringLiteral("🎯 Applied position preview for ") + appName +
                              QStringLiteral(" to ") + str(spec.corner));
        });
    }
    logInfo(lcUi, QStringLiteral("🎬 Previewing configuration '") + configuration()->name() +
                      QStringLiteral("' with ") + QString::number(list.size()) + QStringLiteral(" apps"));
}

ConfigurationEditor::SaveResult ConfigurationEditor::save(QString* error) {
    ConfigurationGroup* draft = configuration();
    if (!draft) {
        if (error)
            *error = QStringLiteral("The editor is closed.");
        return SaveResult::failed;
    }
    if (!m_groups->adoptChosenPositions(m_currentPositions))
        return SaveResult::positionRequired;
    m_groups->dropMappingsOfRemovedApps();
    logInfo(lcUi, QStringLiteral("💾 Saved current positions for configuration"));
    QString why;
    if (!m_scope->commit(&why)) {
        logWarning(lcUi, QStringLiteral("❌ Failed to save configuration changes: ") + why);
        if (error)
            *error = why;
        Q_EMIT changed();
        return SaveResult::failed;
    }
    m_groups->recordSavedSelection();
    return SaveResult::saved;
}

void ConfigurationEditor::discard() {
    m_groups->forgetSelection();
    m_scope->discard();
}
