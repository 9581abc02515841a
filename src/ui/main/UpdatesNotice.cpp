#include "UpdatesNotice.h"

#include "ui/look/DialogFrame.h"

#include <QApplication>
#include <QMessageBox>

namespace UpdatesNotice {

QMessageBox* open(QWidget* parent) {
    auto* box = new QMessageBox(
        QMessageBox::Information, QObject::tr("Check for Updates"),
        QObject::tr(
            "Quarlin %1 is installed. Updates come from your distribution's packages: update Quarlin with "
            "your package manager.")
            .arg(QApplication::applicationVersion()),
        QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("updatesNotice"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    DialogFrame::apply(box);
    box->open();
    return box;
}

} // namespace UpdatesNotice
