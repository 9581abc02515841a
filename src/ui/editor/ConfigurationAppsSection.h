// The applications of the configuration: "Apps in Configuration (n/4)" with "Preview", then one row per
// application with its icon, name, position menu and remove button. A position that another
// application holds is shown with its holder and cannot be chosen.
#pragma once

#include <QHash>
#include <QWidget>

class AppConfiguration;
class AppIcons;
class ConfigurationEditor;
class QLabel;
class QMenu;
class QPushButton;
class QVBoxLayout;

class ConfigurationAppsSection : public QWidget {
    Q_OBJECT
public:
    ConfigurationAppsSection(ConfigurationEditor& editor, AppIcons& icons, QWidget* parent = nullptr);

    QString title() const;
    QPushButton* previewButton() const { return m_preview; }
    // The position button of an application's row (its label is the current position); null when absent.
    QPushButton* positionButton(const AppConfiguration* app) const;
    QMenu* positionMenu(const AppConfiguration* app) const;
    QPushButton* removeButton(const AppConfiguration* app) const;

private:
    void rebuild();
    QWidget* row(AppConfiguration* app);
    QMenu* buildMenu(AppConfiguration* app, QPushButton* button);

    ConfigurationEditor& m_editor;
    AppIcons& m_icons;
    QLabel* m_title = nullptr;
    QPushButton* m_preview = nullptr;
    QLabel* m_empty = nullptr;
    QWidget* m_rows = nullptr;
    QVBoxLayout* m_rowsLayout = nullptr;
    struct RowControls {
        QPushButton* position;
        QPushButton* remove;
    };
    QHash<const AppConfiguration*, RowControls> m_controls;
};
