// Keeping the check box and the registration in step.
#include "LaunchAtLoginToggle.h"

#include "login/LaunchAtLogin.h"

#include <QSignalBlocker>

LaunchAtLoginToggle::LaunchAtLoginToggle(LaunchAtLogin& launchAtLogin, const QString& label, QWidget* parent)
    : QCheckBox(label, parent), m_launchAtLogin(launchAtLogin) {
    showState(m_launchAtLogin.isEnabled());
    connect(this, &QCheckBox::toggled, this, [this](bool on) { m_launchAtLogin.setEnabled(on); });
    connect(&m_launchAtLogin, &LaunchAtLogin::didChange, this, &LaunchAtLoginToggle::showState);
}

void LaunchAtLoginToggle::showEvent(QShowEvent* event) {
    QCheckBox::showEvent(event);
    // A change made elsewhere, e.g. in the desktop's own settings, shows the next time.
    showState(m_launchAtLogin.isEnabled());
}

void LaunchAtLoginToggle::showState(bool isEnabled) {
    const QSignalBlocker quiet(this);
    setChecked(isEnabled);
}
