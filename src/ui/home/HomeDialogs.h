// The home tab's windows over its lists: the question before a deletion and the error after a
// failed command. One at a time, modal to the window, and plain text only: the names are the user's.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

class HomeDialogs {
public:
    explicit HomeDialogs(QWidget* parent) : m_parent(parent) {}

    // The questions before a deletion; `onConfirm` runs when the user confirms. Without a name they
    // ask about the selected one.
    void confirmRemoveConfiguration(const std::optional<QString>& name, std::function<void()> onConfirm);
    void confirmClearAllConfigurations(qsizetype count, std::function<void()> onConfirm);
    void confirmRemoveSavedApp(const std::optional<QString>& name, std::function<void()> onConfirm);
    void confirmClearAllSavedApps(qsizetype count, std::function<void()> onConfirm);
    void showError(const QString& title, const QString& error);
    // The one open now, if any.
    QMessageBox* openDialog() const { return m_dialog; }

    // A name of any length fits a dialog: longer ones are cut short with "…".
    static QString shortName(const QString& name);

private:
    void confirm(const QString& title, const QString& message, const QString& action,
                 std::function<void()> onConfirm);
    // One at a time: the one open now closes.
    QMessageBox* openInPlaceOfLast(QMessageBox::Icon icon, const QString& title, const QString& message,
                                   QMessageBox::StandardButtons buttons);

    QWidget* m_parent;
    QPointer<QMessageBox> m_dialog;
};
