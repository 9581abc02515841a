// A check box bound to launch at login: it shows the desktop's answer whenever it is shown, and a flip
// changes the registration, then shows what the desktop really did.
#pragma once

#include <QCheckBox>

class LaunchAtLogin;

class LaunchAtLoginToggle : public QCheckBox {
    Q_OBJECT
public:
    // The label is shown as it is; without one it reads "Launch at login".
    explicit LaunchAtLoginToggle(LaunchAtLogin& launchAtLogin,
                                 const QString& label = QStringLiteral("Launch at login"),
                                 QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showState(bool isEnabled);

    LaunchAtLogin& m_launchAtLogin;
};
