// What the settings tab shows of sync between machines, and its "Sync Now": the state of the sync
// folder in the terms of an account status, the outcome of the last sync, and a sync on request.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class SyncStatus : public QObject {
    Q_OBJECT
public:
    // The values of the account status that the settings tab reads.
    enum class AccountStatus {
        couldNotDetermine = 0,
        available = 1,              // the folder exists and can be written
        restricted = 2,             // it exists but cannot be written
        noAccount = 3,              // there is no folder
        temporarilyUnavailable = 4, // it cannot be read just now
    };
    enum class Outcome { none, synced, failed };

    using QObject::QObject;

    // Looks at the folder now.
    virtual AccountStatus accountStatus() const = 0;
    // The last sync, automatic or requested; the error of a failed one.
    virtual Outcome lastOutcome() const = 0;
    virtual QString lastError() const = 0;
    virtual QDateTime lastSyncTime() const = 0;
    // The folder that is shared with the other machines; empty when unknown.
    virtual QString folderPath() const { return {}; }
    // How many files of the folder could not be read (damaged, foreign, of a newer format) and were
    // skipped; a count, since a broken peer can leave any number of them.
    virtual int unreadableFileCount() const { return 0; }
    // A few of them by name, each as "<path>: <reason>".
    virtual QStringList unreadableFiles() const { return {}; }
    // What the user should know of the last round beyond success (a copy kept before many deletions,
    // and how to restore it); empty when nothing.
    virtual QString notice() const { return {}; }

    using Done = std::function<void(bool ok, const QString& error)>;
    // Saves what is pending, writes every change to the folder and merges what the folder holds, in
    // the background; `done` runs on the main thread once both directions are done (on this turn when
    // nothing has to wait), ok only when both succeeded, else with the reason. A request made while
    // one runs joins it. Prints "✅ Manual sync completed" or "❌ Manual sync failed: " with the
    // reason itself.
    virtual void syncNow(Done done) = 0;

Q_SIGNALS:
    // The account status, the last outcome or the unreadable files may have changed.
    void changed();
};
