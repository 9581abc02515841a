// Dialogs of the real program on the private desktop under each window manager: a dialog opened from
// the main window while the editor (which stays on top) is open shows above the editor and has the
// keyboard; once another program has taken the keyboard, closing the dialog leaves it there. The
// program's keys in a text field: the field keeps what it uses (Ctrl+U deletes its line), the rest
// is the program's (Ctrl+Q quits).
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include "model/ConfigurationGroup.h"
#include "model/SavedApp.h"
#include "store/ModelContext.h"

#include <QDeadlineTimer>
#include <QTest>

#include <xcb/xcb.h>

#include <poll.h>

#include <cstdlib>
#include <cstring>

namespace {

// Inside the main window (client area, at scale 1), the home tab with one configuration and no
// running application: its row's pencil and trash, the section's "Clear All", "New Configuration".
const QPoint rowEdit(509, 318);
const QPoint rowTrash(553, 318);
const QPoint clearAll(540, 237);
const QPoint newConfiguration(393, 237);
// Inside the editor of a configuration without applications: the saved applications' search field.
const QPoint savedSearch(260, 309);

// The client messages sent to the root window, seen with a connection of the test's own from its
// start: what programs ask of the window manager, in the order the server delivers them.
class RootMessages {
public:
    explicit RootMessages(const QString& display) {
        m_conn = xcb_connect(display.toLocal8Bit().constData(), nullptr);
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
        // Requests to the window manager go to the root's substructure, answers to pings to its structure.
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &mask);
        m_activeWindow = atom("_NET_ACTIVE_WINDOW");
        m_protocols = atom("WM_PROTOCOLS");
        m_ping = atom("_NET_WM_PING");
    }
    ~RootMessages() { xcb_disconnect(m_conn); }
    RootMessages(const RootMessages&) = delete;
    RootMessages& operator=(const RootMessages&) = delete;

    // Pings `window` as a window manager does and waits for its program's answer: whatever the
    // program asked before it answered has reached the server by then. Gives the windows whose
    // activation was asked for since the start, or nullopt when no answer came in time.
    std::optional<QList<quint32>> activationsBeforeAnswerOf(quint32 window, int timeoutMs) {
        constexpr quint32 stamp = 4242;
        xcb_client_message_event_t ping;
        std::memset(&ping, 0, sizeof ping);
        ping.response_type = XCB_CLIENT_MESSAGE;
        ping.format = 32;
        ping.window = window;
        ping.type = m_protocols;
        ping.data.data32[0] = m_ping;
        ping.data.data32[1] = stamp;
        ping.data.data32[2] = window;
        xcb_send_event(m_conn, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ping));
        xcb_flush(m_conn);
        QList<quint32> activations;
        const QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            xcb_generic_event_t* e = xcb_poll_for_event(m_conn);
            if (!e) {
                pollfd fd{xcb_get_file_descriptor(m_conn), POLLIN, 0};
                ::poll(&fd, 1, int(qMin<qint64>(deadline.remainingTime(), 100)));
                continue;
            }
            bool answered = false;
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (m->type == m_activeWindow)
                    activations << m->window;
                answered = m->type == m_protocols && m->window == m_root && m->data.data32[0] == m_ping &&
                           m->data.data32[1] == stamp;
            }
            std::free(e);
            if (answered)
                return activations;
        }
        return std::nullopt;
    }

private:
    xcb_atom_t atom(const char* name) {
        xcb_atom_t found = XCB_ATOM_NONE;
        if (auto* reply = xcb_intern_atom_reply(
                m_conn, xcb_intern_atom(m_conn, 0, uint16_t(std::strlen(name)), name), nullptr)) {
            found = reply->atom;
            std::free(reply);
        }
        return found;
    }

    xcb_connection_t* m_conn;
    xcb_window_t m_root;
    xcb_atom_t m_activeWindow = XCB_ATOM_NONE;
    xcb_atom_t m_protocols = XCB_ATOM_NONE;
    xcb_atom_t m_ping = XCB_ATOM_NONE;
};

QString tagged(const QString& text) {
    return QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')) +
           QLatin1Char('-') + text;
}

} // namespace

class DialogsE2ETest : public QObject {
    Q_OBJECT

