#include "PositionRearranger.h"

#include "app/AppState.h"
#include "base/Log.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/MissingAppDetector.h"
#include "model/PositionGroup.h"

#include <algorithm>

namespace {

QString count(qsizetype n) {
    return QString::number(n);
}

} // namespace

// One of the two layouts of a half and the two corners of the opposite side.
struct PositionRearranger::Mirror {
    Corner half;
    std::span<const Corner> corners;
};

// A rotation: the positions it cycles through, its map, and its own log texts.
struct PositionRearranger::Rotation {
    std::span<const Corner> set;
    std::span<const PositionPair> map;
    QString refused;
    QString started;
};

std::optional<Corner> PositionRearranger::imageIn(std::span<const PositionPair> map, Corner position) {
    for (const PositionPair& step : map) {
        if (step.first == position)
            return step.second;
    }
    return std::nullopt;
}

bool PositionRearranger::isIn(std::span<const Corner> set, Corner position) {
    return std::find(set.begin(), set.end(), position) != set.end();
}

PositionRearranger::PositionRearranger(const ConfigurationActivator& activator)
    : m_activator(activator), m_platform(activator.m_platform), m_variant(activator.m_variant),
      m_row(activator.m_row) {}

// --- rearrangements: shared pieces ---

std::optional<Corner> PositionRearranger::layoutPosition(const AppConfiguration* app,
                                                         const PositionGroup* group) const {
    if (group)
        return group->getPosition(app->bundleID());
    return app->corner();
}

void PositionRearranger::writePosition(AppConfiguration* app, PositionGroup* group, Corner position) {
    if (group)
        group->setPosition(app->bundleID(), app->appName(), position);
    app->setSavedCorner(CornerInfo::rawValue(position));
    app->setRelativePosition(CornerInfo::rawValue(position));
}

bool PositionRearranger::selectForRearrangement(const QString& suffix) {
    ConfigurationGroup* configuration = m_row.configuration;
    if (!configuration || !m_row.state)
        return false;
    const QList<MissingAppInfo> missing =
        MissingAppDetector::findMissingApps(m_platform.workspace, configuration);
    if (!missing.isEmpty()) {
        logWarning(lcActivation, QStringLiteral("⚠️ Found ") + count(missing.size()) +
                                     QStringLiteral(" missing apps in configuration: ") +
                                     configuration->name());
        m_row.state->setMissingAppsToShow(missing);
        m_row.state->setShowMissingAppModal(true);
        return false;
    }
    m_row.state->setSelectedConfigurationID(uuidString(configuration->id()));
    logInfo(lcActivation, QStringLiteral("📱 Auto-selected configuration: ") + configuration->name() + suffix);
    return true;
}

void PositionRearranger::scheduleReapplication() {
    ConfigurationActivator self = m_activator;
    m_platform.scheduler.after(ConfigurationActivator::reapplyDelay,
                               [self]() mutable { self.applyConfigurationImmediately(); });
}

// --- swapping two applications ---

PositionRearranger::PositionPair PositionRearranger::intelligentSwap(Corner position1,
                                                                     Corner position2) const {
    for (const PositionPair& pair : recognizedPositionPairs) {
        if (position1 == pair.first && position2 == pair.second)
            return {pair.second, pair.first};
        if (position1 == pair.second && position2 == pair.first)
            return {pair.first, pair.second};
    }
    if (m_variant == Variant::mainWindow)
        logWarning(lcActivation, QStringLiteral("⚠️ No recognized position pair found for ") +
                                     str(position1) + QStringLiteral(" and ") + str(position2) +
                                     QStringLiteral(", performing simple swap"));
    return {position2, position1};
}

void PositionRearranger::swapTwoAppPositions() {
    const QList<AppConfiguration*> list = apps();
    if (list.size() != 2)
        return;
    AppConfiguration* a = list.at(0);
    AppConfiguration* b = list.at(1);
    PositionGroup* group = currentPositionGroup();

    std::optional<Corner> pA, pB;
    if (group) {
        pA = group->getPosition(a->bundleID());
        if (pA)
            pB = group->getPosition(b->bundleID());
    }

    if (pA && pB) {
        logInfo(lcActivation, logPrefix(QStringLiteral("🔄 Swapping via position group: "),
                                        QStringLiteral("🔄 MinimizedView: Swapping via position group: ")) +
                                  group->name() + QStringLiteral(" -> ") + a->appName() +
                                  QStringLiteral("(") + str(*pA) + QStringLiteral(") ↔ ") + b->appName() +
                                  QStringLiteral("(") + str(*pB) + QStringLiteral(")"));
        const auto [nA, nB] = intelligentSwap(*pA, *pB);
        group->setPosition(a->bundleID(), a->appName(), nA);
        group->setPosition(b->bundleID(), b->appName(), nB);
        writePosition(a, nullptr, nA);
        writePosition(b, nullptr, nB);
    } else {
        const Corner cA = a->corner();
        const Corner cB = b->corner();
        const bool verbose = m_variant == Variant::mainWindow;
        if (verbose)
            logInfo(lcActivation, QStringLiteral("🔄 Swapping positions: ") + a->appName() +
                                      QStringLiteral(" (") + str(cA) + QStringLiteral(") ↔ ") + b->appName() +
                                      QStringLiteral(" (") + str(cB) + QStringLiteral(")"));
        const auto [nA, nB] = intelligentSwap(cA, cB);
        writePosition(a, nullptr, nA);
        writePosition(b, nullptr, nB);
        if (verbose)
            logInfo(lcActivation, QStringLiteral("🔄 Intelligently swapped positions: ") + a->appName() +
                                      QStringLiteral(" → ") + str(nA) + QStringLiteral(", ") + b->appName() +
                                      QStringLiteral(" → ") + str(nB));
    }
    scheduleReapplication();
}

