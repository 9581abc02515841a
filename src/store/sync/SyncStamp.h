// A hybrid logical clock reading: wall time in milliseconds, a counter for events within the same
// millisecond (or while the wall clock lags behind a stamp already seen), and the machine that made it.
// Stamps order every change across machines, ties broken by the machine id.
#pragma once

#include <QString>

#include <compare>
#include <optional>

struct SyncStamp {
    // What the fixed-width text holds; a stamp beyond either bound is refused wherever it is read.
    static constexpr qint64 maxWall = 9'999'999'999'999;
    static constexpr qint64 maxCounter = 999'999;
    // The latest wall time a stamp may carry, read or made (in the year 2255, far beyond any clock).
    // Every stamp made stays within it: one after it would be refused by every other machine.
    static constexpr qint64 latestWall = 9'000'000'000'000;
    // A machine id: an upper-case UUID without braces, as every machine makes its own.
    static bool isMachineId(QStringView text);

    qint64 wall = 0;
    qint64 counter = 0;
    QString machine;

    bool isNull() const { return wall == 0 && counter == 0 && machine.isEmpty(); }
    // "<wall ms, 13 digits>-<counter, 6 digits>-<machine>": sorts as text in the same order.
    QString toString() const;
    // Nothing for a stamp out of bounds or with anything but a machine id as its machine.
    static std::optional<SyncStamp> fromString(const QString& text);
    // The first stamp of the machine `by` after this one: it wins over this one everywhere. After the
    // last counter of `latestWall` none is left: there the machine ids decide.
    SyncStamp after(const QString& by) const;

    std::strong_ordering operator<=>(const SyncStamp& other) const;
    bool operator==(const SyncStamp& other) const = default;
};
