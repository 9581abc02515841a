// The stored classes on their own: defaults, the two sides of every relationship, the default
// position group, adding groups, positions inside a group, and missing-application detection.
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/Item.h"
#include "model/MissingAppDetector.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"
#include "model/SavedApp.h"
#include "platform/Workspace.h"

#include <QSignalSpy>
#include <QTest>

namespace {
// Knows a fixed set of installed applications and nothing else.
class FakeWorkspace : public Workspace {
public:
    QStringList installed;
    QStringList asked;

    QList<RunningApplicationRef> runningApplications() override { return {}; }
    QList<RunningApplicationRef> runningApplications(const QString&) override { return {}; }
    std::optional<QString> urlForApplication(const QString& bundleID) override {
        asked.append(bundleID);
        if (installed.contains(bundleID))
            return QStringLiteral("/usr/share/applications/") + bundleID + QStringLiteral(".desktop");
        return std::nullopt;
    }
    void openApplication(const QString&, bool, std::function<void(std::optional<QString>)>) override {}
    void beep() override {}
    QString mainBundleIdentifier() const override { return QStringLiteral("quarlin"); }
};

AppConfiguration* appFor(const QString& bundleID, const QString& name = {}) {
    return new AppConfiguration(bundleID, name.isEmpty() ? bundleID : name, QString(), 0, false,
                                Corner::topRight, 0.5, 400, 10, 10);
}

QList<Corner> cornersOf(const PositionGroup* group) {
    QList<Corner> corners;
    for (AppPositionMapping* mapping : group->appPositionList())
        corners.append(mapping->corner());
    return corners;
}
} // namespace

class ModelOperationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newObjectsHoldTheirDefaults() {
        const QDateTime before = QDateTime::currentDateTimeUtc();
        ConfigurationGroup configuration;
        QVERIFY(!configuration.id().isNull());
        QCOMPARE(configuration.name(), QString());
        QVERIFY(configuration.dateCreated() >= before);
        QVERIFY(!configuration.lastActivatedAt());
        QVERIFY(!configuration.configurations());
        QCOMPARE(configuration.screenWidth(), 0.0);
        QCOMPARE(configuration.screenHeight(), 0.0);
        QVERIFY(!configuration.desc());
        QVERIFY(!configuration.positionGroups());
        QVERIFY(!configuration.defaultPositionGroupID());

        AppConfiguration app;
        QVERIFY(!app.savedApp());
        QVERIFY(!app.configurationGroup());
        QCOMPARE(app.bundleID(), QString());
        QCOMPARE(app.relativePosition(), QString());
        QCOMPARE(app.priority(), 0);
        QCOMPARE(app.isRequired(), false);
        QCOMPARE(app.savedCorner(), QStringLiteral("topRight"));
        QCOMPARE(app.savedWidthFraction(), 0.5);
        QCOMPARE(app.savedHeight(), 400.0);
        QCOMPARE(app.savedMarginX(), 10.0);
        QCOMPARE(app.savedMarginY(), 10.0);

        PositionGroup group;
        QCOMPARE(group.desc(), QString());
        QCOMPARE(group.isDefault(), false);
        QVERIFY(group.dateCreated() >= before);
        QVERIFY(!group.appPositions());

        AppPositionMapping mapping;
        QCOMPARE(mapping.savedCorner(), QStringLiteral("topLeft"));
        QVERIFY(!mapping.positionGroup());

        SavedApp saved;
        QCOMPARE(saved.savedWidth(), 0.0);
        QCOMPARE(saved.savedHeight(), 0.0);
        QCOMPARE(saved.savedCorner(), QStringLiteral("topRight"));
        QCOMPARE(saved.savedWidthFraction(), 0.5);
        QCOMPARE(saved.savedMarginX(), 0.0);
        QCOMPARE(saved.savedMarginY(), 0.0);
        QVERIFY(saved.dateAdded() >= before);
        QVERIFY(!saved.configurations());

