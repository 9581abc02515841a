// The bordered prominent push button of sheets and the editor's footer: white text on the accent
// colour, greyed while disabled.
#pragma once

#include <QPushButton>

class ProminentButton : public QPushButton {
    Q_OBJECT
public:
    explicit ProminentButton(const QString& text, QWidget* parent = nullptr);
};
