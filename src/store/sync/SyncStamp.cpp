#include "SyncStamp.h"

#include <QStringList>

QString SyncStamp::toString() const {
    return QStringLiteral("%1-%2-%3")
        .arg(wall, 13, 10, QLatin1Char('0'))
        .arg(counter, 6, 10, QLatin1Char('0'))
        .arg(machine);
}

std::optional<SyncStamp> SyncStamp::fromString(const QString& text) {
    const QStringList parts = text.split(u'-');
    // The machine id is a UUID without braces, which has four hyphens of its own.
    if (parts.size() < 3)
        return std::nullopt;
    bool wallOk = false, counterOk = false;
    SyncStamp stamp;
    stamp.wall = parts[0].toLongLong(&wallOk);
    stamp.counter = parts[1].toLongLong(&counterOk);
    stamp.machine = parts.mid(2).join(u'-');
    if (!wallOk || !counterOk || stamp.wall < 0 || stamp.counter < 0 || stamp.machine.isEmpty())
        return std::nullopt;
    return stamp;
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
