// Rearranges the positions of one configuration's applications: swapping two, rotating corners and
// thirds, swapping or rotating a half with two corners. Works for a row's activator, whose row and
// rules it reads, and hands the result back to it for the re-application.
#pragma once

#include "ConfigurationActivator.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>
#include <span>
#include <utility>

class PositionRearranger {
public:
    using PositionPair = std::pair<Corner, Corner>;
    using Variant = ConfigurationActivator::Variant;

    // --- fixed tables ---
    static constexpr std::array<PositionPair, 11> recognizedPositionPairs = {{
        {Corner::topHalf, Corner::bottomHalf},
        {Corner::leftHalf, Corner::rightHalf},
        {Corner::topLeft, Corner::topRight},
        {Corner::bottomLeft, Corner::bottomRight},
        {Corner::topLeft, Corner::bottomLeft},
        {Corner::topRight, Corner::bottomRight},
        {Corner::topLeft, Corner::bottomRight},
        {Corner::topRight, Corner::bottomLeft},
        {Corner::leftThird, Corner::centerThird},
        {Corner::centerThird, Corner::rightThird},
        {Corner::leftThird, Corner::rightThird},
    }};
    static constexpr std::array<Corner, 4> cornerPositionSet = {Corner::topLeft, Corner::topRight,
                                                                Corner::bottomLeft, Corner::bottomRight};
    static constexpr std::array<Corner, 3> thirdsPositionSet = {Corner::leftThird, Corner::centerThird,
                                                                Corner::rightThird};
    static constexpr std::array<PositionPair, 4> clockwiseCornerRotation = {{
        {Corner::topLeft, Corner::topRight},
        {Corner::topRight, Corner::bottomRight},
        {Corner::bottomRight, Corner::bottomLeft},
        {Corner::bottomLeft, Corner::topLeft},
    }};
    static constexpr std::array<PositionPair, 3> thirdsRightRotation = {{
        {Corner::leftThird, Corner::centerThird},
        {Corner::centerThird, Corner::rightThird},
        {Corner::rightThird, Corner::leftThird},
    }};
    static constexpr std::array<Corner, 2> rightCornerPair = {Corner::topRight, Corner::bottomRight};
    static constexpr std::array<Corner, 2> leftCornerPair = {Corner::topLeft, Corner::bottomLeft};
    static constexpr std::array<Corner, 2> bottomCornerPair = {Corner::bottomLeft, Corner::bottomRight};
    static constexpr std::array<Corner, 2> topCornerPair = {Corner::topLeft, Corner::topRight};
    static constexpr std::array<PositionPair, 3> topHalfBottomCornersRotation = {{
        {Corner::topHalf, Corner::bottomRight},
        {Corner::bottomRight, Corner::bottomLeft},
        {Corner::bottomLeft, Corner::topHalf},
    }};
    static constexpr std::array<PositionPair, 3> bottomHalfTopCornersRotation = {{
        {Corner::bottomHalf, Corner::topLeft},
        {Corner::topLeft, Corner::topRight},
        {Corner::topRight, Corner::bottomHalf},
    }};

    // The image of `position` in a rotation map; none when the map does not hold it.
    static std::optional<Corner> imageIn(std::span<const PositionPair> map, Corner position);
    static bool isIn(std::span<const Corner> set, Corner position);

    // Lives only for one call of the activator: it keeps a reference to it.
    explicit PositionRearranger(const ConfigurationActivator& activator);

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
    struct Mirror;
    struct Rotation;

    QList<AppConfiguration*> apps() const { return m_activator.apps(); }
    PositionGroup* currentPositionGroup() const { return m_activator.currentPositionGroup(); }
    QString logPrefix(const QString& mainWindow, const QString& menuBar) const {
        return m_activator.logPrefix(mainWindow, menuBar);
    }

    // With a group only its mapping counts (none when it has no mapping); without one, the own position.
    std::optional<Corner> layoutPosition(const AppConfiguration* app, const PositionGroup* group) const;
    bool allAppsIn(std::span<const Corner> set) const;
    bool isHalfPlusCorners(Corner half, std::span<const Corner> corners) const;

    // The guard of every rearrangement control: false when applications are missing.
    bool selectForRearrangement(const QString& suffix);
    // Rewrites one application's positions: the group's mapping (when there is a group), then its own.
    static void writePosition(AppConfiguration* app, PositionGroup* group, Corner position);

    void rotate(const Rotation& rotation);
    void swapHalfWithCorners(const Mirror& mirror, PositionGroup* group);
    void swapLeftHalfWithRightCorners(PositionGroup* group);
    void swapRightHalfWithLeftCorners(PositionGroup* group);
    void rotateHalfAndCorners(std::span<const PositionPair> map, PositionGroup* group);
    void rotateTopHalfBottomCorners(PositionGroup* group);
    void rotateBottomHalfTopCorners(PositionGroup* group);
    void scheduleReapplication();

    const ConfigurationActivator& m_activator;
    Platform& m_platform;
    Variant m_variant;
    const ConfigurationActivator::Row& m_row;
};
