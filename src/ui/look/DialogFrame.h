// What every dialog and sheet of the program gets from the window manager: the dialog window type,
// a transient parent (the window it belongs to), a layer that no window of the program covers
// (DialogLayer), a close button without minimise or maximise, a width that shows its whole title and
// text, and, when it closes, the keyboard back to the window it belongs to.
#pragma once

class QDialog;
class QWidget;

namespace DialogFrame {
// Call once the dialog's content is built; `parent` is the window the dialog belongs to.
void apply(QDialog* dialog);
// The least width at which the dialog's title fits in a title bar.
int titleWidth(const QWidget* dialog);
} // namespace DialogFrame
