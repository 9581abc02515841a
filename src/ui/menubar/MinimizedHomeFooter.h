// The foot of the compact list and of its gate: leave menu-bar mode (titled as the page puts it) or
// quit the program.
#pragma once

#include <QWidget>

class AppState;

class MinimizedHomeFooter : public QWidget {
    Q_OBJECT
public:
    MinimizedHomeFooter(AppState& state, const QString& leaveText, QWidget* parent = nullptr);
};
