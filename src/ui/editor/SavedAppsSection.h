// "Add Apps from Saved Applications": the saved applications, searchable, each with "Add".
#pragma once

#include <QWidget>

class AppIcons;
class AppPickerList;
class ConfigurationEditor;
class SavedApp;

class SavedAppsSection : public QWidget {
    Q_OBJECT
public:
    SavedAppsSection(ConfigurationEditor& editor, AppIcons& icons, QWidget* parent = nullptr);

    AppPickerList* list() const { return m_list; }

private:
    void appendNew();

    ConfigurationEditor& m_editor;
    AppIcons& m_icons;
    AppPickerList* m_list = nullptr;
    int m_shown = 0;
};
