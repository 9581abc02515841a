// The stored classes on their own: defaults, the two sides of every relationship, the default
// position group, groups made from templates, positions inside a group, and missing applications.
#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/MissingAppDetector.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"
#include "model/SavedApp.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/VirtualScheduler.h"

#include <QSignalSpy>
#include <QTest>

namespace {
AppConfiguration* appFor(const QString& bundleID, const QString& name = {}) {
    return new AppConfiguration(bundleID, name.isEmpty() ? bundleID : name, QString(), 0, false,
                                Corner::topRight, 0.5, 400, 10, 10);
}
} // namespace

class ModelOperationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each class has its own default position, also for stored text that names none.
    void defaultsAndUnreadablePositions() {
        AppConfiguration app;
        SavedApp saved;
        AppPositionMapping mapping;
        QCOMPARE(QStringList({app.savedCorner(), saved.savedCorner(), mapping.savedCorner()}),
                 QStringList({"topRight", "topRight", "topLeft"}));
        QCOMPARE(QList<double>(
                     {app.savedWidthFraction(), app.savedHeight(), app.savedMarginX(), app.savedMarginY()}),
                 QList<double>({0.5, 400, 10, 10}));
        QCOMPARE(QList<double>({saved.savedWidthFraction(), saved.savedHeight(), saved.savedMarginX()}),
                 QList<double>({0.5, 0, 0}));
        QVERIFY(ConfigurationGroup().id() != ConfigurationGroup().id());
        for (const QString& text : {QStringLiteral("TopLeft"), QString()}) {
            app.setSavedCorner(text);
            saved.setSavedCorner(text);
            mapping.setSavedCorner(text);
            QCOMPARE(QList<Corner>({app.corner(), saved.corner(), mapping.corner()}),
                     QList<Corner>({Corner::topRight, Corner::topRight, Corner::topLeft}));
        }
    }

    void bothSidesOfARelationshipAgree() {
        ConfigurationGroup first, second;
        AppConfiguration* app = appFor(QStringLiteral("a"));
        first.appendConfiguration(app);
        first.appendConfiguration(app);
        QCOMPARE(first.configurationList(), QList<AppConfiguration*>{app});
        QCOMPARE(app->configurationGroup(), &first);

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
        delete app;
    }

    void changesAreSignalledPerAttributeOnlyWhenTheValueChanges() {
        ConfigurationGroup configuration;
        QSignalSpy name(&configuration, &ConfigurationGroup::nameChanged);
        QSignalSpy groups(&configuration, &ConfigurationGroup::positionGroupsChanged);
        configuration.setName(QStringLiteral("x"));
        configuration.setName(QStringLiteral("x"));
        configuration.addPositionGroup(QStringLiteral("g"), QString(), false);
        QCOMPARE(name.count(), 1);
        QCOMPARE(groups.count(), 1);
    }

    void theDefaultPositionGroup() {
        ConfigurationGroup configuration;
        configuration.setDefaultPositionGroupID(QStringLiteral("ANY"));
        QCOMPARE(configuration.defaultPositionGroup(), nullptr);

        PositionGroup* first = configuration.addPositionGroup(QStringLiteral("1"), QString(), false);
        PositionGroup* second = configuration.addPositionGroup(QStringLiteral("2"), QString(), false);
        // The first group added becomes the default even when added as not default.
        QCOMPARE(configuration.defaultPositionGroup(), first);
        QCOMPARE(first->isDefault(), false);

        // An id naming no group gives no default, with no fall-back to another group.
        configuration.setDefaultPositionGroupID(uuidString(first->id()).toLower());
        QCOMPARE(configuration.defaultPositionGroup(), nullptr);
        configuration.setPositionGroups(QList<PositionGroup*>{second});
        configuration.setDefaultPositionGroupID(uuidString(first->id()));
        QCOMPARE(configuration.defaultPositionGroup(), nullptr);

        // Without an id the first group is the default; a group added as default takes over.
        configuration.setDefaultPositionGroupID(std::nullopt);
        PositionGroup* third = configuration.addPositionGroup(QStringLiteral("3"), QString(), false);
        QCOMPARE(configuration.defaultPositionGroup(), second);
        QVERIFY(!configuration.defaultPositionGroupID());
        PositionGroup* fourth = configuration.addPositionGroup(QStringLiteral("4"), QString(), true);
        QCOMPARE(configuration.defaultPositionGroup(), fourth);
        QCOMPARE(configuration.positionGroupList(), (QList<PositionGroup*>{second, third, fourth}));
        QCOMPARE(third->configurationGroup(), &configuration);
        configuration.setDefaultPositionGroup(nullptr);
        QCOMPARE(configuration.defaultPositionGroup(), second);
        delete first;
    }

    void groupsFromTemplatesMapApplicationsInOrder_data() {
        QTest::addColumn<int>("apps");
        QTest::addColumn<int>("templateIndex");
        QTest::addColumn<int>("mapped");
        QTest::newRow("two positions, three apps") << 3 << 0 << 2;
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
        QCOMPARE(configuration.defaultPositionGroup(), group);
        QCOMPARE(group->appPositions().has_value(), mapped > 0);
        QCOMPARE(group->appPositionList().size(), mapped);
        for (int i = 0; i < mapped; ++i) {
            QCOMPARE(group->getPosition(QStringLiteral("app%1").arg(i)), std::optional(chosen.positions[i]));
            QCOMPARE(group->appPositionList()[i]->positionGroup(), group);
        }
        // A given name wins, even an empty one.
        QCOMPARE(configuration.createPositionGroupFromTemplate(chosen, QString())->name(), QString());
    }

    void positionsInsideAGroup() {
        PositionGroup group;
        QCOMPARE(group.getPosition(QStringLiteral("a")), std::nullopt);
        group.setPosition(QStringLiteral("a"), QStringLiteral("A"), Corner::leftHalf);
        group.setPosition(QStringLiteral("b"), QStringLiteral("B"), Corner::rightHalf);

        // An existing mapping changes in place: same count, same name, same place in the list.
        AppPositionMapping* mapping = group.appPositionList()[0];
        group.setPosition(QStringLiteral("a"), QStringLiteral("Renamed"), Corner::fullScreen);
        QCOMPARE(group.appPositionList().size(), 2);
        QCOMPARE(group.appPositionList()[0], mapping);
        QCOMPARE(mapping->appName(), QStringLiteral("A"));
        QCOMPARE(group.getPosition(QStringLiteral("a")), std::optional(Corner::fullScreen));
        QCOMPARE(group.getPosition(QStringLiteral("A")), std::nullopt);

        // With two mappings for one application, the earlier one is read and written.
        auto* duplicate =
            new AppPositionMapping(QStringLiteral("b"), QStringLiteral("B2"), Corner::bottomHalf);
        group.appendAppPosition(duplicate);
        group.setPosition(QStringLiteral("b"), QStringLiteral("B"), Corner::topHalf);
        QCOMPARE(group.getPosition(QStringLiteral("b")), std::optional(Corner::topHalf));
        QCOMPARE(duplicate->corner(), Corner::bottomHalf);
    }

    void missingApplicationsAreListedInConfigurationOrder() {
        VirtualScheduler clock;
        SimDesktop workspace(clock);
        workspace.install(QStringLiteral("org.installed"), QStringLiteral("Installed"));
        ConfigurationGroup configuration(QStringLiteral("Studio"), 0, 0, std::nullopt);
        QVERIFY(MissingAppDetector::findMissingApps(workspace, &configuration).isEmpty());

        configuration.appendConfiguration(appFor(QStringLiteral("org.gone"), QStringLiteral("Gone")));
        configuration.appendConfiguration(appFor(QStringLiteral("org.installed")));
        configuration.appendConfiguration(appFor(QStringLiteral("org.gone"), QStringLiteral("Gone again")));
        const QList<MissingAppInfo> missing = MissingAppDetector::findMissingApps(workspace, &configuration);
        QCOMPARE(missing.size(), 2);
        QCOMPARE(missing[0].bundleID, QStringLiteral("org.gone"));
        QCOMPARE(missing[0].configurationName, QStringLiteral("Studio"));
        QCOMPARE(missing[1].appName, QStringLiteral("Gone again"));

        workspace.install(QStringLiteral("org.gone"), QStringLiteral("Gone"));
        QVERIFY(MissingAppDetector::findMissingApps(workspace, &configuration).isEmpty());
        QVERIFY(!MissingAppDetector::isAppInstalled(workspace, QString()));
    }
};

QTEST_GUILESS_MAIN(ModelOperationsTest)
#include "ModelOperationsTest.moc"
