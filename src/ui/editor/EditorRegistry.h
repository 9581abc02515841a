// The open editors of one run, by configuration. It hangs off the run's AppState, which every list
// already has, so that the lists share it without a global.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class AppState;
class ConfigurationGroup;
class EditConfigurationWindow;

class EditorRegistry : public QObject {
    Q_OBJECT
public:
    // The registry of this run, made on first use.
    static EditorRegistry& of(AppState& state);

    // Registers an editor until it has finished.
    void add(EditConfigurationWindow* window);
    EditConfigurationWindow* editorOf(const ConfigurationGroup* configuration) const;

private:
    explicit EditorRegistry(QObject* parent) : QObject(parent) {}

    QList<QPointer<EditConfigurationWindow>> m_windows;
};
