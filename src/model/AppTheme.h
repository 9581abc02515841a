// The appearance choice that the "appTheme" preference holds.
#pragma once

#include <QString>

#include <array>
#include <optional>

enum class AppTheme { system, light, dark };

namespace AppThemeInfo {
// In the settings picker's order.
inline constexpr std::array<AppTheme, 3> allCases = {AppTheme::system, AppTheme::light, AppTheme::dark};

QString rawValue(AppTheme theme);
// Exactly "system", "light" or "dark" (case-sensitive); any other text gives nothing.
std::optional<AppTheme> fromRawValue(const QString& raw);
QString displayName(AppTheme theme);
QString sfSymbol(AppTheme theme);
} // namespace AppThemeInfo
