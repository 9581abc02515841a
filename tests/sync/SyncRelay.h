// A file-sync service between per-machine copies of one folder, run as Syncthing runs one: it notices
// each new version of each file (and each removal) in a copy, and carries it to every other copy after a
// random delay of its own, so files arrive late, out of order, and differently on each machine. A
// version vector per file and copy keeps an older version from replacing a newer one; two versions made
// without seeing each other keep the later (modification time, then device id) and leave the other
// beside it as a conflict copy; a removal loses to a version it had not seen. A copy offline is neither
// read nor written; what waits for it arrives once it is back. Files go in through a hidden temporary
// file and a rename. One step of the relay is one step of the caller's clock.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

class SyncRelay {
public:
    // Per device id, how many versions of the file that device made.
    using Vector = QMap<QString, quint64>;
    enum class Order { equal, before, after, concurrent };
    static Order compare(const Vector& a, const Vector& b);
    // As Syncthing names the loser of a conflict: `<stem>.sync-conflict-<date>-<time>-<device>.<ext>`.
    static QString conflictName(const QString& name, const QDateTime& at, const QString& device);

    // A version of a file as one copy held it, noticed by the relay.
    struct Noticed {
        int copy = 0;
        QString path; // relative to the copy, `<folder>/<name>`
        QByteArray content;
        bool removed = false;
    };

    // `copies` and `devices` one per machine; delays from 0 to `maxDelay` steps.
    SyncRelay(QStringList copies, QStringList devices, quint32 seed, int maxDelay = 10);

    // Notices what changed in every online copy, then delivers what is due.
    void step();
    // Delivers all that is in flight to the online copies, however far off it is due, until nothing
    // new turns up.
    void flush();
    void setOnline(int copy, bool online) { m_online[copy] = online; }
    bool isOnline(int copy) const { return m_online[copy]; }
    const QList<Noticed>& noticed() const { return m_noticed; }

private:
    struct Version {
        QByteArray content;
        bool removed = false;
        Vector vector;
        qint64 modified = 0;
        QString device; // the one that made it
    };
    struct Delivery {
        int to = 0;
        QString path;
        Version version;
        int due = 0;
    };

    bool scan(int copy);
    void announce(int copy, const QString& path, const Version& version);
    // False when the copy changed under it: the delivery waits for the next step.
    bool deliver(const Delivery& delivery);
    bool unchangedOnDisk(int copy, const QString& path) const;
    bool put(int copy, const QString& path, const Version& version);
    void deliverDue(bool all);

    QStringList m_copies;
    QStringList m_devices;
    QList<bool> m_online;
    QList<QHash<QString, Version>> m_index; // per copy: what it holds, as last read or written
    QList<Delivery> m_queue;
    QList<Noticed> m_noticed;
    QRandomGenerator m_random;
    int m_maxDelay;
    int m_step = 0;
};