        QVERIFY(Item().timestamp() >= before);
        QVERIFY(ConfigurationGroup().id() != configuration.id());
    }

    void initializersSetTheirArguments() {
        const ConfigurationGroup configuration(QStringLiteral("Desk"), 1440, 900, std::nullopt);
        QCOMPARE(configuration.name(), QStringLiteral("Desk"));
        QCOMPARE(configuration.screenWidth(), 1440.0);
        QVERIFY(!configuration.desc());
        QVERIFY(!configuration.positionGroups());

        const AppConfiguration app(QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("leftHalf"), 3,
                                   true, Corner::leftHalf, 0.4, 300, 5, 6);
        QCOMPARE(app.savedCorner(), QStringLiteral("leftHalf"));
        QCOMPARE(app.relativePosition(), QStringLiteral("leftHalf"));
        QCOMPARE(app.priority(), 3);
        QCOMPARE(app.savedWidthFraction(), 0.4);
        QCOMPARE(app.savedMarginY(), 6.0);

        const SavedApp saved(QStringLiteral("s"), QStringLiteral("S"), 640, 480, Corner::centerThird, 0.3, 1,
                             2);
        QCOMPARE(saved.savedWidth(), 640.0);
        QCOMPARE(saved.savedHeight(), 480.0);
        QCOMPARE(saved.corner(), Corner::centerThird);
        QCOMPARE(saved.savedMarginX(), 1.0);

        const AppPositionMapping mapping(QStringLiteral("m"), QStringLiteral("M"), Corner::fullScreen);
        QCOMPARE(mapping.savedCorner(), QStringLiteral("fullScreen"));
    }

    void unreadablePositionsFallBackToEachClassDefault() {
        AppConfiguration app;
        SavedApp saved;
        AppPositionMapping mapping;
        for (const QString& text : {QStringLiteral("TopLeft"), QString(), QStringLiteral("middle")}) {
            app.setSavedCorner(text);
            saved.setSavedCorner(text);
            mapping.setSavedCorner(text);
            QCOMPARE(app.corner(), Corner::topRight);
            QCOMPARE(saved.corner(), Corner::topRight);
            QCOMPARE(mapping.corner(), Corner::topLeft);
        }
        app.setCorner(Corner::bottomHalf);
        QCOMPARE(app.savedCorner(), QStringLiteral("bottomHalf"));
    }

    void bothSidesOfARelationshipAgree() {
        ConfigurationGroup first, second;
        AppConfiguration* app = appFor(QStringLiteral("a"));
        first.appendConfiguration(app);
        QCOMPARE(app->configurationGroup(), &first);
        first.appendConfiguration(app);
        QCOMPARE(first.configurationList().size(), 1);

        // Setting the link moves the child to the end of the new owner's list.
        second.appendConfiguration(appFor(QStringLiteral("b")));
        app->setConfigurationGroup(&second);
        QCOMPARE(first.configurationList().size(), 0);
        QVERIFY(first.configurations().has_value());
        QCOMPARE(second.configurationList().last(), app);

        // Assigning a list links its members, drops duplicates and unlinks those left out.
        AppConfiguration* other = second.configurationList().first();
        first.setConfigurations(QList<AppConfiguration*>{app, app, nullptr});
        QCOMPARE(first.configurationList(), QList<AppConfiguration*>{app});
        QCOMPARE(app->configurationGroup(), &first);
        QCOMPARE(second.configurationList(), QList<AppConfiguration*>{other});
        first.setConfigurations(std::nullopt);
        QCOMPARE(app->configurationGroup(), nullptr);
        QVERIFY(!first.configurations());
        delete app;
    }

    void changesAreSignalledPerAttributeOnlyWhenTheValueChanges() {
        ConfigurationGroup configuration;
        QSignalSpy name(&configuration, &ConfigurationGroup::nameChanged);
        QSignalSpy any(&configuration, &ModelObject::changed);
        QSignalSpy groups(&configuration, &ConfigurationGroup::positionGroupsChanged);
        configuration.setName(QStringLiteral("x"));
        configuration.setName(QStringLiteral("x"));
        QCOMPARE(name.count(), 1);
        configuration.addPositionGroup(QStringLiteral("g"), QString(), false);
        QCOMPARE(groups.count(), 1);
        QCOMPARE(name.count(), 1);
        QVERIFY(any.count() >= 3);
    }

    void theDefaultPositionGroup() {
        ConfigurationGroup configuration;
        configuration.setDefaultPositionGroupID(QStringLiteral("ANY"));
        QCOMPARE(configuration.defaultPositionGroup(), nullptr);
        configuration.setPositionGroups(QList<PositionGroup*>());
        QCOMPARE(configuration.defaultPositionGroup(), nullptr);

        PositionGroup* first = configuration.addPositionGroup(QStringLiteral("1"), QString(), false);
        PositionGroup* second = configuration.addPositionGroup(QStringLiteral("2"), QString(), false);
        // The first group added becomes the default even when added as not default.
        QCOMPARE(configuration.defaultPositionGroupID(), std::optional(uuidString(first->id())));
        QCOMPARE(configuration.defaultPositionGroup(), first);
        QCOMPARE(first->isDefault(), false);

        // An id naming no group gives no default, with no fall-back to another group.
        configuration.setDefaultPositionGroupID(uuidString(first->id()).toLower());
        QCOMPARE(configuration.defaultPositionGroup(), nullptr);
        configuration.setPositionGroups(QList<PositionGroup*>{second});
        configuration.setDefaultPositionGroupID(uuidString(first->id()));
        QCOMPARE(configuration.defaultPositionGroup(), nullptr);
        configuration.setDefaultPositionGroup(second);
        QCOMPARE(configuration.defaultPositionGroup(), second);

        configuration.setDefaultPositionGroupID(std::nullopt);
        PositionGroup* third = configuration.addPositionGroup(QStringLiteral("3"), QString(), false);
        QCOMPARE(configuration.defaultPositionGroup(), second);
        QVERIFY(!configuration.defaultPositionGroupID());
        PositionGroup* fourth = configuration.addPositionGroup(QStringLiteral("4"), QString(), true);
        QCOMPARE(configuration.defaultPositionGroup(), fourth);
        QCOMPARE(fourth->isDefault(), true);
        QCOMPARE(configuration.positionGroupList(), (QList<PositionGroup*>{second, third, fourth}));
        QCOMPARE(third->configurationGroup(), &configuration);
        configuration.setDefaultPositionGroup(nullptr);
        QVERIFY(!configuration.defaultPositionGroupID());
        QCOMPARE(configuration.defaultPositionGroup(), second);
        delete first;
    }

    void groupsFromTemplatesMapApplicationsInOrder_data() {
        QTest::addColumn<int>("apps");
        QTest::addColumn<int>("templateIndex");
        QTest::addColumn<int>("mapped");
        QTest::newRow("two positions, three apps") << 3 << 0 << 2;
        QTest::newRow("two positions, one app") << 1 << 0 << 1;
        QTest::newRow("no apps") << 0 << 9 << 0;
        QTest::newRow("four positions, four apps") << 4 << 9 << 4;
    }
    void groupsFromTemplatesMapApplicationsInOrder() {
        QFETCH(int, apps);
        QFETCH(int, templateIndex);
        QFETCH(int, mapped);
        ConfigurationGroup configuration;
        for (int i = 0; i < apps; ++i)
            configuration.appendConfiguration(appFor(QStringLiteral("app%1").arg(i)));
        const PositionTemplate& chosen = PositionTemplate::predefinedTemplates()[templateIndex];
        PositionGroup* group = configuration.createPositionGroupFromTemplate(chosen);
        QCOMPARE(group->name(), chosen.name);
        QCOMPARE(group->desc(), chosen.desc);
        QCOMPARE(group->isDefault(), false);
        QCOMPARE(configuration.defaultPositionGroup(), group);
        QCOMPARE(cornersOf(group), chosen.positions.first(mapped));
        QCOMPARE(group->appPositions().has_value(), mapped > 0);
        for (int i = 0; i < mapped; ++i) {
            QCOMPARE(group->appPositionList()[i]->bundleID(), QStringLiteral("app%1").arg(i));
            QCOMPARE(group->appPositionList()[i]->positionGroup(), group);
        }
    }

    void aTemplateGroupTakesAGivenNameEvenAnEmptyOne() {
        ConfigurationGroup configuration;
        const PositionTemplate& chosen = PositionTemplate::predefinedTemplates()[4];
        QCOMPARE(configuration.createPositionGroupFromTemplate(chosen, QString())->name(), QString());
        QCOMPARE(configuration.createPositionGroupFromTemplate(chosen, QStringLiteral("Mine"))->name(),
                 QStringLiteral("Mine"));
        QCOMPARE(configuration.positionGroupList().size(), 2);
        QCOMPARE(configuration.defaultPositionGroup(), configuration.positionGroupList().first());
    }

    void positionsInsideAGroup() {
        PositionGroup group;
        QCOMPARE(group.getPosition(QStringLiteral("a")), std::nullopt);
        group.setPosition(QStringLiteral("a"), QStringLiteral("A"), Corner::leftHalf);
        group.setPosition(QStringLiteral("b"), QStringLiteral("B"), Corner::rightHalf);
        QCOMPARE(group.getPosition(QStringLiteral("a")), std::optional(Corner::leftHalf));

        // An existing mapping changes in place: same count, same name, same place in the list.
        AppPositionMapping* mapping = group.appPositionList()[0];
        group.setPosition(QStringLiteral("a"), QStringLiteral("Renamed"), Corner::fullScreen);
        QCOMPARE(group.appPositionList().size(), 2);
        QCOMPARE(group.appPositionList()[0], mapping);
        QCOMPARE(mapping->appName(), QStringLiteral("A"));
        QCOMPARE(group.getPosition(QStringLiteral("a")), std::optional(Corner::fullScreen));
        QCOMPARE(group.getPosition(QStringLiteral("A")), std::nullopt);

        mapping->setSavedCorner(QStringLiteral("nowhere"));
        QCOMPARE(group.getPosition(QStringLiteral("a")), std::optional(Corner::topLeft));

        // With two mappings for one application, the earlier one is read and written.
        auto* duplicate =
            new AppPositionMapping(QStringLiteral("b"), QStringLiteral("B2"), Corner::bottomHalf);
        group.appendAppPosition(duplicate);
        group.setPosition(QStringLiteral("b"), QStringLiteral("B"), Corner::topHalf);
        QCOMPARE(group.getPosition(QStringLiteral("b")), std::optional(Corner::topHalf));
        QCOMPARE(duplicate->corner(), Corner::bottomHalf);
    }

    void missingApplicationsAreListedInConfigurationOrder() {
        FakeWorkspace workspace;
        workspace.installed = {QStringLiteral("org.installed")};
        ConfigurationGroup configuration(QStringLiteral("Studio"), 0, 0, std::nullopt);
        QVERIFY(MissingAppDetector::findMissingApps(workspace, &configuration).isEmpty());

        configuration.appendConfiguration(appFor(QStringLiteral("org.gone"), QStringLiteral("Gone")));
        configuration.appendConfiguration(appFor(QStringLiteral("org.installed")));
        configuration.appendConfiguration(appFor(QStringLiteral("org.gone"), QStringLiteral("Gone again")));
        configuration.appendConfiguration(appFor(QStringLiteral("org.other"), QStringLiteral("Other")));
        const QList<MissingAppInfo> missing = MissingAppDetector::findMissingApps(workspace, &configuration);
        QCOMPARE(missing.size(), 3);
        QCOMPARE(missing[0].bundleID, QStringLiteral("org.gone"));
        QCOMPARE(missing[0].appName, QStringLiteral("Gone"));
        QCOMPARE(missing[0].configurationName, QStringLiteral("Studio"));
        QCOMPARE(missing[1].appName, QStringLiteral("Gone again"));
        QCOMPARE(missing[2].bundleID, QStringLiteral("org.other"));
        QCOMPARE(workspace.asked.size(), 4);

        workspace.installed.append({QStringLiteral("org.gone"), QStringLiteral("org.other")});
        QVERIFY(MissingAppDetector::findMissingApps(workspace, &configuration).isEmpty());
        QVERIFY(MissingAppDetector::isAppInstalled(workspace, QStringLiteral("org.other")));
        QVERIFY(!MissingAppDetector::isAppInstalled(workspace, QString()));
    }
};

QTEST_GUILESS_MAIN(ModelOperationsTest)
#include "ModelOperationsTest.moc"
