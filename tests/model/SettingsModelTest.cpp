// The five stored preferences: defaults that are never written, value types, the change signal,
// and the themes the appearance preference names.
#include "model/SettingsModel.h"
#include "base/PreferenceStore.h"
#include "model/AppTheme.h"

#include <QSignalSpy>
#include <QTest>

class SettingsModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void switchesWriteTheirKeyAsABoolAndSignalOnce() {
        using Getter = bool (SettingsModel::*)() const;
        using Setter = void (SettingsModel::*)(bool);
        const struct {
            QString key;
            Getter get;
            Setter set;
        } switches[] = {
            {SettingsModel::autoHideMenuBarWindowOnConfigActivationKey,
             &SettingsModel::autoHideMenuBarWindowOnConfigActivation,
             &SettingsModel::setAutoHideMenuBarWindowOnConfigActivation},
            {SettingsModel::launchInMenuBarModeKey, &SettingsModel::launchInMenuBarMode,
             &SettingsModel::setLaunchInMenuBarMode},
            {SettingsModel::launchAtLoginKey, &SettingsModel::launchAtLogin,
             &SettingsModel::setLaunchAtLogin},
            {SettingsModel::showMainWindowOnStatusBarClickKey, &SettingsModel::showMainWindowOnStatusBarClick,
             &SettingsModel::setShowMainWindowOnStatusBarClick},
        };
        QStringList keys;
        for (const auto& s : switches) {
            keys << s.key;
            PreferenceStore preferences;
            SettingsModel settings(preferences);
            QCOMPARE((settings.*s.get)(), false);
            QCOMPARE(settings.appTheme(), QStringLiteral("dark"));
            QVERIFY(preferences.keys().isEmpty());
            QSignalSpy spy(&settings, &SettingsModel::objectWillChange);
            (settings.*s.set)(true);
            QCOMPARE(preferences.keys(), QStringList{s.key});
            QCOMPARE(preferences.value(s.key), QJsonValue(true));
            QCOMPARE((settings.*s.get)(), true);
            QCOMPARE(spy.count(), 1);
            // Written straight to the key, as a bound toggle does: no signal of the model.
            preferences.setValue(s.key, false);
            QCOMPARE((settings.*s.get)(), false);
            QCOMPARE(spy.count(), 1);
            // A value of another type reads as the default.
            preferences.setValue(s.key, QStringLiteral("true"));
            QCOMPARE((settings.*s.get)(), false);
        }
        QCOMPARE(keys, QStringList({"autoHideMenuBarWindowOnConfigActivation", "launchInMenuBarMode",
                                    "launchAtLogin", "showMainWindowOnStatusBarClick"}));
    }

    void theThemeIsStoredAsTextBeforeTheSignal() {
        PreferenceStore preferences;
        SettingsModel settings(preferences);
        QString storedWhenSignalled;
        connect(&settings, &SettingsModel::objectWillChange, this,
                [&] { storedWhenSignalled = preferences.value(SettingsModel::appThemeKey).toString(); });
        settings.setAppTheme(QStringLiteral("light"));
        QCOMPARE(storedWhenSignalled, QStringLiteral("light"));
        QCOMPARE(preferences.value(QStringLiteral("appTheme")), QJsonValue(QStringLiteral("light")));
        // Text naming no theme is kept as stored; readers decide what it means.
        settings.setAppTheme(QStringLiteral("sepia"));
        QCOMPARE(settings.appTheme(), QStringLiteral("sepia"));
    }

    void themes() {
        QStringList raw;
        for (AppTheme theme : AppThemeInfo::allCases) {
            raw << AppThemeInfo::rawValue(theme);
            QCOMPARE(AppThemeInfo::fromRawValue(raw.last()), std::optional(theme));
        }
        QCOMPARE(raw, QStringList({"system", "light", "dark"}));
        for (const QString& text :
             {QStringLiteral("Dark"), QString(), QStringLiteral("dark "), QStringLiteral("sepia")})
            QCOMPARE(AppThemeInfo::fromRawValue(text), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(SettingsModelTest)
#include "SettingsModelTest.moc"
