// A combo box whose shown entry ends in an ellipsis when it is too long for the box, instead of
// being cut off mid-word; its list shows every entry whole, however narrow the box.
#pragma once

#include <QComboBox>

class ElidingComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // Never narrower than `pixels`, and as wide as its longest entry where its layout has the room.
    void setNarrowestWidth(int pixels);

    // The text as drawn in the box now.
    QString shownText() const;

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int textRoom() const;
    // The width the list needs to show every entry whole.
    int listWidth() const;
};
