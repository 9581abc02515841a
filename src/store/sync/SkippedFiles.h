// The files of the sync folder that could not be read, each remembered by the version that could not
// (so it is read again only once it changes), and reported without flooding the console: a few lines
// per round, then one line for the rest.
#pragma once

#include "SyncFolder.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

class SkippedFiles {
public:
    // Lines of their own per round; the rest are counted into one.
    static constexpr int linesPerRound = 5;

    // One version of a file: its contents, and its permissions (a file refused for them is read again
    // once they change).
    struct Version {
        SyncFolder::Signature signature;
        // 0 when not known (a listed file's mode always has its type bits): any mode then.
        quint32 mode = 0;
        bool operator==(const Version& other) const {
            return signature == other.signature && (mode == other.mode || !mode || !other.mode);
        }
    };
    // Whether this version of the file was skipped before.
    bool contains(const QString& path, const Version& version) const;
    // The same, whatever its permissions.
    bool contains(const QString& path, const SyncFolder::Signature& signature) const;
    // Remembers the file; logs "⚠️ Sync: skipped <path>: <why>" for the first few new ones in a round.
    void skip(const QString& path, const Version& version, const QString& why);
    // The file was read after all.
    void forget(const QString& path);

    // A full round lists every file: those not seen in it are gone and forgotten.
    void beginRound(bool full);
    void seen(const QString& path);
    // Logs how many more were skipped in this round than were named; forgets what a full round that
    // read everything did not see.
    void endRound(const QString& folder, bool complete);

    int count() const { return int(m_files.size()); }
    // A few of the files skipped, each as "<path>: <why>", for the settings tab.
    QStringList named() const;

private:
    static quint64 keyOf(const QString& path);
    void drop(quint64 key);

    // By a hash of the path: a flood of 100,000 files costs little memory.
    QHash<quint64, Version> m_files;
    // Only a few are named.
    QHash<quint64, QString> m_names;
    QSet<quint64> m_seen;
    bool m_full = false;
    int m_named = 0;
    int m_unnamed = 0;
};
