// Preferences kept in a JSON file, written atomically after every change. A file that cannot
// be read as a JSON object is moved aside and reported, never overwritten.
#pragma once

#include "PreferenceStore.h"

class JsonPreferenceStore : public PreferenceStore {
    Q_OBJECT
public:
    // $XDG_CONFIG_HOME/quarlin/preferences.json (~/.config/quarlin/ by default).
    static QString defaultPath();

    explicit JsonPreferenceStore(const QString& path, QObject* parent = nullptr);

    QString path() const { return m_path; }
    // Empty when the file loaded (or did not exist); else what went wrong and where the
    // damaged file now is.
    QString loadError() const { return m_loadError; }
    // Empty while every write succeeded; else the last failure.
    QString writeError() const { return m_writeError; }

protected:
    void persist(const QJsonObject& values) override;

private:
    void load();

    QString m_path;
    QString m_loadError;
    QString m_writeError;
};
