#include "FolderSyncStatus.h"

#include "SyncEngine.h"

#include "base/Log.h"

FolderSyncStatus::FolderSyncStatus(SyncEngine* engine, QString startError, QObject* parent)
    : SyncStatus(parent), m_engine(engine), m_startError(std::move(startError)) {
    m_lastStatus = accountStatus();
    if (m_engine)
        connect(m_engine, &SyncEngine::finished, this, &FolderSyncStatus::noticeSync);
}

SyncStatus::AccountStatus FolderSyncStatus::accountStatus() const {
    if (!m_engine)
        return AccountStatus::temporarilyUnavailable;
    switch (m_engine->folderState()) {
    case SyncFolder::State::available:
        return AccountStatus::available;
    case SyncFolder::State::noFolder:
        return AccountStatus::noAccount;
    case SyncFolder::State::readOnly:
        return AccountStatus::restricted;
    case SyncFolder::State::unavailable:
        break;
    }
    return AccountStatus::temporarilyUnavailable;
}

QString FolderSyncStatus::folderPath() const {
    return m_engine ? m_engine->folderPath() : SyncFolder::defaultPath();
}

bool FolderSyncStatus::syncNow(QString* error) {
    QString message = m_startError;
    const bool ok = m_engine && m_engine->importChanges(&message);
    m_outcome = ok ? Outcome::synced : Outcome::failed;
    m_error = ok ? QString() : message;
    if (ok) {
        m_time = QDateTime::currentDateTimeUtc();
        logLine(QStringLiteral("✅ Manual sync completed"));
    } else {
        logLine(QStringLiteral("❌ Manual sync failed: ") + message);
    }
    if (error)
        *error = m_error;
    Q_EMIT changed();
    return ok;
}

void FolderSyncStatus::noticeSync(bool ok) {
    const Outcome outcome = ok ? Outcome::synced : Outcome::failed;
    const QString error = ok ? QString() : m_engine->lastError();
    if (ok)
        m_time = QDateTime::currentDateTimeUtc();
    const AccountStatus status = accountStatus();
    const int unreadable = m_engine->unreadableFileCount();
    const QString note = m_engine->notice();
    // Rounds end often; only a difference is news.
    if (status == m_lastStatus && outcome == m_outcome && error == m_error && unreadable == m_unreadable &&
        note == m_notice)
        return;
    m_lastStatus = status;
    m_unreadable = unreadable;
    m_notice = note;
    m_outcome = outcome;
    m_error = error;
    Q_EMIT changed();
}
