#include "PeerRounds.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QUuid>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
// A machine file is a few dozen bytes; anything larger is not one.
constexpr qint64 largest = 4096;
// More machines than anyone owns: a flood of files is not read beyond this.
constexpr int mostMachines = 1000;

std::optional<QByteArray> readSmallRegularFile(const QString& path) {
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (descriptor < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<QByteArray> data;
    if (::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= largest) {
        QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
        if (::read(descriptor, bytes.data(), size_t(bytes.size())) == ssize_t(bytes.size()))
            data = bytes;
    }
    ::close(descriptor);
    return data;
}
} // namespace

bool PeerRounds::noteRound(qint64 started, QString* error) {
    if (m_written && started >= m_written && started - m_written < refresh)
        return true;
    const QString folder = m_folder + u'/' + folderName();
    const QString target = folder + u'/' + m_machine + QStringLiteral(".json");
    const QString temporary = QStringLiteral("%1/.%2.json.%3.tmp")
                                  .arg(folder, m_machine)
                                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(target, why);
        QFile::remove(temporary);
        return false;
    };
    if (!QDir(folder).exists() && !QDir().mkdir(folder))
        return fail(QStringLiteral("cannot create the folder"));
    const QByteArray data = QJsonDocument(QJsonObject{{QStringLiteral("format"), 1},
                                                      {QStringLiteral("machine"), m_machine},
                                                      {QStringLiteral("round"), double(started)}})
                                .toJson(QJsonDocument::Compact);
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(file.errorString());
    if (file.write(data) != data.size() || !file.flush())
        return fail(file.errorString());
    file.close();
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    m_written = started;
    return true;
}

QHash<QString, qint64> PeerRounds::rounds() const {
    QHash<QString, qint64> rounds;
    const QDir folder(m_folder + u'/' + folderName());
    const QStringList names = folder.entryList({QStringLiteral("*.json")}, QDir::Files | QDir::System);
    for (const QString& name : names) {
        if (rounds.size() >= mostMachines)
            break;
        const QString machine = name.chopped(5);
        if (QUuid::fromString(machine).isNull())
            continue;
        const std::optional<QByteArray> data = readSmallRegularFile(folder.filePath(name));
        if (!data)
            continue;
        const QJsonObject object = QJsonDocument::fromJson(*data).object();
        const double round = object.value(QStringLiteral("round")).toDouble(-1);
        if (object.value(QStringLiteral("machine")).toString() != machine || round <= 0 || round > 1e15)
            continue;
        rounds.insert(machine, qint64(round));
    }
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
