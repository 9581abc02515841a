#include "BackgroundWindowMove.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

BackgroundWindowMove* BackgroundWindowMove::install(QWidget* window, std::function<bool()> allowed) {
    return new BackgroundWindowMove(window, std::move(allowed));
}

BackgroundWindowMove::BackgroundWindowMove(QWidget* window, std::function<bool()> allowed)
    : QObject(window), m_window(window), m_allowed(std::move(allowed)) {
    window->installEventFilter(this);
}

bool BackgroundWindowMove::eventFilter(QObject* watched, QEvent* event) {
    // A press reaches the window itself only when every widget under the pointer let it through.
    if (watched == m_window && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton && (!m_allowed || m_allowed())) {
            QWindow* handle = m_window->windowHandle();
            if (handle && handle->startSystemMove()) {
                ++m_moves;
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
