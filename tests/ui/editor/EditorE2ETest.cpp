// The real program on the private Xvfb desktop: a configuration built by hand in the editor opened
// from the home tab (two running applications and one saved one, positions, a group from a
// template), previewed on screen, saved and read back from the file.
//
// Points inside the editor are fixed offsets from its top-left corner: its sections are packed at
// the top at a fixed width, so they only move when rows are added above them.
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"
#include "store/ModelContext.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
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
const QRect firstRunningRow(40, 471, 100, 20);
const QRect thirdRunningRow(40, 535, 100, 20);
QPoint runningSearch(int apps) {
    return QPoint(260, apps == 0 ? 444 : 444 + 36 * apps - 46);
}
const QPoint showRunningApps(335, 416);
const QPoint createGroup(421, 82);
const QPoint preview(435, 182);
// Save, 36 pixels above the bottom of the editor's client area.
QPoint saveButton(const QRect& client) {
    return QPoint(295, client.height() - 36);
}
QPoint positionMenu(int row) {
    return QPoint(344, 215 + 36 * row);
}
// Inside the main window: the pencil of the home tab's first configuration row, the tabs.
const QPoint homeRowEdit(509, 391);
const QPoint firstRowEditWithoutRunningApps(509, 318);
const QRect firstRowName(28, 312, 80, 18);
const QRect secondRowName(28, 348, 80, 18);
// The first row's pencil once it holds four applications (a group picker and "Rotate" beside it).
const QPoint firstRowEditOfFourApps(421, 318);
const QPoint homeTab(176, 45);
const QPoint settingsTab(425, 45);
// Inside the editor: Save while the running applications are hidden; "Show Running Apps" with four
// applications; empty background in the top margin; the chip bar.
const QPoint saveButtonWithoutRunningApps(298, 565);
const QPoint showRunningAppsWithFourApps(335, 514);
const QPoint backgroundOfEditor(250, 8);
const QPoint backgroundOfMainWindow(300, 800);
const QRect chipBar(20, 70, 462, 90);
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
        // Keys pressed before the menu is up would go to the editor.
        const int open = int(m_desktop->popups().size());
        QVERIFY(m_quarlin->click(editor, positionMenu(row)));
        QVERIFY(m_desktop->waitFor([&] { return m_desktop->popups().size() > open; }));
        QStringList presses;
        for (int i = 0; i <= enabledIndex; ++i)
            presses << QStringLiteral("Down");
        presses << QStringLiteral("Return");
        keys(presses);
        QVERIFY(m_desktop->waitFor([&] { return int(m_desktop->popups().size()) == open; }));
    }
    // Whether an area of a window (client coordinates) shows more than one colour, now or, with
    // a wait, within the program's patience.
    bool inked(quint32 window, const QRect& area, bool wait = true) {
        const QRect on = area.translated(m_desktop->clientGeometry(window).topLeft());
        const auto check = [&] { return QuarlinProgram::inked(m_desktop->screenshot(), on); };
        return wait ? m_desktop->waitFor(check, QuarlinProgram::patienceMs) : check();
    }

    // Drags a window from a point of its client area 150 pixels to the left; whether it followed.
    bool dragMoves(quint32 window, const QPoint& grip) {
        const QRect before = m_desktop->clientGeometry(window);
        const QPoint at = before.topLeft() + grip;
        const int moves = m_desktop->clientMessagesSeen("_NET_WM_MOVERESIZE");
        if (!m_desktop->xdotool({QStringLiteral("mousemove"), QString::number(at.x()),
                                 QString::number(at.y()), QStringLiteral("mousedown"), QStringLiteral("1")}))
            return false;
        // A press alone is a click; the first steps of the drag make it a move.
        m_desktop->movePointer(at.x() - 15, at.y() + 2);
        // The drag goes on once the program has handed the move to the window manager: on a busy
        // machine the program may see the press only after a quick drag has ended.
        if (!m_desktop->waitFor([&] { return m_desktop->clientMessagesSeen("_NET_WM_MOVERESIZE") > moves; },
                                QuarlinProgram::patienceMs)) {
            m_desktop->xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
            m_quarlin->screenshot(QStringLiteral("drag-failed"));
            return false;
        }
        for (int step = 1; step <= 5; ++step)
            m_desktop->movePointer(at.x() - 30 * step, at.y() + 4 * step);
        m_desktop->xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
        // Moved, and the window manager has let go of the pointer, so that the next click is the program's.
        const bool moved = m_desktop->waitFor([&] {
            return m_desktop->clientGeometry(window).x() <= before.x() - 100 && !m_desktop->pointerGrabbed();
        });
        if (!moved)
            m_quarlin->screenshot(QStringLiteral("drag-failed"));
        return moved;
    }

    // Starts the program with a saved application and an empty configuration "Work" to start from.
    bool startWithEyesAndWork(QuarlinProgram& quarlin) {
        m_quarlin = &quarlin;
        return quarlin.changeStore([](ModelContext& context) {
            context.insert(
                new SavedApp(eyesID, QStringLiteral("Eyes"), 150, 100, Corner::topLeft, 0.33, 0, 0));
            context.insert(new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt));
        }) && quarlin.start();
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
        QVERIFY2(startWithEyesAndWork(quarlin), qPrintable(quarlin.error()));
        // Each step waits for the program to confirm the one before: keys typed ahead of a list or a
        // menu that is not there yet would go elsewhere.
        const auto confirmed = [&](const QString& line) {
            return quarlin.waitForOutput(line, QuarlinProgram::patienceMs);
        };

        // Open the editor from the pencil of the configuration's row in the home tab.
        QVERIFY(quarlin.click(homeRowEdit));
        const quint32 editor = quarlin.waitForWindow(QStringLiteral("^Edit Configuration: Work$"));
        QVERIFY(editor);

        // Show the running applications: the window grows to 800 with its title bar, its top edge
        // staying.
        const int top = desktop.clientGeometry(editor).y();
        QVERIFY(quarlin.click(editor, showRunningApps));
        QVERIFY(desktop.waitFor([&] { return desktop.frameGeometry(editor).height() == 800; }));
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

        QVERIFY(quarlin.click(editor, saveButton(desktop.clientGeometry(editor))));
        QVERIFY(quarlin.waitUntilGone(QStringLiteral("^Edit Configuration: Work$")));
        QCOMPARE(stored(), QStringLiteral("%1@topLeft;%2@rightHalf;%3@bottomHalf | Three Thirds | "
                                          "%1@leftThird;%2@centerThird;%3@rightThird | 1")
                               .arg(logoID, termID, eyesID));
    }

    // Edits survive a tab switch; the home list shows another writer's configuration without being
    // shown anew; an editor of four applications stays on a 1080-pixel screen, moves by its
    // background and opens its sheets as dialogs of its own.
    void nothingLostListsTrueAndTheLook() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        m_desktop = &desktop;
        // Installed, so that no missing-applications notice comes up.
        for (int i = 0; i < 4; ++i)
            desktop.installDesktopEntry(QStringLiteral("app%1").arg(i),
                                        TestDesktop::applicationEntry(QStringLiteral("Application %1").arg(i),
                                                                      QStringLiteral("xlogo"),
                                                                      QStringLiteral("XLogo")));
        QuarlinProgram quarlin(desktop, QStringLiteral("editor"));
        // Where the group bar shows a chip is a debugging trace.
        quarlin.showDebugLines(QStringLiteral("quarlin.ui"));
        QVERIFY2(startWithEyesAndWork(quarlin), qPrintable(quarlin.error()));

        // The main window moves when dragged by its background; a click there moves nothing, and the
        // next click is the program's.
        QVERIFY(dragMoves(quarlin.window(), backgroundOfMainWindow));
        const QRect placed = desktop.clientGeometry(quarlin.window());
        QVERIFY(quarlin.click(backgroundOfMainWindow));

        // An edit, then Settings and back to Home: the editor is still there with its edit, and saves it.
        QVERIFY(quarlin.click(firstRowEditWithoutRunningApps));
        quint32 editor = quarlin.waitForWindow(QStringLiteral("^Edit Configuration: Work$"));
        QVERIFY(editor);
        QCOMPARE(desktop.clientGeometry(quarlin.window()), placed);
        QVERIFY(quarlin.click(editor, savedSearch(0)));
        QVERIFY(quarlin.type(QStringLiteral("Eyes")));
        keys({QStringLiteral("Tab"), QStringLiteral("space")});
        QVERIFY(quarlin.waitForOutput(QStringLiteral("✅ Added Eyes"), QuarlinProgram::patienceMs));
        QVERIFY(quarlin.click(settingsTab));
        QVERIFY(quarlin.click(homeTab));
        QVERIFY(quarlin.click(editor, saveButtonWithoutRunningApps));
        QVERIFY(quarlin.waitUntilGone(QStringLiteral("^Edit Configuration: Work$")));
        QCOMPARE(quarlin.query(QStringLiteral("SELECT group_concat(bundleID) FROM AppConfiguration")),
                 eyesID);

        // Another writer (a sync) stores a configuration of four applications, the latest activated:
        // the first row of the list, without the list being shown again.
        // Where the closed editor lay, the list shows its one row and nothing below it: no lingering
        // pixels of the editor pass for a second row. The pointer is away, so that no row is hovered.
        QVERIFY(desktop.movePointer(2, desktop.workArea().bottom() - 2));
        QVERIFY(desktop.waitFor([&] { return !inked(quarlin.window(), secondRowName, false); }));
        const QPoint client = desktop.clientGeometry(quarlin.window()).topLeft();
        const QImage workRow = desktop.screenshot().copy(firstRowName.translated(client));
        QVERIFY2(quarlin.changeStore([](ModelContext& context) {
            auto* c = new ConfigurationGroup(QStringLiteral("Remote"), 1920, 1080, std::nullopt);
            c->setLastActivatedAt(QDateTime::currentDateTime().addDays(1));
            context.insert(c);
            const QList<Corner> corners{Corner::topLeft, Corner::topRight, Corner::bottomLeft,
                                        Corner::bottomRight};
            for (int i = 0; i < 4; ++i)
                c->appendConfiguration(new AppConfiguration(QStringLiteral("app%1").arg(i),
                                                            QStringLiteral("Application %1").arg(i), {}, 0,
                                                            true, corners.at(i), 0.5, 400, 0, 0));
            for (const QString& name :
                 {QStringLiteral("Corners"), QStringLiteral("Halves"), QStringLiteral("Thirds")}) {
                PositionGroup* group = c->addPositionGroup(name, QStringLiteral("d"), false);
                for (int i = 0; i < 4; ++i)
                    group->setPosition(QStringLiteral("app%1").arg(i),
                                       QStringLiteral("Application %1").arg(i), corners.at(i));
            }
        }),
                 qPrintable(quarlin.error()));
        // A second row, and another first one than before.
        QVERIFY2(desktop.waitFor([&] {
            const QImage now = desktop.screenshot();
            return now.copy(firstRowName.translated(client)) != workRow &&
                   QuarlinProgram::inked(now, secondRowName.translated(client));
        }),
                 qPrintable(quarlin.screenshot(QStringLiteral("stale-list")) + quarlin.output()));
        // No click so far has reached a row's Activate.
        QVERIFY2(!quarlin.output().contains(QStringLiteral("Applying configuration")),
                 qPrintable(quarlin.screenshot(QStringLiteral("activated")) + quarlin.output()));
        QVERIFY(quarlin.click(firstRowEditOfFourApps));
        editor = quarlin.waitForWindow(QStringLiteral("^Edit Configuration: Remote$"));
        QVERIFY2(editor,
                 qPrintable(quarlin.screenshot(QStringLiteral("no-remote-editor")) + quarlin.output()));

        // Four applications with the running list shown: 800 high at most, inside the work area.
        QVERIFY(quarlin.click(editor, showRunningAppsWithFourApps));
        QVERIFY(desktop.waitFor([&] { return desktop.frameGeometry(editor).height() == 800; }));
        const QRect work = desktop.workArea();
        QVERIFY(desktop.waitFor([&] { return work.contains(desktop.frameGeometry(editor)); }));
        QCOMPARE(desktop.clientGeometry(editor).width(), 500);
        QVERIFY(quarlin.screenshotOf(QStringLiteral("four-apps"), editor));
        const QImage shot(QuarlinProgram::screenshotFolder() + QStringLiteral("/editor-four-apps.png"));
        QVERIFY(shot.copy(chipBar).save(QuarlinProgram::screenshotFolder() +
                                        QStringLiteral("/editor-chip-bar.png")));

        // Dragged by its background, as by its title bar, like the main window.
        QVERIFY(dragMoves(editor, backgroundOfEditor));

        // The template picker: a dialog of the editor, 500 by 600, with its whole title.
        QVERIFY(quarlin.click(editor, createGroup));
        const quint32 picker = quarlin.waitForWindow(QStringLiteral("^Create Position Group$"));
        QVERIFY(picker);
        QCOMPARE(desktop.clientGeometry(picker).size(), QSize(500, 600));
        QProcess xprop;
        xprop.setProcessEnvironment(desktop.environment());
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), QString::number(picker), QStringLiteral("_NET_WM_WINDOW_TYPE"),
                     QStringLiteral("WM_TRANSIENT_FOR")});
        QVERIFY(xprop.waitForFinished(10000));
        const QString properties = QString::fromUtf8(xprop.readAllStandardOutput());
        QVERIFY2(properties.contains(QStringLiteral("_NET_WM_WINDOW_TYPE_DIALOG")), qPrintable(properties));
        QVERIFY2(properties.contains(QStringLiteral("window id #")), qPrintable(properties));
        QVERIFY(quarlin.screenshotOf(QStringLiteral("template-picker"), picker));

        // The chip of the group made there lies beyond the bar's right end: the bar brings all of it
        // into view, its menu button too.
        const qsizetype shownBefore = quarlin.output().count(QStringLiteral("Editor: group chip"));
        QVERIFY(quarlin.click(picker, firstTemplate));
        QVERIFY(quarlin.click(picker, createGroupButton));
        QVERIFY(quarlin.waitUntilGone(QStringLiteral("^Create Position Group$")));
        const QRegularExpression shown(
            QStringLiteral("Editor: group chip '[^']*' shown at (-?\\d+)\\.\\.(-?\\d+) "
                           "of the bar's (\\d+)"));
        // The last place it was shown at, once the bar has done scrolling.
        QRegularExpressionMatch chip;
        const auto inView = [&] {
            const QString output = quarlin.output();
            if (output.count(QStringLiteral("Editor: group chip")) == shownBefore)
                return false;
            for (auto it = shown.globalMatch(output); it.hasNext();)
                chip = it.next();
            return chip.hasMatch() && chip.captured(1).toInt() >= 0 &&
                   chip.captured(2).toInt() <= chip.captured(3).toInt();
        };
        const bool whole = desktop.waitFor(inView, QuarlinProgram::patienceMs);
        QVERIFY(quarlin.screenshotOf(QStringLiteral("new-chip"), editor));
        QVERIFY2(whole, qPrintable(chip.hasMatch() ? chip.captured(0) : quarlin.output()));
    }
};

QTEST_GUILESS_MAIN(EditorE2ETest)
#include "EditorE2ETest.moc"
