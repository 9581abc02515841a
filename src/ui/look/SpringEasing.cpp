#include "SpringEasing.h"

#include <cmath>
#include <numbers>

namespace SpringEasing {

namespace {
double critical(double seconds) {
    const double omega = 2 * std::numbers::pi / responseSeconds;
    return 1.0 - (1.0 + omega * seconds) * std::exp(-omega * seconds);
}

qreal spring(qreal progress) {
    static const double end = critical(durationMs / 1000.0);
    return critical(progress * durationMs / 1000.0) / end;
}
} // namespace

QEasingCurve curve() {
    QEasingCurve c;
    c.setCustomType(spring);
    return c;
}

} // namespace SpringEasing
