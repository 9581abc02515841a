// The text styles of the interface by pixel size (one point of the design is one pixel).
#pragma once

#include <QFont>

namespace Fonts {

QFont largeTitle();  // 26, bold where the view asks
QFont title();       // 22
QFont title2();      // 17
QFont title3();      // 15
QFont headline();    // 13 bold
QFont body();        // 13
QFont subheadline(); // 11
QFont footnote();    // 10
QFont caption();     // 10

// The system font at a pixel size and weight, as the views' "system font of N points".
QFont system(int pixelSize, QFont::Weight weight = QFont::Normal);
// The font with its weight replaced.
QFont weighted(QFont font, QFont::Weight weight);

} // namespace Fonts
