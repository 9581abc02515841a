#include "ButtonStyle.h"

#include "LookColors.h"

namespace {
ButtonStyle::Generation g_generation = ButtonStyle::Generation::current;

ButtonStyle adaptive(ButtonStyle::Kind kind, const QColor& accent, bool destructive) {
    ButtonStyle s;
    s.kind = kind;
    s.tint = destructive ? ButtonStyle::Tint::red : ButtonStyle::Tint::custom;
    s.customAccent = accent;
    s.horizontalPadding = 8;
    s.verticalPadding = 4;
    s.cornerRadius = 6;
    s.hoverOutlineOpacity = 0.3;
    s.shadowBlur = 3;
    s.shadowOffset = {0, 1};
    return s;
}

ButtonStyle toggle(ButtonStyle::Kind kind, ButtonStyle::Tint tint) {
    ButtonStyle s;
    s.kind = kind;
    s.tint = tint;
    s.horizontalPadding = 0;
    s.verticalPadding = 0;
    s.cornerRadius = 10;
    s.restingFillOpacityLight = s.restingFillOpacityDark = 0.15;
    s.restingBorderOpacityLight = s.restingBorderOpacityDark = 0.2;
    s.shadowBlur = 6;
    s.shadowOffset = {0, 3};
    return s;
}
} // namespace

ButtonStyle ButtonStyle::glassmorphic() {
    return ButtonStyle{};
}

ButtonStyle ButtonStyle::destructiveGlassmorphic() {
    ButtonStyle s;
    s.kind = Kind::destructiveGlassmorphic;
    s.tint = Tint::red;
    return s;
}

ButtonStyle ButtonStyle::adaptiveGlassmorphic(const QColor& accent, bool destructive) {
    return adaptive(Kind::adaptiveGlassmorphic, accent, destructive);
}

ButtonStyle ButtonStyle::miniAdaptiveGlassmorphic(const QColor& accent, bool destructive) {
    ButtonStyle s = adaptive(Kind::miniAdaptiveGlassmorphic, accent, destructive);
    s.smallMediumFont = true;
    s.verticalPadding = 5;
    s.cornerRadius = 5;
    s.hoverOutlineWidth = 0.8;
    s.restingBorderWidth = 0.8;
    s.shadowOpacity = 0.08;
    s.shadowBlur = 2;
    s.shadowOffset = {0, 0.5};
    s.hoverScale = 1.03;
    return s;
}

ButtonStyle ButtonStyle::menuBarToggle() {
    return toggle(Kind::menuBarToggle, Tint::accent);
}

ButtonStyle ButtonStyle::destructiveMenuBarToggle() {
    return toggle(Kind::destructiveMenuBarToggle, Tint::red);
}

QColor ButtonStyle::tintColour(bool dark) const {
    switch (tint) {
    case Tint::red:
        return LookColors::red(dark);
    case Tint::custom:
        return customAccent.isValid() ? customAccent : LookColors::accent(dark);
    case Tint::accent:
        break;
    }
    return LookColors::accent(dark);
}

ButtonStyle::Generation ButtonStyle::generation() {
    return g_generation;
}

void ButtonStyle::setGeneration(Generation generation) {
    g_generation = generation;
}
