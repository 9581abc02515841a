#include "SymbolView.h"

#include "Symbols.h"

#include <QPainter>

SymbolView::SymbolView(const QString& name, int pixelSize, const QColor& colour, QWidget* parent)
    : QWidget(parent), m_name(name), m_pixelSize(pixelSize), m_colour(colour) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(pixelSize, pixelSize);
}

void SymbolView::setName(const QString& name) {
    m_name = name;
    update();
}

void SymbolView::setColour(const QColor& colour) {
    m_colour = colour;
    update();
}

void SymbolView::setPixelSize(int pixels) {
    m_pixelSize = pixels;
    setFixedSize(pixels, pixels);
    update();
}

void SymbolView::setDrawnScale(double scale) {
    m_scale = scale;
    update();
}

void SymbolView::setDrawnOffset(double pixels) {
    m_offset = pixels;
    update();
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor colour = m_colour.isValid() ? m_colour : palette().color(QPalette::WindowText);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre.x(), centre.y() + m_offset);
    painter.scale(m_scale, m_scale);
    painter.translate(-centre);
    Symbols::paint(painter, QRectF(rect()), m_name, colour);
}
