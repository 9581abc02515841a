#include "StoreErrorDialog.h"

#include "store/ModelContainer.h"

StoreErrorDialog::StoreErrorDialog(const QString& path, const QString& message, QWidget* parent)
    : FileProblemDialog(
          QStyle::SP_MessageBoxCritical, tr("Quarlin Cannot Start"),
          {tr("Quarlin could not open its data file."), reasonIn(message, path), tr("File: %1").arg(path),
           tr("The file was left untouched: Quarlin has not changed, moved or replaced it. Put a "
              "backup in its place, or move it aside to start with an empty library, then start "
              "Quarlin again.")},
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
