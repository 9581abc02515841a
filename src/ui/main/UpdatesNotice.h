// What "Check for Updates" says on Linux: the distribution's packages bring new versions.
#pragma once

class QMessageBox;
class QWidget;

namespace UpdatesNotice {
// Opens the notice over parent without blocking; it deletes itself when closed.
QMessageBox* open(QWidget* parent);
} // namespace UpdatesNotice
