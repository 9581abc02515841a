// The main window as the program builds it, laid out off screen at the program's size, so that
// end-to-end tests know where its controls are.
#pragma once

#include "../app/AppWorld.h"

#include "login/LaunchAtLogin.h"
#include "model/SettingsModel.h"
#include "ui/MainWindow.h"
#include "ui/main/MainTabBar.h"
#include "ui/main/MainTabButton.h"
#include "ui/main/MainView.h"
#include "ui/main/SettingsView.h"
#include "ui/main/ShortcutsView.h"

#include <QApplication>

namespace {
struct NoLogin : LoginItemService {
    Status status() const override { return Status::notRegistered; }
    std::optional<QString> registerService() override { return std::nullopt; }
    std::optional<QString> unregisterService() override { return std::nullopt; }
};
struct NoLog : LoginLog {
    void logFailure(const QString&, const QString&) override {}
};

// The main window as the program builds it, off screen, to find where its controls are.
struct Replica : AppWorld {
    AppState state{platform, context()};
    SettingsModel settings{preferences};
    NoLogin login;
    NoLog loginLog;
    LaunchAtLogin launchAtLogin{login, loginLog};
    MainWindow window;
    MainView* view;

    explicit Replica(const QSize& clientSize) {
        MainView::Contents tabs;
        tabs.shortcuts = [] { return new ShortcutsView([] { return true; }); };
        tabs.settings = [this] {
            return new SettingsView({state,
                                     settings,
                                     launchAtLogin,
                                     clock,
                                     [] { return true; },
                                     nullptr,
                                     {},
                                     QStringLiteral("1.0.0"),
                                     QString()});
        };
        view = new MainView(state, clock, tabs);
        window.setContent(view);
        window.resize(clientSize);
        window.show();
    }
    QPoint centreOf(QWidget* widget) {
        QApplication::processEvents();
        return widget->mapTo(&window, widget->rect().center());
    }
    QPoint tab(MainView::Tab tab) {
        return centreOf(view->tabBar()->button(int(MainView::allTabs().indexOf(tab))));
    }
    template <class T> T* in(const char* name = nullptr) {
        QApplication::processEvents();
        return name ? view->currentContent()->findChild<T*>(name) : view->currentContent()->findChild<T*>();
    }
};

} // namespace
