#include "JsonPreferenceStore.h"
#include "Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
// Enough names for every damaged file of one second; QFile::rename never replaces a file.
constexpr int asideNamesPerSecond = 100;
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
    QFile file(m_path);
    if (!file.exists())
        return;
    if (file.open(QIODevice::ReadOnly)) {
        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
        file.close();
        if (parseError.error == QJsonParseError::NoError && doc.isObject()) {
            replaceAll(doc.object());
            return;
        }
        m_loadFailureReason = parseError.error != QJsonParseError::NoError
                                  ? parseError.errorString()
                                  : QStringLiteral("not a JSON object");
    } else {
        m_loadFailureReason = file.errorString();
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