void PositionRearranger::requestSwap() {
    if (selectForRearrangement(QStringLiteral(" on swap")))
        swapTwoAppPositions();
}

// --- rotating corners and thirds ---

bool PositionRearranger::allAppsIn(std::span<const Corner> set) const {
    const PositionGroup* group = currentPositionGroup();
    for (const AppConfiguration* app : apps()) {
        const std::optional<Corner> position = layoutPosition(app, group);
        if (!position || !isIn(set, *position))
            return false;
    }
    return true;
}

bool PositionRearranger::allAppsInCornerPositions() const {
    return allAppsIn(cornerPositionSet);
}

bool PositionRearranger::allAppsInThirdsPositions() const {
    return allAppsIn(thirdsPositionSet);
}

void PositionRearranger::rotate(const Rotation& rotation) {
    const QList<AppConfiguration*> list = apps();
    const bool verbose = m_variant == Variant::mainWindow;
    if (list.size() < 3 || !allAppsIn(rotation.set)) {
        if (verbose)
            logWarning(lcActivation, rotation.refused);
        return;
    }
    if (verbose)
        logInfo(lcActivation, QStringLiteral("🔄 Rotating ") + count(list.size()) + rotation.started);
    PositionGroup* group = currentPositionGroup();
    for (AppConfiguration* app : list) {
        const std::optional<Corner> old = layoutPosition(app, group);
        const std::optional<Corner> next = old ? imageIn(rotation.map, *old) : std::nullopt;
        if (!next)
            continue; // the guard rules this out
        logInfo(lcActivation,
                logPrefix(QStringLiteral("🔄 Rotating "), QStringLiteral("🔄 MinimizedView: Rotating ")) +
                    app->appName() + QStringLiteral(": ") + str(*old) + QStringLiteral(" → ") + str(*next));
        writePosition(app, group, *next);
    }
    scheduleReapplication();
}

void PositionRearranger::rotateCornerPositionsClockwise() {
    rotate({cornerPositionSet, clockwiseCornerRotation,
            QStringLiteral("❌ Cannot rotate: not enough apps or not all in corner positions"),
            QStringLiteral(" corner positions clockwise")});
}

void PositionRearranger::rotateThirdsPositionsRight() {
    rotate({thirdsPositionSet, thirdsRightRotation,
            QStringLiteral("❌ Cannot rotate: not enough apps or not all in thirds positions"),
            QStringLiteral(" thirds positions right")});
}

void PositionRearranger::requestCornerRotation() {
    if (selectForRearrangement(QStringLiteral(" on rotate")))
        rotateCornerPositionsClockwise();
}

void PositionRearranger::requestThirdsRotation() {
    if (!selectForRearrangement(QStringLiteral(" on swap/rotate")))
        return;
    if (apps().size() == 2)
        swapTwoAppPositions();
    else
        rotateThirdsPositionsRight();
}

// --- a half and two corners ---

bool PositionRearranger::isHalfPlusCorners(Corner half, std::span<const Corner> corners) const {
    const PositionGroup* group = currentPositionGroup();
    const QList<AppConfiguration*> list = apps();
    int halves = 0;
    int cornerCount = 0;
    for (const AppConfiguration* app : list) {
        const std::optional<Corner> position = layoutPosition(app, group);
        if (!position)
            continue;
        if (*position == half)
            ++halves;
        else if (isIn(corners, *position))
            ++cornerCount;
    }
    return halves >= 1 && cornerCount >= 1 && halves + cornerCount == list.size();
}

bool PositionRearranger::isLeftHalfPlusRightCorners() const {
    return isHalfPlusCorners(Corner::leftHalf, rightCornerPair);
}

bool PositionRearranger::isRightHalfPlusLeftCorners() const {
    return isHalfPlusCorners(Corner::rightHalf, leftCornerPair);
}

