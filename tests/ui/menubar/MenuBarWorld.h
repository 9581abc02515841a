// The menu-bar manager over fakes of the desktop: a tray whose icon the test places, monitors the
// test describes, the taskbar state it records, and presses it sends; on the virtual clock.
#pragma once

#include "../../placement/SimWorld.h"
#include "../../shortcuts/FakeHotKeyBackend.h"

#include "app/AppState.h"
#include "platform/MonitorAreas.h"
#include "platform/PointerMonitor.h"
#include "platform/TaskbarEntry.h"
#include "platform/TrayHost.h"
#include "shortcuts/Registry.h"
#include "ui/MainWindow.h"
#include "ui/menubar/MenuBarManager.h"
#include "ui/menubar/StatusItem.h"

#include <QHash>
#include <QWindow>

#include <memory>

class FakeStatusItem : public StatusItem {
public:
    void show() override { visible = true; }
    bool isVisible() const override { return visible; }
    QRect geometry() const override { return rect; }
    void refreshAppearance() override { ++refreshes; }
    void click() { Q_EMIT clicked(); }

    bool visible = false;
    QRect rect;
    int refreshes = 0;
};

class FakeTrayHost : public TrayHost {
public:
    bool isAvailable() const override { return available; }
    bool usesStatusNotifier() const override { return statusNotifier; }
    QRect panel() const override { return panelRect; }
    void setAvailable(bool value) {
        available = value;
        Q_EMIT availabilityChanged(value);
    }

    bool available = true;
    bool statusNotifier = false;
    QRect panelRect;
};

class FakeTaskbarEntry : public TaskbarEntry {
public:
    void setState(quint64 window, const TaskbarEntryState& state) override { states[window] = state; }
    QHash<quint64, TaskbarEntryState> states;
};

class FakePointerMonitor : public PointerMonitor {
public:
    bool start() override {
        ++starts;
        return started = true;
    }
    void stop() override { started = false; }
    bool isStarted() const override { return started; }
    void press(QPoint position, quint64 window = 0) { Q_EMIT buttonPressed(position, window); }
    void escape(quint64 focus = 0) { Q_EMIT escapePressed(focus); }
    bool started = false;
    int starts = 0;
};

class FakeMonitorAreas : public MonitorAreas {
public:
    QList<MonitorArea> areas() override { return list; }
    QPoint pointer() override { return pointerPosition; }
    QList<MonitorArea> list;
    QPoint pointerPosition;
};

// 1920 x 1080 with a 28-pixel panel at the top; the icon at its right end.
inline MonitorArea topPanelMonitor() {
    return {QRect(0, 0, 1920, 1080), QRect(0, 28, 1920, 1052)};
}
inline QRect iconAtTopRight() {
    return QRect(1890, 1, 22, 26);
}

struct MenuBarWorld : SimWorld {
    FakeHotKeyBackend hotKeys;
    KeyboardShortcuts::Registry registry{preferences, hotKeys, clock};
    AppState state{platform};
    FakeStatusItem statusItem;
    FakeTrayHost tray;
    FakeTaskbarEntry taskbar;
    FakePointerMonitor pointer;
    FakeMonitorAreas monitors;
    MainWindow window;
    std::unique_ptr<MenuBarManager> manager;

    MenuBarWorld() {
        monitors.list = {topPanelMonitor()};
        statusItem.rect = iconAtTopRight();
        window.show();
        window.setGeometry(200, 150, 600, 720);
        state.setMainWindow(&window);
    }

    MenuBarManager& start() {
        manager = std::make_unique<MenuBarManager>(
            state, nullptr, MenuBarManager::Services{statusItem, tray, taskbar, pointer, monitors});
        state.setMenuBarManager(manager.get());
        return *manager;
    }

    ~MenuBarWorld() { state.setMenuBarManager(nullptr); }

    TaskbarEntryState windowState() const {
        return taskbar.states.value(window.windowHandle() ? window.windowHandle()->winId() : 0);
    }
};
