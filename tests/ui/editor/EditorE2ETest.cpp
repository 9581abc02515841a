// The real program on the private Xvfb desktop: a configuration built by hand in the editor opened
// from the home tab (two running applications and one saved one, positions, a group from a
// template), previewed on screen, saved and read back from the file; then edited again and
// cancelled, which leaves the file as it was.
//
// Points inside the editor are fixed offsets from its top-left corner: its sections are packed at
// the top at a fixed width, so they only move when rows are added above them.
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/Database.h"
#include "store/ModelContainer.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTest>

namespace {
const QString termID = QStringLiteral("quarlin-editor-term");
const QString logoID = QStringLiteral("quarlin-editor-logo");
const QString eyesID = QStringLiteral("quarlin-editor-eyes");

QString entry(const QString& name, const QString& exec, const QString& wmClass) {
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nStartupWMClass=%3\n")
        .arg(name, exec, wmClass);
}

// Milliseconds to wait for the program on a busy machine.
constexpr int patience = 20000;

// Inside the editor, from its top-left corner (client area).
// The search fields with n applications in the configuration: each row pushes them down.
QPoint savedSearch(int apps) {
    return QPoint(260, apps == 0 ? 309 : 309 + 36 * apps - 46);
}
const QRect firstRunningRow(40, 458, 100, 20);
QPoint runningSearch(int apps) {
    return QPoint(260, apps == 0 ? 431 : 431 + 36 * apps - 46);
}
const QPoint showRunningApps(313, 396);
const QPoint createGroup(421, 82);
const QPoint preview(435, 182);
const QPoint cancelButton(214, 764);
const QPoint saveButton(295, 764);
QPoint positionMenu(int row) {
    return QPoint(344, 215 + 36 * row);
}
QPoint removeButton(int row) {
    return QPoint(453, 215 + 36 * row);
}
// Inside the main window: the pencil of the home tab's first configuration row.
const QPoint homeRowEdit(509, 391);
// The same once the row offers its "Rotate" button (three applications on the thirds).
const QPoint homeRowEditBesideRotate(420, 391);
// Inside the template picker: the second card (the first template offered) and "Create Group".
const QPoint firstTemplate(354, 220);
const QPoint createGroupButton(296, 564);
} // namespace

class EditorE2ETest : public QObject {
    Q_OBJECT

    TestDesktop* m_desktop = nullptr;
    QuarlinProgram* m_quarlin = nullptr;

