// Draws check boxes as switches (a rounded track with a knob, accent-coloured when on), for the
// settings that the interface shows as toggles. One shared instance; a widget opts in with
// SwitchStyle::apply(checkBox), everything else about the check box stays Qt's.
#pragma once

#include <QProxyStyle>

class QCheckBox;

class SwitchStyle : public QProxyStyle {
    Q_OBJECT
public:
    static constexpr int trackWidth = 34;
    static constexpr int trackHeight = 20;

    static void apply(QCheckBox* checkBox);

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    SwitchStyle();
};
