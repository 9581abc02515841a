// One configuration of the compact list: a card with its name, the selection mark, the number of its
// applications with up to three icons and, with two or more position groups, a picker of them; below,
// the control bar (activate, edit, the display menu, the one rearrangement that fits, delete). A click
// on the card selects or deselects the configuration. Activations go through the activator's
// menu-bar variant.
//
// A change of the configuration's group, picked in the row or chosen elsewhere (the editor, the other
// list, the position-group shortcut), re-activates the selected configuration, not within 0.1 s of
// the row appearing.
#pragma once

#include "activation/ConfigurationActivator.h"
#include "model/ConfigurationGroup.h"
#include "ui/home/LayoutButtonChoice.h"

#include <QFrame>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class AppState;
class QComboBox;
class ElidedLabel;
class QHBoxLayout;
class QLabel;
class QMenu;
class StyledButton;
class SymbolView;

class MinimizedConfigurationRow : public QFrame {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    MinimizedConfigurationRow(ConfigurationGroup* configuration, AppState& state, Action onEdit,
                              Action onRemove, Action onScrollToSelf, QWidget* parent = nullptr);

    ConfigurationGroup* configuration() const { return m_configuration; }
    bool isSelected() const;
    // The current position group's id text: the shared choice, else the row's own.
    QString selectedPositionGroupID() const;
    // The user picks a group in the row's picker.
    void pickPositionGroup(const QString& groupID);
    bool isInitializing() const { return m_isInitializing; }

    // The controls, for tests.
    StyledButton* activateButton() const { return m_activate; }
    StyledButton* editButton() const { return m_edit; }
    StyledButton* displayButton() const { return m_display; }
    StyledButton* rearrangeButton() const { return m_rearrange; }
    StyledButton* deleteButton() const { return m_delete; }
    QComboBox* picker() const { return m_picker; }
    ElidedLabel* nameLabel() const { return m_name; }
    // The icon strip as shown: "icon" for each icon, then the "+N" of the applications beyond.
    QStringList iconStrip() const;
    int appCount() const { return m_appCount; }

    // The delete alert's answer; Delete runs onRemove.
    void confirmDelete(bool confirmed);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void build();
    void preComputeValues();
    void refreshPicker();
    // Runs the picker's handler when the group it shows changed, whoever changed it.
    void followSelectedGroup();
    void refreshSelection();
    void refreshControls();
    void askDelete();
    void stateChanged(int property);
    void writeSelectedPositionGroup(const QString& groupID);

    QPointer<ConfigurationGroup> m_configuration;
    AppState& m_state;
    Action m_onEdit;
    Action m_onRemove;
    // Shared with the activator's deferred steps, which may outlive the row.
    std::shared_ptr<QString> m_localSelectedPositionGroupID = std::make_shared<QString>();
    ConfigurationActivator m_activator;
    // The picker's value as its handler last saw it.
    QString m_shownGroupID;
    bool m_isInitializing = true;
    int m_appearance = 0;
    int m_appCount = 0;
    int m_positionGroupCount = 0;

    ElidedLabel* m_name = nullptr;
    SymbolView* m_mark = nullptr;
    QLabel* m_count = nullptr;
    QHBoxLayout* m_icons = nullptr;
    QComboBox* m_picker = nullptr;
    StyledButton* m_activate = nullptr;
    StyledButton* m_edit = nullptr;
    StyledButton* m_display = nullptr;
    QMenu* m_displayMenu = nullptr;
    StyledButton* m_rearrange = nullptr;
    StyledButton* m_delete = nullptr;
    std::optional<LayoutButtonChoice::Operation> m_rearrangement;
};