    // The first window whose title matches, waiting for it; 0 when none came.
    quint32 window(const QString& title) {
        quint32 id = 0;
        m_desktop->waitFor([&] { return (id = search(title)) != 0; }, patience);
        return id;
    }
    bool gone(const QString& title) {
        return m_desktop->waitFor([&] { return search(title) == 0; }, patience);
    }
    quint32 search(const QString& title) {
        QProcess p;
        p.setProcessEnvironment(m_desktop->environment());
        p.start(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), title});
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')).value(0).toUInt();
    }
    void click(quint32 window, QPoint at) {
        const QRect client = m_desktop->clientGeometry(window);
        QVERIFY(m_desktop->xdotool({QStringLiteral("mousemove"), QString::number(client.x() + at.x()),
                                    QString::number(client.y() + at.y()), QStringLiteral("click"),
                                    QStringLiteral("1")}));
    }
    void keys(const QStringList& sequence) {
        for (const QString& k : sequence)
            QVERIFY(m_desktop->key(k));
    }
    void type(const QString& text) {
        QVERIFY(m_desktop->xdotool(
            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text}));
    }
    // Chooses the n-th enabled entry of the position menu of a row.
    void choosePosition(quint32 editor, int row, int enabledIndex) {
        click(editor, positionMenu(row));
        QStringList presses;
        for (int i = 0; i <= enabledIndex; ++i)
            presses << QStringLiteral("Down");
        presses << QStringLiteral("Return");
        keys(presses);
    }
    // Waits until something is drawn in an area of a window (client coordinates): more than one colour.
    bool inked(quint32 window, const QRect& area) {
        const QRect on = area.translated(m_desktop->clientGeometry(window).topLeft());
        return m_desktop->waitFor(
            [&] {
                QProcess p;
                p.setProcessEnvironment(m_desktop->environment());
                p.start(QStringLiteral("sh"),
                        {QStringLiteral("-c"), QStringLiteral("xwd -root -silent | xwdtopnm 2>/dev/null")});
                p.waitForFinished(10000);
                const QImage image = QImage::fromData(p.readAllStandardOutput(), "PPM");
                if (image.isNull())
                    return false;
                const QRgb first = image.pixel(on.topLeft());
                for (int y = on.top(); y <= on.bottom(); y += 2)
                    for (int x = on.left(); x <= on.right(); x += 2)
                        if (image.pixel(x, y) != first)
                            return true;
                return false;
            },
            patience);
    }

    // The configuration "Work" as the file holds it.
    QString stored() {
        QString error;
        auto db = Database::open(m_quarlin->storePath(), false, &error);
        if (!db)
            return error;
        const auto text = [&](const QString& sql) { return db->queryText(sql).value_or(QString()); };
        return QStringList{
            text(
                QStringLiteral("SELECT group_concat(bundleID || '@' || savedCorner, ';') FROM (SELECT * FROM "
                               "AppConfiguration ORDER BY configurationGroupOrder)")),
            text(QStringLiteral("SELECT group_concat(name, ';') FROM PositionGroup")),
            text(
                QStringLiteral("SELECT group_concat(bundleID || '@' || savedCorner, ';') FROM (SELECT * FROM "
                               "AppPositionMapping ORDER BY positionGroupOrder)")),
            text(QStringLiteral("SELECT group_concat(p.id = c.defaultPositionGroupID) FROM PositionGroup p, "
                                "ConfigurationGroup c")),
        }
            .join(QStringLiteral(" | "));
    }

