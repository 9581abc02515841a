#include "AttachedForm.h"

#include "app/AppState.h"

#include <QMainWindow>
#include <QWidget>

#include <cmath>

namespace {

constexpr Qt::WindowFlags attachedFlags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
constexpr Qt::WindowFlags ordinaryFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                          Qt::WindowCloseButtonHint;

QRect toQRect(const Rect& r) {
    return QRect(static_cast<int>(std::lround(r.x)), static_cast<int>(std::lround(r.y)),
                 static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height)));
}

} // namespace

void AttachedForm::attach(QWidget* window) {
    auto* host = dynamic_cast<HostWindow*>(window);
    const QRect before = window->geometry();
    m_appState.setPreviousMainWindowFrame(Rect(before.x(), before.y(), before.width(), before.height()));
    m_appState.setPreviousMainWindowLevel(host ? host->level() : WindowLevel::normal());
    m_appState.setPreviousMainWindowStyleMask(WindowStyleMask{static_cast<quint64>(window->windowFlags())});
    auto* mainWindow = qobject_cast<QMainWindow*>(window);
    QWidget* menu = mainWindow ? mainWindow->menuWidget() : nullptr;
    m_saved = Saved{window->minimumSize(), window->maximumSize(), menu && !menu->isHidden()};

    // Frameless: no title-bar buttons, and the user can neither move nor resize it.
    window->setWindowFlags(attachedFlags);
    if (menu)
        menu->hide();
}

void AttachedForm::giveBack(QWidget* window) {
    const std::optional<WindowStyleMask> mask = m_appState.previousMainWindowStyleMask();
    Qt::WindowFlags flags = mask ? Qt::WindowFlags::fromInt(static_cast<int>(mask->bits)) : ordinaryFlags;
    const std::optional<WindowLevel> level = m_appState.previousMainWindowLevel();
    flags.setFlag(Qt::WindowStaysOnTopHint, level && *level != WindowLevel::normal());
    window->setWindowFlags(flags);
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window); mainWindow && mainWindow->menuWidget())
        mainWindow->menuWidget()->setVisible(!m_saved || m_saved->menuVisible);
    window->setMinimumSize(m_saved ? m_saved->minimumSize : QSize(0, 0));
    window->setMaximumSize(m_saved ? m_saved->maximumSize : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    if (const std::optional<Rect> frame = m_appState.previousMainWindowFrame())
        window->setGeometry(toQRect(*frame));
}

void AttachedForm::forget() {
    m_appState.setPreviousMainWindowFrame(std::nullopt);
    m_appState.setPreviousMainWindowLevel(std::nullopt);
    m_appState.setPreviousMainWindowStyleMask(std::nullopt);
    m_saved.reset();
}
