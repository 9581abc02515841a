#include "SimDesktop.h"

#include "SimElement.h"
#include "base/Format.h"
#include "base/Scheduler.h"

#include <cmath>

namespace {

using Kind = SimElement::Kind;

WindowElementRef element(Kind kind, pid_t pid, int window = -1, int menu = -1, int item = -1) {
    return std::make_shared<SimElement>(kind, pid, window, menu, item);
}

QString valueText(const WindowValue& value) {
    if (const auto* b = std::get_if<bool>(&value))
        return str(*b);
    if (const auto* s = std::get_if<Size>(&value))
        return str(*s);
    if (const auto* p = std::get_if<Point>(&value))
        return str(*p);
    if (const auto* t = std::get_if<QString>(&value))
        return *t;
    return QStringLiteral("?");
}

} // namespace

SimDesktop::SimDesktop(Scheduler& clock) : m_clock(clock) {}

double SimDesktop::now() const {
    return m_clock.now();
}

void SimDesktop::record(const QString& event) {
    m_journal.append(QString::number(now(), 'f', 2) + QLatin1Char(' ') + event);
}

QStringList SimDesktop::takeJournal() {
    QStringList taken;
    taken.swap(m_journal);
    return taken;
}

void SimDesktop::install(const QString& bundleID, const QString& name, double launchDelay, bool failsToOpen) {
    m_installed.append({bundleID, name, QStringLiteral("/usr/share/applications/%1.desktop").arg(bundleID),
                        launchDelay, failsToOpen});
}

SimApplication& SimDesktop::run(const QString& bundleID, const QString& name) {
    m_running.append(std::make_shared<SimApplication>(
        m_nextPid++, bundleID, name, [this] { return now(); },
        [this](const QString& event) { record(event); }, [this] { return m_nextWindow++; }));
    return *m_running.last();
}

SimApplication* SimDesktop::application(const QString& bundleID) {
    for (const auto& app : m_running) {
        if (!app->exited && app->bundleID == bundleID)
            return app.get();
    }
    return nullptr;
}

SimWindow& SimDesktop::addWindow(SimApplication& app, SimWindow window) {
    return app.putInFront(std::move(window));
}

QList<SimMenu> SimDesktop::fileMenuWithNewWindow() {
    return {SimMenu{QStringLiteral("File"),
                    true,
                    {SimMenuItem{QStringLiteral("New Window"), WindowAccessError::success, true},
                     SimMenuItem{QStringLiteral("Open…"), WindowAccessError::success, false}}}};
}

void SimDesktop::setScreens(QList<Screen> screens, std::optional<int> mainIndex) {
    m_screens = std::move(screens);
    m_mainIndex = mainIndex;
    m_screenWatchers.removeIf([](const auto& watcher) { return !watcher.first; });
    for (const auto& watcher : QList(m_screenWatchers))
        if (watcher.first)
            watcher.second();
}

void SimDesktop::onChanged(QObject* context, std::function<void()> changed) {
    m_screenWatchers.append({context, std::move(changed)});
}

std::optional<Screen> SimDesktop::mainScreen() {
    if (m_mainIndex && *m_mainIndex >= 0 && *m_mainIndex < m_screens.size())
        return m_screens.at(*m_mainIndex);
    return std::nullopt;
}

// --- Workspace ---

QList<RunningApplicationRef> SimDesktop::runningApplications() {
    QList<RunningApplicationRef> list;
    for (const auto& app : m_running) {
        if (!app->exited)
            list.append(app);
    }
    return list;
}

QList<RunningApplicationRef> SimDesktop::runningApplications(const QString& bundleID) {
    QList<RunningApplicationRef> list;
    for (const auto& app : m_running) {
        if (!app->exited && app->bundleID == bundleID)
            list.append(app);
    }
    return list;
}

std::optional<QString> SimDesktop::urlForApplication(const QString& bundleID) {
    // Ids come from stored configurations; one that could name a path outside the
    // application folders is never installed.
    if (bundleID.isEmpty() || bundleID.contains(QLatin1Char('/')) || bundleID.contains(QStringLiteral("..")))
        return std::nullopt;
    for (const Installed& entry : m_installed) {
        if (entry.bundleID == bundleID)
            return entry.location;
    }
    return std::nullopt;
}

