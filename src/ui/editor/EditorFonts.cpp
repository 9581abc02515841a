#include "EditorFonts.h"

#include <QApplication>

namespace {
QFont sized(int pixels, QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}
} // namespace

namespace EditorFonts {
QFont title2() {
    return sized(17, QFont::DemiBold);
}
QFont headline() {
    return sized(13, QFont::Bold);
}
QFont medium() {
    return sized(13, QFont::Medium);
}
QFont caption(QFont::Weight weight) {
    return sized(10, weight);
}
QFont caption2() {
    return sized(10, QFont::Normal);
}
} // namespace EditorFonts
