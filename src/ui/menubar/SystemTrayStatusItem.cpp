#include "SystemTrayStatusItem.h"

#include "StatusSymbol.h"
#include "ui/look/QuarlinIcon.h"

#include "base/Log.h"

#include <QSystemTrayIcon>

namespace {

QString reasonText(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return QStringLiteral("click");
    case QSystemTrayIcon::DoubleClick:
        return QStringLiteral("double click");
    case QSystemTrayIcon::MiddleClick:
        return QStringLiteral("middle click");
    case QSystemTrayIcon::Context:
        return QStringLiteral("context menu");
    default:
        return QStringLiteral("unknown");
    }
}

} // namespace

SystemTrayStatusItem::SystemTrayStatusItem(QObject* parent)
    : StatusItem(parent), m_icon(new QSystemTrayIcon(this)) {
    refreshAppearance();
    m_icon->setToolTip(QStringLiteral("Quarlin"));
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        logDebug(lcUi, QStringLiteral("🖱️ MenuBar: tray icon activated (%1)").arg(reasonText(reason)));
        // Every left click toggles; Qt reports the second of two quick ones as a double click.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT clicked();
    });
}

void SystemTrayStatusItem::show() {
    m_icon->show();
}

bool SystemTrayStatusItem::isVisible() const {
    return m_icon->isVisible();
}

QRect SystemTrayStatusItem::geometry() const {
    return m_icon->geometry();
}

void SystemTrayStatusItem::refreshAppearance() {
    // The application's icon stands in when the symbol cannot be drawn.
    const QIcon symbol = StatusSymbol::icon();
    m_icon->setIcon(symbol.isNull() ? quarlinIcon() : symbol);
}
