// The texts a widget draws as it paints itself, each as drawn (an elided name ends in "…" or has
// one in its middle): what the user reads, without comparing pixels.
#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QStringList>
#include <QTextItem>
#include <QWidget>

class DrawnText : public QPaintDevice {
public:
    // The texts `widget` draws, in the order it draws them.
    static QStringList of(QWidget* widget) {
        DrawnText device(widget->size());
        widget->render(&device, QPoint(), QRegion(), QWidget::DrawChildren);
        return device.m_engine.texts;
    }

    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    explicit DrawnText(const QSize& size) : m_size(size) {}

    struct Engine : QPaintEngine {
        QStringList texts;
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
        Type type() const override { return User; }
    };

    QSize m_size;
    mutable Engine m_engine;
};
