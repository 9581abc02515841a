// A symbol of the table shown as a small widget: a name, a colour (invalid: the text colour of the
// palette) and a side in pixels. The drawn scale and vertical offset serve animations (the tab
// bar's bounce) without moving the layout.
#pragma once

#include <QColor>
#include <QWidget>

class SymbolView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double drawnScale READ drawnScale WRITE setDrawnScale)
    Q_PROPERTY(double drawnOffset READ drawnOffset WRITE setDrawnOffset)
public:
    explicit SymbolView(const QString& name = {}, int pixelSize = 16, const QColor& colour = {},
                        QWidget* parent = nullptr);

    QString name() const { return m_name; }
    void setName(const QString& name);
    QColor colour() const { return m_colour; }
    void setColour(const QColor& colour);
    int pixelSize() const { return m_pixelSize; }
    void setPixelSize(int pixels);

    double drawnScale() const { return m_scale; }
    void setDrawnScale(double scale);
    double drawnOffset() const { return m_offset; }
    void setDrawnOffset(double pixels);

    QSize sizeHint() const override { return QSize(m_pixelSize, m_pixelSize); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    int m_pixelSize;
    QColor m_colour;
    double m_scale = 1.0;
    double m_offset = 0.0;
};
