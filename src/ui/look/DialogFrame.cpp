#include "DialogFrame.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QMessageBox>

namespace DialogFrame {

int titleWidth(const QWidget* dialog) {
    // Room for the window manager's close button and borders besides the title text.
    constexpr int decoration = 120;
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    return metrics.horizontalAdvance(dialog->windowTitle()) + decoration;
}

void apply(QDialog* dialog) {
    // A parent makes Qt set WM_TRANSIENT_FOR; the hints leave only the close button.
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    int width = titleWidth(dialog);
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        // A message box sizes itself to its text on show, often narrower than its title: widen its
        // text instead, so that it wraps at a sensible width.
        width = qMax(width, 360);
        box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel "
                                          "{ min-width: %1px; }")
                               .arg(width - 100));
        return;
    }
    if (dialog->minimumWidth() < width)
        dialog->setMinimumWidth(width);
}

} // namespace DialogFrame
