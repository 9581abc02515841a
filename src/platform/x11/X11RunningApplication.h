// A running application on X11: one process, what its windows and desktop entry said when the
// workspace listed it, and bringing its windows forward.
#pragma once

#include "platform/RunningApplication.h"

class X11Desktop;

class X11RunningApplication : public RunningApplication {
public:
    struct Facts {
        pid_t pid = 0;
        std::optional<QString> bundleIdentifier;
        std::optional<QString> localizedName;
        QString icon;
        bool hidden = false;
        ActivationPolicy policy = ActivationPolicy::accessory;
        quint64 startTime = 0;
    };

    X11RunningApplication(X11Desktop& desktop, Facts facts);

    pid_t processIdentifier() const override { return m_facts.pid; }
    std::optional<QString> bundleIdentifier() const override { return m_facts.bundleIdentifier; }
    std::optional<QString> localizedName() const override { return m_facts.localizedName; }
    QString icon() const override { return m_facts.icon; }
    bool isHidden() const override { return m_facts.hidden; }
    ActivationPolicy activationPolicy() const override { return m_facts.policy; }
    bool activate(bool allWindows) override;

    quint64 startTime() const { return m_facts.startTime; }

private:
    X11Desktop& m_desktop;
    Facts m_facts;
};
