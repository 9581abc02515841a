// Puts one configuration on screen from its row (launching what is not running, waiting, then
// placing each window with a short stagger), and rearranges its positions by swapping and rotating
// (the rearrangements themselves are PositionRearranger's).
#pragma once

#include "model/Corner.h"
#include "model/MissingAppInfo.h"
#include "placement/PinSpec.h"
#include "platform/Platform.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>
#include <span>
#include <utility>

class AppConfiguration;
class AppState;
class ConfigurationGroup;
class PositionGroup;

class ConfigurationActivator {
public:
    // The two rows that hold one: the main window's list and the menu-bar window's compact list.
    enum class Variant { mainWindow, menuBar };

    // What the row hands over. The deferred steps keep a copy, so both callbacks must stay safe to call
    // after the row is gone (the position group getter then answers "").
    struct Row {
        QPointer<ConfigurationGroup> configuration;
        AppState* state = nullptr;
        // The uuidString of the position group the row's picker shows, "" when none; read at each use.
        std::function<QString()> localSelectedPositionGroupID;
        // Scrolls the list to this row; may be empty.
        std::function<void()> onScrollToSelf;
    };

    using PositionPair = std::pair<Corner, Corner>;

    // Seconds between launches, before placing when anything was launched, per placement, and before
    // the re-application that follows a rearrangement.
    static constexpr double launchInterval = 0.1;
    static constexpr double launchWait = 2.0;
    static constexpr double reapplyDelay = 0.01;
    static double activationStagger(Variant variant) { return variant == Variant::menuBar ? 0.02 : 0.01; }
    static constexpr double reapplicationStagger = 0.01;

    // The image of `position` in a rotation map; none when the map does not hold it.
    static std::optional<Corner> imageIn(std::span<const PositionPair> map, Corner position);
    static bool isIn(std::span<const Corner> set, Corner position);

    ConfigurationActivator(Platform& platform, Variant variant, Row row);

    Variant variant() const { return m_variant; }
    const Row& row() const { return m_row; }

    // --- the two rules ---
    // The group selected for the configuration in the shared state, else the row's own choice, matched
    // among the configuration's groups; else its default group (none without groups).
    PositionGroup* currentPositionGroup() const;
    // The group's position for the application, else the application's own stored position.
    static Corner positionOf(const AppConfiguration* app, const PositionGroup* group);
    static PinSpec placementRequest(const AppConfiguration* app, Corner position);

    // --- activation ---
    // Activates the configuration on `targetScreen`, else on the main window's display. Returns before
    // anything is launched or placed.
    void applyConfigurationWithSelectedGroup(const std::optional<Screen>& targetScreen = std::nullopt);
    // Places the configuration again after its positions were rewritten; records nothing.
    void applyConfigurationImmediately();

    // --- what the row's own controls do before they call the component ---
    // The activate button (the menu-bar row makes the missing-application hand-over itself first).
    void activateFromRow();
    // An entry of the display menu.
    void activateOnDisplay(const Screen& screen);
    // Runs the activation that waited for the user's answer, when it is this row's configuration.
    void triggerPartialActivationIfPending();
    // The configuration's chosen group changed from `oldID` to `newID` (the row's picker, or the
    // editor's Save of a group made there); re-activates 0.1 s later when that applies, once for one
    // change however many callers saw it.
    void positionGroupSelectionChanged(const QString& oldID, const QString& newID, bool isInitializing);

    // --- swapping two applications ---
    void swapTwoAppPositions();
    PositionPair intelligentSwap(Corner position1, Corner position2) const;
    void requestSwap();

    // --- rotating corners and thirds ---
    bool allAppsInCornerPositions() const;
    bool allAppsInThirdsPositions() const;
    void rotateCornerPositionsClockwise();
    void rotateThirdsPositionsRight();
    void requestCornerRotation();
    void requestThirdsRotation();

    // --- swapping a half with two corners ---
    bool isLeftHalfPlusRightCorners() const;
    bool isRightHalfPlusLeftCorners() const;
    void swapHalfCornerPositions();
    void requestHalfCornerSwap();

    // --- rotating a half and two corners ---
    bool isTopHalfPlusBottomCorners() const;
    bool isBottomHalfPlusTopCorners() const;
    void rotateNewHalfCornerPositions();
    void requestHalfCornerRotation();

private:
    // The rearrangements work on this row, its platform and its log texts.
    friend class PositionRearranger;

    QList<AppConfiguration*> apps() const;
    // The hand-over to the missing-applications dialog when applications are missing and no partial
    // activation was agreed: true when the caller must stop.
    bool handOverMissingApps(const QList<MissingAppInfo>& missing);
    // A partial activation agreed by the user goes on (also when nothing is missing): the flag is spent.
    void continuePartialActivation(const QList<MissingAppInfo>& missing);
    // The launch, wait and positioning shared by the activation and the re-application; gives the
    // number of applications to launch.
    int launchAndSchedulePositioning(const QSet<QString>& missing, std::function<void()> positioning);
    void positionForActivation(PositionGroup* group, const QString& groupName, const Screen& screen,
                               const QSet<QString>& missing) const;
    void positionForReapplication(const Screen& screen, const QSet<QString>& missing) const;
    // Places each application that is not missing, `stagger` seconds apart; the positioning line
    // of the main-window row ends with `lineSuffix`.
    void positionEach(PositionGroup* group, const QString& lineSuffix, double stagger, const Screen& screen,
                      const QSet<QString>& missing) const;
    void summonLater(double delay, const AppConfiguration* app, Corner position, const Screen& screen) const;
    QString logPrefix(const QString& mainWindow, const QString& menuBar) const;

    Platform& m_platform;
    Variant m_variant;
    Row m_row;
};
