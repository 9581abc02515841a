// The editor's own top-level window: "Edit Configuration: <name>", 500 points wide and 600 high (800
// while the running applications are listed), above ordinary windows, resizable but not minimisable.
//
// It hosts one EditConfigurationModalView and ends in one of four ways:
//   Save            the caller's onSave runs (after the edits were written), then the window closes;
//   Cancel, the window's close button, or quitting the program
//                   the edits are thrown away, the caller's onCancel runs, the window closes;
//   closeDiscarding()  (a new editor replaces this one) the edits are thrown away, no callback runs;
//   the configuration is deleted  the edits are thrown away, onCancel runs, a message says why.
// `finished` is sent after each of them; the window does not delete itself. Another list that asked
// for this configuration's editor while it was open follows it: its callbacks run after the owner's.
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
    // The longest the name in the window title is drawn, in pixels.
    static constexpr int titleNameWidth = 360;
    static constexpr int assumedDecoration = 40;

    EditConfigurationWindow(ConfigurationGroup* configuration,
                            const std::optional<QString>& selectedPositionGroupID,
                            const QList<SavedApp*>& savedApps, AppState& appState, ModelContext& modelContext,
                            OnSave onSave, OnCancel onCancel);
    ~EditConfigurationWindow() override;

    EditConfigurationModalView* editConfigView() const { return m_view; }
    // The stored configuration being edited (also once it was deleted).
    ConfigurationGroup* configuration() const { return m_configuration; }
    bool isFinished() const { return m_finished; }
    // Edits that only Save would keep.
    bool hasUnsavedChanges() const;

    // Runs `onSave` or `onCancel` too when this editor ends, after the owner's; one pair per follower.
    void addFollower(const QObject* follower, OnSave onSave, OnCancel onCancel);
    // Asks, over this editor, whether to throw its unsaved edits away so that `nextName` can open;
    // `discard` runs only when the user agrees. A newer question replaces an older one.
    void askToDiscard(const QString& nextName, std::function<void()> discard);
    QWidget* discardQuestion() const { return m_question; }

    // Shows the window in front of all others and gives it the keyboard.
    void show();
    // Animates to `height`, the height of the whole frame with the title bar, keeping the top edge
    // where it is; a request within half a point of the current frame height changes nothing. The window
    // stays within the visible frame of its screen; its content scrolls.
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
    struct Follower {
        QPointer<const QObject> key;
        OnSave onSave;
        OnCancel onCancel;
    };

    void end(Ending ending);
    QRect visibleFrame() const;
    int decorationHeight() const;
    int fittedHeight(int wanted) const;

    QPointer<ConfigurationGroup> m_configuration;
    EditConfigurationModalView* m_view = nullptr;
    OnSave m_onSave;
    OnCancel m_onCancel;
    QList<Follower> m_followers;
    QPointer<QWidget> m_question;
    QVariantAnimation* m_animation = nullptr;
    Ending m_ending = Ending::none;
    bool m_finished = false;
};
