#include "SyncFolder.h"

#include "SyncSchema.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUuid>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
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

int SyncFolder::openSubfolder(const QString& root, const QString& name, bool create) {
    // The sync folder itself may be a link (to a folder that a sync service shares); below it, nothing is.
    const int top = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0)
        return -1;
    const QByteArray encoded = QFile::encodeName(name);
    int folder = ::openat(top, encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0 && errno == ENOENT && create && ::mkdirat(top, encoded.constData(), 0755) == 0)
        folder = ::openat(top, encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int saved = errno;
    ::close(top);
    errno = saved;
    return folder;
}

int SyncFolder::openClassFolder(ModelObject::Kind kind, bool create) const {
    return openSubfolder(m_path, SyncSchema::className(kind), create);
}

QString SyncFolder::folderError(const QString& folder, int error) {
    // O_NOFOLLOW reports a link as ELOOP, and O_DIRECTORY anything else as ENOTDIR.
    if (error == ELOOP || error == ENOTDIR)
        return QStringLiteral("%1: a symbolic link or a file, not followed").arg(folder);
    return QStringLiteral("%1: %2").arg(folder, errorText(error));
}

namespace {
// Why a listed name is never opened, or nothing for a regular file with one name.
std::optional<QString> refusal(const struct stat& info) {
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("a symbolic link, not followed");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("not a regular file");
    if (info.st_nlink != 1)
        return QStringLiteral("a file with other names (a hard link), not read");
    return std::nullopt;
}
} // namespace

