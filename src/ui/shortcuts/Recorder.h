// One shortcut slot's recorder with an optional label beside it, as a settings page shows it, and a
// note when the shortcut stored for the slot does nothing because another program holds it.
#pragma once

#include "RecorderControl.h"

#include <QWidget>

class QLabel;

namespace KeyboardShortcuts {

class Recorder : public QWidget {
    Q_OBJECT
public:
    explicit Recorder(const Name& name, RecorderControl::OnChange onChange = {}, QWidget* parent = nullptr);
    // With a label, shown as plain text.
    Recorder(const QString& title, const Name& name, RecorderControl::OnChange onChange = {},
             QWidget* parent = nullptr);

    // Shows another slot in the same control; the control keeps the callback it was made with.
    void setName(const Name& name);
    const Name& name() const { return m_control->shortcutName(); }
    RecorderControl* control() const { return m_control; }
    QLabel* label() const { return m_label; }
    // Shown while the desktop refuses the slot's hot key because another program holds it.
    QLabel* notice() const { return m_notice; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateNotice();

    RecorderControl* m_control;
    QLabel* m_label = nullptr;
    QLabel* m_notice;
};

} // namespace KeyboardShortcuts
