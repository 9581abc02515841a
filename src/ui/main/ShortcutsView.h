// The "Shortcuts" tab: one recorder per global shortcut of the program, in a fixed order, a short
// guide, and a fallback box when the shortcut component's texts cannot be found (without them the
// recorders cannot be offered).
#pragma once

#include <QWidget>

#include <functional>

class QFrame;

namespace KeyboardShortcuts {
class Recorder;
}

class ShortcutsView : public QWidget {
    Q_OBJECT
public:
    // Whether the recorders can be shown; by default, whether the component's text bundle is found.
    using Availability = std::function<bool()>;

    explicit ShortcutsView(Availability availability = {}, QWidget* parent = nullptr);

    bool keyboardShortcutsAvailable() const { return m_available; }
    // Empty until a show found the component's texts.
    QList<KeyboardShortcuts::Recorder*> recorders() const;
    QFrame* fallbackBox() const { return m_fallback; }
    // The fallback box's "Retry": tests again and shows the form when the texts are found.
    void retry();

    static bool shortcutTextsFound();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setAvailable(bool available);

    Availability m_availability;
    bool m_available = true;
    QWidget* m_form;
    QFrame* m_fallback;
};
