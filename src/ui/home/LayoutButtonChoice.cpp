#include "LayoutButtonChoice.h"

#include "activation/ConfigurationActivator.h"
#include "model/ConfigurationGroup.h"

std::optional<LayoutButtonChoice> LayoutButtonChoice::choose(const ConfigurationActivator& activator) {
    const ConfigurationGroup* configuration = activator.row().configuration;
    const qsizetype n = configuration ? configuration->configurationList().size() : 0;
    if (n == 2)
        return LayoutButtonChoice{Operation::swapTwo, QStringLiteral("Swap"),
                                  QStringLiteral("arrow.left.arrow.right"), QStringLiteral("orange"),
                                  QStringLiteral("Swap app positions")};
    if (n >= 3 && activator.allAppsInCornerPositions())
        return LayoutButtonChoice{Operation::rotateCorners, QStringLiteral("Rotate"),
                                  QStringLiteral("arrow.clockwise"), QStringLiteral("purple"),
                                  QStringLiteral("Rotate corner positions clockwise")};
    if (n >= 2 && activator.allAppsInThirdsPositions())
        return LayoutButtonChoice{Operation::rotateThirds, QStringLiteral("Rotate"),
                                  QStringLiteral("arrow.right.circle"), QStringLiteral("blue"),
                                  QStringLiteral("Rotate thirds positions")};
    if (n >= 2 && (activator.isLeftHalfPlusRightCorners() || activator.isRightHalfPlusLeftCorners()))
        return LayoutButtonChoice{Operation::swapHalfAndCorners, QStringLiteral("Swap"),
                                  QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("green"),
                                  QStringLiteral("Swap half and corner positions")};
    if (n == 3 && (activator.isTopHalfPlusBottomCorners() || activator.isBottomHalfPlusTopCorners()))
        return LayoutButtonChoice{Operation::rotateHalfAndCorners, QStringLiteral("Rotate"),
                                  QStringLiteral("arrow.clockwise.circle"), QStringLiteral("cyan"),
                                  QStringLiteral("Rotate half and corner positions")};
    return std::nullopt;
}

void LayoutButtonChoice::run(Operation operation, ConfigurationActivator& activator) {
    switch (operation) {
    case Operation::swapTwo:
        activator.requestSwap();
        break;
    case Operation::rotateCorners:
        activator.requestCornerRotation();
        break;
    case Operation::rotateThirds:
        activator.requestThirdsRotation();
        break;
    case Operation::swapHalfAndCorners:
        activator.requestHalfCornerSwap();
        break;
    case Operation::rotateHalfAndCorners:
        activator.requestHalfCornerRotation();
        break;
    }
}
