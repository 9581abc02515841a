// One position group in the editor's group bar: a button with the default star, the name and the
// number of mappings, and a menu with "Edit Name", "Set as Default" (not on the default) and "Delete".
#pragma once

#include <QWidget>

#include <functional>

class PositionGroup;
class QMenu;
class QPushButton;
class QToolButton;

class PositionGroupChip : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onSelect;
        std::function<void()> onSetDefault;
        std::function<void()> onEditName;
        std::function<void()> onDelete;
    };

    PositionGroupChip(PositionGroup* group, bool isSelected, bool isDefault, Actions actions,
                      QWidget* parent = nullptr);

    PositionGroup* group() const { return m_group; }
    bool isSelected() const { return m_selected; }
    bool isDefault() const { return m_default; }
    QPushButton* button() const { return m_button; }
    QMenu* menu() const { return m_menu; }

private:
    PositionGroup* m_group;
    bool m_selected;
    bool m_default;
    QPushButton* m_button = nullptr;
    QToolButton* m_more = nullptr;
    QMenu* m_menu = nullptr;
};
