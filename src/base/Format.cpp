#include "Format.h"

#include <charconv>
#include <cmath>

QString str(double value) {
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    // Shortest text that reads back to the same value, with ".0" on whole numbers.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

QString str(Point p) {
    return QStringLiteral("(%1, %2)").arg(str(p.x), str(p.y));
}

QString str(Size s) {
    return QStringLiteral("(%1, %2)").arg(str(s.width), str(s.height));
}

QString str(const Rect& r) {
    return QStringLiteral("(%1, %2, %3, %4)").arg(str(r.x), str(r.y), str(r.width), str(r.height));
}

QString str(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
