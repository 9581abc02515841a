#include "JsonPreferenceStore.h"
#include "Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Enough names for every damaged file of one second; QFile::rename never replaces a file.
constexpr int asideNamesPerSecond = 100;

enum class Read { absent, read, refused };

// Only a regular file of sane size is read. Whatever else sits at the path (a pipe that would block,
// a link to a device that never ends) is refused from the opened descriptor, without waiting on it.
Read readFile(const QString& path, QByteArray* bytes, QString* why) {
    const QByteArray name = QFile::encodeName(path);
    // A device is not even opened; the descriptor's own type is checked again below, as the path may
    // change in between.
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        // Nothing there, or a file where a folder of the path should be: nothing to read either way.
        if (errno == ENOENT || errno == ENOTDIR)
            return Read::absent;
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return Read::refused;
    }
    if (!S_ISREG(info.st_mode)) {
        *why = QStringLiteral("not a regular file");
        return Read::refused;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Read::absent;
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return Read::refused;
    }
    const auto done = [fd](Read result) {
        ::close(fd);
        return result;
    };
    if (::fstat(fd, &info) != 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return done(Read::refused);
    }
    if (!S_ISREG(info.st_mode)) {
        *why = QStringLiteral("not a regular file");
        return done(Read::refused);
    }
    const auto tooLarge = [why] {
        *why = QStringLiteral("larger than 1 MB");
        return Read::refused;
    };
    if (info.st_size > JsonPreferenceStore::maxFileSize)
        return done(tooLarge());
    // The file may grow while it is read: one byte past the cap tells.
    bytes->resize(qsizetype(JsonPreferenceStore::maxFileSize) + 1);
    qsizetype total = 0;
    while (total < bytes->size()) {
        const ssize_t n = ::read(fd, bytes->data() + total, size_t(bytes->size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *why = QString::fromLocal8Bit(std::strerror(errno));
            return done(Read::refused);
        }
        if (n == 0)
            break;
        total += n;
    }
    if (total > JsonPreferenceStore::maxFileSize)
        return done(tooLarge());
    bytes->resize(total);
    return done(Read::read);
}
} // namespace

QString JsonPreferenceStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quarlin/preferences.json");
}

JsonPreferenceStore::JsonPreferenceStore(const QString& path, QObject* parent)
    : JsonPreferenceStore(
          path, [](const QString& from, const QString& to) { return QFile::rename(from, to); }, parent) {}

JsonPreferenceStore::JsonPreferenceStore(const QString& path, const MoveAside& moveAside, QObject* parent)
    : PreferenceStore(parent), m_path(path) {
    load(moveAside);
}

void JsonPreferenceStore::load(const MoveAside& moveAside) {
    QByteArray bytes;
    switch (readFile(m_path, &bytes, &m_loadFailureReason)) {
    case Read::absent:
        return;
    case Read::read: {
        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
        if (parseError.error == QJsonParseError::NoError && doc.isObject()) {
            replaceAll(doc.object());
            return;
        }
        m_loadFailureReason = parseError.error != QJsonParseError::NoError
                                  ? parseError.errorString()
                                  : QStringLiteral("not a JSON object");
        break;
    }
    case Read::refused:
        break;
    }

    // Keep the damaged file for the user and start from defaults; a second damaged file in the same
    // second gets a name of its own rather than the first one's.
    const QString stem = m_path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= asideNamesPerSecond && m_keptAsidePath.isEmpty(); ++n) {
        const QString aside = n == 1 ? stem : stem + QLatin1Char('-') + QString::number(n);
        if (!QFileInfo::exists(aside) && moveAside(m_path, aside))
            m_keptAsidePath = aside;
    }
    m_damagedFileInPlace = m_keptAsidePath.isEmpty();
    if (m_damagedFileInPlace)
        m_loadError =
            QStringLiteral("Preferences %1 could not be read (%2) nor moved aside; not writing over it")
                .arg(m_path, m_loadFailureReason);
    else
        m_loadError = QStringLiteral("Preferences %1 could not be read (%2); kept as %3")
                          .arg(m_path, m_loadFailureReason, m_keptAsidePath);
    logWarning(lcPreferences, QStringLiteral("⚠️ ") + m_loadError);
}

void JsonPreferenceStore::persist(const QJsonObject& values) {
    if (m_damagedFileInPlace) {
        // Only the first refusal is logged: every change would repeat it.
        if (m_writeError.isEmpty()) {
            m_writeError =
                QStringLiteral("Not writing preferences %1: it could not be read and is kept as it is")
                    .arg(m_path);
            logWarning(lcPreferences, QStringLiteral("❌ ") + m_writeError);
        }
        return;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        const QByteArray bytes = QJsonDocument(values).toJson(QJsonDocument::Indented);
        ok = file.write(bytes) == bytes.size() && file.commit();
    }
    if (ok) {
        m_writeError.clear();
        return;
    }
    const bool firstFailure = m_writeError.isEmpty();
    m_writeError = QStringLiteral("Could not write preferences %1: %2").arg(m_path, file.errorString());
    logWarning(lcPreferences, QStringLiteral("❌ ") + m_writeError);
    if (firstFailure)
        Q_EMIT writeFailed(m_writeError);
}
