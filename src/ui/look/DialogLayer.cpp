#include "DialogLayer.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

DialogLayer::DialogLayer(QWidget* dialog) : QObject(dialog) {
    dialog->installEventFilter(this);
}

bool DialogLayer::staysOnTop(const QWidget* dialog) {
    if (!dialog->parentWidget())
        return true;
    const auto lookedAt = [dialog](const QWidget* window) {
        const Qt::WindowType type = window->windowType();
        return window != dialog && window->isVisible() && !window->isMinimized() && type != Qt::Popup &&
               type != Qt::ToolTip && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    };
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), lookedAt);
}

bool DialogLayer::eventFilter(QObject* watched, QEvent* event) {
    // The show event comes before the window is mapped, when the window manager reads the layer; a
    // shown window would have to be made anew to change it.
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    auto* dialog = static_cast<QWidget*>(watched);
    Qt::WindowFlags flags = dialog->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, staysOnTop(dialog));
    if (flags == dialog->windowFlags())
        return false;
    // Told to the native window only: the widget's own setWindowFlags would hide it again.
    dialog->overrideWindowFlags(flags);
    if (QWindow* window = dialog->windowHandle())
        window->setFlags(flags);
    return false;
}
