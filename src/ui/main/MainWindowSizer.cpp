#include "MainWindowSizer.h"

#include "MainScreenArea.h"
#include "app/AppState.h"
#include "base/Scheduler.h"
#include "platform/Platform.h"
#include "platform/Screens.h"

#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr int detachedMinimumWidth = 600;
constexpr int multiScreenMinimumWidth = 800;
constexpr int attachedScreenMargins = 14;
constexpr double fitDelaySeconds = 0.1;
constexpr int maximumFitRounds = 4;
} // namespace

double MainWindowSizer::maximumAttachedHeight(std::optional<double> visibleHeight) {
    return std::clamp(visibleHeight.value_or(900) - 40, 545.0, 900.0);
}

int MainWindowSizer::adaptiveMainMinHeight(std::optional<double> visibleHeight) {
    const double h = visibleHeight.value_or(900);
    const double factor = h >= 2000 ? 0.35 : h >= 1200 ? 0.6 : 0.82;
    return std::clamp(int(std::floor(factor * h)), 600, 900);
}

MainWindowSizer::MainWindowSizer(QWidget* view, AppState& state, Scheduler& scheduler,
                                 std::function<double()> attachedHeight)
    : QObject(view), m_view(view), m_state(state), m_scheduler(scheduler),
      m_attachedHeight(std::move(attachedHeight)) {
    m_accessor = new WindowAccessor(m_view, m_scheduler, mainWorkArea(), this);
    m_accessor->setAttachedProbe([this] { return m_state.isMainWindowAttached(); });

    // Displays, panels, and which display holds our focused window decide the minimum size.
    m_state.platform().screens.onChanged(this, [this] {
        applyMinimumSize();
        scheduleFit(maximumFitRounds, false);
    });
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focused) {
        if (focused && focused == m_view->window()->windowHandle())
            applyMinimumSize();
    });
}

void MainWindowSizer::setScreenProbe(ScreenProbe probe) {
    m_screenProbe = std::move(probe);
    applyMinimumSize();
}

WindowAccessor::WorkArea MainWindowSizer::mainWorkArea() {
    Screens& screens = m_state.platform().screens;
    return [&screens](QWidget*) { return MainScreenArea::visibleFrame(screens).value_or(QRect()); };
}

void MainWindowSizer::setWorkArea(WindowAccessor::WorkArea workArea) {
    delete m_accessor;
    m_accessor =
        new WindowAccessor(m_view, m_scheduler, workArea ? std::move(workArea) : mainWorkArea(), this);
    m_accessor->setAttachedProbe([this] { return m_state.isMainWindowAttached(); });
}

MainWindowSizer::ScreenMetrics MainWindowSizer::screens() const {
    if (m_screenProbe)
        return m_screenProbe();
    ScreenMetrics metrics;
    Screens& screens = m_state.platform().screens;
    metrics.count = int(screens.screens().size());
    metrics.mainVisibleFrame = MainScreenArea::visibleFrame(screens);
    return metrics;
}

QSize MainWindowSizer::minimumWindowSize() const {
    const ScreenMetrics metrics = screens();
    const std::optional<double> visibleHeight =
        metrics.mainVisibleFrame ? std::optional<double>(metrics.mainVisibleFrame->height()) : std::nullopt;
    QSize size;
    if (m_state.isMainWindowAttached()) {
        double height = std::min(m_attachedHeight(), maximumAttachedHeight(visibleHeight));
        // Hanging from its panel it keeps a gap to the panel and a margin to the far edge.
        if (visibleHeight)
            height = std::min(height, *visibleHeight - attachedScreenMargins);
        size = QSize(attachedWidth, int(height));
    } else {
        size = QSize(metrics.count >= 2 ? multiScreenMinimumWidth : detachedMinimumWidth,
                     adaptiveMainMinHeight(visibleHeight));
    }
    if (metrics.mainVisibleFrame && !metrics.mainVisibleFrame->isEmpty()) {
        // The window's frame (title bar and borders) and the menu bar above the view must fit as well.
        const QWidget* top = m_view->window();
        QSize chrome(0, 0);
        if (top && top != m_view && top->isVisible()) {
            // While the window is being mapped its frame may be stale: count no frame then.
            QSize frame = top->frameGeometry().size() - top->geometry().size();
            if (frame.width() < 0 || frame.height() < 0 || frame.width() > 200 || frame.height() > 200)
                frame = QSize(0, 0);
            chrome = frame + QSize(0, std::max(0, m_view->mapTo(top, QPoint()).y()));
        }
        size = size.boundedTo(metrics.mainVisibleFrame->size() - chrome);
    }
    return size;
}

void MainWindowSizer::applyMinimumSize() {
    // The window's layout adds what sits above the view (the menu bar) to the window's minimum.
    m_view->setMinimumSize(minimumWindowSize());
    QWidget* top = m_view->window();
    if (top == m_view || !top->layout() || m_state.isMainWindowAttached())
        return;
    // A minimum set on the window itself (hanging from the tray icon leaves one behind) would keep
    // the layout from raising it, and the content would be cut off: the layout decides again, and
    // grows the window when the content needs more (a second monitor plugged in).
    const QSize before = top->size();
    top->setMinimumSize(0, 0);
    top->layout()->invalidate();
    top->layout()->activate();
    if (top->size() != before && top->isVisible())
        m_accessor->keepInsideWorkArea(top);
}

void MainWindowSizer::watchWindow() {
    if (m_view->window() != m_view)
        m_view->window()->installEventFilter(this);
}

bool MainWindowSizer::eventFilter(QObject* watched, QEvent* event) {
    // The window manager decorates and places the window after the hook's first step, and a frame
    // may only then turn out too large for the work area (a high scale, a smaller monitor): whenever
    // the window moved or changed its size, a moment later it is fitted again where it does not fit.
    const QEvent::Type type = event->type();
    if (watched == m_view->window() &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show))
        scheduleFit(maximumFitRounds, type == QEvent::Show);
    return QObject::eventFilter(watched, event);
}

void MainWindowSizer::scheduleFit(int roundsLeft, bool ours) {
    m_fitFollowsOurs = m_fitFollowsOurs || ours;
    if (m_fitPending || roundsLeft <= 0)
        return;
    m_fitPending = true;
    QPointer<MainWindowSizer> self(this);
    m_scheduler.after(fitDelaySeconds, [self, roundsLeft] {
        if (!self)
            return;
        self->m_fitPending = false;
        QWidget* top = self->m_view->window();
        if (top == self->m_view || !top->isVisible() || self->m_state.isMainWindowAttached()) {
            self->m_fitFollowsOurs = false;
            return;
        }
        // The hook's shrink decides first; its end is looked at.
        if (self->m_accessor->isResizing()) {
            self->scheduleFit(roundsLeft, true);
            return;
        }
        const bool afterOurs = std::exchange(self->m_fitFollowsOurs, false);
        // The minimum counts the frame, which is known by now.
        self->applyMinimumSize();
        const QRect before = top->geometry();
        // A title bar above the work area is put right only after our own placing: a window the
        // user drags is left to the user.
        self->m_accessor->fitIntoWorkArea(top, afterOurs);
        // Qt reports no move or resize of its own making; the frame the window manager puts around
        // the new geometry is looked at once more.
        if (top->geometry() != before)
            self->scheduleFit(roundsLeft - 1, true);
    });
}
