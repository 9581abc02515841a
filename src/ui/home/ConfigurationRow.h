// The card of one configuration in the home tab's list: its name and selection mark, the number of
// its applications with up to four icons, the position-group picker, and its commands (activate,
// edit, move to another display, the one rearrangement that fits, delete).
#pragma once

#include "activation/ConfigurationActivator.h"
#include "model/ConfigurationGroup.h"
#include "platform/Platform.h"

#include <QFrame>
#include <QIcon>
#include <QList>
#include <QPair>
#include <QPointer>

#include <functional>
#include <optional>

class AppState;
class ApplicationIcons;
class QAbstractButton;
class QComboBox;
class QHBoxLayout;
class ElidedLabel;
class QLabel;
class QMenu;

class ConfigurationRow : public QFrame {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> onRemove;
        // The selected position group's id text, or none.
        std::function<void(std::optional<QString>)> onEdit;
        std::function<void()> onScrollToSelf;
    };

    // Seconds after coming on screen before a picked group activates anything, and between the pick
    // and the activation.
    static constexpr double settleDelay = 0.1;

    ConfigurationRow(Platform& platform, AppState& state, ConfigurationGroup* configuration,
                     ApplicationIcons& icons, Callbacks callbacks, QWidget* parent = nullptr);

    ConfigurationGroup* configuration() const { return m_configuration; }
    bool isSelected() const;
    bool isInitializing() const { return m_isInitializing; }
    // The picker's value: the shared entry for this configuration when there is one, else the row's own.
    QString selectedPositionGroupID() const;

    int appCount() const { return m_appCount; }
    int positionGroupCount() const { return m_positionGroupCount; }
    const QList<QPair<QString, QIcon>>& appIcons() const { return m_appIcons; }
    void preComputeValues();

    // For tests and the list: the controls as the user finds them.
    QLabel* countLabel() const { return m_count; }
    QLabel* overflowLabel() const { return m_overflow; }
    QComboBox* picker() const { return m_picker; }
    QAbstractButton* activateButton() const { return m_activate; }
    QAbstractButton* editButton() const { return m_edit; }
    QAbstractButton* displayButton() const { return m_display; }
    QMenu* displayMenu() const { return m_displayMenu; }
    QAbstractButton* layoutButton() const { return m_layout; }
    QAbstractButton* deleteButton() const { return m_delete; }
    int iconStripSize() const;
    // The layout rule the row shows now; none when no layout button is shown.
    std::optional<int> layoutOperation() const { return m_layoutOperation; }

    // Rebuilds the display menu's entries from the displays connected now.
    void rebuildDisplayMenu();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // False once the configuration was deleted: then no control acts on it.
    bool isLive() const;
    QString key() const;
    void seedSelection();
    void userPickedGroup(int index);
    // Runs the picker's handler when the group it shows changed, whoever changed it.
    void followSelectedGroup();
    void updateSelectionMark();
    void updatePicker();
    void updateControls();
    void updateCounts();
    void watchConfiguration();
    void toggleSelection();

    Platform& m_platform;
    AppState& m_state;
    QPointer<ConfigurationGroup> m_configuration;
    ApplicationIcons& m_icons;
    Callbacks m_callbacks;
    ConfigurationActivator m_activator;

    QString m_localSelectedPositionGroupID;
    // The picker's value as its handler last saw it.
    QString m_shownGroupID;
    bool m_isInitializing = true;
    // Each appearance gets a number; a settle step of an earlier appearance changes nothing.
    int m_appearance = 0;
    int m_appCount = 0;
    QList<QPair<QString, QIcon>> m_appIcons;
    int m_positionGroupCount = 0;
    std::optional<int> m_layoutOperation;
    QList<QMetaObject::Connection> m_childConnections;

    ElidedLabel* m_name;
    QLabel* m_check;
    QLabel* m_count;
    QHBoxLayout* m_strip;
    QLabel* m_overflow;
    QComboBox* m_picker;
    QAbstractButton* m_activate;
    QAbstractButton* m_edit;
    QAbstractButton* m_display;
    QMenu* m_displayMenu;
    QAbstractButton* m_layout;
    QAbstractButton* m_delete;
    QString m_layoutSignature;
    QString m_activateAccent = QStringLiteral("blue");
};