void SimDesktop::openApplication(const QString& location, bool activates,
                                 std::function<void(std::optional<QString> error)> completion) {
    record(QStringLiteral("open %1%2").arg(location, activates ? QStringLiteral(" activates") : QString()));
    const Installed* entry = nullptr;
    for (const Installed& e : m_installed) {
        if (e.location == location)
            entry = &e;
    }
    if (!entry || entry->failsToOpen) {
        if (completion)
            completion(QStringLiteral("The application could not be started."));
        return;
    }
    if (SimApplication* app = application(entry->bundleID)) {
        if (app->windowOnReopen && app->visibleWindows(now()).isEmpty())
            app->openWindow(now(), entry->name);
    } else {
        SimApplication& started = run(entry->bundleID, entry->name);
        started.windowDelay = entry->launchDelay;
        started.openWindow(now(), entry->name);
    }
    if (completion)
        completion(std::nullopt);
}

// --- WindowAccess ---

bool SimDesktop::isProcessTrusted(bool prompt) {
    Q_UNUSED(prompt);
    return m_trusted;
}

WindowElementRef SimDesktop::applicationElement(pid_t pid) {
    return element(Kind::application, pid);
}

SimApplication* SimDesktop::byPid(pid_t pid) {
    for (const auto& app : m_running) {
        if (app->pid == pid && !app->exited)
            return app.get();
    }
    return nullptr;
}

const SimMenu* SimDesktop::menuOf(SimApplication& app, int index) {
    if (!app.menuBar || index < 0 || index >= app.menuBar->size())
        return nullptr;
    return &app.menuBar->at(index);
}

WindowAccessError SimDesktop::readAttribute(const WindowElementRef& ref, const QString& attribute,
                                            WindowValue& value) {
    value = std::monostate{};
    const auto* e = dynamic_cast<const SimElement*>(ref.get());
    if (!e)
        return WindowAccessError::illegalArgument;
    if (!m_trusted)
        return WindowAccessError::apiDisabled;
    SimApplication* app = byPid(e->pid);
    if (!app)
        return WindowAccessError::invalidElement;

    const bool children = attribute == QLatin1String("AXChildren");
    const bool title = attribute == QLatin1String("AXTitle");
    switch (e->kind) {
    case Kind::application:
        if (attribute == QLatin1String("AXWindows")) {
            if (app->windowsError)
                return *app->windowsError;
            QList<WindowElementRef> list;
            for (SimWindow* w : app->visibleWindows(now()))
                list.append(element(Kind::window, app->pid, w->id));
            value = list;
            return WindowAccessError::success;
        }
        if (attribute == QLatin1String("AXMenuBar")) {
            if (!app->menuBar)
                return WindowAccessError::noValue;
            value = element(Kind::menuBar, app->pid);
            return WindowAccessError::success;
        }
        if (title && app->name) {
            value = *app->name;
            return WindowAccessError::success;
        }
        return WindowAccessError::attributeUnsupported;
    case Kind::window: {
        SimWindow* w = app->window(e->window);
        if (!w)
            return WindowAccessError::invalidElement;
        return copyWindowAttribute(*app, *w, attribute, value);
    }
    case Kind::menuBar:
        if (children && app->menuBar) {
            QList<WindowElementRef> list;
            for (int i = 0; i < app->menuBar->size(); ++i)
                list.append(element(Kind::menuBarItem, app->pid, -1, i));
            value = list;
            return WindowAccessError::success;
        }
        return WindowAccessError::attributeUnsupported;
    case Kind::menuBarItem:
    case Kind::menu: {
        const SimMenu* menu = menuOf(*app, e->menu);
        if (!menu)
            return WindowAccessError::invalidElement;
        if (title && e->kind == Kind::menuBarItem) {
            value = menu->title;
            return WindowAccessError::success;
        }
        if (!children)
            return WindowAccessError::attributeUnsupported;
        QList<WindowElementRef> list;
        if (e->kind == Kind::menuBarItem) {
            if (menu->hasSubmenu)
                list.append(element(Kind::menu, app->pid, -1, e->menu));
        } else {
            for (int i = 0; i < menu->items.size(); ++i)
                list.append(element(Kind::menuItem, app->pid, -1, e->menu, i));
        }
        value = list;
        return WindowAccessError::success;
    }
    case Kind::menuItem: {
        const SimMenu* menu = menuOf(*app, e->menu);
        if (!menu || e->item < 0 || e->item >= menu->items.size())
            return WindowAccessError::invalidElement;
        if (!title)
            return WindowAccessError::attributeUnsupported;
        value = menu->items.at(e->item).title;
        return WindowAccessError::success;
    }
    }
    return WindowAccessError::failure;
}

