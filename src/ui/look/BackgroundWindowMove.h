// Lets the user move a window by dragging its background, as with its title bar. A left drag that
// starts where no control took the press (labels, empty space, frames) hands the move to the window
// manager; a click there stays a click.
//
//   BackgroundWindowMove::install(&window);   // or with a condition checked at each press
#pragma once

#include <QObject>
#include <QPoint>

#include <functional>
#include <optional>

class QWidget;

class BackgroundWindowMove : public QObject {
    Q_OBJECT
public:
    // Watches `window` for the rest of its life; `allowed` (when given) is asked at each press.
    static BackgroundWindowMove* install(QWidget* window, std::function<bool()> allowed = {});

    // How many moves were handed to the window manager.
    int moves() const { return m_moves; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BackgroundWindowMove(QWidget* window, std::function<bool()> allowed);

    QWidget* m_window;
    std::function<bool()> m_allowed;
    std::optional<QPoint> m_pressedAt;
    int m_moves = 0;
};
