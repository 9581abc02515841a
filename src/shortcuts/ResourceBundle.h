// The shortcut component's texts: a folder of its own beside the program, one JSON table per language.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace KeyboardShortcuts {

class ResourceBundle {
public:
    static QString bundleName() { return QStringLiteral("KeyboardShortcuts_KeyboardShortcuts.bundle"); }

    // Where the program looks: its installed data folder, then the folder of the program itself.
    static QStringList candidateFolders();
    // The bundle in the first folder that holds one, for the user's languages.
    static std::optional<ResourceBundle> find(const QStringList& folders, const QStringList& languages);
    // The component's bundle, found once; the process stops when there is none.
    static const ResourceBundle& module();

    // The text for a key, or the key itself when the bundle lacks it.
    QString localized(const QString& key) const;
    const QString& path() const { return m_path; }

private:
    QString m_path;
    QHash<QString, QString> m_texts;
};

// A text of the component, from its bundle.
QString localized(const QString& key);

} // namespace KeyboardShortcuts
