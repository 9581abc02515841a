#pragma once

#include <QJsonObject>
#include <QRandomGenerator>
#include <QString>

#include <optional>

// Writes a sync folder as another machine left it, straight as files: the same folder can then be read
// by builds of different revisions. Live objects have integer places, which every reader takes; a
// tombstone keeps the values and stamps its object had, which readers that do not use them skip.
class SyncFolderGenerator {
public:
    static constexpr int appsPerConfiguration = 4;
    static constexpr int groupsPerConfiguration = 3;
    static constexpr int mappingsPerGroup = 2;
    // Files per configuration: itself, its applications, its position groups and their mappings.
    static constexpr int filesPerConfiguration =
        1 + appsPerConfiguration + groupsPerConfiguration * (1 + mappingsPerGroup);

    // The same seed gives the same ids.
    SyncFolderGenerator(const QString& folder, quint32 seed);

    // `count` configurations, each with its applications, position groups and mappings.
    bool writeConfigurations(int count, QString* error);
    // `count` tombstone files: configurations deleted a day ago with everything they owned.
    bool writeTombstones(int count, QString* error);

    // Renames every living configuration of `folder` as another machine that had read it would,
    // writing each file as a sync service does (a new file renamed over the old one).
    static bool renameConfigurations(const QString& folder, QString* error);

private:
    struct File {
        QString className;
        QString id;
        QJsonObject attributes;
    };
    QList<File> configuration(int number);
    QString newId();
    bool write(const File& file, qint64 madeAt, std::optional<qint64> deletedAt, QString* error);

    QString m_folder;
    QRandomGenerator m_random;
};
