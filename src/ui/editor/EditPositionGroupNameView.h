// The sheet that renames a position group. Save (and Return) hand the typed name to the editor, which
// trims it; the sheet closes only when the editor took it, so a blank name is refused either way.
#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

class EditPositionGroupNameView : public QDialog {
    Q_OBJECT
public:
    // Gets the name as typed; true when it was taken.
    using OnSave = std::function<bool(const QString& name)>;

    EditPositionGroupNameView(const QString& groupName, QWidget* parent, OnSave onSave);

    QString localGroupName() const;
    void setLocalGroupName(const QString& name);
    void saveGroupName();
    void cancelEditing();

protected:
    void reject() override;

private:
    OnSave m_onSave;
    QLineEdit* m_field = nullptr;
    QPushButton* m_save = nullptr;
};
