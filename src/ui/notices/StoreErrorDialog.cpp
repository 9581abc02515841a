#include "StoreErrorDialog.h"

#include "store/ModelContainer.h"

#include <QFileInfo>

StoreErrorDialog::StoreErrorDialog(const QString& path, const QString& message, QWidget* parent)
    : FileProblemDialog(QStyle::SP_MessageBoxCritical, tr("Quarlin Cannot Start"),
                        {tr("Quarlin could not open its data file."), reasonIn(message, path),
                         tr("File: %1").arg(path), advice(path, message)},
                        tr("Quit"), parent) {
    setObjectName(QStringLiteral("storeErrorDialog"));
}

QString StoreErrorDialog::reasonIn(const QString& message, const QString& path) {
    QString reason = message;
    const QString prefix = ModelContainer::failureMessage(QString());
    if (reason.startsWith(prefix))
        reason.remove(0, prefix.size());
    if (reason.startsWith(path + QStringLiteral(": ")))
        reason.remove(0, path.size() + 2);
    return reason.isEmpty() ? reason : reason.at(0).toUpper() + reason.mid(1);
}

QString StoreErrorDialog::advice(const QString& path, const QString& message) {
    // Another file in its place would fail the same way: the folder itself needs mending.
    const QString folder = ModelContainer::unwritableFolderReason(QFileInfo(path).absolutePath());
    const QString reason = reasonIn(message, path);
    // Nothing is wrong with the file or the folder; only room is missing.
    if (reason.endsWith(ModelContainer::diskFullReason(), Qt::CaseInsensitive))
        return tr("Nothing was changed. The disk that holds this folder has no room left for Quarlin's "
                  "data: free some space on it, then start Quarlin again.");
    if (reason.compare(folder, Qt::CaseInsensitive) == 0 ||
        reason.startsWith(QStringLiteral("Could not create the folder ")))
        return tr("Nothing was changed. Quarlin keeps its data in this folder and must be able to write "
                  "there: check the folder's permissions and its owner, and that its disk is not mounted "
                  "read-only, then start Quarlin again.");
    // The file this start began was taken away again: there is nothing to put a backup in place of.
    if (!QFileInfo::exists(path))
        return tr("Nothing was changed: Quarlin removed the new file it had begun. Start Quarlin again "
                  "once the problem above is mended.");
    return tr("The file was left untouched: Quarlin has not changed, moved or replaced it. Put a "
              "backup in its place, or move it aside to start with an empty library, then start "
              "Quarlin again.");
}
