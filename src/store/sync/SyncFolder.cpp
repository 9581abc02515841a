#include "SyncFolder.h"

#include "SyncSchema.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int idLength = 36;

SyncFolder::Signature signatureFrom(const struct stat& info) {
    return {qint64(info.st_ino), qint64(info.st_size),
            qint64(info.st_mtim.tv_sec) * 1000000000 + qint64(info.st_mtim.tv_nsec)};
}

bool isId(QStringView text) {
    if (text.size() != idLength)
        return false;
    for (QChar c : text)
        if (!(c.isDigit() || (c >= u'A' && c <= u'F') || c == u'-'))
            return false;
    return !QUuid::fromString(text).isNull();
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

QString SyncFolder::defaultPath() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/quarlin/iCloud.TQ83NWX5LM.velmorix.Quarlin");
}

SyncFolder::State SyncFolder::state() const {
    const QByteArray path = QFile::encodeName(m_path);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? State::noFolder : State::unavailable;
    if (!S_ISDIR(info.st_mode) || ::access(path.constData(), R_OK | X_OK) != 0)
        return State::unavailable;
    if (::access(path.constData(), W_OK) != 0)
        return State::readOnly;
    return State::available;
}

bool SyncFolder::list(ModelObject::Kind kind, QList<Entry>* entries, QStringList* foreign,
                      QString* error) const {
    const QString folder = m_path + u'/' + SyncSchema::className(kind);
    DIR* directory = ::opendir(QFile::encodeName(folder).constData());
    if (!directory) {
        if (errno == ENOENT)
            return true;
        if (error)
            *error = QStringLiteral("%1: %2").arg(folder, errorText(errno));
        return false;
    }
    while (const dirent* item = ::readdir(directory)) {
        const QString name = QFile::decodeName(item->d_name);
        // Hidden names are temporary files: ours, and those of sync services while they copy.
        if (name.startsWith(u'.') || name.endsWith(u'~'))
            continue;
        Entry entry;
        entry.path = folder + u'/' + name;
        const QStringView stem = QStringView(name).left(idLength);
        const bool json = name.endsWith(QLatin1String(".json"));
        if (json && isId(stem) && name.size() == idLength + 5) {
            entry.id = stem.toString();
        } else if (json && isId(stem) &&
                   (name.contains(QLatin1String(".sync-conflict-")) ||
                    name.contains(QLatin1String("conflicted copy"), Qt::CaseInsensitive))) {
            entry.id = stem.toString();
            entry.conflictCopy = true;
        } else {
            if (foreign)
                foreign->append(entry.path);
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(directory), item->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        entry.signature = signatureFrom(info);
        entries->append(entry);
    }
    ::closedir(directory);
    return true;
}

QString SyncFolder::fileFor(ModelObject::Kind kind, const QString& id) const {
    return m_path + u'/' + SyncSchema::className(kind) + u'/' + id + QStringLiteral(".json");
}

bool SyncFolder::write(ModelObject::Kind kind, const QString& id, const QByteArray& data, Signature* written,
                       QString* error) {
    const QString folder = m_path + u'/' + SyncSchema::className(kind);
    const QString target = fileFor(kind, id);
    const QString temporary = QStringLiteral("%1/.%2.json.%3.tmp")
                                  .arg(folder, id)
                                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(target, why);
        QFile::remove(temporary);
        return false;
    };
    if (!QDir(folder).exists() && !QDir().mkdir(folder))
        return fail(QStringLiteral("cannot create the folder"));
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(file.errorString());
    if (file.write(data) != data.size() || !file.flush())
        return fail(file.errorString());
    file.close();
    // Taken before the rename, which keeps inode, size and time: what is found there later under
    // another signature was written by someone else.
    const std::optional<Signature> signature = signatureOf(temporary);
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(errorText(errno));
    if (written)
        *written = signature.value_or(Signature{});
    return true;
}

bool SyncFolder::read(const QString& path, QByteArray* data, QString* error) {
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0) {
        if (error)
            *error = errorText(errno);
        if (descriptor >= 0)
            ::close(descriptor);
        return false;
    }
    // Object files are small; a large one is not ours.
    constexpr qint64 largest = 1 << 20;
    if (info.st_size > largest) {
        ::close(descriptor);
        if (error)
            *error = QStringLiteral("too large for an object file");
        return false;
    }
    data->resize(qsizetype(info.st_size));
    qsizetype done = 0;
    while (done < data->size()) {
        const ssize_t count = ::read(descriptor, data->data() + done, size_t(data->size() - done));
        if (count <= 0)
            break;
        done += count;
    }
    ::close(descriptor);
    data->truncate(done);
    return true;
}

std::optional<SyncFolder::Signature> SyncFolder::signatureOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return signatureFrom(info);
}
