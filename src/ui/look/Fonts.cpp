#include "Fonts.h"

#include <QApplication>

namespace Fonts {

QFont system(int pixelSize, QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QFont weighted(QFont font, QFont::Weight weight) {
    font.setWeight(weight);
    return font;
}

QFont largeTitle() {
    return system(26);
}
QFont title() {
    return system(22);
}
QFont title2() {
    return system(17);
}
QFont title3() {
    return system(15);
}
QFont headline() {
    return system(13, QFont::Bold);
}
QFont body() {
    return system(13);
}
QFont subheadline() {
    return system(11);
}
QFont footnote() {
    return system(10);
}
QFont caption() {
    return system(10);
}

} // namespace Fonts
