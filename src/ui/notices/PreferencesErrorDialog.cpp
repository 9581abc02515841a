#include "PreferencesErrorDialog.h"

PreferencesErrorDialog::PreferencesErrorDialog(const QString& path, const QString& reason,
                                               const QString& keptAs, QWidget* parent)
    : FileProblemDialog(QStyle::SP_MessageBoxWarning, tr("Quarlin Could Not Read Its Preferences"),
                        paragraphs(path, reason, keptAs), tr("OK"), parent) {
    setObjectName(QStringLiteral("preferencesErrorDialog"));
}

QStringList PreferencesErrorDialog::paragraphs(const QString& path, const QString& reason,
                                               const QString& keptAs) {
    const QString why = reason.isEmpty() ? reason : reason.at(0).toUpper() + reason.mid(1);
    QStringList said{tr("Quarlin could not read its preferences file and uses the default settings instead."),
                     why, tr("File: %1").arg(path)};
    if (keptAs.isEmpty())
        said.append(tr("The file could not be moved aside, so Quarlin leaves it as it is: settings "
                       "you change now last until Quarlin quits. Repair the file or move it away, "
                       "then start Quarlin again."));
    else
        said << tr("The damaged file was kept unchanged as: %1").arg(keptAs)
             << tr("Settings you change now are saved in a new file. Copy what you need from the "
                   "damaged one, or delete it when you no longer need it.");
    return said;
}
