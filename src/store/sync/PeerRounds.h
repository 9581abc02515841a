// When each machine sharing the folder last read all of it: one small file per machine,
// Machines/<machine id>.json, rewritten at most hourly. From them follows how long a tombstone must
// stay: until every machine that still syncs has read the whole folder well after the deletion.
#pragma once

#include <QHash>
#include <QString>

#include <optional>

class PeerRounds {
public:
    static constexpr qint64 day = 24 * 60 * 60 * 1000;
    // A tombstone lives at least this long.
    static constexpr qint64 lifetime = 30 * day;
    // A round counts for a tombstone only this long after it: sync services may deliver late.
    static constexpr qint64 deliveryGrace = 7 * day;
    // A machine that has not read the folder for this long no longer holds tombstones back.
    static constexpr qint64 away = 180 * day;
    // How often this machine's own file is rewritten at most.
    static constexpr qint64 refresh = 60 * 60 * 1000;

    static QString folderName() { return QStringLiteral("Machines"); }

    PeerRounds(QString folder, QString machine)
        : m_folder(std::move(folder)), m_machine(std::move(machine)) {}

    // This machine finished reading the whole folder in a round that started at `started` (ms since
    // the epoch); its file is rewritten when the last one is older than `refresh`.
    bool noteRound(qint64 started, QString* error);
    // Tombstones whose stamp is older than this (ms) have been read by every machine that still syncs;
    // nothing while this machine has not finished a round of its own.
    std::optional<qint64> horizon(qint64 now) const;

    // The rounds of the machines as last read, by machine id.
    QHash<QString, qint64> rounds() const;

private:
    QString m_folder;
    QString m_machine;
    qint64 m_written = 0;
};
