#include "ProminentButton.h"

ProminentButton::ProminentButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAutoDefault(false);
    setStyleSheet(QStringLiteral(
        "QPushButton { background: palette(highlight); color: palette(highlighted-text); border: none; "
        "border-radius: 5px; padding: 4px 14px; } "
        "QPushButton:hover { background: palette(highlight); border: 1px solid palette(light); } "
        "QPushButton:pressed { background: palette(dark); } "
        "QPushButton:disabled { background: rgba(128,128,128,0.25); color: rgba(128,128,128,0.9); }"));
}
