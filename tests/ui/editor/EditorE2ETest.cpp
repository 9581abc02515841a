// The real program on the private Xvfb desktop: a configuration built by hand in the editor opened
// from the home tab (two running applications and one saved one, positions, a group from a
// template), previewed on screen, saved and read back from the file.
//
// Points inside the editor are fixed offsets from its top-left corner: its sections are packed at
// the top at a fixed width, so they only move when rows are added above them.
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "store/ModelContext.h"

#include <QImage>
#include <QProcess>
#include <QTest>

namespace {
const QString termID = QStringLiteral("quarlin-editor-term");
const QString logoID = QStringLiteral("quarlin-editor-logo");
const QString eyesID = QStringLiteral("quarlin-editor-eyes");

// Inside the editor, from its top-left corner (client area).
// The search fields with n applications in the configuration: each row pushes them down.
QPoint savedSearch(int apps) {
    return QPoint(260, apps == 0 ? 309 : 309 + 36 * apps - 46);
}
// The running list's rows before and after the search (three running applications).
const QRect firstRunningRow(40, 458, 100, 20);
const QRect thirdRunningRow(40, 530, 100, 20);
QPoint runningSearch(int apps) {
    return QPoint(260, apps == 0 ? 431 : 431 + 36 * apps - 46);
}
const QPoint showRunningApps(313, 396);
const QPoint createGroup(421, 82);
const QPoint preview(435, 182);
const QPoint saveButton(295, 764);
QPoint positionMenu(int row) {
    return QPoint(344, 215 + 36 * row);
}
// Inside the main window: the pencil of the home tab's first configuration row.
const QPoint homeRowEdit(509, 391);
// Inside the template picker: the second card (the first template offered) and "Create Group".
const QPoint firstTemplate(354, 220);
const QPoint createGroupButton(296, 564);
} // namespace

class EditorE2ETest : public QObject {
    Q_OBJECT

    TestDesktop* m_desktop = nullptr;
    QuarlinProgram* m_quarlin = nullptr;

    void keys(const QStringList& sequence) {
        for (const QString& k : sequence)
            QVERIFY(m_desktop->key(k));
    }
    // Chooses the n-th enabled entry of the position menu of a row.
    void choosePosition(quint32 editor, int row, int enabledIndex) {
        QVERIFY(m_quarlin->click(editor, positionMenu(row)));
        QStringList presses;
        for (int i = 0; i <= enabledIndex; ++i)
            presses << QStringLiteral("Down");
        presses << QStringLiteral("Return");
        keys(presses);
    }
    // Whether an area of a window (client coordinates) shows more than one colour, now or, with
    // a wait, within the program's patience.
    bool inked(quint32 window, const QRect& area, bool wait = true) {
        const QRect on = area.translated(m_desktop->clientGeometry(window).topLeft());
        const auto check = [&] {
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
        };
        return wait ? m_desktop->waitFor(check, QuarlinProgram::patienceMs) : check();
    }

