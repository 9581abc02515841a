// Watches the sync folder with inotify: which class folders had files written, renamed or removed,
// and when the folder itself or one of its class folders appeared or went. Links inside the folder
// are never followed; the folder itself may be one.
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

class QSocketNotifier;

class FolderWatcher : public QObject {
    Q_OBJECT
public:
    // `subfolders` are names inside `folder`.
    FolderWatcher(QString folder, QStringList subfolders, QObject* parent = nullptr);
    ~FolderWatcher() override;

    // False when inotify cannot be used here (the caller then rescans often instead).
    bool isWatching() const { return m_descriptor >= 0; }
    // Watches what exists now of the folder and its subfolders.
    void refresh();

    // The subfolders whose files changed since the last call, and whether anything else happened
    // that only a full rescan sees (a folder came or went, events were lost).
    QSet<QString> takeChangedSubfolders();
    bool takeNeedsFullScan();

Q_SIGNALS:
    void changed();

private:
    void readEvents();
    void watch(const QString& path, quint32 mask);

    QString m_folder;
    QStringList m_subfolders;
    int m_descriptor = -1;
    QSocketNotifier* m_notifier = nullptr;
    // Watch descriptor -> subfolder name; empty for the folder, "/" for its parent.
    QHash<int, QString> m_watches;
    QSet<QString> m_changed;
    bool m_needsFullScan = false;
};
