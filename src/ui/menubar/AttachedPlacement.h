// Keeps the attached window hanging from the tray icon: its frame and height range on the icon's
// monitor, placed again as the window manager maps it, and back in place after a resize or a move
// the window manager made anyway. Qt pixels throughout.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <optional>

class AppState;
class DesktopGeometry;
class TaskbarPolicy;
class TrayPresence;
class QWidget;

class AttachedPlacement : public QObject {
    Q_OBJECT
public:
    // How often a window manager that moves the attached window anyway is answered within one show.
    static constexpr int maximumReplacementsAfterMoves = 5;

    AttachedPlacement(AppState& appState, const DesktopGeometry& desktop, const TrayPresence& presence,
                      TaskbarPolicy& taskbarPolicy, QObject* parent = nullptr);
    ~AttachedPlacement() override;

    // The pointer at the last click on the icon, for a tray that does not tell where the icon is.
    void setClickPointer(std::optional<QPoint> pointer) { m_clickPointer = pointer; }
    // A show begins: with nothing else to hang from, the window hangs from the pointer of this
    // moment until the next show, wherever the pointer goes meanwhile (a click on a tab), and keeps
    // the top edge it was shown with as its height changes.
    void beginShow();
    QRect frameUnderIcon(int width, int height) const;
    // The attached window's height limit on the monitor holding `frame`.
    int heightLimit(const QRect& frame) const;
    // Sets the attached window's height range for the monitor of its icon; gives its smallest frame.
    QRect applyHeightLimits(QWidget* window);
    // A show: under the icon now and again while the window manager maps the window.
    void placeForShow(QWidget* window, int height);
    void schedulePlacements(QWidget* window);
    void adjustHeight(QWidget* window, double height, bool animated);

    // Watches the window's resizes and moves.
    void observe(QWidget* window);
    void stopObserving();
    bool isObserving() const { return m_observing; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place(QWidget* window, int width, int height);

    AppState& m_appState;
    const DesktopGeometry& m_desktop;
    const TrayPresence& m_presence;
    TaskbarPolicy& m_taskbarPolicy;
    std::optional<QPoint> m_clickPointer;
    std::optional<QPoint> m_showPointer;
    // Where this show put the window, for a window that has nothing to hang from but the pointer.
    std::optional<QRect> m_shownFrame;
    QPointer<QWidget> m_observedWindow;
    bool m_observing = false;
    bool m_placing = false;
    int m_replacementsAfterMoves = 0;
};
