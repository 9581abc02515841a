#include "AlreadyRunningAlert.h"

#include "ui/look/DialogFrame.h"

#include <QLabel>

AlreadyRunningAlert::AlreadyRunningAlert(const QString& detail, QWidget* parent)
    : QMessageBox(QMessageBox::Critical, tr("Quarlin Is Already Running"),
                  tr("Quarlin is already running but did not answer, so it could not be brought forward."),
                  QMessageBox::NoButton, parent) {
    setObjectName(QStringLiteral("alreadyRunningAlert"));
    setTextFormat(Qt::PlainText);
    setInformativeText(tr("Quit the running Quarlin, or end it in your system monitor if it does not "
                          "react, then start Quarlin again.\n\n%1")
                           .arg(detail));
    // The detail holds paths, shown as they are.
    if (auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    setDefaultButton(addButton(tr("Quit"), QMessageBox::AcceptRole));
    DialogFrame::apply(this);
}
