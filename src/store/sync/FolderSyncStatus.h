// The settings tab's view of sync: the sync folder's state as the account status, the outcome of the
// last round (automatic or requested), and "Sync Now" as an export and an import at once.
#pragma once

#include "platform/SyncStatus.h"

class SyncEngine;

class FolderSyncStatus : public SyncStatus {
    Q_OBJECT
public:
    // Without an engine (sync could not start) the folder counts as unavailable and syncs fail.
    FolderSyncStatus(SyncEngine* engine, QString startError, QObject* parent = nullptr);

    AccountStatus accountStatus() const override;
    Outcome lastOutcome() const override { return m_outcome; }
    QString lastError() const override { return m_error; }
    QDateTime lastSyncTime() const override { return m_time; }
    int unreadableFileCount() const override { return m_unreadable; }
    QStringList unreadableFiles() const override { return m_unreadableFiles; }
    QString notice() const override { return m_notice; }
    QString folderPath() const override;
    void syncNow(Done done) override;

private:
    // After every round, automatic or requested.
    void noticeSync(bool ok);
    void noticeManualSync(bool ok, const QString& error);

    SyncEngine* m_engine;
    QString m_startError;
    Outcome m_outcome = Outcome::none;
    QString m_error;
    QDateTime m_time;
    int m_unreadable = 0;
    QStringList m_unreadableFiles;
    QString m_notice;
    AccountStatus m_lastStatus = AccountStatus::couldNotDetermine;
};
