// The six button looks of the program as values: the constants of each style in one place,
// drawn by ButtonPainter and used through StyledButton. Lengths are pixels; a pair of opacities
// holds the dark value first and the light value second.
#pragma once

#include <QColor>
#include <QPointF>

struct ButtonStyle {
    enum class Kind {
        glassmorphic,
        destructiveGlassmorphic,
        adaptiveGlassmorphic,
        miniAdaptiveGlassmorphic,
        menuBarToggle,
        destructiveMenuBarToggle
    };
    // Which hover look to draw: the material with a tinted outline (current) or the older tinted
    // fill that darkens while pressed.
    enum class Generation { current, earlier };

    Kind kind = Kind::glassmorphic;
    // The tint: the accent colour, red, or the adaptive styles' own accent.
    enum class Tint { accent, red, custom } tint = Tint::accent;
    QColor customAccent;
    // Label font: unchanged, or the 10-pixel medium system font of the mini style.
    bool smallMediumFont = false;
    double horizontalPadding = 12;
    double verticalPadding = 6;
    double cornerRadius = 8;
    double hoverOutlineOpacity = 0.25;
    double hoverOutlineWidth = 1;
    double restingFillOpacityDark = 0.15;
    double restingFillOpacityLight = 0.08;
    double restingBorderOpacityDark = 0.2;
    double restingBorderOpacityLight = 0.12;
    double restingBorderWidth = 1;
    double shadowOpacity = 0.1;
    double shadowBlur = 4;
    QPointF shadowOffset{0, 2};
    double hoverScale = 1.05;

    static constexpr double animationSeconds = 0.15;
    static constexpr double hoverFillOpacity = 0.1;    // earlier generation, at rest under the pointer
    static constexpr double pressedFillOpacity = 0.15; // earlier generation, held down

    static ButtonStyle glassmorphic();
    static ButtonStyle destructiveGlassmorphic();
    // With destructive set the tint is red whatever the accent holds.
    static ButtonStyle adaptiveGlassmorphic(const QColor& accent, bool destructive = false);
    static ButtonStyle miniAdaptiveGlassmorphic(const QColor& accent, bool destructive = false);
    static ButtonStyle menuBarToggle();
    static ButtonStyle destructiveMenuBarToggle();

    // The resolved tint for a scheme.
    QColor tintColour(bool dark) const;
    double restingFillOpacity(bool dark) const {
        return dark ? restingFillOpacityDark : restingFillOpacityLight;
    }
    double restingBorderOpacity(bool dark) const {
        return dark ? restingBorderOpacityDark : restingBorderOpacityLight;
    }

    // The generation every new button draws (current unless a test chooses otherwise).
    static Generation generation();
    static void setGeneration(Generation generation);
};
