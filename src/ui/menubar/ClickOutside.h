// The attached window's dismissal: a press anywhere outside it and our own windows, or Escape
// typed into another program. Watched through the desktop's pointer monitor only while installed.
//
// A StatusNotifier host reports a click on our icon only after the press has reached its panel. A
// press on the tray's panel therefore closes the window only when no click on the icon follows
// within `sameClickSeconds` (the click itself toggles it). Where the panel is unknown, the press
// closes it at once and a click on the icon within that time belongs to the same press.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>
#include <optional>

class PointerMonitor;
class Scheduler;
class QWidget;

class ClickOutside : public QObject {
    Q_OBJECT
public:
    static constexpr double sameClickSeconds = 0.8;

    // `window` gives the attached window; `icon` the tray icon's rectangle and `trayPanel` the
    // panel holding the tray (Qt pixels, each may be empty).
    ClickOutside(PointerMonitor& pointer, Scheduler& scheduler, std::function<QWidget*()> window,
                 std::function<QRect()> icon, std::function<QRect()> trayPanel, QObject* parent = nullptr);

    void install();
    void remove();
    bool isInstalled() const { return m_installed; }
    // True once for a click on the icon that came with the press that just closed the window.
    bool takeDismissingClick();

Q_SIGNALS:
    void dismissed();

private:
    void pressed(QPoint rootPosition, quint64 window);
    void escape(quint64 focus);
    bool isOwnWindow(quint64 window) const;

    PointerMonitor& m_pointer;
    Scheduler& m_scheduler;
    std::function<QWidget*()> m_window;
    std::function<QRect()> m_icon;
    std::function<QRect()> m_trayPanel;
    bool m_installed = false;
    int m_dismissal = 0;
    // When a press outside last closed the window (the scheduler's clock); its click may follow.
    std::optional<double> m_dismissedAt;
};
