// The desktop entry's actions, served as a menu bar with one menu.
#include "X11EntryMenu.h"

#include "DesktopEntryIndex.h"
#include "ProgramLauncher.h"
#include "X11Desktop.h"
#include "X11Element.h"

X11EntryMenu::X11EntryMenu(X11Desktop& desktop, const ProgramLauncher& launcher)
    : m_desktop(desktop), m_launcher(launcher) {}

WindowAccessError X11EntryMenu::attribute(const X11Element& e, const QString& attribute, WindowValue& value) {
    const bool children = attribute == QLatin1String("AXChildren");
    const bool title = attribute == QLatin1String("AXTitle");
    const bool role = attribute == QLatin1String("AXRole");
    switch (e.kind) {
    case X11Element::Kind::menuBar:
        if (role)
            value = QStringLiteral("AXMenuBar");
        else if (children)
            value = QList<WindowElementRef>{e.sameApplication(X11Element::Kind::menuBarItem)};
        else
            return WindowAccessError::attributeUnsupported;
        return WindowAccessError::success;
    case X11Element::Kind::menuBarItem:
        if (role)
            value = QStringLiteral("AXMenuBarItem");
        else if (title)
            value = QStringLiteral("File");
        else if (children)
            value = QList<WindowElementRef>{e.sameApplication(X11Element::Kind::menu)};
        else
            return WindowAccessError::attributeUnsupported;
        return WindowAccessError::success;
    case X11Element::Kind::menu: {
        if (role) {
            value = QStringLiteral("AXMenu");
            return WindowAccessError::success;
        }
        if (!children)
            return WindowAccessError::attributeUnsupported;
        const auto entry = e.applicationId ? m_desktop.entries().entry(*e.applicationId) : std::nullopt;
        if (!entry)
            return WindowAccessError::invalidElement;
        QList<WindowElementRef> items;
        for (const DesktopEntry::Action& action : entry->actions) {
            auto item = e.sameApplication(X11Element::Kind::menuItem);
            auto& x = static_cast<X11Element&>(*item);
            x.entryPath = entry->path;
            x.actionId = action.id;
            x.title = action.name;
            items << item;
        }
        value = items;
        return WindowAccessError::success;
    }
    case X11Element::Kind::menuItem:
        if (role)
            value = QStringLiteral("AXMenuItem");
        else if (title)
            value = e.title;
        else
            return WindowAccessError::attributeUnsupported;
        return WindowAccessError::success;
    default:
        return WindowAccessError::attributeUnsupported;
    }
}

WindowAccessError X11EntryMenu::press(const X11Element& item) {
    const auto entry = DesktopEntry::load(item.entryPath, DesktopEntry::userLocale());
    if (!entry)
        return WindowAccessError::invalidElement;
    for (const DesktopEntry::Action& a : entry->actions) {
        if (a.id == item.actionId)
            return m_launcher.startExec(a.exec) ? WindowAccessError::cannotComplete
                                                : WindowAccessError::success;
    }
    return WindowAccessError::invalidElement;
}
