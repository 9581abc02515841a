// Stand-ins for the user interface's side: a main window, the application's windows and look, and
// the menu-bar manager. Each records what the core asked of it, in order.
#pragma once

#include "../placement/SimWorld.h"

#include "app/ApplicationShell.h"
#include "app/MenuBarManaging.h"

#include <QStringList>

#include <functional>

class FakeWindow : public WindowOn {
public:
    explicit FakeWindow(QStringList& journal, QString name, std::optional<Screen> screen = std::nullopt)
        : WindowOn(std::move(screen)), m_journal(journal), m_name(std::move(name)) {}

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
    explicit FakeMenuBar(QStringList& journal)
        : m_note([&journal](const QString& step) { journal << step; }) {}
    explicit FakeMenuBar(std::function<void(const QString&)> note) : m_note(std::move(note)) {}

    void showAttachedWindow() override { m_note(QStringLiteral("showAttachedWindow")); }
    void showAttachedWindowForLaunch() override { m_note(QStringLiteral("showAttachedWindowForLaunch")); }
    void toggleAttachedWindow() override { m_note(QStringLiteral("toggleAttachedWindow")); }
    void updateDockIconVisibility() override { m_note(QStringLiteral("updateDockIconVisibility")); }
    int statusBarAppearanceEnforcementAttempts() const override { return m_attempts; }
    void setStatusBarAppearanceEnforcementAttempts(int attempts) override {
        m_attempts = attempts;
        m_note(QStringLiteral("attempts %1").arg(attempts));
    }
    void enforceStatusBarAppearance() override { m_note(QStringLiteral("enforceStatusBarAppearance")); }
    void hideWindowIfConfigActivationAutoHideEnabled() override { m_note(QStringLiteral("autoHide")); }

private:
    std::function<void(const QString&)> m_note;
    int m_attempts = 7;
};
