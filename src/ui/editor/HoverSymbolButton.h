// A plain button showing one symbol that grows to 1.15 times its size while the pointer is over it
// (eased over 0.15 s). The growth is drawn only: the button keeps room for it, so nothing moves.
#pragma once

#include <QAbstractButton>
#include <QColor>

class QVariantAnimation;

class HoverSymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr double hoverScale = 1.15;
    static constexpr int animationMs = 150;

    HoverSymbolButton(const QString& symbol, int pixelSize, const QColor& colour, QWidget* parent = nullptr);

    // Another widget's hover may drive this one (the name that the pencil follows).
    void setHovered(bool hovered);
    bool isHovered() const { return m_hovered; }
    // The scale the button is heading to.
    double targetScale() const { return m_hovered ? hoverScale : 1.0; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_symbol;
    int m_pixelSize;
    QColor m_colour;
    bool m_hovered = false;
    double m_scale = 1.0;
    QVariantAnimation* m_animation;
};
