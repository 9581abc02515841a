// The open editors of one run, by configuration, and the editor manager of each configuration list.
// It hangs off the run's AppState, which every list already has, so that the lists share it without a
// global; a list's manager outlives the list's view, which the main window makes anew on every tab
// switch and every change of menu-bar mode, so an open editor and its edits stay.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class AppState;
class ConfigurationGroup;
class EditConfigurationWindow;
class EditConfigurationWindowManager;

class EditorRegistry : public QObject {
    Q_OBJECT
public:
    // The registry of this run, made on first use.
    static EditorRegistry& of(AppState& state);

    // Registers an editor until it has finished.
    void add(EditConfigurationWindow* window);
    EditConfigurationWindow* editorOf(const ConfigurationGroup* configuration) const;
    // The manager of one list ("home", "compact"), made on first use.
    EditConfigurationWindowManager& listManager(const QString& list);

private:
    explicit EditorRegistry(QObject* parent) : QObject(parent) {}

    QList<QPointer<EditConfigurationWindow>> m_windows;
};
