#include "MultiMonitorHelper.h"

#include <QHashFunctions>

bool MultiMonitorHelper::isBuiltIn(const Screen& screen) {
    // Laptop panels hang on embedded connectors: eDP, LVDS and DSI (eDP-1, LVDS1, DSI-2, ...).
    for (const char* prefix : {"eDP", "LVDS", "DSI"})
        if (screen.connector.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    return false;
}

MultiMonitorHelper::DisplayOption::DisplayOption(int index, const Screen& screen_,
                                                 const std::optional<Screen>& mainScreen)
    : id(index), screen(screen_) {
    QString suffix;
    if (mainScreen && mainScreen->isEqual(screen))
        suffix = QStringLiteral(" (Main)");
    else if (screen.frame.width < screen.frame.height)
        suffix = QStringLiteral(" (Vertical)");
    else if (isBuiltIn(screen))
        suffix = QStringLiteral(" (Built-in)");
    else
        suffix = QStringLiteral(" (External)");
    name = QStringLiteral("Display %1").arg(index + 1) + suffix;
}

QList<MultiMonitorHelper::DisplayOption> MultiMonitorHelper::availableDisplays() {
    const QList<Screen> screens = m_platform.screens.screens();
    const std::optional<Screen> main = m_platform.screens.mainScreen();
    QList<DisplayOption> options;
    for (int i = 0; i < screens.size(); ++i)
        options.append(DisplayOption(i, screens.at(i), main));
    return options;
}

size_t qHash(const MultiMonitorHelper::DisplayOption& option, size_t seed) {
    return qHashMulti(seed, option.id, option.name, option.screen.id);
}
