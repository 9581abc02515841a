// What attaching changes on the main window, to give it back exactly on detaching: its flags, frame
// and level (kept in AppState), its size range and whether its menu bar showed.
#pragma once

#include <QSize>

#include <optional>

class AppState;
class QWidget;

class AttachedForm {
public:
    explicit AttachedForm(AppState& appState) : m_appState(appState) {}

    // Saves the window's form afresh, then makes it frameless and hides its menu bar.
    void attach(QWidget* window);
    // The saved form again; an ordinary window where nothing was saved.
    void giveBack(QWidget* window);
    // Every attach saves afresh; nothing of this one may leak into the next.
    void forget();

private:
    struct Saved {
        QSize minimumSize;
        QSize maximumSize;
        bool menuVisible = false;
    };

    AppState& m_appState;
    std::optional<Saved> m_saved;
};
