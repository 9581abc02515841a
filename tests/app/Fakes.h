// Stand-ins for the user interface's side: a main window, the application's windows and look, and
// the menu-bar manager. Each records what the core asked of it, in order.
#pragma once

#include "app/ApplicationShell.h"
#include "app/MenuBarManaging.h"
#include "platform/HostWindow.h"

#include <QStringList>

class FakeWindow : public HostWindow {
public:
    explicit FakeWindow(QStringList& journal, QString name, std::optional<Screen> screen = std::nullopt)
        : m_journal(journal), m_name(std::move(name)), m_screen(std::move(screen)) {}

    std::optional<Screen> screen() const override { return m_screen; }
    bool isVisible() const override { return visible; }
    WindowLevel level() const override { return windowLevel; }
    void setAlphaValue(double alpha) override {
        m_journal << m_name + QStringLiteral(" alpha ") + QString::number(alpha);
    }
    void orderOut() override {
        visible = false;
        m_journal << m_name + QStringLiteral(" orderOut");
    }

    bool visible = true;
    WindowLevel windowLevel = WindowLevel::normal();

private:
    QStringList& m_journal;
    QString m_name;
    std::optional<Screen> m_screen;
};

class FakeShell : public ApplicationShell {
public:
    explicit FakeShell(QStringList& journal) : m_journal(journal) {}

    QList<HostWindow*> windows() const override { return windowList; }
    void setAppearance(std::optional<AppTheme> appearance) override {
        m_journal << QStringLiteral("appearance ") +
                         (appearance ? AppThemeInfo::rawValue(*appearance) : QStringLiteral("none"));
    }
    void refreshAppearance(HostWindow& window) override {
        m_journal << QStringLiteral("refresh window %1").arg(windowList.indexOf(&window));
    }

    QList<HostWindow*> windowList;

private:
    QStringList& m_journal;
};

class FakeMenuBar : public MenuBarManaging {
public:
    explicit FakeMenuBar(QStringList& journal) : m_journal(journal) {}

    void showAttachedWindow() override { m_journal << QStringLiteral("showAttachedWindow"); }
    void showAttachedWindowForLaunch() override {
        m_journal << QStringLiteral("showAttachedWindowForLaunch");
    }
    void toggleAttachedWindow() override { m_journal << QStringLiteral("toggleAttachedWindow"); }
    void updateDockIconVisibility() override { m_journal << QStringLiteral("updateDockIconVisibility"); }
    int statusBarAppearanceEnforcementAttempts() const override { return m_attempts; }
    void setStatusBarAppearanceEnforcementAttempts(int attempts) override {
        m_attempts = attempts;
        m_journal << QStringLiteral("attempts %1").arg(attempts);
    }
    void enforceStatusBarAppearance() override { m_journal << QStringLiteral("enforceStatusBarAppearance"); }
    void hideWindowIfConfigActivationAutoHideEnabled() override { m_journal << QStringLiteral("autoHide"); }

private:
    QStringList& m_journal;
    int m_attempts = 7;
};