    // Starts the program with the configuration "Work" and a saved application "Eyes" to search for.
    static bool startWithWork(QuarlinProgram& quarlin) {
        return quarlin.changeStore([](ModelContext& context) {
            context.insert(new SavedApp(QStringLiteral("quarlin-dialogs-eyes"), QStringLiteral("Eyes"), 150,
                                        100, Corner::topLeft, 0.33, 0, 0));
            context.insert(new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt));
        }) && quarlin.start();
    }

private Q_SLOTS:
    void aDialogOfTheMainWindowShowsAboveTheEditor_data() {
        QTest::addColumn<TestDesktop::WindowManager>("windowManager");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QString>("opener"); // "trash", "clear all" or the key that opens the notice
        QTest::addColumn<QString>("title");
        using WM = TestDesktop::WindowManager;
        for (const WM wm : {WM::openbox, WM::metacity, WM::fluxbox, WM::icewm}) {
            const QString name = TestDesktop::windowManagerName(wm);
            QTest::addRow("%s, a row's trash", qPrintable(name)) << wm << 1 << "trash"
                                                                 << "^Delete Configuration\\?$";
            QTest::addRow("%s, Clear All", qPrintable(name)) << wm << 1 << "clear all"
                                                             << "^Clear All Configurations\\?$";
            QTest::addRow("%s, Ctrl+U", qPrintable(name)) << wm << 1 << "ctrl+u"
                                                          << "^Check for Updates$";
        }
        QTest::newRow("openbox at scale 2, a row's trash") << WM::openbox << 2 << "trash"
                                                           << "^Delete Configuration\\?$";
        QTest::newRow("metacity at scale 2, Ctrl+U") << WM::metacity << 2 << "ctrl+u"
                                                     << "^Check for Updates$";
    }

    void aDialogOfTheMainWindowShowsAboveTheEditor() {
        QFETCH(TestDesktop::WindowManager, windowManager);
        QFETCH(int, scale);
        QFETCH(QString, opener);
        QFETCH(QString, title);
        TestDesktop::Options options;
        options.windowManager = windowManager;
        options.dpi = 96 * scale;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("dialogs"));
        quarlin.showDebugLines(QStringLiteral("quarlin.ui")); // whose the keyboard is
        QVERIFY2(startWithWork(quarlin), qPrintable(quarlin.error()));

        QVERIFY(quarlin.click(rowEdit * scale));
        const quint32 editor = quarlin.waitForWindow(QStringLiteral("^Edit Configuration: Work$"));
        if (!editor)
            QFAIL(qPrintable(quarlin.screenshot(tagged("no-editor")) + quarlin.output()));
        // Over the middle of the main window, where dialogs open, and clear of the buttons clicked.
        const QRect main = desktop.clientGeometry(quarlin.window());
        const QPoint to(main.center().x() + 100 * scale - desktop.frameGeometry(editor).width(), main.y());
        QVERIFY(desktop.xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"),
                                 QString::number(editor), QString::number(to.x()), QString::number(to.y())}));

        // The main window has the keyboard, the editor staying above it.
        QVERIFY(desktop.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(quarlin.window())}));
        if (opener == QLatin1String("trash"))
            QVERIFY(quarlin.click(rowTrash * scale));
        else if (opener == QLatin1String("clear all"))
            QVERIFY(quarlin.click(clearAll * scale));
        else
            QVERIFY(desktop.key(opener));
        const quint32 dialog = quarlin.waitForWindow(title);
        if (!dialog)
            QFAIL(qPrintable(quarlin.screenshot(tagged("no-dialog")) + quarlin.output()));
        const bool above = desktop.waitFor(
            [&] {
                const QList<quint32> stack = desktop.stackingOrder();
                return stack.indexOf(dialog) > stack.indexOf(editor) && desktop.activeWindow() == dialog;
            },
            QuarlinProgram::patienceMs);
        const QString picture = quarlin.screenshot(tagged("above-editor"));
        QVERIFY2(above, qPrintable(QStringLiteral("stacking %1, dialog %2, editor %3, active %4, picture %5")
                                       .arg(QString::number(desktop.stackingOrder().size()))
                                       .arg(desktop.stackingOrder().indexOf(dialog))
                                       .arg(desktop.stackingOrder().indexOf(editor))
                                       .arg(desktop.activeWindow() == dialog ? "dialog" : "another window")
                                       .arg(picture)));

        // Another program takes the keyboard; the dialog closed meanwhile leaves it there. Counted
        // before it starts: a window manager may give the new window the keyboard as it shows.
        const QString elsewhere = QStringLiteral("⌨️ The keyboard is another program's");
        const qsizetype left = quarlin.output().count(elsewhere);
        const TestDesktop::Client logo =
            desktop.startXlogo({QStringLiteral("-geometry"), QStringLiteral("150x150+20+20")});
        QVERIFY(logo.window);
        QVERIFY(desktop.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(logo.window)}));
        QVERIFY2(desktop.waitFor([&] { return quarlin.output().count(elsewhere) > left; },
                                 QuarlinProgram::patienceMs),
                 qPrintable(quarlin.output()));
        RootMessages messages(desktop.displayName());
        QVERIFY(desktop.close(dialog));
        const std::optional<QList<quint32>> asked =
            messages.activationsBeforeAnswerOf(quarlin.window(), QuarlinProgram::patienceMs);
        QVERIFY2(asked, "the program did not answer");
        QVERIFY2(asked->isEmpty(),
                 qPrintable(QStringLiteral("activation of %1 asked for").arg(asked->value(0))));
        QCOMPARE(desktop.activeWindow(), logo.window);
        // Closed, the question did nothing.
        QCOMPARE(quarlin.query(QStringLiteral("SELECT count(*) FROM ConfigurationGroup")),
                 QStringLiteral("1"));
        quarlin.stop();
    }

    void theProgramsKeysInATextField_data() {
        QTest::addColumn<QString>("field"); // "editor": its search field; "main": the new-configuration name
        QTest::addColumn<QString>("key");
        QTest::newRow("Ctrl+U in the editor's field") << "editor"
                                                      << "ctrl+u";
        QTest::newRow("Ctrl+Q in the editor's field") << "editor"
                                                      << "ctrl+q";
        QTest::newRow("Ctrl+U in the main window's field") << "main"
                                                           << "ctrl+u";
        QTest::newRow("Ctrl+Q in the main window's field") << "main"
                                                           << "ctrl+q";
    }

    // Ctrl+U deletes the field's line (the field uses it): the text typed next is the field's whole
    // text, and no notice comes. Ctrl+Q, which no field uses, quits the program.
    void theProgramsKeysInATextField() {
        QFETCH(QString, field);
        QFETCH(QString, key);
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("dialogs"));
        QVERIFY2(startWithWork(quarlin), qPrintable(quarlin.error()));
        quint32 window = 0;
        QString done;
        if (field == QLatin1String("editor")) {
            QVERIFY(quarlin.click(rowEdit));
            window = quarlin.waitForWindow(QStringLiteral("^Edit Configuration: Work$"));
            QVERIFY(window);
            QVERIFY(quarlin.click(window, savedSearch));
            done = QStringLiteral("✅ Added Eyes");
        } else {
            QVERIFY(quarlin.click(newConfiguration));
            window = quarlin.waitForWindow(QStringLiteral("^Create New Configuration$"));
            QVERIFY(window);
            done = QStringLiteral("✅ Successfully created configuration: Eyes");
        }
        QVERIFY(desktop.waitFor([&] { return desktop.activeWindow() == window; }));
        QVERIFY(quarlin.type(QStringLiteral("No")));
        QVERIFY(desktop.key(key));
        if (key == QLatin1String("ctrl+q")) {
            QVERIFY2(quarlin.waitForExit(), qPrintable(quarlin.output()));
            QCOMPARE(quarlin.exitCode(), 0);
            return;
        }
        // "Eyes" alone finds the saved application, and names the configuration.
        QVERIFY(quarlin.type(QStringLiteral("Eyes")));
        if (field == QLatin1String("editor")) {
            QVERIFY(desktop.key(QStringLiteral("Tab")));
            QVERIFY(desktop.key(QStringLiteral("space")));
        } else {
            QVERIFY(desktop.key(QStringLiteral("Return")));
        }
        if (!quarlin.waitForOutput(done, QuarlinProgram::patienceMs))
            QFAIL(qPrintable(quarlin.screenshot(tagged("field")) + quarlin.output()));
        QVERIFY2(!quarlin.output().contains(QStringLiteral("Check for Updates asked")),
                 qPrintable(quarlin.output()));
        QVERIFY(quarlin.isRunning());
        quarlin.stop();
    }
};

QTEST_GUILESS_MAIN(DialogsE2ETest)
#include "DialogsE2ETest.moc"
