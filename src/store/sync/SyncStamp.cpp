#include "SyncStamp.h"

#include <QUuid>

namespace {
// Digits of a non-negative number, left-padded with zeros to `width`; thousands of stamps are
// written and read per import, so this avoids the general formatting machinery.
void appendPadded(QString& out, qint64 value, int width) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 && count < 24);
    for (int i = count; i < width; ++i)
        out.append(u'0');
    while (count > 0)
        out.append(QLatin1Char(digits[--count]));
}

bool parseNumber(QStringView text, qint64 largest, qint64* value) {
    if (text.isEmpty() || text.size() > 18)
        return false;
    qint64 result = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        result = result * 10 + (c.unicode() - u'0');
    }
    if (result > largest)
        return false;
    *value = result;
    return true;
}
} // namespace

QString SyncStamp::toString() const {
    QString text;
    text.reserve(21 + machine.size());
    appendPadded(text, wall, 13);
    text.append(u'-');
    appendPadded(text, counter, 6);
    text.append(u'-');
    text.append(machine);
    return text;
}

std::optional<SyncStamp> SyncStamp::fromString(const QString& text) {
    // The machine id is a UUID without braces, which has hyphens of its own.
    const qsizetype first = text.indexOf(u'-');
    const qsizetype second = first < 0 ? -1 : text.indexOf(u'-', first + 1);
    if (second < 0 || second + 1 >= text.size())
        return std::nullopt;
    SyncStamp stamp;
    if (!parseNumber(QStringView(text).left(first), latestWall, &stamp.wall) ||
        !parseNumber(QStringView(text).mid(first + 1, second - first - 1), maxCounter, &stamp.counter) ||
        !isMachineId(QStringView(text).mid(second + 1)))
        return std::nullopt;
    stamp.machine = text.mid(second + 1);
    return stamp;
}

bool SyncStamp::isMachineId(QStringView text) {
    if (text.size() != 36)
        return false;
    for (QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || c == u'-'))
            return false;
    return !QUuid::fromString(text).isNull();
}

SyncStamp SyncStamp::after(const QString& by) const {
    if (counter < maxCounter)
        return {wall, counter + 1, by};
    return wall < latestWall ? SyncStamp{wall + 1, 0, by} : SyncStamp{latestWall, maxCounter, by};
}

std::strong_ordering SyncStamp::operator<=>(const SyncStamp& other) const {
    if (wall != other.wall)
        return wall <=> other.wall;
    if (counter != other.counter)
        return counter <=> other.counter;
    const int byMachine = machine.compare(other.machine);
    return byMachine < 0   ? std::strong_ordering::less
           : byMachine > 0 ? std::strong_ordering::greater
                           : std::strong_ordering::equal;
}
