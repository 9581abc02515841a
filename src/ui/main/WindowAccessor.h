// The hook between the main view and the top-level window that hosts it: once the view sits in its
// window (one turn of the main queue after the view is first shown), the hook prepares the window,
// shrinks it to its minimum size or centres it, and reports the window to its owner; every later
// update reports it again. All window work runs in steps posted to the Scheduler.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <functional>

class QVariantAnimation;
class QWidget;
class Scheduler;

class WindowAccessor : public QObject {
    Q_OBJECT
public:
    struct Arguments {
        // After every creation and update, with the hosting window or null.
        std::function<void(QWidget* window)> onResolve;
        // Creation only: centre the window (unless a shrink moves it) and call onFirstResolveComplete.
        bool shouldCenterOnFirstResolve = false;
        std::function<void()> onFirstResolveComplete;
        // Creation only: shrink a window that is larger than its minimum size.
        bool forceMinimumSizeOnResolve = false;
    };

    static constexpr int smallestTargetWidth = 600;
    static constexpr int smallestTargetHeight = 720;
    static constexpr double shrinkDelaySeconds = 0.1;
    static constexpr int shrinkDurationMs = 350;

    // The window's screen work area (X coordinates); an empty rect when there is no screen.
    using WorkArea = std::function<QRect(QWidget* window)>;

    WindowAccessor(QWidget* view, Scheduler& scheduler, WorkArea workArea = {}, QObject* parent = nullptr);

    // Whether the window hangs attached under the tray icon. An attached window's size and place
    // belong to the tray code: the hook then neither shrinks nor centres it, whatever it was asked
    // when the step was posted.
    void setAttachedProbe(std::function<bool()> isAttached) { m_isAttached = std::move(isAttached); }

    // The view was placed in its window: posts the creation step.
    void created(const Arguments& arguments);
    // The owner rendered again: posts the update step (report only; the user's size is kept).
    void updated(const Arguments& arguments);

    // The size a window of `size` shrinks to: when it is wider or taller than the larger of its
    // minimum and the smallest target, both sides become that target. Equal to size otherwise.
    static QSize shrinkTarget(const QSize& size, const QSize& minimum);
    // Schedules the 0.35 s shrink 0.1 s from now; false when nothing needs to shrink, no screen or
    // the window is attached (an attach meanwhile cancels the shrink).
    bool forceWindowToMinimumSize(QWidget* window);
    void centerWindowOnScreen(QWidget* window);
    // Moves a window whose frame reaches past its screen's work area back inside, shrinking it
    // where it does not fit.
    void keepInsideWorkArea(QWidget* window);
    // Only a frame larger than the work area, or (with `titleBar`) whose title bar lies above it:
    // moved and shrunk into it. A window the user moved partly off the screen stays.
    void fitIntoWorkArea(QWidget* window, bool titleBar);
    // True while a shrink animation runs.
    bool isResizing() const;

private:
    static constexpr int exposeWaits = 40;
    static constexpr double exposeWaitSeconds = 0.05;

    void creationStep(const Arguments& arguments, int waitsLeft);
    QWidget* hostWindow() const;
    void prepare(QWidget* window);
    bool attached() const { return m_isAttached && m_isAttached(); }

    QPointer<QWidget> m_view;
    Scheduler& m_scheduler;
    WorkArea m_workArea;
    QVariantAnimation* m_resize = nullptr;
    std::function<bool()> m_isAttached;
};
