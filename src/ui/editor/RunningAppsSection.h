// "Add Apps from Running Applications": a list that can be shown and hidden (remembered in the
// preferences) and refreshed; the listing runs in the background and fills the shared cache.
#pragma once

#include <QWidget>

class AppPickerList;
class ConfigurationEditor;
class QLabel;
class QProgressBar;
class QPushButton;

class RunningAppsSection : public QWidget {
    Q_OBJECT
public:
    explicit RunningAppsSection(ConfigurationEditor& editor, QWidget* parent = nullptr);

    AppPickerList* list() const { return m_list; }
    QPushButton* toggleButton() const { return m_toggle; }
    QPushButton* refreshButton() const { return m_refresh; }
    bool isFetchingShown() const;

    // The cached list at once, then the refreshed one (what showing the list does).
    void loadFromCache();
    void toggle();
    void refresh();

private:
    void updateControls();
    void showApps();

    ConfigurationEditor& m_editor;
    QPushButton* m_toggle = nullptr;
    QPushButton* m_refresh = nullptr;
    QProgressBar* m_busy = nullptr;
    AppPickerList* m_list = nullptr;
};
