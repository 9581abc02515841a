#include "JsonPreferenceStore.h"
#include "Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

QString JsonPreferenceStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quarlin/preferences.json");
}

JsonPreferenceStore::JsonPreferenceStore(const QString& path, QObject* parent)
    : PreferenceStore(parent), m_path(path) {
    load();
}

void JsonPreferenceStore::load() {
    QFile file(m_path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        m_loadError = QStringLiteral("Could not read preferences %1: %2").arg(m_path, file.errorString());
        logLine(QStringLiteral("⚠️ ") + m_loadError);
        return;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    file.close();
    if (parseError.error == QJsonParseError::NoError && doc.isObject()) {
        replaceAll(doc.object());
        return;
    }
    // Keep the damaged file for the user; start from defaults without touching it again.
    const QString reason = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                        : QStringLiteral("not a JSON object");
    const QString aside = m_path + QStringLiteral(".damaged-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFile::rename(m_path, aside))
        m_loadError =
            QStringLiteral("Preferences %1 could not be read (%2); kept as %3").arg(m_path, reason, aside);
    else
        m_loadError =
            QStringLiteral("Preferences %1 could not be read (%2) nor moved aside").arg(m_path, reason);
    logLine(QStringLiteral("⚠️ ") + m_loadError);
}

void JsonPreferenceStore::persist(const QJsonObject& values) {
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
    m_writeError = QStringLiteral("Could not write preferences %1: %2").arg(m_path, file.errorString());
    logLine(QStringLiteral("❌ ") + m_writeError);
}
