// The editor's own top-level window: "Edit Configuration: <name>", 500 points wide and 600 high (800
// while the running applications are listed), above ordinary windows, resizable but not minimisable.
//
// It hosts one EditConfigurationModalView and ends in one of four ways:
//   Save            the caller's onSave runs (after the edits were written), then the window closes;
//   Cancel, or the window's close button
//                   the edits are thrown away, the caller's onCancel runs, the window closes;
//   closeDiscarding()  (a new editor replaces this one) the edits are thrown away, no callback runs;
//   the configuration is deleted  the edits are thrown away, onCancel runs, a message says why.
// `finished` is sent after each of them; the window does not delete itself.
#pragma once

#include "model/ConfigurationGroup.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class AppState;
class ConfigurationGroup;
class EditConfigurationModalView;
class ModelContext;
class QVariantAnimation;
class SavedApp;

class EditConfigurationWindow : public QWidget {
    Q_OBJECT
public:
    using OnSave = std::function<void(ConfigurationGroup*)>;
    using OnCancel = std::function<void()>;

    static constexpr int width = 500;
    static constexpr int height = 600;
    static constexpr int heightWithRunningApps = 800;

    EditConfigurationWindow(ConfigurationGroup* configuration,
                            const std::optional<QString>& selectedPositionGroupID,
                            const QList<SavedApp*>& savedApps, AppState& appState, ModelContext& modelContext,
                            OnSave onSave, OnCancel onCancel);
    ~EditConfigurationWindow() override;

    EditConfigurationModalView* editConfigView() const { return m_view; }
    // The stored configuration being edited (also once it was deleted).
    ConfigurationGroup* configuration() const { return m_configuration; }
    bool isFinished() const { return m_finished; }

    // Shows the window in front of all others and gives it the keyboard.
    void show();
    // Animates to `height` (the content's height), keeping the top edge where it is; a request within
    // half a point of the current height changes nothing.
    void changeHeight(double height);
    // The height the running animation ends at, or the current one.
    int targetHeight() const;

    // Closes without running a callback, throwing the edits away.
    void closeDiscarding();

Q_SIGNALS:
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Ending { none, saved, cancelled, replaced, deleted };

    void end(Ending ending);

    QPointer<ConfigurationGroup> m_configuration;
    EditConfigurationModalView* m_view = nullptr;
    OnSave m_onSave;
    OnCancel m_onCancel;
    QVariantAnimation* m_animation = nullptr;
    Ending m_ending = Ending::none;
    bool m_finished = false;
};
