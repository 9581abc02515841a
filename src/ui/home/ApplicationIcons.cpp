#include "ApplicationIcons.h"

#include <QFileInfo>

ApplicationIcons::ApplicationIcons(Platform& platform, EntryIconReader readEntryIcon)
    : m_platform(platform), m_readEntryIcon(std::move(readEntryIcon)) {}

QIcon ApplicationIcons::icon(const std::optional<QString>& key) {
    if (!key || key->isEmpty())
        return QIcon();
    auto found = m_byKey.constFind(*key);
    if (found != m_byKey.constEnd())
        return *found;
    QIcon result;
    if (QFileInfo(*key).isAbsolute()) {
        if (QFileInfo::exists(*key))
            result = QIcon(*key);
    } else if (QIcon::hasThemeIcon(*key)) {
        result = QIcon::fromTheme(*key);
    }
    m_byKey.insert(*key, result);
    return result;
}

QIcon ApplicationIcons::iconFor(const QString& bundleID) {
    for (const RunningApp& app : m_running) {
        if (app.bundleID == bundleID)
            return icon(app.icon);
    }
    const std::optional<QString> location = m_platform.workspace.urlForApplication(bundleID);
    if (!location || !m_readEntryIcon)
        return QIcon();
    return icon(m_readEntryIcon(*location));
}
