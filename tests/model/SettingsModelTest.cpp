// The five stored preferences: defaults that are never written, value types, and the change signal.
#include "model/SettingsModel.h"
#include "base/PreferenceStore.h"
#include "model/AppTheme.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(AppTheme)

class SettingsModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aFreshStoreReadsTheDefaultsAndStaysEmpty() {
        PreferenceStore preferences;
        SettingsModel settings(preferences);
        QCOMPARE(settings.appTheme(), QStringLiteral("dark"));
        QCOMPARE(settings.autoHideMenuBarWindowOnConfigActivation(), false);
        QCOMPARE(settings.launchInMenuBarMode(), false);
        QCOMPARE(settings.launchAtLogin(), false);
        QCOMPARE(settings.showMainWindowOnStatusBarClick(), false);
        QVERIFY(preferences.keys().isEmpty());
    }

    void eachPropertyWritesItsKeyWithItsTypeAndSignalsOnce_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("property");
        QTest::newRow("autoHide") << QStringLiteral("autoHideMenuBarWindowOnConfigActivation") << 0;
        QTest::newRow("launchInMenuBarMode") << QStringLiteral("launchInMenuBarMode") << 1;
        QTest::newRow("launchAtLogin") << QStringLiteral("launchAtLogin") << 2;
        QTest::newRow("showMainWindow") << QStringLiteral("showMainWindowOnStatusBarClick") << 3;
    }
    void eachPropertyWritesItsKeyWithItsTypeAndSignalsOnce() {
        QFETCH(QString, key);
        QFETCH(int, property);
        PreferenceStore preferences;
        SettingsModel settings(preferences);
        QSignalSpy spy(&settings, &SettingsModel::objectWillChange);
        const std::function<void(bool)> setters[] = {
            [&](bool on) { settings.setAutoHideMenuBarWindowOnConfigActivation(on); },
            [&](bool on) { settings.setLaunchInMenuBarMode(on); },
            [&](bool on) { settings.setLaunchAtLogin(on); },
            [&](bool on) { settings.setShowMainWindowOnStatusBarClick(on); },
        };
        const std::function<bool()> getters[] = {
            [&] { return settings.autoHideMenuBarWindowOnConfigActivation(); },
            [&] { return settings.launchInMenuBarMode(); },
            [&] { return settings.launchAtLogin(); },
            [&] { return settings.showMainWindowOnStatusBarClick(); },
        };
        setters[property](true);
        QCOMPARE(preferences.value(key), QJsonValue(true));
        QCOMPARE(getters[property](), true);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(preferences.keys(), QStringList{key});

        // Written straight to the key, as a bound toggle does: no signal of the model.
        preferences.setValue(key, false);
        QCOMPARE(getters[property](), false);
        QCOMPARE(spy.count(), 1);
        // A value of another type reads as the default.
        preferences.setValue(key, QStringLiteral("true"));
        QCOMPARE(getters[property](), false);
    }

    void writingTheThemeStoresTextThenSignals() {
        PreferenceStore preferences;
        SettingsModel settings(preferences);
        QString storedWhenSignalled;
        connect(&settings, &SettingsModel::objectWillChange, this,
                [&] { storedWhenSignalled = preferences.value(QStringLiteral("appTheme")).toString(); });
        QSignalSpy spy(&settings, &SettingsModel::objectWillChange);
        settings.setAppTheme(QStringLiteral("light"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(storedWhenSignalled, QStringLiteral("light"));
        QCOMPARE(preferences.value(QStringLiteral("appTheme")), QJsonValue(QStringLiteral("light")));
        QCOMPARE(settings.appTheme(), QStringLiteral("light"));
        // Text naming no theme is kept as stored; readers decide what it means.
        settings.setAppTheme(QStringLiteral("sepia"));
        QCOMPARE(settings.appTheme(), QStringLiteral("sepia"));
        QCOMPARE(AppThemeInfo::fromRawValue(settings.appTheme()), std::nullopt);
    }

    void themes_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<AppTheme>("theme");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("system") << 0 << AppTheme::system << "system"
                                << "System"
                                << "applelogo";
        QTest::newRow("light") << 1 << AppTheme::light << "light"
                               << "Light"
                               << "lightbulb";
        QTest::newRow("dark") << 2 << AppTheme::dark << "dark"
                              << "Dark"
                              << "moon";
    }
    void themes() {
        QFETCH(int, index);
        QFETCH(AppTheme, theme);
        QFETCH(QString, raw);
        QFETCH(QString, displayName);
        QFETCH(QString, symbol);
        QCOMPARE(AppThemeInfo::allCases[static_cast<size_t>(index)], theme);
        QCOMPARE(AppThemeInfo::rawValue(theme), raw);
        QCOMPARE(AppThemeInfo::displayName(theme), displayName);
        QCOMPARE(AppThemeInfo::sfSymbol(theme), symbol);
        QCOMPARE(AppThemeInfo::fromRawValue(raw), std::optional(theme));
    }

    void unknownThemeTextsGiveNothing() {
        for (const QString& text :
             {QStringLiteral("Dark"), QString(), QStringLiteral("dark "), QStringLiteral("auto")})
            QCOMPARE(AppThemeInfo::fromRawValue(text), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(SettingsModelTest)
#include "SettingsModelTest.moc"
