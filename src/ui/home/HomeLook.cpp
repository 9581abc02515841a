#include "HomeLook.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

namespace HomeLook {

namespace {

// Stand-in glyphs until the symbol table is shared.
QString glyphOf(const QString& name) {
    static const QHash<QString, QString> glyphs = {
        {QStringLiteral("play.fill"), QStringLiteral("▶")},
        {QStringLiteral("pencil"), QStringLiteral("✎")},
        {QStringLiteral("trash"), QStringLiteral("🗑")},
        {QStringLiteral("rectangle.on.rectangle"), QStringLiteral("⧉")},
        {QStringLiteral("arrow.left.arrow.right"), QStringLiteral("⇄")},
        {QStringLiteral("arrow.clockwise"), QStringLiteral("↻")},
        {QStringLiteral("arrow.right.circle"), QStringLiteral("➜")},
        {QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("⟲")},
        {QStringLiteral("arrow.clockwise.circle"), QStringLiteral("⟳")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("✔")},
        {QStringLiteral("star.fill"), QStringLiteral("★")},
        {QStringLiteral("plus"), QStringLiteral("+")},
        {QStringLiteral("magnifyingglass"), QStringLiteral("⌕")},
        {QStringLiteral("xmark.circle.fill"), QStringLiteral("✖")},
        {QStringLiteral("app.fill"), QStringLiteral("■")},
        {QStringLiteral("lock.shield"), QStringLiteral("🔒")},
        {QStringLiteral("menubar.rectangle"), QStringLiteral("▭")},
    };
    return glyphs.value(name, QStringLiteral("•"));
}

} // namespace

QFont font(int pixelSize, QFont::Weight weight) {
    QFont f = QApplication::font();
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

QFont headline() {
    return font(13, QFont::Bold);
}

QColor namedColor(const QString& name, const QWidget* context) {
    static const QHash<QString, QColor> colors = {
        {QStringLiteral("blue"), QColor(0x0a, 0x84, 0xff)},
        {QStringLiteral("orange"), QColor(0xff, 0x9f, 0x0a)},
        {QStringLiteral("purple"), QColor(0xbf, 0x5a, 0xf2)},
        {QStringLiteral("green"), QColor(0x30, 0xd1, 0x58)},
        {QStringLiteral("cyan"), QColor(0x64, 0xd2, 0xff)},
        {QStringLiteral("red"), QColor(0xff, 0x45, 0x3a)},
    };
    if (name == QLatin1String("secondary"))
        return secondaryText(context);
    if (name == QLatin1String("primary"))
        return (context ? context->palette() : QApplication::palette()).color(QPalette::WindowText);
    return colors.value(name, QColor(0x0a, 0x84, 0xff));
}

QColor secondaryText(const QWidget* context) {
    QColor c = (context ? context->palette() : QApplication::palette()).color(QPalette::WindowText);
    c.setAlphaF(0.55f);
    return c;
}

QIcon symbol(const QString& name, const QColor& color, int pixelSize) {
    // Rows ask for the same few symbols over and over.
    static QHash<QString, QIcon> cache;
    const QString key =
        name + QLatin1Char('/') + color.name(QColor::HexArgb) + QLatin1Char('/') + QString::number(pixelSize);
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(pixelSize, pixelSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(color);
    painter.setFont(font(pixelSize - 2));
    painter.drawText(QRect(0, 0, pixelSize, pixelSize), Qt::AlignCenter, glyphOf(name));
    painter.end();
    const QIcon icon(pixmap);
    cache.insert(key, icon);
    return icon;
}

QLabel* symbolLabel(const QString& name, const QColor& color, int pixelSize, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(symbol(name, color, pixelSize).pixmap(pixelSize, pixelSize));
    label->setFixedSize(pixelSize, pixelSize);
    return label;
}

QLabel* plainLabel(const QString& text, const QFont& f, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(f);
    return label;
}

QAbstractButton* button(ButtonKind kind, const QString& title, const QString& symbolName, QWidget* parent,
                        const QString& accent, bool destructive) {
    auto* b = new QPushButton(parent);
    b->setAutoDefault(false);
    b->setText(escapedMnemonic(title));
    QColor color = namedColor(accent, parent);
    if (kind == ButtonKind::destructiveGlass || destructive)
        color = namedColor(QStringLiteral("red"), parent);
    if (!symbolName.isEmpty())
        b->setIcon(symbol(symbolName, color, 14));
    b->setFont(font(12, QFont::Medium));
    return b;
}

QString escapedMnemonic(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace HomeLook
