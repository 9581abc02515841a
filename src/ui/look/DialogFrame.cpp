#include "DialogFrame.h"

#include "DialogLayer.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>

namespace DialogFrame {

int titleWidth(const QWidget* dialog) {
    // Room for the window manager's close button and borders besides the title text.
    constexpr int decoration = 120;
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    return metrics.horizontalAdvance(dialog->windowTitle()) + decoration;
}

void apply(QDialog* dialog) {
    // A parent makes Qt set WM_TRANSIENT_FOR, and the window manager keeps the dialog above that
    // window; the hints leave only the close button. Its layer is decided as it shows.
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    new DialogLayer(dialog);
    // The window manager need not give the keyboard back to the window a dialog was opened over
    // (openbox keeps it itself under the attached window): a key typed next would reach no window
    // of the program. Given back only while the program still has the keyboard (a dialog closed by
    // the program takes nothing from another application), never to a hidden or minimised window;
    // a dialog of no window leaves it where the window manager puts it.
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog] {
        QWidget* window = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
        if (window && window->isVisible() && !window->isMinimized() &&
            QGuiApplication::applicationState() == Qt::ApplicationActive)
            window->activateWindow();
    });
    int width = titleWidth(dialog);
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        // A message box sizes itself to its text on show, often narrower than its title. A fixed
        // least width of its labels would keep a longer text from wrapping and cut it off; an empty
        // row across the whole grid widens the box and leaves the text its own wrapping.
        if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
            grid->addItem(new QSpacerItem(qMax(width, 360), 0, QSizePolicy::Fixed, QSizePolicy::Fixed),
                          grid->rowCount(), 0, 1, grid->columnCount());
        return;
    }
    if (dialog->minimumWidth() < width)
        dialog->setMinimumWidth(width);
}

} // namespace DialogFrame
