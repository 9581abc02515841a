#include "PeerRounds.h"

#include "SyncFolder.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <dirent.h>
#include <unistd.h>

namespace {
// A machine file is a few dozen bytes; anything larger is not one.
constexpr qint64 largest = 4096;
// More machines than anyone owns: a flood of files is not read beyond this.
constexpr int mostMachines = 1000;
} // namespace

// Like the class folders, the folder of machine files is written by other machines and programs: it
// is opened without following a link, and only regular files with one name are read, so that no
// second name of the store's database is ever opened (and its locks dropped) through it.
bool PeerRounds::noteRound(qint64 started, QString* error) {
    if (m_written && started >= m_written && started - m_written < refresh)
        return true;
    const QString folderPath = m_folder + u'/' + folderName();
    const QString name = m_machine + QStringLiteral(".json");
    const int folder = SyncFolder::openSubfolder(m_folder, folderName(), true);
    if (folder < 0) {
        if (error)
            *error = SyncFolder::folderError(folderPath, errno);
        return false;
    }
    const QByteArray data = QJsonDocument(QJsonObject{{QStringLiteral("format"), 1},
                                                      {QStringLiteral("machine"), m_machine},
                                                      {QStringLiteral("round"), double(started)}})
                                .toJson(QJsonDocument::Compact);
    QString why;
    const bool written = SyncFolder::writeFileIn(folder, name, data, nullptr, &why, m_machine);
    ::close(folder);
    if (!written) {
        if (error)
            *error = QStringLiteral("%1/%2: %3").arg(folderPath, name, why);
        return false;
    }
    m_written = started;
    return true;
}

QHash<QString, qint64> PeerRounds::rounds() const {
    QHash<QString, qint64> rounds;
    const int descriptor = SyncFolder::openSubfolder(m_folder, folderName(), false);
    DIR* directory = descriptor < 0 ? nullptr : ::fdopendir(descriptor);
    if (!directory) {
        if (descriptor >= 0)
            ::close(descriptor);
        return rounds;
    }
    while (const dirent* item = ::readdir(directory)) {
        if (rounds.size() >= mostMachines)
            break;
        const QString name = QFile::decodeName(item->d_name);
        if (SyncFolder::isStaleTemporary(name, m_machine)) {
            ::unlinkat(::dirfd(directory), item->d_name, 0);
            continue;
        }
        if (!name.endsWith(QLatin1String(".json")))
            continue;
        const QString machine = name.chopped(5);
        if (QUuid::fromString(machine).isNull())
            continue;
        QByteArray data;
        if (!SyncFolder::readFileIn(::dirfd(directory), name, largest, &data, nullptr))
            continue;
        const QJsonObject object = QJsonDocument::fromJson(data).object();
        const double round = object.value(QStringLiteral("round")).toDouble(-1);
        if (object.value(QStringLiteral("machine")).toString() != machine || round <= 0 || round > 1e15)
            continue;
        rounds.insert(machine, qint64(round));
    }
    ::closedir(directory);
    return rounds;
}

std::optional<qint64> PeerRounds::horizon(qint64 now) const {
    const QHash<QString, qint64> all = rounds();
    if (!all.contains(m_machine))
        return std::nullopt;
    qint64 oldest = now;
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (now - it.value() < away)
            oldest = std::min(oldest, it.value());
    return std::min(oldest - deliveryGrace, now - lifetime);
}
