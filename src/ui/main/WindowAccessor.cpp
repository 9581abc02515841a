#include "WindowAccessor.h"

#include "base/Scheduler.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariantAnimation>
#include <QWidget>
#include <QWindow>

namespace {
QRect defaultWorkArea(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The window manager's decoration around the client.
QMargins decorationOf(QWidget* window) {
    const QMargins decoration(window->geometry().left() - window->frameGeometry().left(),
                              window->geometry().top() - window->frameGeometry().top(),
                              window->frameGeometry().right() - window->geometry().right(),
                              window->frameGeometry().bottom() - window->geometry().bottom());
    // Just after mapping the frame can still be unknown or stale: then the client counts alone.
    auto plausible = [](int margin) { return margin >= 0 && margin <= 100; };
    if (!plausible(decoration.left()) || !plausible(decoration.top()) || !plausible(decoration.right()) ||
        !plausible(decoration.bottom()))
        return {};
    return decoration;
}

// The largest client size whose frame fits the work area.
QSize fittingClient(QWidget* window, const QSize& clientSize, const QRect& area) {
    return clientSize.boundedTo(area.size().shrunkBy(decorationOf(window)));
}

// The client geometry that puts a frame of clientSize plus the window's decoration centred in the
// work area; a window larger than the area shrinks to fit it.
QRect centredClient(QWidget* window, const QSize& clientSize, const QRect& area) {
    const QMargins decoration = decorationOf(window);
    QRect frame(QPoint(), fittingClient(window, clientSize, area).grownBy(decoration));
    frame.moveCenter(area.center());
    return frame.marginsRemoved(decoration);
}
} // namespace

WindowAccessor::WindowAccessor(QWidget* view, Scheduler& scheduler, WorkArea workArea, QObject* parent)
    : QObject(parent), m_view(view), m_scheduler(scheduler),
      m_workArea(workArea ? std::move(workArea) : WorkArea(defaultWorkArea)) {}

QWidget* WindowAccessor::hostWindow() const {
    if (!m_view)
        return nullptr;
    QWidget* window = m_view->window();
    return window && window != m_view.data() ? window : nullptr;
}

void WindowAccessor::prepare(QWidget* window) {
    // Closing keeps the window (the program lives on in its status item) and no frame is restored.
    window->setAttribute(Qt::WA_DeleteOnClose, false);
}

void WindowAccessor::created(const Arguments& arguments) {
    QPointer<WindowAccessor> self(this);
    m_scheduler.async([self, arguments] {
        if (self)
            self->creationStep(arguments, exposeWaits);
    });
}

void WindowAccessor::creationStep(const Arguments& arguments, int waitsLeft) {
    // A window manager places a window when it maps it and may ignore a move sent before: wait
    // (a little) until the window is on screen.
    QWidget* host = hostWindow();
    if (host && host->windowHandle() && !host->windowHandle()->isExposed() && waitsLeft > 0) {
        QPointer<WindowAccessor> self(this);
        m_scheduler.after(exposeWaitSeconds, [self, arguments, waitsLeft] {
            if (self)
                self->creationStep(arguments, waitsLeft - 1);
        });
        return;
    }
    {
        WindowAccessor* self = this;
        if (QWidget* window = self->hostWindow()) {
            self->prepare(window);
            if (self->attached()) {
                // Attached meanwhile (a launch straight under the tray icon): its size is not ours.
            } else if (arguments.forceMinimumSizeOnResolve) {
                const bool shrunk = self->forceWindowToMinimumSize(window);
                if (arguments.shouldCenterOnFirstResolve) {
                    if (!shrunk)
                        self->centerWindowOnScreen(window);
                    if (arguments.onFirstResolveComplete)
                        arguments.onFirstResolveComplete();
                }
            } else if (arguments.shouldCenterOnFirstResolve) {
                self->centerWindowOnScreen(window);
                if (arguments.onFirstResolveComplete)
                    arguments.onFirstResolveComplete();
            }
        }
        if (arguments.onResolve)
            arguments.onResolve(self->hostWindow());
    }
}

void WindowAccessor::updated(const Arguments& arguments) {
    // Later renders only report the window and never shrink it: the window is rendered again on every
    // tab change and state change, and shrinking then would undo a size the user chose.
    QPointer<WindowAccessor> self(this);
    m_scheduler.async([self, arguments] {
        if (!self)
            return;
        if (QWidget* window = self->hostWindow())
            self->prepare(window);
        if (arguments.onResolve)
            arguments.onResolve(self->hostWindow());
    });
}

QSize WindowAccessor::shrinkTarget(const QSize& size, const QSize& minimum) {
    const QSize target(std::max(minimum.width(), smallestTargetWidth),
                       std::max(minimum.height(), smallestTargetHeight));
    if (size.width() <= target.width() && size.height() <= target.height())
        return size;
    // Both sides take the target, so a window too wide only may grow taller.
    return target;
}

bool WindowAccessor::forceWindowToMinimumSize(QWidget* window) {
    if (attached())
        return false;
    const QRect area = m_workArea(window);
    if (area.isEmpty())
        return false;
    // Never taller or wider than the work area: its content scrolls.
    const QSize target = fittingClient(
        window, shrinkTarget(window->size(), window->minimumSize().expandedTo(window->minimumSizeHint())),
        area);
    if (target == window->size())
        return false;
    const QRect end = centredClient(window, target, area);
    QPointer<QWidget> guarded(window);
    QPointer<WindowAccessor> self(this);
    m_scheduler.after(shrinkDelaySeconds, [self, guarded, end] {
        if (!self || !guarded || self->attached())
            return;
        if (!self->m_resize) {
            self->m_resize = new QVariantAnimation(self);
            self->m_resize->setDuration(shrinkDurationMs);
            self->m_resize->setEasingCurve(QEasingCurve::InOutCubic);
        }
        QVariantAnimation* animation = self->m_resize;
        animation->stop();
        animation->disconnect(self);
        WindowAccessor* accessor = self;
        connect(animation, &QVariantAnimation::valueChanged, self, [accessor, guarded](const QVariant& v) {
            if (accessor->attached())
                accessor->m_resize->stop();
            else if (guarded)
                guarded->setGeometry(v.toRect());
        });
        animation->setStartValue(guarded->geometry());
        animation->setEndValue(end);
        animation->start();
    });
    return true;
}

void WindowAccessor::centerWindowOnScreen(QWidget* window) {
    const QRect area = m_workArea(window);
    if (area.isEmpty())
        return;
    window->setGeometry(centredClient(window, window->size(), area));
}

void WindowAccessor::keepInsideWorkArea(QWidget* window) {
    const QRect area = m_workArea(window);
    if (area.isEmpty() || area.contains(window->frameGeometry()))
        return;
    const QSize fitting = fittingClient(window, window->size(), area);
    if (fitting != window->size())
        window->resize(fitting);
    const QRect frame(window->frameGeometry().topLeft(), fitting.grownBy(decorationOf(window)));
    const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
    window->move(x, y);
}

void WindowAccessor::fitIntoWorkArea(QWidget* window, bool titleBar) {
    const QRect area = m_workArea(window);
    const QRect frame = window->frameGeometry();
    if (area.isEmpty() || attached())
        return;
    if (frame.width() > area.width() || frame.height() > area.height() ||
        (titleBar && frame.top() < area.top()))
        keepInsideWorkArea(window);
}

bool WindowAccessor::isResizing() const {
    return m_resize && m_resize->state() == QAbstractAnimation::Running;
}
