#include "AppTheme.h"

namespace {
struct ThemeTexts {
    const char* raw;
    const char* displayName;
    const char* symbol;
};
constexpr std::array<ThemeTexts, 3> texts = {{
    {"system", "System", "applelogo"},
    {"light", "Light", "lightbulb"},
    {"dark", "Dark", "moon"},
}};

const ThemeTexts& textsOf(AppTheme theme) {
    return texts[static_cast<size_t>(theme)];
}
} // namespace

QString AppThemeInfo::rawValue(AppTheme theme) {
    return QString::fromLatin1(textsOf(theme).raw);
}

std::optional<AppTheme> AppThemeInfo::fromRawValue(const QString& raw) {
    for (AppTheme theme : allCases)
        if (raw == QLatin1String(textsOf(theme).raw))
            return theme;
    return std::nullopt;
}

QString AppThemeInfo::displayName(AppTheme theme) {
    return QString::fromLatin1(textsOf(theme).displayName);
}

QString AppThemeInfo::sfSymbol(AppTheme theme) {
    return QString::fromLatin1(textsOf(theme).symbol);
}
