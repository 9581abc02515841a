#include "FolderSyncStatus.h"

#include "SyncEngine.h"

#include "base/Log.h"

#include <QPointer>

FolderSyncStatus::FolderSyncStatus(SyncEngine* engine, QString startError, QObject* parent)
    : SyncStatus(parent), m_engine(engine), m_startError(std::move(startError)) {
    m_lastStatus = accountStatus();
    if (m_engine) {
        connect(m_engine, &SyncEngine::finished, this, &FolderSyncStatus::noticeSync);
        connect(m_engine, &SyncEngine::writeFailureChanged, this,
                [this] { noticeSync(m_engine->lastError().isEmpty()); });
    }
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

void FolderSyncStatus::syncNow(Done done) {
    // The engine may end the sync after this status is gone (the settings tab closed meanwhile): the
    // line is printed and `done` told all the same.
    auto end = [self = QPointer<FolderSyncStatus>(this), done = std::move(done)](bool ok,
                                                                                 const QString& error) {
        if (ok)
            logInfo(lcSync, QStringLiteral("✅ Manual sync completed"));
        else
            logWarning(lcSync, QStringLiteral("❌ Manual sync failed: ") + error);
        if (self)
            self->noticeManualSync(ok, error);
        if (done)
            done(ok, ok ? QString() : error);
    };
    if (!m_engine)
        return end(false, m_startError);
    m_engine->syncNow(std::move(end));
}

void FolderSyncStatus::noticeManualSync(bool ok, const QString& error) {
    m_outcome = ok ? Outcome::synced : Outcome::failed;
    m_error = ok ? QString() : error;
    if (ok)
        m_time = QDateTime::currentDateTimeUtc();
    Q_EMIT changed();
}

void FolderSyncStatus::noticeSync(bool ok) {
    // Files that wait for another try after their writing failed are not synced yet.
    const QString writeFailure = m_engine->writeFailure();
    const Outcome outcome = ok && writeFailure.isEmpty() ? Outcome::synced : Outcome::failed;
    const QString error = ok ? writeFailure : m_engine->lastError();
    if (ok)
        m_time = QDateTime::currentDateTimeUtc();
    const AccountStatus status = accountStatus();
    const int unreadable = m_engine->unreadableFileCount();
    const QStringList unreadableFiles = m_engine->unreadableFiles();
    const QString note = m_engine->notice();
    // Rounds end often; only a difference is news.
    if (status == m_lastStatus && outcome == m_outcome && error == m_error && unreadable == m_unreadable &&
        unreadableFiles == m_unreadableFiles && note == m_notice)
        return;
    m_lastStatus = status;
    m_unreadable = unreadable;
    m_unreadableFiles = unreadableFiles;
    m_notice = note;
    m_outcome = outcome;
    m_error = error;
    Q_EMIT changed();
}
