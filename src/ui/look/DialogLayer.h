// Keeps a dialog in the window manager's layer of the program's highest window as it shows: X11
// has one layer above the ordinary one, and a dialog kept only above the window it belongs to
// opens under the editor or the attached window that stay on top, its keyboard hidden from view.
#pragma once

#include <QObject>

class QWidget;

class DialogLayer : public QObject {
public:
    // Watches `dialog`, which owns it.
    explicit DialogLayer(QWidget* dialog);

    // Whether `dialog` belongs in the top layer now: when another window of the program is shown
    // there; and always for a dialog of no window, which no window the user looks at brought up and
    // which in the ordinary layer could open under another program's window.
    static bool staysOnTop(const QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
