// The attached window's dismissal: a press anywhere outside it and our own windows, or Escape
// typed into another program. Watched through the desktop's pointer monitor only while installed.
//
// A press on a StatusNotifier host's panel closes the window before the host tells us that the
// press was a click on our icon; that click then must not open the window again. So a click on
// the icon that follows a dismissal within `sameClickSeconds` belongs to it.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>

class PointerMonitor;
class Scheduler;
class QWidget;

class ClickOutside : public QObject {
    Q_OBJECT
public:
    static constexpr double sameClickSeconds = 0.5;

    // `window` gives the attached window; `icon` the tray icon's rectangle (Qt pixels, may be empty).
    ClickOutside(PointerMonitor& pointer, Scheduler& scheduler, std::function<QWidget*()> window,
                 std::function<QRect()> icon, QObject* parent = nullptr);

    void install();
    void remove();
    bool isInstalled() const { return m_installed; }
    // True once for a click on the icon that came with the press that just closed the window.
    bool takeDismissingClick();

Q_SIGNALS:
    void dismissed();

private:
    void pressed(QPoint rootPosition, quint64 window);
    void escape();
    bool isOwnWindow(quint64 window) const;

    PointerMonitor& m_pointer;
    Scheduler& m_scheduler;
    std::function<QWidget*()> m_window;
    std::function<QRect()> m_icon;
    bool m_installed = false;
    int m_dismissal = 0;
    bool m_recentDismissal = false;
};