    // The configuration "Work" as the file holds it.
    QString stored() {
        return QStringList{
            m_quarlin->query(
                QStringLiteral("SELECT group_concat(bundleID || '@' || savedCorner, ';') FROM (SELECT * FROM "
                               "AppConfiguration ORDER BY configurationGroupOrder)")),
            m_quarlin->query(QStringLiteral("SELECT group_concat(name, ';') FROM PositionGroup")),
            m_quarlin->query(
                QStringLiteral("SELECT group_concat(bundleID || '@' || savedCorner, ';') FROM (SELECT * FROM "
                               "AppPositionMapping ORDER BY positionGroupOrder)")),
            m_quarlin->query(QStringLiteral("SELECT group_concat(p.id = c.defaultPositionGroupID) FROM "
                                            "PositionGroup p, ConfigurationGroup c")),
        }
            .join(QStringLiteral(" | "));
    }

private Q_SLOTS:
    void buildsPreviewsSavesAndCancels() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        m_desktop = &desktop;
        desktop.installDesktopEntry(
            termID, TestDesktop::applicationEntry(QStringLiteral("Terminal"),
                                                  QStringLiteral("xterm -class QuarlinEditorTerm"),
                                                  QStringLiteral("QuarlinEditorTerm")));
        desktop.installDesktopEntry(logoID, TestDesktop::applicationEntry(QStringLiteral("Logo"),
                                                                          QStringLiteral("xlogo"),
                                                                          QStringLiteral("XLogo")));
        desktop.installDesktopEntry(eyesID, TestDesktop::applicationEntry(QStringLiteral("Eyes"),
                                                                          QStringLiteral("xeyes"),
                                                                          QStringLiteral("XEyes")));
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
        QVERIFY2(quarlin.changeStore([](ModelContext& context) {
            context.insert(
                new SavedApp(eyesID, QStringLiteral("Eyes"), 150, 100, Corner::topLeft, 0.33, 0, 0));
            context.insert(new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt));
        }),
                 qPrintable(quarlin.error()));
        QVERIFY2(quarlin.start(), qPrintable(quarlin.error()));
        // Each step waits for the program to confirm the one before: keys typed ahead of a list or a
        // menu that is not there yet would go elsewhere.
        const auto confirmed = [&](const QString& line) {
            return quarlin.waitForOutput(line, QuarlinProgram::patienceMs);
        };

        // Open the editor from the pencil of the configuration's row in the home tab.
        QVERIFY(quarlin.click(homeRowEdit));
        const quint32 editor = quarlin.waitForWindow(QStringLiteral("^Edit Configuration: Work$"));
        QVERIFY(editor);

        // Show the running applications: the window grows to 800, its top edge staying.
        const int top = desktop.clientGeometry(editor).y();
        QVERIFY(quarlin.click(editor, showRunningApps));
        QVERIFY(desktop.waitFor([&] { return desktop.clientGeometry(editor).height() == 800; }));
        QCOMPARE(desktop.clientGeometry(editor).y(), top);

        // Two running applications, then the saved one, from the keyboard: a search narrows the list,
        // Tab goes to the first row's "Add", and a used "Add" hands the focus to the next row's.
        // The running list fills once the background listing is in.
        QVERIFY(inked(editor, firstRunningRow) && inked(editor, thirdRunningRow));
        QVERIFY(quarlin.click(editor, runningSearch(0)));
        QVERIFY(quarlin.type(QStringLiteral("l")));
        QVERIFY(desktop.waitFor([&] { return !inked(editor, thirdRunningRow, false); },
                                QuarlinProgram::patienceMs));
        keys({QStringLiteral("Tab"), QStringLiteral("space")});
        QVERIFY(confirmed(QStringLiteral("✅ Added running app Logo")));
        QVERIFY(desktop.key(QStringLiteral("space")));
        QVERIFY(confirmed(QStringLiteral("✅ Added running app Terminal")));
        QVERIFY(quarlin.click(editor, savedSearch(2)));
        QVERIFY(quarlin.type(QStringLiteral("Eyes")));
        keys({QStringLiteral("Tab"), QStringLiteral("space")});
        QVERIFY(confirmed(QStringLiteral("✅ Added Eyes")));

        // Positions (Logo, Terminal, Eyes start at the first three corners): Eyes to the bottom half
        // (the fourth position not held), Terminal to the right half (the sixth).
        choosePosition(editor, 2, 3);
        choosePosition(editor, 1, 5);

        // A group from the first template for three applications: "Three Thirds".
        QVERIFY(quarlin.click(editor, createGroup));
        const quint32 picker = quarlin.waitForWindow(QStringLiteral("^Create Position Group$"));
        QVERIFY(picker);
        QVERIFY(quarlin.click(picker, firstTemplate));
        QVERIFY(quarlin.click(picker, createGroupButton));
        QVERIFY(confirmed(QStringLiteral("✅ Created position group 'Three Thirds'")));
        QVERIFY(quarlin.waitUntilGone(QStringLiteral("^Create Position Group$")));

        // Preview: the three windows side by side, in thirds of the screen.
        QVERIFY(quarlin.click(editor, preview));
        QVERIFY(confirmed(QStringLiteral("🎬 Previewing configuration 'Work' with 3 apps")));
        const bool previewed = desktop.waitFor(
            [&] {
                return qAbs(desktop.frameGeometry(logo.window).x()) <= 12 &&
                       qAbs(desktop.frameGeometry(term.window).x() - 640) <= 12 &&
                       qAbs(desktop.frameGeometry(eyes.window).right() + 1 - 1920) <= 12;
            },
            QuarlinProgram::patienceMs);
        if (!previewed)
            quarlin.screenshot(QStringLiteral("preview-failed"));
        QVERIFY2(previewed, qPrintable(quarlin.output()));

        QVERIFY(quarlin.click(editor, saveButton));
        QVERIFY(quarlin.waitUntilGone(QStringLiteral("^Edit Configuration: Work$")));
        QCOMPARE(stored(), QStringLiteral("%1@topLeft;%2@rightHalf;%3@bottomHalf | Three Thirds | "
                                          "%1@leftThird;%2@centerThird;%3@rightThird | 1")
                               .arg(logoID, termID, eyesID));
    }
};

QTEST_GUILESS_MAIN(EditorE2ETest)
#include "EditorE2ETest.moc"
