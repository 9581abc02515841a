// The editor of one configuration, top to bottom: the name with its editing controls and the position
// groups, the applications with their positions and "Preview", the saved and the running applications
// to add, and Cancel and Save. Its state and operations live in a ConfigurationEditor; the sections
// draw from it and call it.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class AppIcons;
class AppState;
class ConfigurationAppsSection;
class ConfigurationEditor;
class ConfigurationGroup;
class ConfigurationNameHeader;
class ModelContext;
class PositionGroupBar;
class QLabel;
class QPushButton;
class QScrollArea;
class RunningAppsSection;
class SavedApp;
class SavedAppsSection;

class EditConfigurationModalView : public QWidget {
    Q_OBJECT
public:
    EditConfigurationModalView(ConfigurationGroup* configuration,
                               const std::optional<QString>& selectedPositionGroupID,
                               const QList<SavedApp*>& savedApps, AppState& state, ModelContext& modelContext,
                               std::function<void(ConfigurationGroup*)> onSave,
                               std::function<void()> onCancel, std::function<void(double)> onHeightChange);
    ~EditConfigurationModalView() override;

    ConfigurationEditor& editor() const { return *m_editor; }
    ConfigurationNameHeader* nameHeader() const { return m_header; }
    PositionGroupBar* groupBar() const { return m_groups; }
    ConfigurationAppsSection* appsSection() const { return m_apps; }
    SavedAppsSection* savedSection() const { return m_saved; }
    RunningAppsSection* runningSection() const { return m_running; }
    QScrollArea* sectionsScroll() const { return m_sectionsScroll; }
    // 800 while the running applications are listed, else 600.
    int windowHeight() const;

    // The footer's buttons.
    void save();
    void cancel();
    // Throws every unsaved edit away (the window does this when it closes without saving).
    void discard();
    // The error of the last Save that failed; empty after a successful one.
    QString saveError() const;

Q_SIGNALS:
    void configurationDeleted();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showPositionRequired();

    AppState& m_state;
    std::unique_ptr<ConfigurationEditor> m_editor;
    std::unique_ptr<AppIcons> m_icons;
    std::function<void(ConfigurationGroup*)> m_onSave;
    std::function<void()> m_onCancel;
    std::function<void(double)> m_onHeightChange;
    ConfigurationNameHeader* m_header = nullptr;
    PositionGroupBar* m_groups = nullptr;
    ConfigurationAppsSection* m_apps = nullptr;
    SavedAppsSection* m_saved = nullptr;
    RunningAppsSection* m_running = nullptr;
    QLabel* m_error = nullptr;
    // The error line tells of an addition that failed, not of a save.
    bool m_showsAddFailure = false;
    QScrollArea* m_sectionsScroll = nullptr;
    bool m_appeared = false;
};
