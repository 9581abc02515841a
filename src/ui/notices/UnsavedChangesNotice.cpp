#include "UnsavedChangesNotice.h"

#include "store/ModelContext.h"
#include "ui/look/DialogFrame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace {
// Plain text throughout: the error and the path may hold anything.
void makePlain(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
}
} // namespace

UnsavedChangesNotice::UnsavedChangesNotice(ModelContext& context, const QString& storePath, QObject* parent)
    : QObject(parent), m_context(context), m_storePath(storePath) {
    connect(&context, &ModelContext::saveFailed, this, &UnsavedChangesNotice::showNotice);
    QCoreApplication::instance()->installEventFilter(this);
}

UnsavedChangesNotice::~UnsavedChangesNotice() {
    delete m_notice;
}

QString UnsavedChangesNotice::details(const QString& error) const {
    return tr("Error: %1\nStore: %2").arg(error, m_storePath);
}

void UnsavedChangesNotice::showNotice(const QString& error) {
    if (m_notice)
        return;
    m_notice =
        new QMessageBox(QMessageBox::Warning, tr("Quarlin Could Not Save Your Changes"),
                        tr("Quarlin could not save your latest changes to its configurations. It keeps "
                           "them and will keep trying to save them, but they are lost if Quarlin quits "
                           "before a save succeeds."),
                        QMessageBox::Ok);
    m_notice->setObjectName(QStringLiteral("unsavedChangesNotice"));
    m_notice->setInformativeText(details(error));
    makePlain(*m_notice);
    m_notice->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: the program goes on, and the next save may well succeed.
    m_notice->setWindowModality(Qt::NonModal);
    DialogFrame::apply(m_notice);
    m_notice->show();
}

bool UnsavedChangesNotice::mayQuit() {
    QString error;
    if (!m_context.hasChanges() || m_context.save(&error))
        return true;
    // The save on the way out tries once more and logs the failure.
    if (!m_asks)
        return true;
    QMessageBox question(QMessageBox::Warning, tr("Quarlin Could Not Save Your Changes"),
                         tr("Quarlin could not save your latest changes to its configurations. If you quit "
                            "now, they are lost."));
    question.setObjectName(QStringLiteral("quitWithUnsavedChanges"));
    question.setInformativeText(details(error));
    makePlain(question);
    question.addButton(tr("Quit Anyway"), QMessageBox::DestructiveRole);
    QPushButton* stay = question.addButton(tr("Cancel"), QMessageBox::RejectRole);
    question.setDefaultButton(stay);
    question.setEscapeButton(stay);
    DialogFrame::apply(&question);
    m_asking = true;
    const QMessageBox::ButtonRole answer = ask(question);
    m_asking = false;
    return answer == QMessageBox::DestructiveRole;
}

QMessageBox::ButtonRole UnsavedChangesNotice::ask(QMessageBox& question) {
    question.exec();
    return question.buttonRole(question.clickedButton());
}

bool UnsavedChangesNotice::eventFilter(QObject* watched, QEvent* event) {
    // Only the quit of the whole program, asked for while its event loop runs.
    if (event->type() != QEvent::Quit || watched != QCoreApplication::instance())
        return false;
    // The answer decides: closing the question may itself ask to quit again (it was the last window).
    if (m_asking) {
        if (!m_asks)
            return false;
        event->ignore();
        return true;
    }
    if (mayQuit())
        return false;
    event->ignore();
    Q_EMIT quitCancelled();
    return true;
}
