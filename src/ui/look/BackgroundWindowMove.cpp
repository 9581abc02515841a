#include "BackgroundWindowMove.h"

#include <QApplication>
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
    if (watched != m_window)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        // A press reaches the window itself only when every widget under the pointer let it through.
        const auto* press = static_cast<QMouseEvent*>(event);
        m_pressedAt.reset();
        if (press->button() == Qt::LeftButton && (!m_allowed || m_allowed())) {
            m_pressedAt = press->globalPosition().toPoint();
            return true;
        }
        break;
    }
    case QEvent::MouseMove: {
        // The move goes to the window manager only once the pointer has really been dragged: handed
        // over on the press itself, a quick click left some window managers moving the window with
        // the pointer, button up, until the next click.
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!m_pressedAt || !(move->buttons() & Qt::LeftButton))
            break;
        if ((move->globalPosition().toPoint() - *m_pressedAt).manhattanLength() <
            QApplication::startDragDistance())
            return true;
        m_pressedAt.reset();
        QWindow* handle = m_window->windowHandle();
        if (handle && handle->startSystemMove()) {
            ++m_moves;
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        m_pressedAt.reset();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
