// A real push button (keyboard focus, clicks, accessibility stay Qt's) drawn in one of the six
// ButtonStyles: a label of an optional symbol and a text, padded, on the style's background, with
// the hover and press looks animated over 0.15 s. The hover enlargement is drawn only: the widget
// reserves room for it, so nothing around the button moves.
//
//   auto* close = new StyledButton(ButtonStyle::glassmorphic(), tr("Close"));
//   auto* play = new StyledButton(ButtonStyle::adaptiveGlassmorphic(LookColors::green(true)), {},
//   "play.fill");
#pragma once

#include "ButtonStyle.h"

#include <QAbstractButton>
#include <QMarginsF>

class QVariantAnimation;

class StyledButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit StyledButton(const ButtonStyle& style, const QString& text = {}, const QString& symbol = {},
                          QWidget* parent = nullptr);

    const ButtonStyle& style() const { return m_style; }
    void setStyle(const ButtonStyle& style);

    // The symbol before the text (empty for none) and its size in pixels (default: the font's).
    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    void setSymbolPixelSize(int pixels);
    // A fixed colour for the symbol instead of the label colour (invalid: follow the label).
    void setSymbolColour(const QColor& colour);
    // The smallest label area, for the toggle styles whose background hugs a caller-sized label.
    void setMinimumLabelSize(const QSize& size);
    // The room between symbol and text (6 by default).
    void setLabelSpacing(int pixels);
    // Whether the label reads "Symbol Text" in a row (default) or the symbol above the text.
    void setStacked(bool stacked);

    bool isHovering() const { return m_hovering; }
    // The animated fractions the painter draws (0..1).
    double hoverProgress() const { return m_hover; }
    double pressProgress() const { return m_press; }
    // Where the body is drawn before any hover scale, inside the reserved margins.
    QRectF bodyRect() const;
    // Draws the whole button scaled about its centre, easing in and out to the new scale over
    // `seconds`; scale() is the value the button is heading to.
    void setScale(double scale, double seconds);
    double scale() const { return m_scaleTarget; }
    double drawnScale() const { return m_scale; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void setHovering(bool hovering);
    void animateTo(QVariantAnimation* animation, double target);
    QSize labelSize() const;
    QFont labelFont() const;
    QMarginsF margins() const;

    ButtonStyle m_style;
    QString m_symbol;
    int m_symbolPixels = 0;
    QColor m_symbolColour;
    QSize m_minimumLabel;
    bool m_stacked = false;
    int m_labelSpacing = 6;
    bool m_hovering = false;
    double m_hover = 0;
    double m_press = 0;
    QVariantAnimation* m_hoverAnimation;
    QVariantAnimation* m_pressAnimation;
    QVariantAnimation* m_scaleAnimation = nullptr;
    double m_scale = 1.0;
    double m_scaleTarget = 1.0;
};
