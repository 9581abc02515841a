#include "QtApplicationShell.h"

#include "DesktopColorScheme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

QList<HostWindow*> QtApplicationShell::windows() const {
    QList<HostWindow*> list;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<HostWindow*>(widget))
            list.append(window);
    return list;
}

void QtApplicationShell::setAppearance(std::optional<AppTheme> appearance) {
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(paletteFor(appearance));
}

void QtApplicationShell::refreshAppearance(HostWindow& window) {
    auto* widget = dynamic_cast<QWidget*>(&window);
    if (!widget)
        return;
    // The palette reaches widgets through posted events; deliver them now, not on the next turn.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationPaletteChange);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->updateGeometry();
    widget->update();
}

QPalette QtApplicationShell::paletteFor(std::optional<AppTheme> appearance) {
    if (!appearance)
        return DesktopColorScheme::prefersDark().value_or(false) ? darkPalette() : lightPalette();
    return *appearance == AppTheme::dark ? darkPalette() : lightPalette();
}

QPalette QtApplicationShell::lightPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0xf2, 0xf2, 0xf2));
    p.setColor(QPalette::WindowText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf5, 0xf5, 0xf7));
    p.setColor(QPalette::ToolTipBase, Qt::white);
    p.setColor(QPalette::ToolTipText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    p.setColor(QPalette::Text, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Button, QColor(0xe8, 0xe8, 0xed));
    p.setColor(QPalette::ButtonText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Link, QColor(0x00, 0x66, 0xcc));
    p.setColor(QPalette::Highlight, QColor(0x00, 0x7a, 0xff));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0xa0, 0xa0, 0xa5));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0xa0, 0xa0, 0xa5));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0xa0, 0xa0, 0xa5));
    return p;
}

QPalette QtApplicationShell::darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::WindowText, QColor(0xe5, 0xe5, 0xe7));
    p.setColor(QPalette::Base, QColor(0x28, 0x28, 0x2a));
    p.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x35));
    p.setColor(QPalette::ToolTipBase, QColor(0x32, 0x32, 0x35));
    p.setColor(QPalette::ToolTipText, QColor(0xe5, 0xe5, 0xe7));
    p.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    p.setColor(QPalette::Text, QColor(0xe5, 0xe5, 0xe7));
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    p.setColor(QPalette::ButtonText, QColor(0xe5, 0xe5, 0xe7));
    p.setColor(QPalette::BrightText, QColor(0xff, 0x45, 0x3a));
    p.setColor(QPalette::Link, QColor(0x41, 0x9c, 0xff));
    p.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6e, 0x6e, 0x73));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6e, 0x6e, 0x73));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6e, 0x6e, 0x73));
    return p;
}
