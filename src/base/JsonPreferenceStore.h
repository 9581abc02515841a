// Preferences kept in a JSON file, written atomically after every change. A file that cannot be
// read as a JSON object (or is no regular file, or is larger than maxFileSize) is moved aside under a name of
// its own and reported, never overwritten; when it cannot be moved, nothing is written over it and changes
// live in memory only.
#pragma once

#include "PreferenceStore.h"

#include <functional>

class JsonPreferenceStore : public PreferenceStore {
    Q_OBJECT
public:
    // Renames a file, never over an existing one; false when it did not happen.
    using MoveAside = std::function<bool(const QString& from, const QString& to)>;

    // 1 MB; the file holds a few kilobytes, so a larger one is not ours.
    static constexpr qint64 maxFileSize = 1024 * 1024;

    // $XDG_CONFIG_HOME/quarlin/preferences.json (~/.config/quarlin/ by default).
    static QString defaultPath();

    explicit JsonPreferenceStore(const QString& path, QObject* parent = nullptr);
    JsonPreferenceStore(const QString& path, const MoveAside& moveAside, QObject* parent = nullptr);

    QString path() const { return m_path; }
    // Empty when the file loaded (or did not exist); else what went wrong and where the
    // damaged file now is.
    QString loadError() const { return m_loadError; }
    // Why the file could not be loaded, without the path; empty when it loaded.
    QString loadFailureReason() const { return m_loadFailureReason; }
    // Where the damaged file was moved; empty when it loaded or could not be moved (then it is
    // still at path() and nothing is written there).
    QString keptAsidePath() const { return m_keptAsidePath; }
    // Empty while every write succeeded; else the last failure.
    QString writeError() const { return m_writeError; }

Q_SIGNALS:
    // The first write that failed after one that succeeded (or after loading): the value changed in
    // memory, but would be lost at quit. Not sent while a damaged file is kept in place, which the
    // load error already tells.
    void writeFailed(const QString& error);

protected:
    void persist(const QJsonObject& values) override;

private:
    void load(const MoveAside& moveAside);

    QString m_path;
    QString m_loadError;
    QString m_loadFailureReason;
    QString m_keptAsidePath;
    bool m_damagedFileInPlace = false;
    QString m_writeError;
};
