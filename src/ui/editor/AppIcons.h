// Application icons for the editor's rows: from the running-applications cache when the application
// runs, else from the Icon key of its desktop entry; none when neither gives one. Remembers what it
// found for as long as it lives (one editor).
#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

#include <optional>

class AppState;

class AppIcons {
public:
    explicit AppIcons(AppState& state) : m_state(state) {}

    // A null icon when there is none.
    QIcon iconFor(const QString& bundleID);
    // An icon theme name or a file path; null for none.
    static QIcon fromSpec(const std::optional<QString>& spec);
    // The Icon key of a desktop entry file's main group; empty when absent or unreadable.
    static QString desktopEntryIcon(const QString& path);

private:
    AppState& m_state;
    QHash<QString, QIcon> m_cache;
};
