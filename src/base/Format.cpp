#include "Format.h"

#include <algorithm>
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

QString printable(const QString& text) {
    const auto isControl = [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029;
    };
    if (std::none_of(text.begin(), text.end(), isControl))
        return text;
    QString result;
    result.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (!isControl(c)) {
            result.append(c);
            continue;
        }
        switch (c.unicode()) {
        case u'\n':
            result.append(QStringLiteral("\\n"));
            break;
        case u'\r':
            result.append(QStringLiteral("\\r"));
            break;
        case u'\t':
            result.append(QStringLiteral("\\t"));
            break;
        default:
            result.append(c.unicode() < 0x100
                              ? QStringLiteral("\\x%1").arg(uint(c.unicode()), 2, 16, QLatin1Char('0'))
                              : QStringLiteral("\\u%1").arg(uint(c.unicode()), 4, 16, QLatin1Char('0')));
        }
    }
    return result;
}
