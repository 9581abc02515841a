// The editor over the shared run of the state: running applications, a real store file (with a second
// connection for "another writer") and one list's window manager.
#pragma once

#include "../../app/AppWorld.h"
#include "model/SavedApp.h"
#include "store/Database.h"
#include "ui/editor/ConfigurationEditor.h"
#include "ui/editor/EditConfigurationModalView.h"
#include "ui/editor/EditConfigurationWindowManager.h"

struct EditorWorld : AppWorld {
    ModelContext* context = AppWorld::context();
    std::unique_ptr<AppState> state;
    EditConfigurationWindowManager manager;
    int saves = 0;
    int cancels = 0;

    EditorWorld() {
        // The editor's tests count on the store's own automatic save.
        context->setAutosaveEnabled(true);
        state = std::make_unique<AppState>(platform, context);
        state->setModelContext(context);
        state->setBackgroundRunner([](std::function<void()> job) { job(); });
    }
    ~EditorWorld() { manager.closeEditWindow(); }

    QString path() const { return dir.filePath(QStringLiteral("store.sqlite")); }

    // A running application with one window.
    void running(const QString& bundleID, const QString& name) {
        desktop.install(bundleID, name);
        SimWindow w(name);
        w.position = {100, 100};
        desktop.addWindow(desktop.run(bundleID, name), w);
    }

    SavedApp* savedApp(const QString& bundleID, const QString& name) {
        auto* app = new SavedApp(bundleID, name, 700, 500, Corner::topRight, 0.5, 0, 0);
        context->insert(app);
        return app;
    }

    // A stored configuration with these applications at these own positions and, when `groups` is
    // set, one default group mapping each in list order to the same position.
    ConfigurationGroup* configuration(const QString& name, const QList<std::pair<QString, Corner>>& apps,
                                      bool withGroup = true) {
        auto* configuration = new ConfigurationGroup(name, 1440, 900, std::nullopt);
        context->insert(configuration);
        for (const auto& [bundleID, corner] : apps)
            configuration->appendConfiguration(new AppConfiguration(bundleID, bundleID.toUpper(), str(corner),
                                                                    0, true, corner, 0.5, 400, 0, 0));
        if (withGroup) {
            PositionGroup* group =
                configuration->addPositionGroup(QStringLiteral("Main"), QStringLiteral("d"), true);
            for (const auto& [bundleID, corner] : apps)
                group->setPosition(bundleID, bundleID.toUpper(), corner);
        }
        if (!context->save())
            qFatal("could not store the configuration");
        return configuration;
    }

    // "Work" with "one" on the left half and "two" on the right, beside the saved application "gimp".
    ConfigurationGroup* workBesideGimp() {
        savedApp(QStringLiteral("gimp"), QStringLiteral("GIMP"));
        return configuration(QStringLiteral("Work"), {{QStringLiteral("one"), Corner::leftHalf},
                                                      {QStringLiteral("two"), Corner::rightHalf}});
    }

    EditConfigurationWindow* open(ConfigurationGroup* configuration,
                                  const std::optional<QString>& groupID = std::nullopt,
                                  EditConfigurationWindowManager* list = nullptr) {
        EditConfigurationWindowManager& m = list ? *list : manager;
        return m.showEditWindow(
            configuration, groupID, context->fetch<SavedApp>(), *state, *context,
            [this](ConfigurationGroup*) { ++saves; }, [this] { ++cancels; });
    }

    // What the file holds, read through a connection of its own: every configuration with its
    // applications, groups and mappings, and the row count of each table.
    QString stored() const {
        QString error;
        auto db = Database::open(path(), false, &error);
        if (!db)
            return error;
        const auto text = [&](const QString& sql) { return db->queryText(sql).value_or(QString()); };
        QStringList out;
        out << text(
            QStringLiteral("SELECT group_concat(name || '/' || coalesce(defaultPositionGroupID, '-'), ';') "
                           "FROM (SELECT * FROM ConfigurationGroup ORDER BY name)"));
        out << text(
            QStringLiteral("SELECT group_concat(bundleID || '@' || savedCorner, ';') FROM (SELECT * FROM "
                           "AppConfiguration ORDER BY configurationGroup, configurationGroupOrder)"));
        out << text(
            QStringLiteral("SELECT group_concat(name || '=' || id, ';') FROM (SELECT * FROM PositionGroup "
                           "ORDER BY configurationGroup, configurationGroupOrder)"));
        out << text(
            QStringLiteral("SELECT group_concat(bundleID || '@' || savedCorner, ';') FROM (SELECT * FROM "
                           "AppPositionMapping ORDER BY positionGroup, positionGroupOrder)"));
        out << text(QStringLiteral(
            "SELECT group_concat(bundleID, ';') FROM (SELECT * FROM SavedApp ORDER BY bundleID)"));
        return out.join(QStringLiteral(" | "));
    }

    // Another writer (a second instance of the program) changes the file; this one notices.
    void otherWriter(const std::function<void(ModelContext&)>& change) {
        QString error;
        auto other = ModelContainer::open(path(), clock, &error);
        QVERIFY2(other, qPrintable(error));
        change(*other->mainContext());
        QVERIFY(other->mainContext()->save(&error));
        other.reset();
        context->checkForRemoteChanges();
    }

    // Makes every write of one table fail until `allow` is called.
    bool refuseWrites(const QString& table) {
        auto db = Database::open(path(), false, nullptr);
        return db && db->execute(
                         QStringLiteral("CREATE TRIGGER refuse%1 BEFORE UPDATE ON %1 BEGIN SELECT "
                                        "RAISE(ABORT, 'disk says no'); END; CREATE TRIGGER refuseNew%1 "
                                        "BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, 'disk says no'); END")
                             .arg(table));
    }
    bool allow(const QString& table) {
        auto db = Database::open(path(), false, nullptr);
        return db &&
               db->execute(QStringLiteral("DROP TRIGGER refuse%1; DROP TRIGGER refuseNew%1").arg(table));
    }

    static ConfigurationEditor& editorOf(EditConfigurationWindow* window) {
        return window->editConfigView()->editor();
    }
    static AppConfiguration* app(ConfigurationEditor& editor, const QString& bundleID) {
        for (AppConfiguration* a : editor.apps())
            if (a->bundleID() == bundleID)
                return a;
        return nullptr;
    }
};
