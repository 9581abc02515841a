// The desktop entries the user can start, by desktop-entry id, found as XDG defines it: the
// user's applications folder first, then each system data folder; a file in a subfolder gets
// the subfolder as a "-" prefix. Safe to use from several threads.
#pragma once

#include "DesktopEntry.h"

#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QStringList>

#include <optional>

class DesktopEntryIndex {
public:
    // applicationDirs in precedence order, e.g. {"~/.local/share/applications", "/usr/share/applications"}.
    explicit DesktopEntryIndex(QStringList applicationDirs, QString locale = DesktopEntry::userLocale());

    // $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS, with the XDG defaults.
    static QStringList defaultApplicationDirs();
    // An id that could not reach outside the application folders: not empty, no path separator,
    // no "..".
    static bool isSafeId(const QString& id);

    // The id of a program that no entry names, from its WM_CLASS ("quarlin-XLogo"): the id of the
    // entry written for it once the user keeps it. Absent without a class.
    static std::optional<QString> idForUnlistedClass(const QString& wmClass);

    const QStringList& applicationDirs() const { return m_dirs; }

    // The entry that wins for this id; absent when there is none or the id is unsafe.
    std::optional<DesktopEntry> entry(const QString& id);
    // The id of the installed application an X window names, in this order: an entry with
    // exactly that id (for application ids), then one whose StartupWMClass is that WM_CLASS
    // value, then one whose id is it, any case.
    std::optional<QString> idForApplicationId(const QString& applicationId);
    std::optional<QString> idForWindowClass(const QString& wmClass);
    // The id of the installed application whose Exec starts this executable (canonical path).
    std::optional<QString> idForExecutable(const QString& executable);
    // Every canonical executable that installed applications start, with their ids.
    QHash<QString, QString> executables();
    // Grows whenever the folders were read again.
    quint64 generation();

private:
    struct Item {
        QString id;
        DesktopEntry entry;
        bool installed = false;
    };

    // Re-reads the folders when one of them changed since the last scan.
    void refresh();
    void scan(const QString& root, const QString& dir, const QString& prefix, QHash<QString, Item>& found);

    QStringList m_dirs;
    QString m_locale;
    QMutex m_mutex;
    QHash<QString, QDateTime> m_stamps; // every folder read, with its modification time
    QDateTime m_scanTime;
    bool m_scanned = false;
    quint64 m_generation = 0;
    QList<Item> m_items; // sorted by id
    QHash<QString, qsizetype> m_byId;
    QHash<QString, QString> m_byExecutable;
};