bool SyncFolder::list(ModelObject::Kind kind, QList<Entry>* entries, QList<Refused>* refused,
                      QString* error) const {
    const QString folder = m_path + u'/' + SyncSchema::className(kind);
    const bool denied = m_denied && m_denied(folder);
    const int descriptor = denied ? -1 : openClassFolder(kind, false);
    DIR* directory = descriptor < 0 ? nullptr : ::fdopendir(descriptor);
    if (!directory) {
        const int saved = denied ? EACCES : errno;
        if (descriptor >= 0)
            ::close(descriptor);
        if (saved == ENOENT)
            return true;
        struct stat info {};
        const bool there = ::lstat(QFile::encodeName(folder).constData(), &info) == 0;
        if ((saved == ELOOP || saved == ENOTDIR) && refused && there && S_ISLNK(info.st_mode)) {
            // Never followed; the other classes still come in.
            refused->append(
                {folder, QStringLiteral("a symbolic link, not followed"), signatureFrom(info), info.st_mode});
            return true;
        }
        if (saved != ELOOP && saved != ENOTDIR && refused && there && S_ISDIR(info.st_mode)) {
            // A folder this user may not read holds back its own class only.
            refused->append({folder, errorText(saved), signatureFrom(info), info.st_mode, true});
            return true;
        }
        if (error)
            *error = folderError(folder, saved);
        return false;
    }
    while (const dirent* item = ::readdir(directory)) {
        const QString name = QFile::decodeName(item->d_name);
        // Hidden names are temporary files: ours, and those of sync services while they copy. Ours that
        // a crash left would stay for good, and travel to every machine.
        if (name.startsWith(u'.') || name.endsWith(u'~')) {
            if (isStaleTemporary(name, m_writer))
                ::unlinkat(::dirfd(directory), item->d_name, 0);
            continue;
        }
        Entry entry;
        entry.path = folder + u'/' + name;
        entry.name = name;
        struct stat info {};
        if (::fstatat(::dirfd(directory), item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        entry.signature = signatureFrom(info);
        entry.mode = info.st_mode;
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
            if (refused)
                refused->append(
                    {entry.path, QStringLiteral("not an object file"), entry.signature, entry.mode});
            continue;
        }
        if (const std::optional<QString> why = refusal(info)) {
            if (refused)
                refused->append({entry.path, *why, entry.signature, entry.mode});
            continue;
        }
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
    const int folder = openClassFolder(kind, true);
    if (folder < 0) {
        if (error)
            *error = folderError(m_path + u'/' + SyncSchema::className(kind), errno);
        return false;
    }
    QString why;
    const bool ok =
        writeFileIn(folder, id + QStringLiteral(".json"), data, written, &why, m_writer, m_checkpoint);
    ::close(folder);
    if (!ok && error)
        *error = QStringLiteral("%1: %2").arg(fileFor(kind, id), why);
    return ok;
}

bool SyncFolder::isStaleTemporary(const QString& name, const QString& writer) {
    // `.<name>.<writer>.<process id>.<random>.tmp`
    if (writer.isEmpty() || !name.startsWith(u'.') || !name.endsWith(QLatin1String(".tmp")))
        return false;
    const QList<QStringView> parts = QStringView(name).chopped(4).split(u'.');
    if (parts.size() < 5 || parts[parts.size() - 3] != writer)
        return false;
    bool number = false;
    const qint64 process = parts[parts.size() - 2].toLongLong(&number);
    if (!number || process <= 0 || process > std::numeric_limits<pid_t>::max() || process == ::getpid())
        return false;
    // A process of that id still running may be this machine's writer at work (or one that took the
    // id over since: its file goes once it has ended).
    return ::kill(pid_t(process), 0) != 0 && errno == ESRCH;
}

bool SyncFolder::writeFileIn(int folder, const QString& name, const QByteArray& data, Signature* written,
                             QString* error, const QString& writer, const Checkpoint& checkpoint) {
    const QByteArray targetName = QFile::encodeName(name);
    const QString random =
        QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const QByteArray temporary = QFile::encodeName(
        writer.isEmpty() ? QStringLiteral(".%1.%2.tmp").arg(name, random)
                         : QStringLiteral(".%1.%2.%3.%4.tmp").arg(name, writer).arg(::getpid()).arg(random));
    int file = -1;
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        if (file >= 0) {
            ::close(file);
            ::unlinkat(folder, temporary.constData(), 0);
        }
        return false;
    };
    file =
        ::openat(folder, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (file < 0)
        return fail(errorText(errno));
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t count = ::write(file, data.constData() + done, size_t(data.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return fail(errorText(count < 0 ? errno : ENOSPC));
        done += count;
    }
    // Taken before the rename, which keeps inode, size and time: what is found there later under
    // another signature was written by someone else.
    struct stat info {};
    if (::fstat(file, &info) != 0)
        return fail(errorText(errno));
    if (checkpoint)
        checkpoint("temporaryWritten");
    // The rename replaces whatever has the name, a link included, and never writes through it.
    if (::renameat(folder, temporary.constData(), folder, targetName.constData()) != 0)
        return fail(errorText(errno));
    ::close(file);
    if (written)
        *written = signatureFrom(info);
    return true;
}

bool SyncFolder::read(ModelObject::Kind kind, const Entry& file, QByteArray* data, QString* error) const {
    const int folder = openClassFolder(kind, false);
    if (folder < 0) {
        if (error)
            *error = folderError(m_path + u'/' + SyncSchema::className(kind), errno);
        return false;
    }
    const bool ok = readIn(folder, file, data, error);
    ::close(folder);
    return ok;
}

bool SyncFolder::readIn(int folder, const Entry& file, QByteArray* data, QString* error) const {
    if (m_denied && m_denied(file.path)) {
        if (error)
            *error = errorText(EACCES);
        return false;
    }
    // Object files are small; a large one is not ours.
    return readFileIn(folder, file.name, 1 << 20, data, error);
}

bool SyncFolder::readFileIn(int folder, const QString& fileName, qint64 largest, QByteArray* data,
                            QString* error) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QByteArray name = QFile::encodeName(fileName);
    struct stat info {};
    // Checked before opening: opening and closing the store's database under another name would drop
    // this process's locks on it.
    if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return fail(errorText(errno));
    if (const std::optional<QString> why = refusal(info))
        return fail(*why);
    const int descriptor =
        ::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const int saved = errno;
    if (descriptor < 0)
        return fail(saved == ELOOP ? QStringLiteral("a symbolic link, not followed") : errorText(saved));
    struct stat opened {};
    if (::fstat(descriptor, &opened) != 0 || opened.st_ino != info.st_ino || opened.st_dev != info.st_dev ||
        refusal(opened)) {
        ::close(descriptor);
        return fail(QStringLiteral("replaced while it was read"));
    }
    if (opened.st_size > largest) {
        ::close(descriptor);
        return fail(QStringLiteral("too large for an object file"));
    }
    data->resize(qsizetype(opened.st_size));
    qsizetype done = 0;
    while (done < data->size()) {
        const ssize_t count = ::read(descriptor, data->data() + done, size_t(data->size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        done += count;
    }
    ::close(descriptor);
    data->truncate(done);
    return true;
}

void SyncFolder::remove(ModelObject::Kind kind, const Entry& file) const {
    const int folder = openClassFolder(kind, false);
    if (folder < 0)
        return;
    ::unlinkat(folder, QFile::encodeName(file.name).constData(), 0);
    ::close(folder);
}

std::optional<SyncFolder::Signature> SyncFolder::signatureOf(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return signatureFrom(info);
}
