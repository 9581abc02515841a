#include "MultiMonitorHelper.h"

#include <QHashFunctions>

MultiMonitorHelper::DisplayOption::DisplayOption(int index, const Screen& screen_,
                                                 const std::optional<Screen>& mainScreen)
    : id(index), screen(screen_) {
    QString suffix;
    if (mainScreen && mainScreen->isEqual(screen))
        suffix = QStringLiteral(" (Main)");
    else if (screen.frame.width < screen.frame.height)
        suffix = QStringLiteral(" (Vertical)");
    else if (screen.frame.width < 2000.0)
        suffix = QStringLiteral(" (MacBook)");
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
