// A hybrid logical clock reading: wall time in milliseconds, a counter for events within the same
// millisecond (or while the wall clock lags behind a stamp already seen), and the machine that made it.
// Stamps order every change across machines, ties broken by the machine id.
#pragma once

#include <QString>

#include <compare>
#include <optional>

struct SyncStamp {
    qint64 wall = 0;
    qint64 counter = 0;
    QString machine;

    bool isNull() const { return wall == 0 && counter == 0 && machine.isEmpty(); }
    // "<wall ms, 13 digits>-<counter, 6 digits>-<machine>": sorts as text in the same order.
    QString toString() const;
    static std::optional<SyncStamp> fromString(const QString& text);

    std::strong_ordering operator<=>(const SyncStamp& other) const;
    bool operator==(const SyncStamp& other) const = default;
};
