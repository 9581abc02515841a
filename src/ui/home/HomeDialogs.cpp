#include "HomeDialogs.h"

#include "HomeLook.h"
#include "ui/look/DialogFrame.h"
#include "ui/look/ElidedLabel.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>

QString HomeDialogs::shortName(const QString& name) {
    return ElidedLabel::elided(name, QFont(), 320);
}

void HomeDialogs::confirmRemoveConfiguration(const std::optional<QString>& name,
                                             std::function<void()> onConfirm) {
    confirm(QStringLiteral("Delete Configuration?"),
            name ? QStringLiteral("This will permanently delete '") + shortName(*name) +
                       QStringLiteral("' and all of its positions.")
                 : QStringLiteral("This will permanently delete the selected configuration and all of its "
                                  "positions."),
            QStringLiteral("Delete"), std::move(onConfirm));
}

void HomeDialogs::confirmClearAllConfigurations(qsizetype count, std::function<void()> onConfirm) {
    confirm(QStringLiteral("Clear All Configurations?"),
            count == 1
                ? QStringLiteral("This will permanently delete the 1 configuration and all of its positions, "
                                 "on every machine that syncs it.")
                : QStringLiteral("This will permanently delete all %1 configurations and all of their "
                                 "positions, on every machine that syncs them.")
                      .arg(count),
            QStringLiteral("Clear All"), std::move(onConfirm));
}

void HomeDialogs::confirmRemoveSavedApp(const std::optional<QString>& name, std::function<void()> onConfirm) {
    confirm(QStringLiteral("Delete Saved App?"),
            name ? QStringLiteral("This will permanently remove '") + shortName(*name) +
                       QStringLiteral("' from your saved apps.")
                 : QStringLiteral("This will permanently remove the selected saved app."),
            QStringLiteral("Delete"), std::move(onConfirm));
}

void HomeDialogs::confirmClearAllSavedApps(qsizetype count, std::function<void()> onConfirm) {
    confirm(QStringLiteral("Clear All Saved Apps?"),
            count == 1 ? QStringLiteral("This will permanently remove the 1 saved app.")
                       : QStringLiteral("This will permanently remove all %1 saved apps.").arg(count),
            QStringLiteral("Clear All"), std::move(onConfirm));
}

QMessageBox* HomeDialogs::openInPlaceOfLast(QMessageBox::Icon icon, const QString& title,
                                            const QString& message, QMessageBox::StandardButtons buttons) {
    if (m_dialog)
        m_dialog->close();
    // The question in the box itself too: the window manager's title bar may not show it.
    auto* box = new QMessageBox(icon, title, title, buttons, m_parent);
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(message);
    // Names in the message are the user's: never read as markup.
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    m_dialog = box;
    return box;
}

void HomeDialogs::confirm(const QString& title, const QString& message, const QString& action,
                          std::function<void()> onConfirm) {
    QMessageBox* box = openInPlaceOfLast(QMessageBox::Warning, title, message, QMessageBox::NoButton);
    // Alt and the first letter presses a button, as in the platform's own dialogs.
    QPushButton* destructive =
        box->addButton(QStringLiteral("&") + HomeLook::escapedMnemonic(action), QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(QStringLiteral("&Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    DialogFrame::apply(box);
    QObject::connect(box, &QMessageBox::buttonClicked, m_parent,
                     [destructive, onConfirm](QAbstractButton* clicked) {
                         if (clicked == destructive)
                             onConfirm();
                     });
    box->open();
}

void HomeDialogs::showError(const QString& title, const QString& error) {
    QMessageBox* box = openInPlaceOfLast(QMessageBox::Critical, title, error, QMessageBox::Ok);
    DialogFrame::apply(box);
    box->open();
}
