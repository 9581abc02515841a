#include "DeletionBackup.h"

#include "store/Database.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString DeletionBackup::folderFor(const QString& databasePath) {
    return QFileInfo(databasePath).absolutePath() + QStringLiteral("/backups");
}

std::optional<QString> DeletionBackup::take(const QString& databasePath, QString* error) {
    const QString folder = folderFor(databasePath);
    const auto fail = [&](const QString& why) -> std::optional<QString> {
        if (error)
            *error = QStringLiteral("Could not keep a copy of %1 in %2: %3").arg(databasePath, folder, why);
        return std::nullopt;
    };
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot create the folder"));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString target = QStringLiteral("%1/quarlin-before-sync-%2.sqlite").arg(folder, stamp);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QStringLiteral("%1/quarlin-before-sync-%2-%3.sqlite").arg(folder, stamp).arg(n);

    // A connection of its own reads the last commit, whatever the sync's connection holds open.
    QString message;
    std::unique_ptr<Database> source = Database::open(databasePath, false, &message);
    if (!source)
        return fail(message);
    Statement copy = source->prepare(QStringLiteral("VACUUM INTO ?1"), &message);
    if (!copy.isValid())
        return fail(message);
    copy.bind(1, target);
    if (!copy.run()) {
        message = source->errorMessage();
        QFile::remove(target);
        return fail(message);
    }
    return target;
}