WindowAccessError SimDesktop::copyWindowAttribute(SimApplication& app, SimWindow& w, const QString& attribute,
                                                  WindowValue& value) {
    Q_UNUSED(app);
    if (w.unreadable.contains(attribute))
        return WindowAccessError::cannotComplete;
    if (attribute == QLatin1String("AXRole"))
        value = w.role;
    else if (attribute == QLatin1String("AXTitle"))
        value = w.title;
    else if (attribute == QLatin1String("AXSize"))
        value = w.size;
    else if (attribute == QLatin1String("AXPosition"))
        value = w.position;
    else if (attribute == QLatin1String("AXMinimized"))
        value = w.minimized;
    else
        return WindowAccessError::attributeUnsupported;
    return WindowAccessError::success;
}

void SimDesktop::writeSize(SimWindow& w, Size requested) {
    if (++w.sizeWrites < w.acceptsSizeFromWrite)
        return;
    Size s = requested;
    if (w.sizeIncrement.width > 0)
        s.width = std::floor(s.width / w.sizeIncrement.width) * w.sizeIncrement.width;
    if (w.sizeIncrement.height > 0)
        s.height = std::floor(s.height / w.sizeIncrement.height) * w.sizeIncrement.height;
    s.width = std::max(s.width, w.minSize.width);
    s.height = std::max(s.height, w.minSize.height);
    w.size = s;
}

WindowAccessError SimDesktop::writeAttribute(const WindowElementRef& ref, const QString& attribute,
                                             const WindowValue& value) {
    const auto* e = dynamic_cast<const SimElement*>(ref.get());
    if (!e)
        return WindowAccessError::illegalArgument;
    if (!m_trusted)
        return WindowAccessError::apiDisabled;
    SimApplication* app = byPid(e->pid);
    SimWindow* w = app && e->kind == Kind::window ? app->window(e->window) : nullptr;
    if (!w)
        return app ? WindowAccessError::attributeUnsupported : WindowAccessError::invalidElement;
    record(QStringLiteral("write %1 %2 %3").arg(w->title, attribute, valueText(value)));

    if (attribute == QLatin1String("AXSize")) {
        const auto* size = std::get_if<Size>(&value);
        if (!size)
            return WindowAccessError::illegalArgument;
        writeSize(*w, *size);
    } else if (attribute == QLatin1String("AXPosition")) {
        const auto* p = std::get_if<Point>(&value);
        if (!p)
            return WindowAccessError::illegalArgument;
        w->position = {p->x + w->positionSkew.x, p->y + w->positionSkew.y};
    } else if (attribute == QLatin1String("AXMinimized")) {
        const auto* minimized = std::get_if<bool>(&value);
        if (!minimized)
            return WindowAccessError::illegalArgument;
        w->minimized = *minimized;
        if (!*minimized) {
            // Restoring raises it.
            for (auto it = app->windows.begin(); it != app->windows.end(); ++it) {
                if (it->id == w->id) {
                    app->windows.splice(app->windows.begin(), app->windows, it);
                    break;
                }
            }
        }
    } else {
        return WindowAccessError::attributeUnsupported;
    }
    return WindowAccessError::success;
}

WindowAccessError SimDesktop::performAction(const WindowElementRef& ref, const QString& action) {
    const auto* e = dynamic_cast<const SimElement*>(ref.get());
    if (!e)
        return WindowAccessError::illegalArgument;
    if (!m_trusted)
        return WindowAccessError::apiDisabled;
    SimApplication* app = byPid(e->pid);
    if (!app)
        return WindowAccessError::invalidElement;
    const SimMenu* menu = menuOf(*app, e->menu);
    if (e->kind != Kind::menuItem || !menu || action != QLatin1String("AXPress"))
        return WindowAccessError::actionUnsupported;
    const SimMenuItem item = menu->items.at(e->item);
    record(QStringLiteral("press %1").arg(item.title));
    if (item.pressError != WindowAccessError::success)
        return item.pressError;
    if (item.opensWindow)
        app->openWindow(now(), app->name.value_or(QString()));
    return WindowAccessError::success;
}
