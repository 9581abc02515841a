// The page the compact list shows while the desktop does not let Quarlin move windows, and its watch
// for the capability: it looks again on every activation of the program, on "Check Again" and, once
// monitoring, every 3 s until the capability is there.
#pragma once

#include <QWidget>

class AppState;
class QLabel;

class MinimizedPermissionGate : public QWidget {
    Q_OBJECT
public:
    static constexpr double pollSeconds = 3.0;

    explicit MinimizedPermissionGate(AppState& state, QWidget* parent = nullptr);

    bool isTrusted() const { return m_trusted; }
    bool isPolling() const { return m_pollGeneration > 0 && !m_trusted; }
    // The application icon: whether it was given, and its opacity as it fades in.
    bool isShowingAppIcon() const { return m_showAppIcon; }
    double appIconOpacity() const;
    void showAppIcon();
    // Reads the capability afresh; a change is logged and told through trustChanged.
    void checkStatus();
    // Checks now and, while the capability is missing, starts the poll unless it runs already.
    void startMonitoring();

Q_SIGNALS:
    void trustChanged(bool trusted);

private:
    void schedulePoll(int generation);
    void setTrusted(bool trusted);

    AppState& m_state;
    bool m_trusted = false;
    bool m_showAppIcon = false;
    // The one poll: a generation that a grant or the gate's end makes stale.
    int m_pollGeneration = 0;
    QLabel* m_icon = nullptr;
};
