#include "PreferencesWriteNotice.h"

#include "base/JsonPreferenceStore.h"
#include "ui/look/DialogFrame.h"

#include <QLabel>
#include <QMessageBox>

PreferencesWriteNotice::PreferencesWriteNotice(JsonPreferenceStore& preferences, QObject* parent)
    : QObject(parent) {
    connect(&preferences, &JsonPreferenceStore::writeFailed, this, &PreferencesWriteNotice::show);
}

PreferencesWriteNotice::~PreferencesWriteNotice() {
    delete m_box;
}

void PreferencesWriteNotice::show(const QString& error) {
    if (m_box)
        return;
    m_box = new QMessageBox(QMessageBox::Warning, tr("Quarlin Could Not Save Its Preferences"),
                            tr("Quarlin could not save the settings you changed. They apply until Quarlin "
                               "quits and are back to their old values at the next start."),
                            QMessageBox::Ok);
    m_box->setTextFormat(Qt::PlainText);
    // The failure names the file; it may hold anything, and is shown as it is.
    m_box->setInformativeText(error);
    if (auto* label = m_box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    m_box->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: the program goes on, and a hot key may be what changed the setting.
    m_box->setWindowModality(Qt::NonModal);
    DialogFrame::apply(m_box);
    m_box->show();
}