void PositionRearranger::swapHalfWithCorners(const Mirror& mirror, PositionGroup* group) {
    AppConfiguration* h = nullptr;
    AppConfiguration* c = nullptr;
    Corner cornerPosition = Corner::topLeft;
    for (AppConfiguration* app : apps()) {
        const Corner position = ConfigurationActivator::positionOf(app, group);
        if (position == mirror.half && !h)
            h = app;
        else if (isIn(mirror.corners, position) && !c) {
            c = app;
            cornerPosition = position;
        }
    }
    if (!h || !c)
        return;
    if (group) {
        group->setPosition(h->bundleID(), h->appName(), cornerPosition);
        group->setPosition(c->bundleID(), c->appName(), mirror.half);
    }
    writePosition(h, nullptr, cornerPosition);
    writePosition(c, nullptr, mirror.half);
    const QString moved = logPrefix(QStringLiteral("🔄 Moved "), QStringLiteral("🔄 MinimizedView: Moved "));
    logInfo(lcActivation, moved + h->appName() + QStringLiteral(" from ") + str(mirror.half) +
                              QStringLiteral(" to ") + str(cornerPosition));
    logInfo(lcActivation, moved + c->appName() + QStringLiteral(" from ") + str(cornerPosition) +
                              QStringLiteral(" to ") + str(mirror.half));
}

void PositionRearranger::swapLeftHalfWithRightCorners(PositionGroup* group) {
    swapHalfWithCorners({Corner::leftHalf, rightCornerPair}, group);
}

void PositionRearranger::swapRightHalfWithLeftCorners(PositionGroup* group) {
    swapHalfWithCorners({Corner::rightHalf, leftCornerPair}, group);
}

void PositionRearranger::swapHalfCornerPositions() {
    if (apps().size() < 2)
        return;
    PositionGroup* group = currentPositionGroup();
    if (isLeftHalfPlusRightCorners()) {
        logInfo(
            lcActivation,
            logPrefix(QStringLiteral("🔄 Swapping left half + right corners configuration"),
                      QStringLiteral("🔄 MinimizedView: Swapping left half + right corners configuration")));
        swapLeftHalfWithRightCorners(group);
    } else if (isRightHalfPlusLeftCorners()) {
        logInfo(
            lcActivation,
            logPrefix(QStringLiteral("🔄 Swapping right half + left corners configuration"),
                      QStringLiteral("🔄 MinimizedView: Swapping right half + left corners configuration")));
        swapRightHalfWithLeftCorners(group);
    }
    scheduleReapplication();
}

void PositionRearranger::requestHalfCornerSwap() {
    if (selectForRearrangement(QStringLiteral(" on half+corners swap")))
        swapHalfCornerPositions();
}

bool PositionRearranger::isTopHalfPlusBottomCorners() const {
    return isHalfPlusCorners(Corner::topHalf, bottomCornerPair);
}

bool PositionRearranger::isBottomHalfPlusTopCorners() const {
    return isHalfPlusCorners(Corner::bottomHalf, topCornerPair);
}

void PositionRearranger::rotateHalfAndCorners(std::span<const PositionPair> map, PositionGroup* group) {
    for (AppConfiguration* app : apps()) {
        const Corner old = ConfigurationActivator::positionOf(app, group);
        const std::optional<Corner> next = imageIn(map, old);
        if (!next)
            continue;
        logInfo(lcActivation,
                logPrefix(QStringLiteral("🔄 Rotating "), QStringLiteral("🔄 MinimizedView: Rotating ")) +
                    app->appName() + QStringLiteral(": ") + str(old) + QStringLiteral(" → ") + str(*next));
        writePosition(app, group, *next);
    }
}

void PositionRearranger::rotateTopHalfBottomCorners(PositionGroup* group) {
    rotateHalfAndCorners(topHalfBottomCornersRotation, group);
}

void PositionRearranger::rotateBottomHalfTopCorners(PositionGroup* group) {
    rotateHalfAndCorners(bottomHalfTopCornersRotation, group);
}

void PositionRearranger::rotateNewHalfCornerPositions() {
    if (apps().size() != 3)
        return;
    PositionGroup* group = currentPositionGroup();
    if (isTopHalfPlusBottomCorners()) {
        logInfo(
            lcActivation,
            logPrefix(QStringLiteral("🔄 Rotating top half + bottom corners configuration"),
                      QStringLiteral("🔄 MinimizedView: Rotating top half + bottom corners configuration")));
        rotateTopHalfBottomCorners(group);
    } else if (isBottomHalfPlusTopCorners()) {
        logInfo(
            lcActivation,
            logPrefix(QStringLiteral("🔄 Rotating bottom half + top corners configuration"),
                      QStringLiteral("🔄 MinimizedView: Rotating bottom half + top corners configuration")));
        rotateBottomHalfTopCorners(group);
    }
    scheduleReapplication();
}

void PositionRearranger::requestHalfCornerRotation() {
    if (selectForRearrangement(QStringLiteral(" on new half+corners rotate")))
        rotateNewHalfCornerPositions();
}
