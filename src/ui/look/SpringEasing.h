// The interface's spring timing (response 0.35 s, damping fraction 1: no overshoot) as a Qt easing
// curve with the duration it needs to settle.
#pragma once

#include <QEasingCurve>

namespace SpringEasing {

constexpr double responseSeconds = 0.35;
// Long enough for the critically damped spring to come within a pixel of its target.
constexpr int durationMs = 450;

QEasingCurve curve();

} // namespace SpringEasing
