#include "SyncRelay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {
SyncRelay::Vector merged(SyncRelay::Vector a, const SyncRelay::Vector& b) {
    for (auto it = b.begin(); it != b.end(); ++it)
        a[it.key()] = std::max(a.value(it.key()), it.value());
    return a;
}
} // namespace

SyncRelay::Order SyncRelay::compare(const Vector& a, const Vector& b) {
    bool less = false;
    bool greater = false;
    for (const QString& device : merged(a, b).keys()) {
        less = less || a.value(device) < b.value(device);
        greater = greater || a.value(device) > b.value(device);
    }
    return less && greater ? Order::concurrent : less ? Order::before : greater ? Order::after : Order::equal;
}

QString SyncRelay::conflictName(const QString& name, const QDateTime& at, const QString& device) {
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    return QStringLiteral("%1.sync-conflict-%2-%3%4")
        .arg(stem, at.toString(QStringLiteral("yyyyMMdd-HHmmss")), device.left(7), extension);
}

SyncRelay::SyncRelay(QStringList copies, QStringList devices, quint32 seed, int maxDelay)
    : m_copies(std::move(copies)), m_devices(std::move(devices)), m_online(m_copies.size(), true),
      m_index(m_copies.size()), m_random(seed), m_maxDelay(maxDelay) {}

void SyncRelay::step() {
    ++m_step;
    for (int copy = 0; copy < m_copies.size(); ++copy)
        if (m_online[copy])
            scan(copy);
    deliverDue(false);
}

void SyncRelay::flush() {
    for (int round = 0; round < 10; ++round) {
        bool changed = false;
        for (int copy = 0; copy < m_copies.size(); ++copy)
            if (m_online[copy])
                changed = scan(copy) || changed;
        const qsizetype waiting = m_queue.size();
        deliverDue(true);
        if (!changed && m_queue.size() == waiting)
            return;
    }
}

bool SyncRelay::scan(int copy) {
    QHash<QString, Version>& index = m_index[copy];
    QSet<QString> present;
    bool changed = false;
    const QDir root(m_copies[copy]);
    for (const QString& folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir dir(root.filePath(folder));
        // Hidden files are temporary files under way, ours and the machines'.
        for (const QString& name : dir.entryList(QDir::Files)) {
            if (name.endsWith(u'~'))
                continue;
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString path = folder + u'/' + name;
            present.insert(path);
            const QByteArray content = file.readAll();
            const Version held = index.value(path);
            if (!held.removed && held.vector.size() > 0 && held.content == content)
                continue;
            Version version{content, false, held.vector, QFileInfo(file).lastModified().toMSecsSinceEpoch(),
                            m_devices[copy]};
            ++version.vector[m_devices[copy]];
            announce(copy, path, version);
            changed = true;
        }
    }
    for (auto it = index.cbegin(); it != index.cend(); ++it)
        if (!it->removed && !present.contains(it.key())) {
            Version version{{}, true, it->vector, QDateTime::currentMSecsSinceEpoch(), m_devices[copy]};
            ++version.vector[m_devices[copy]];
            announce(copy, it.key(), version);
            changed = true;
        }
    return changed;
}

void SyncRelay::announce(int copy, const QString& path, const Version& version) {
    m_index[copy][path] = version;
    m_noticed.append({copy, path, version.content, version.removed});
    for (int to = 0; to < m_copies.size(); ++to)
        if (to != copy)
            m_queue.append({to, path, version, m_step + int(m_random.bounded(m_maxDelay + 1))});
}

void SyncRelay::deliverDue(bool all) {
    // Older first, as each arrives; what is due together goes in the order it was sent.
    std::stable_sort(m_queue.begin(), m_queue.end(),
                     [](const Delivery& a, const Delivery& b) { return a.due < b.due; });
    QList<Delivery> waiting;
    const QList<Delivery> queue = std::exchange(m_queue, {});
    for (const Delivery& delivery : queue)
        if (!m_online[delivery.to] || (!all && delivery.due > m_step) || !deliver(delivery))
            waiting.append(delivery);
    m_queue = waiting + m_queue; // announcements made while delivering go after
}

bool SyncRelay::deliver(const Delivery& delivery) {
    const int to = delivery.to;
    const Version& incoming = delivery.version;
    const Version held = m_index[to].value(delivery.path);
    const Order order = compare(incoming.vector, held.vector);
    if (order == Order::equal || order == Order::before)
        return true;
    if (!unchangedOnDisk(to, delivery.path))
        return false;
    if (order == Order::after)
        return put(to, delivery.path, incoming);
    // Made without seeing each other. The same content is no conflict; a removal loses; of two versions
    // the later stays, and the other is left beside it. Every copy decides alike, so all end with the
    // winner under the union of the two vectors.
    Version result;
    result.vector = merged(incoming.vector, held.vector);
    if (incoming.removed == held.removed && incoming.content == held.content) {
        m_index[to][delivery.path].vector = result.vector;
        return true;
    }
    const bool incomingWins = held.removed || (!incoming.removed && (incoming.modified != held.modified
                                                                         ? incoming.modified > held.modified
                                                                         : incoming.device > held.device));
    const Version& winner = incomingWins ? incoming : held;
    const Version& loser = incomingWins ? held : incoming;
    if (!loser.removed) {
        const QString name =
            conflictName(delivery.path.section(u'/', 1), QDateTime::currentDateTimeUtc(), loser.device);
        const QString conflict = delivery.path.section(u'/', 0, 0) + u'/' + name;
        if (!put(to, conflict, Version{loser.content, false, {}, loser.modified, loser.device}))
            return false;
    }
    const Vector vector = result.vector;
    result = winner;
    result.vector = vector;
    if (incomingWins)
        return put(to, delivery.path, result);
    m_index[to][delivery.path] = result;
    return true;
}

bool SyncRelay::unchangedOnDisk(int copy, const QString& path) const {
    const Version held = m_index[copy].value(path);
    QFile file(QDir(m_copies[copy]).filePath(path));
    if (!file.open(QIODevice::ReadOnly))
        return held.removed || held.vector.isEmpty();
    return !held.removed && held.content == file.readAll();
}

bool SyncRelay::put(int copy, const QString& path, const Version& version) {
    const QString target = QDir(m_copies[copy]).filePath(path);
    if (version.removed) {
        QFile::remove(target);
    } else {
        QDir().mkpath(QFileInfo(target).path());
        const QString temporary =
            QFileInfo(target).path() + QStringLiteral("/.syncthing.%1.tmp").arg(QFileInfo(target).fileName());
        QFile file(temporary);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(version.content) != version.content.size() || !file.flush())
            return false;
        file.setFileTime(QDateTime::fromMSecsSinceEpoch(version.modified), QFileDevice::FileModificationTime);
        file.close();
        if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
            return false;
    }
    if (!path.contains(QLatin1String(".sync-conflict-")))
        m_index[copy][path] = version;
    return true;
}
