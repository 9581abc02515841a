// A combo box whose shown entry ends in an ellipsis when it is too long for the box, instead of
// being cut off mid-word.
#pragma once

#include <QComboBox>

class ElidingComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // The text as drawn in the box now.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int textRoom() const;
};
