// The control with which the user records, replaces or clears the shortcut of one slot. At rest it
// shows the slot's shortcut; focused, it pauses the hot keys and takes the next acceptable key
// combination.
#pragma once

#include "shortcuts/Name.h"

#include <QLineEdit>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QAction;

namespace KeyboardShortcuts {

class LocalEventMonitor;

class RecorderControl : public QLineEdit {
    Q_OBJECT
public:
    using OnChange = std::function<void(const std::optional<Shortcut>&)>;
    enum class AlertResponse { first, second };

    static constexpr int minimumWidth = 130;

    explicit RecorderControl(const Name& name, OnChange onChange = {}, QWidget* parent = nullptr);
    ~RecorderControl() override;

    const Name& shortcutName() const { return m_shortcutName; }
    // Always takes the name; the text follows only when the slot is another one.
    void setShortcutName(const Name& name);
    bool isRecording() const;
    // Whether the clear button shows.
    bool showsCancelButton() const;
    // Why the last combination was refused, shown in the field until the next key or the end of
    // recording; empty when nothing was refused.
    QString refusal() const { return m_refusal; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // The shortcut was stored, but the desktop would not make it a hot key.
    void registrationFailed(const QString& description);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Shows a warning and waits for the answer; tests replace it.
    virtual AlertResponse showAlert(const QString& message, const QString& informativeText,
                                    const QStringList& buttons);
    // The system bell; tests replace it.
    virtual void beep();

private:
    void setStringValue();
    void setShowsCancelButton(bool shows);
    void startRecording();
    void endRecording();
    bool handleEvent(QObject* target, QEvent* event);
    void saveShortcut(const std::optional<Shortcut>& shortcut);
    void blur();
    void focus();
    void clearShortcut();
    // The bell alone goes unnoticed on many desktops: the field says why as well.
    void refuse(const QString& why);
    void setRefusal(const QString& why);
    void hotKeyPressedWhileRecording(const Shortcut& shortcut);

    Name m_shortcutName;
    OnChange m_onChange;
    std::unique_ptr<LocalEventMonitor> m_eventMonitor;
    QAction* m_cancelButton;
    QString m_refusal;
    // Set when an alert of ours handed the focus back to a window that is not active yet: its coming
    // back to the front then resumes recording instead of being refused as a window's own focus.
    bool m_resumeOnActivation = false;
};

} // namespace KeyboardShortcuts
