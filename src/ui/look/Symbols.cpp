#include "Symbols.h"

#include <QFile>
#include <QFontDatabase>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>

#include <algorithm>

namespace {

// How one symbol is drawn: a glyph of the icon font, or a screen outline with filled cells (unit
// coordinates of the screen), or a dashed square.
struct SymbolDrawing {
    char16_t glyph = 0;
    QList<QRectF> cells;
    bool outlineOnly = false;
    bool diagonal = false;
    bool dashedSquare = false;
};

SymbolDrawing glyph(char16_t codepoint) {
    SymbolDrawing d;
    d.glyph = codepoint;
    return d;
}

SymbolDrawing screen(QList<QRectF> cells) {
    SymbolDrawing d;
    d.cells = std::move(cells);
    return d;
}

const QRectF leftHalf(0, 0, 0.5, 1), rightHalf(0.5, 0, 0.5, 1), topHalf(0, 0, 1, 0.5),
    bottomHalf(0, 0.5, 1, 0.5);
const QRectF topLeft(0, 0, 0.5, 0.5), topRight(0.5, 0, 0.5, 0.5), bottomLeft(0, 0.5, 0.5, 0.5),
    bottomRight(0.5, 0.5, 0.5, 0.5);
const double third = 1.0 / 3.0;

const QHash<QString, SymbolDrawing>& table() {
    static const QHash<QString, SymbolDrawing> symbols = [] {
        QHash<QString, SymbolDrawing> t;
        // Glyphs of the Material Design icon font, by code point.
        t.insert("house", glyph(0xe88a));
        t.insert("keyboard", glyph(0xe312));
        t.insert("gearshape", glyph(0xe8b8));
        t.insert("play.fill", glyph(0xe037));
        t.insert("trash", glyph(0xe872));
        t.insert("pencil", glyph(0xe3c9));
        t.insert("plus", glyph(0xe145));
        t.insert("plus.circle", glyph(0xe148));
        t.insert("plus.circle.fill", glyph(0xe147));
        t.insert("minus.circle", glyph(0xe15d));
        t.insert("star.fill", glyph(0xe838));
        t.insert("checkmark", glyph(0xe5ca));
        t.insert("checkmark.circle.fill", glyph(0xe86c));
        t.insert("checkmark.seal.fill", glyph(0xef76));
        t.insert("xmark", glyph(0xe5cd));
        t.insert("xmark.circle.fill", glyph(0xe5c9));
        t.insert("app.fill", glyph(0xe5c3));
        t.insert("magnifyingglass", glyph(0xe8b6));
        t.insert("lock.shield", glyph(0xe32a));
        t.insert("arrow.clockwise", glyph(0xe5d5));
        t.insert("arrow.clockwise.circle", glyph(0xe41a));
        t.insert("arrow.triangle.2.circlepath", glyph(0xe627));
        t.insert("arrow.left.arrow.right", glyph(0xe8d4));
        t.insert("arrow.right.circle", glyph(0xeaaa));
        t.insert("arrow.up.right.and.arrow.down.left.rectangle", glyph(0xf1ce));
        t.insert("chevron.down", glyph(0xe5cf));
        t.insert("chevron.up", glyph(0xe5ce));
        t.insert("doc.on.doc", glyph(0xe14d));
        t.insert("exclamationmark.triangle.fill", glyph(0xe002));
        t.insert("icloud", glyph(0xe2bd));
        t.insert("checkmark.icloud", glyph(0xe2bf));
        t.insert("exclamationmark.icloud", glyph(0xe2c1));
        t.insert("arrow.trianglehead.clockwise.icloud.fill", glyph(0xeb5a));
        t.insert("moon", glyph(0xe51c));
        t.insert("lightbulb", glyph(0xe0f0));
        t.insert("applelogo", glyph(0xe30a)); // the "System" theme: the computer's own look
        t.insert("ellipsis", glyph(0xe5d3));
        t.insert("eye", glyph(0xe8f4));
        t.insert("power", glyph(0xe8ac));
        t.insert("tray", glyph(0xe156));
        t.insert("menubar.rectangle", glyph(0xe069));
        t.insert("rectangle.on.rectangle", glyph(0xe3e0));
        t.insert("rectangle.3.group.fill", glyph(0xe660));
        // Layout pictures: a screen with the occupied positions filled.
        t.insert("rectangle.split.2x1", screen({leftHalf, rightHalf}));
        t.insert("rectangle.split.1x2", screen({topHalf, bottomHalf}));
        t.insert("rectangle.split.3x1", screen({QRectF(0, 0, third, 1), QRectF(third, 0, third, 1),
                                                QRectF(2 * third, 0, third, 1)}));
        t.insert("rectangle.grid.2x2", screen({topLeft, topRight, bottomLeft, bottomRight}));
        t.insert("rectangle.topthird.inset.filled", screen({topLeft, topRight}));
        t.insert("rectangle.bottomthird.inset.filled", screen({bottomLeft, bottomRight}));
        t.insert("rectangle.leftthird.inset.filled", screen({QRectF(0, 0, third, 1)}));
        t.insert("rectangle.rightthird.inset.filled", screen({QRectF(2 * third, 0, third, 1)}));
        t.insert("squares.below.rectangle", screen({topLeft, topRight, bottomRight}));
        t.insert("inset.filled.tophalf.bottomleft.bottomright.rectangle",
                 screen({topHalf, bottomLeft, bottomRight}));
        t.insert("inset.filled.topleft.topright.bottomhalf.rectangle",
                 screen({topLeft, topRight, bottomHalf}));
        t.insert("rectangles.below.rectangle", screen({leftHalf, topRight, bottomRight}));
        SymbolDrawing slash = screen({});
        slash.diagonal = true;
        t.insert("rectangle.slash", slash);
        SymbolDrawing dashed;
        dashed.dashedSquare = true;
        t.insert("square.dashed", dashed);
        return t;
    }();
    return symbols;
}

QString loadIconFont() {
    const QString relative =
        QStringLiteral("fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf");
    QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
    if (path.isEmpty() && QFile::exists("/usr/share/" + relative))
        path = "/usr/share/" + relative;
    if (path.isEmpty())
        return {};
    const int id = QFontDatabase::addApplicationFont(path);
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
}

const QString& iconFontFamily() {
    static const QString family = loadIconFont();
    return family;
}

QRectF centredSquare(const QRectF& box) {
    const double side = std::min(box.width(), box.height());
    return QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
}

void paintScreen(QPainter& painter, const QRectF& square, const SymbolDrawing& d, const QColor& colour) {
    const double side = square.width();
    const double line = std::max(1.0, side / 12);
    // A 4:3 screen in the square.
    const QRectF frame(square.left() + side * 0.06, square.top() + side * 0.17, side * 0.88, side * 0.66);
    painter.setPen(QPen(colour, line));
    painter.setBrush(Qt::NoBrush);
    const QRectF outline = frame.adjusted(line / 2, line / 2, -line / 2, -line / 2);
    painter.drawRoundedRect(outline, side * 0.08, side * 0.08);
    const QRectF inner = frame.adjusted(line * 1.6, line * 1.6, -line * 1.6, -line * 1.6);
    const double gap = std::max(0.75, side / 24);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (const QRectF& cell : d.cells) {
        const QRectF r(inner.left() + cell.left() * inner.width(), inner.top() + cell.top() * inner.height(),
                       cell.width() * inner.width(), cell.height() * inner.height());
        painter.drawRoundedRect(r.adjusted(gap / 2, gap / 2, -gap / 2, -gap / 2), side * 0.03, side * 0.03);
    }
    if (d.diagonal) {
        painter.setPen(QPen(colour, line, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(inner.bottomLeft(), inner.topRight());
    }
}

} // namespace

QStringList Symbols::names() {
    QStringList all = table().keys();
    all.sort();
    return all;
}

bool Symbols::isKnown(const QString& name) {
    return table().contains(name);
}

bool Symbols::iconFontLoaded() {
    return !iconFontFamily().isEmpty();
}

void Symbols::paintFallback(QPainter& painter, const QRectF& square, const QColor& colour) {
    const double side = square.width();
    painter.setPen(QPen(colour, std::max(1.0, side / 14), Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(square.adjusted(side * 0.1, side * 0.1, -side * 0.1, -side * 0.1), side * 0.1,
                            side * 0.1);
    QFont font = painter.font();
    font.setPixelSize(std::max(1, int(side * 0.6)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(square, Qt::AlignCenter, QStringLiteral("?"));
}

void Symbols::paint(QPainter& painter, const QRectF& box, const QString& name, const QColor& colour) {
    const QRectF square = centredSquare(box);
    if (square.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const auto found = table().constFind(name);
    if (found == table().constEnd()) {
        paintFallback(painter, square, colour);
    } else if (found->glyph) {
        if (iconFontFamily().isEmpty()) {
            paintFallback(painter, square, colour);
        } else {
            QFont font(iconFontFamily());
            font.setPixelSize(std::max(1, int(square.height())));
            painter.setFont(font);
            painter.setPen(colour);
            painter.drawText(square, Qt::AlignCenter, QString(QChar(found->glyph)));
        }
    } else if (found->dashedSquare) {
        const double side = square.width();
        painter.setPen(QPen(colour, std::max(1.0, side / 12), Qt::DashLine));
        painter.drawRoundedRect(square.adjusted(side * 0.12, side * 0.12, -side * 0.12, -side * 0.12),
                                side * 0.1, side * 0.1);
    } else {
        paintScreen(painter, square, *found, colour);
    }
    painter.restore();
}

QPixmap Symbols::pixmap(const QString& name, int pixelSize, const QColor& colour, qreal devicePixelRatio) {
    const int device = std::max(1, int(std::ceil(pixelSize * devicePixelRatio)));
    QPixmap pix(device, device);
    pix.setDevicePixelRatio(devicePixelRatio);
    pix.fill(Qt::transparent);
    QPainter painter(&pix);
    paint(painter, QRectF(0, 0, pixelSize, pixelSize), name, colour);
    return pix;
}

QIcon Symbols::icon(const QString& name, const QColor& colour, int pixelSize) {
    QIcon result;
    result.addPixmap(pixmap(name, pixelSize, colour, 1.0));
    result.addPixmap(pixmap(name, pixelSize, colour, 2.0));
    return result;
}
