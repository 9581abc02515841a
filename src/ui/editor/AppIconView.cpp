#include "AppIconView.h"

#include "ui/look/Symbols.h"

#include <QPainter>

AppIconView::AppIconView(std::function<QIcon()> lookup, int side, QWidget* parent)
    : QWidget(parent), m_lookup(std::move(lookup)), m_side(side) {
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QIcon AppIconView::icon() {
    if (!m_icon)
        m_icon = m_lookup ? m_lookup() : QIcon();
    return *m_icon;
}

void AppIconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QIcon image = icon();
    if (image.isNull())
        Symbols::paint(painter, QRectF(rect()), QStringLiteral("app.fill"),
                       palette().color(QPalette::PlaceholderText));
    else
        image.paint(&painter, rect());
}