private Q_SLOTS:
    void buildsPreviewsSavesAndCancels() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        m_desktop = &desktop;
        desktop.installDesktopEntry(termID, entry(QStringLiteral("Terminal"),
                                                  QStringLiteral("xterm -class QuarlinEditorTerm"),
                                                  QStringLiteral("QuarlinEditorTerm")));
        desktop.installDesktopEntry(
            logoID, entry(QStringLiteral("Logo"), QStringLiteral("xlogo"), QStringLiteral("XLogo")));
        desktop.installDesktopEntry(
            eyesID, entry(QStringLiteral("Eyes"), QStringLiteral("xeyes"), QStringLiteral("XEyes")));
        const TestDesktop::Client term =
            desktop.startClient(QStringLiteral("xterm"),
                                {QStringLiteral("-class"), QStringLiteral("QuarlinEditorTerm"),
                                 QStringLiteral("-geometry"), QStringLiteral("60x10+900+600")},
                                QStringLiteral("QuarlinEditorTerm"));
        const TestDesktop::Client logo =
            desktop.startXlogo({QStringLiteral("-geometry"), QStringLiteral("150x150+300+700")});
        const TestDesktop::Client eyes = desktop.startClient(
            QStringLiteral("xeyes"), {QStringLiteral("-geometry"), QStringLiteral("150x100+600+700")},
            QStringLiteral("XEyes"));
        QVERIFY(term.window && logo.window && eyes.window);

        QuarlinProgram quarlin(desktop, QStringLiteral("editor"));
        m_quarlin = &quarlin;
        // A saved application and an empty configuration to start from.
        {
            VirtualScheduler clock;
            QString error;
            QDir().mkpath(desktop.dataHome() + QStringLiteral("/quarlin"));
            auto container = ModelContainer::open(quarlin.storePath(), clock, &error);
            QVERIFY2(container, qPrintable(error));
            container->mainContext()->insert(
                new SavedApp(eyesID, QStringLiteral("Eyes"), 150, 100, Corner::topLeft, 0.33, 0, 0));
            container->mainContext()->insert(
                new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt));
            QVERIFY(container->mainContext()->save(&error));
        }

        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));

        // Open the editor from the configuration's row in the home tab.
        QVERIFY(openEditorFromHome(quarlin.window()));
        quint32 editor = window(QStringLiteral("^Edit Configuration: Work$"));
        QVERIFY(editor);

        // Show the running applications: the window grows to 800, its top edge staying.
        const int top = desktop.clientGeometry(editor).y();
        click(editor, showRunningApps);
        QVERIFY(desktop.waitFor([&] { return desktop.clientGeometry(editor).height() == 800; }));
        QCOMPARE(desktop.clientGeometry(editor).y(), top);

        // Two running applications, then the saved one, from the keyboard: a search narrows the list,
        // Tab goes to the first row's "Add", and a used "Add" hands the focus to the next row's.
        // The running list fills once the background listing is in.
        QVERIFY(inked(editor, firstRunningRow));
        click(editor, runningSearch(0));
        type(QStringLiteral("l"));
        keys({QStringLiteral("Tab"), QStringLiteral("space"), QStringLiteral("space")});
        click(editor, savedSearch(2));
        type(QStringLiteral("Eyes"));
        keys({QStringLiteral("Tab"), QStringLiteral("space")});

        // Positions (Logo, Terminal, Eyes start at the first three corners): Eyes to the bottom half
        // (the fourth position not held), Terminal to the right half (the sixth).
        choosePosition(editor, 2, 3);
        choosePosition(editor, 1, 5);

        // A group from the first template for three applications: "Three Thirds".
        click(editor, createGroup);
        const quint32 picker = window(QStringLiteral("^Create Position Group$"));
        QVERIFY(picker);
        click(picker, firstTemplate);
        click(picker, createGroupButton);
        QVERIFY(gone(QStringLiteral("^Create Position Group$")));

        // Preview: the three windows side by side, in thirds of the screen.
        click(editor, preview);
        QVERIFY(desktop.waitFor(
            [&] {
                return qAbs(desktop.frameGeometry(logo.window).x()) <= 12 &&
                       qAbs(desktop.frameGeometry(term.window).x() - 640) <= 12 &&
                       qAbs(desktop.frameGeometry(eyes.window).right() + 1 - 1920) <= 12;
            },
            15000));

        click(editor, saveButton);
        QVERIFY(gone(QStringLiteral("^Edit Configuration: Work$")));
        const QString saved = stored();
        QCOMPARE(saved, QStringLiteral("%1@topLeft;%2@rightHalf;%3@bottomHalf | Three Thirds | "
                                       "%1@leftThird;%2@centerThird;%3@rightThird | 1")
                            .arg(logoID, termID, eyesID));

        // Edit again, change things, cancel: the file is as it was.
        QVERIFY(openEditorFromHome(quarlin.window(), homeRowEditBesideRotate));
        editor = window(QStringLiteral("^Edit Configuration: Work$"));
        QVERIFY(editor);
        click(editor, removeButton(0));
        // The removal happened in the editor (its console line), so that Cancel has edits to drop.
        QVERIFY(quarlin.waitForOutput(QStringLiteral("🗑️ Removed Logo from configuration"), patience));
        choosePosition(editor, 1, 0);
        click(editor, cancelButton);
        QVERIFY(gone(QStringLiteral("^Edit Configuration: Work$")));
        QCOMPARE(stored(), saved);
    }

private:
    bool openEditorFromHome(quint32 mainWindow, QPoint pencil = homeRowEdit);
};

bool EditorE2ETest::openEditorFromHome(quint32 mainWindow, QPoint pencil) {
    // The pencil of the first configuration row of the home tab, with the main window in front of
    // the previewed windows.
    if (!m_desktop->xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(mainWindow)}))
        return false;
    click(mainWindow, pencil);
    return window(QStringLiteral("^Edit Configuration: Work$")) != 0;
}

QTEST_GUILESS_MAIN(EditorE2ETest)
#include "EditorE2ETest.moc"
