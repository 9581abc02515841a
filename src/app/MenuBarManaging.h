// What the shared state, the start-up and the keyboard actions ask of the menu-bar mode: the
// status item and the main window hanging under it. The user interface implements it.
#pragma once

class MenuBarManaging {
public:
    virtual ~MenuBarManaging() = default;

    // Attaches the main window under the status item and shows it.
    virtual void showAttachedWindow() = 0;
    // As showAttachedWindow, faded in, for a launch in menu-bar mode.
    virtual void showAttachedWindowForLaunch() = 0;
    // Hides the attached window when it is attached and visible, else attaches and shows it.
    virtual void toggleAttachedWindow() = 0;
    // Shows or hides the taskbar entry to suit the mode the window is in.
    virtual void updateDockIconVisibility() = 0;

    virtual int statusBarAppearanceEnforcementAttempts() const = 0;
    virtual void setStatusBarAppearanceEnforcementAttempts(int attempts) = 0;
    // Makes the status item follow the panel's look again (a short series of passes).
    virtual void enforceStatusBarAppearance() = 0;

    // Hides the attached window after an activation when the user asked for that.
    virtual void hideWindowIfConfigActivationAutoHideEnabled() = 0;

    // Takes the attached window off the screen; it stays attached.
    virtual void hideAttachedWindow() {}
    // Turns the attached window back into the ordinary main window and brings it forward.
    virtual void detachMainWindow() {}
    // The attached window's content asks for this height; kept within the window's limits.
    virtual void adjustAttachedWindowHeight(double height, bool animated) { (void)height, (void)animated; }
};
