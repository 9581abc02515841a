// The main window's size and place: the view's minimum size for the attach state, the tab and the
// screens, and, while the window is not attached, a fit into its work area after the window
// manager has decorated, placed or resized it. Owns the window hook, which does the moving.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>

#include <functional>
#include <optional>

#include "WindowAccessor.h"

class AppState;
class QWidget;
class Scheduler;

class MainWindowSizer : public QObject {
    Q_OBJECT
public:
    struct ScreenMetrics {
        int count = 1;
        // The main screen's visible frame; absent without a screen.
        std::optional<QRect> mainVisibleFrame;
    };
    using ScreenProbe = std::function<ScreenMetrics()>;

    static constexpr int attachedWidth = 428;

    // The tallest the attached window may be: the visible height less 40, within 545..900.
    static double maximumAttachedHeight(std::optional<double> visibleHeight);
    // The detached window's minimum height for the main screen's visible height (900 without one).
    static int adaptiveMainMinHeight(std::optional<double> visibleHeight);

    // `attachedHeight` is the attached window's height for the selected tab.
    MainWindowSizer(QWidget* view, AppState& state, Scheduler& scheduler,
                    std::function<double()> attachedHeight);

    // Where the screens come from (the platform's displays by default).
    void setScreenProbe(ScreenProbe probe);
    // Where the window hook centres and shrinks (the main screen's visible frame by default).
    void setWorkArea(WindowAccessor::WorkArea workArea);
    WindowAccessor* accessor() const { return m_accessor; }

    // The minimum size of the window's content for the current attach state, tab and screens,
    // never larger than the main screen's visible frame.
    QSize minimumWindowSize() const;
    void applyMinimumSize();
    // Follows the view's window from now on, once it sits in one.
    void watchWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ScreenMetrics screens() const;
    WindowAccessor::WorkArea mainWorkArea();
    // Fits the window into its work area a moment from now, and again while that changes it;
    // `ours` when what went before was our own placing.
    void scheduleFit(int roundsLeft, bool ours);

    QWidget* m_view;
    AppState& m_state;
    Scheduler& m_scheduler;
    std::function<double()> m_attachedHeight;
    ScreenProbe m_screenProbe;
    bool m_fitPending = false;
    bool m_fitFollowsOurs = false;
    WindowAccessor* m_accessor;
};
