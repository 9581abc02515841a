#include "AttachedPlacement.h"

#include "AttachedFrame.h"
#include "DesktopGeometry.h"
#include "TaskbarPolicy.h"
#include "TrayPresence.h"

#include "app/AppState.h"
#include "base/Log.h"

#include <QEvent>
#include <QPropertyAnimation>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

constexpr int heightAnimationMilliseconds = 200;

} // namespace

AttachedPlacement::AttachedPlacement(AppState& appState, const DesktopGeometry& desktop,
                                     const TrayPresence& presence, TaskbarPolicy& taskbarPolicy,
                                     QObject* parent)
    : QObject(parent), m_appState(appState), m_desktop(desktop), m_presence(presence),
      m_taskbarPolicy(taskbarPolicy) {}

AttachedPlacement::~AttachedPlacement() {
    // The desktop services may be gone already at the end of the run; only our own filter goes.
    stopObserving();
}

void AttachedPlacement::beginShow() {
    m_showPointer = m_desktop.pointer();
    m_shownFrame.reset();
}

QRect AttachedPlacement::frameUnderIcon(int width, int height) const {
    const QRect anchor = m_presence.anchor(m_clickPointer, m_showPointer.value_or(m_desktop.pointer()));
    const QList<MonitorArea> areas = m_desktop.areas();
    // Without an icon, hung from the pointer, the window would move with every change of its
    // height (a tab's). An icon's click keeps the window on the icon's side, off the icon.
    if (m_shownFrame && !m_presence.isIconShown() && AttachedFrame::insideFreeArea(areas, anchor))
        return AttachedFrame::keepingTop(areas, *m_shownFrame, width, height);
    return AttachedFrame::under(areas, anchor, width, height);
}

int AttachedPlacement::heightLimit(const QRect& frame) const {
    return AttachedFrame::heightLimit(m_desktop.areas(), frame);
}

QRect AttachedPlacement::applyHeightLimits(QWidget* window) {
    const QRect probe = frameUnderIcon(AttachedFrame::width, AttachedFrame::minimumHeight);
    const QList<MonitorArea> areas = m_desktop.areas();
    const int floor = AttachedFrame::heightFloor(areas, probe);
    window->setMinimumSize(AttachedFrame::width, floor);
    window->setMaximumSize(AttachedFrame::width, heightLimit(probe));
    return frameUnderIcon(AttachedFrame::width, floor);
}

void AttachedPlacement::place(QWidget* window, int width, int height) {
    m_placing = true;
    window->setGeometry(frameUnderIcon(width, height));
    m_placing = false;
}

void AttachedPlacement::placeForShow(QWidget* window, int height) {
    m_replacementsAfterMoves = 0;
    // Placed afresh from the anchor; that frame's top edge then stays for the rest of the show.
    m_shownFrame.reset();
    m_shownFrame = frameUnderIcon(AttachedFrame::width, height);
    place(window, AttachedFrame::width, height);
    schedulePlacements(window);
}

void AttachedPlacement::schedulePlacements(QWidget* window) {
    const QPointer<AttachedPlacement> self(this);
    const QPointer<QWidget> target(window);
    for (double delay : {0.1, 0.35}) {
        m_appState.platform().scheduler.after(delay, [self, target, last = delay == 0.35] {
            // Minimised meanwhile: placing it would bring it back on some window managers (openbox).
            if (!self || !target || !self->m_appState.isMainWindowAttached() || target->isMinimized())
                return;
            self->place(target, AttachedFrame::width, target->height());
            // The window manager may have taken the state away while mapping the window.
            if (target->isVisible())
                self->m_taskbarPolicy.apply(target, self->m_appState.isMainWindowAttached());
            if (last && target->isVisible()) {
                const QRect frame = target->geometry();
                logDebug(lcUi, QStringLiteral("📌 MenuBar: attached window placed at %1,%2 %3x%4")
                                   .arg(frame.x())
                                   .arg(frame.y())
                                   .arg(frame.width())
                                   .arg(frame.height()));
            }
        });
    }
}

void AttachedPlacement::adjustHeight(QWidget* window, double height, bool animated) {
    const int h = std::max(std::min(static_cast<int>(std::lround(height)), window->maximumHeight()),
                           window->minimumHeight());
    const QRect target = frameUnderIcon(window->width(), h);
    if (!animated || !window->isVisible()) {
        window->setGeometry(target);
        return;
    }
    auto* animation = new QPropertyAnimation(window, "geometry", window);
    animation->setDuration(heightAnimationMilliseconds);
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void AttachedPlacement::observe(QWidget* window) {
    stopObserving();
    window->installEventFilter(this);
    m_observedWindow = window;
    m_observing = true;
}

void AttachedPlacement::stopObserving() {
    if (m_observedWindow)
        m_observedWindow->removeEventFilter(this);
    m_observedWindow = nullptr;
    m_observing = false;
}

bool AttachedPlacement::eventFilter(QObject* watched, QEvent* event) {
    const bool ours = watched == m_observedWindow && !m_placing && m_appState.isMainWindowAttached();
    if (ours && event->type() == QEvent::Resize) {
        auto* window = static_cast<QWidget*>(watched);
        place(window, AttachedFrame::width, window->height());
    } else if (ours && event->type() == QEvent::Move) {
        // Moved although it asked not to be: back under the icon once the move has settled.
        const QPointer<AttachedPlacement> self(this);
        const QPointer<QWidget> window(static_cast<QWidget*>(watched));
        m_appState.platform().scheduler.after(0.1, [self, window] {
            if (!self || !window || window != self->m_observedWindow ||
                !self->m_appState.isMainWindowAttached())
                return;
            const QRect wanted = self->frameUnderIcon(AttachedFrame::width, window->height());
            if (window->geometry() == wanted ||
                self->m_replacementsAfterMoves >= maximumReplacementsAfterMoves)
                return;
            ++self->m_replacementsAfterMoves;
            self->place(window, AttachedFrame::width, window->height());
        });
    }
    return QObject::eventFilter(watched, event);
}
