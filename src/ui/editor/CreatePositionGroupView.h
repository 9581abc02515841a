// The sheet that creates a position group: its name, and a template to start from among those that
// suit the number of applications ("Custom" starts empty). "Create Group" hands both to the editor,
// which closes the sheet when it took them.
#pragma once

#include "model/PositionTemplate.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;
class TemplateCard;

class CreatePositionGroupView : public QDialog {
    Q_OBJECT
public:
    // Gets the name as typed and the chosen template (none for "Custom"); true when the group exists.
    using OnCreateGroup = std::function<bool(const QString& name, const std::optional<PositionTemplate>&)>;

    CreatePositionGroupView(const QString& configurationName, int appCount, const QString& groupName,
                            QWidget* parent, OnCreateGroup onCreateGroup);

    // The templates offered for `appCount` applications, in table order.
    static QList<PositionTemplate> filteredTemplates(int appCount);

    QString groupName() const;
    void setGroupName(const QString& name);
    const std::optional<PositionTemplate>& selectedTemplate() const { return m_selected; }
    QList<TemplateCard*> cards() const { return m_cards; }
    void select(const std::optional<PositionTemplate>& positionTemplate);
    void createGroup();
    void cancel();

Q_SIGNALS:
    // The name field changed; the editor keeps the pending name.
    void groupNameEdited(const QString& name);

protected:
    void reject() override;

private:
    OnCreateGroup m_onCreate;
    QLineEdit* m_field = nullptr;
    QPushButton* m_create = nullptr;
    QList<TemplateCard*> m_cards;
    std::optional<PositionTemplate> m_selected;
};
