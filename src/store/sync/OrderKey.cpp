#include "OrderKey.h"

namespace {
constexpr int base = 62;

int digitOf(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'Z')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'z')
        return u - u'a' + 36;
    return -1;
}

QChar digit(int value) {
    static constexpr char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return QLatin1Char(digits[value]);
}

// The digit at `i` of a fraction, 0 past its end.
int digitAt(QStringView key, qsizetype i) {
    return i < key.size() ? digitOf(key[i]) : 0;
}

// `before` < `after`; an empty `after` (with `open`) is 1, past every key.
QString midpoint(QStringView before, QStringView after, bool open) {
    if (!open) {
        // A shared prefix stays; `before` reads as padded with the lowest digit.
        qsizetype n = 0;
        while (n < after.size() && digitAt(before, n) == digitOf(after[n]))
            ++n;
        if (n > 0)
            return after.first(n).toString() +
                   midpoint(before.size() > n ? before.sliced(n) : QStringView(), after.sliced(n), false);
    }
    const int low = digitAt(before, 0);
    const int high = open ? base : digitOf(after[0]);
    if (high - low > 1)
        return QString(digit((low + high) / 2));
    // Adjacent first digits: `after`'s first digit alone lies between when more follows it.
    if (!open && after.size() > 1)
        return QString(after[0]);
    return QString(digit(low)) + midpoint(before.size() > 1 ? before.sliced(1) : QStringView(), {}, true);
}
} // namespace

QString OrderKey::between(const QString& before, const QString& after) {
    return midpoint(before, after, after.isEmpty());
}

QString OrderKey::fromPlace(qint64 place) {
    // The count of digits first, so that a longer number sorts later; a last digit above the lowest.
    QString digits;
    for (qint64 rest = std::max<qint64>(place, 0); digits.isEmpty() || rest > 0; rest /= base)
        digits.prepend(digit(int(rest % base)));
    return digit(int(digits.size())) + digits + digit(base / 2);
}

bool OrderKey::isValid(const QString& key) {
    if (key.isEmpty() || key.size() > maxLength || key.back() == u'0')
        return false;
    for (const QChar c : key)
        if (digitOf(c) < 0)
            return false;
    return true;
}
