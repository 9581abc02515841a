// The pieces of the shared look that the home tab builds from: its fonts, its named colours, the
// symbols and the buttons of each style, made in one place.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

namespace HomeLook {

enum class ButtonKind { glass, destructiveGlass, adaptive, menuBarToggle };

// A font of `pixelSize` device-independent pixels.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);
QFont headline();
// "blue", "orange", "purple", "green", "cyan", "red", "secondary", "primary".
QColor namedColor(const QString& name, const QWidget* context = nullptr);
QColor secondaryText(const QWidget* context);
// A symbol of the symbol table drawn in one colour.
QIcon symbol(const QString& name, const QColor& color, int pixelSize = 16);
// A label showing a symbol.
QLabel* symbolLabel(const QString& name, const QColor& color, int pixelSize, QWidget* parent);
// A label for user text: never interpreted as markup.
QLabel* plainLabel(const QString& text, const QFont& font, QWidget* parent);
// A one-line label for a name of any length: cut short with "…" to the width it is given.
QLabel* elidedLabel(const QString& text, const QFont& font, QWidget* parent);
// A button of one of the styles; `accent` and `destructive` count for the adaptive kind. The title
// is shown as given (ampersands doubled); an empty title makes an icon-only button.
QAbstractButton* button(ButtonKind kind, const QString& title, const QString& symbolName, QWidget* parent,
                        const QString& accent = QStringLiteral("blue"), bool destructive = false);
// Gives an adaptive button another title, symbol and accent.
void restyle(QAbstractButton* button, const QString& title, const QString& symbolName, const QString& accent);
// Ampersands doubled, for button and menu texts built from user text.
QString escapedMnemonic(QString text);

} // namespace HomeLook
