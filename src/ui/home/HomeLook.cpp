#include "HomeLook.h"

#include "ui/look/ButtonStyle.h"
#include "ui/look/ElidedLabel.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/StyledButton.h"
#include "ui/look/Symbols.h"

#include <QHash>
#include <QLabel>

namespace HomeLook {

QFont font(int pixelSize, QFont::Weight weight) {
    return Fonts::system(pixelSize, weight);
}

QFont headline() {
    return Fonts::headline();
}

QColor namedColor(const QString& name, const QWidget* context) {
    const bool dark = LookColors::isDark(context);
    if (name == QLatin1String("orange"))
        return LookColors::orange(dark);
    if (name == QLatin1String("green"))
        return LookColors::green(dark);
    if (name == QLatin1String("red"))
        return LookColors::red(dark);
    if (name == QLatin1String("purple"))
        return dark ? QColor(191, 90, 242) : QColor(175, 82, 222);
    if (name == QLatin1String("cyan"))
        return dark ? QColor(100, 210, 255) : QColor(50, 173, 230);
    if (name == QLatin1String("secondary"))
        return LookColors::secondary(dark);
    if (name == QLatin1String("primary"))
        return LookColors::primary(dark);
    return LookColors::blue(dark);
}

QColor secondaryText(const QWidget* context) {
    // Reads on both looks: a row made before its window's palette arrives still shows.
    (void)context;
    return LookColors::gray();
}

QIcon symbol(const QString& name, const QColor& color, int pixelSize) {
    // Rows ask for the same few symbols over and over.
    static QHash<QString, QIcon> cache;
    const QString key =
        name + QLatin1Char('/') + color.name(QColor::HexArgb) + QLatin1Char('/') + QString::number(pixelSize);
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    const QIcon icon = Symbols::icon(name, color, pixelSize);
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

QLabel* elidedLabel(const QString& text, const QFont& f, QWidget* parent) {
    auto* label = new ElidedLabel(text, parent);
    label->setFont(f);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return label;
}

QAbstractButton* button(ButtonKind kind, const QString& title, const QString& symbolName, QWidget* parent,
                        const QString& accent, bool destructive) {
    ButtonStyle style;
    switch (kind) {
    case ButtonKind::glass:
        style = ButtonStyle::glassmorphic();
        break;
    case ButtonKind::destructiveGlass:
        style = ButtonStyle::destructiveGlassmorphic();
        break;
    case ButtonKind::adaptive:
        style = ButtonStyle::adaptiveGlassmorphic(namedColor(accent, parent), destructive);
        break;
    case ButtonKind::menuBarToggle:
        style = ButtonStyle::menuBarToggle();
        break;
    }
    auto* b = new StyledButton(style, escapedMnemonic(title), symbolName, parent);
    b->setFont(font(12, QFont::Medium));
    return b;
}

void restyle(QAbstractButton* button, const QString& title, const QString& symbolName,
             const QString& accent) {
    auto* styled = qobject_cast<StyledButton*>(button);
    if (!styled)
        return;
    styled->setText(escapedMnemonic(title));
    styled->setSymbol(symbolName);
    styled->setStyle(ButtonStyle::adaptiveGlassmorphic(namedColor(accent, button)));
}

QString escapedMnemonic(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace HomeLook
