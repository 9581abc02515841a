// A copy of the store kept before a sync deletes many configurations or saved applications at once: one
// broken peer or bad script could otherwise empty the library on every machine, with no way back.
#pragma once

#include <QString>

#include <optional>

class DeletionBackup {
public:
    // More configurations and saved applications (together) than this deleted by one sync round take a
    // copy first.
    static constexpr int threshold = 3;

    // <folder of the database>/backups
    static QString folderFor(const QString& databasePath);
    // Copies what is committed in the database now (changes of an open transaction of another
    // connection are not in it) to a new file in the backups folder; its path, or nothing with the
    // reason.
    static std::optional<QString> take(const QString& databasePath, QString* error);
};
