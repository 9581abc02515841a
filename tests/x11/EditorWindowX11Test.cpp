// The editor's window under a real window manager: its height requests count the title bar. The
// program re-runs itself on the private desktop, since the widgets need it from the start.
#include "../ui/editor/EditorWorld.h"
#include "TestDesktop.h"

#include "ui/editor/EditConfigurationWindow.h"

#include <QApplication>
#include <QProcess>
#include <QTest>

#include <xcb/xcb.h>

namespace {
const char* const onDesktop = "QUARLIN_EDITOR_WINDOW_TEST_ON_DESKTOP";
// A busy machine can keep a window manager from answering a resize for seconds.
constexpr int patienceMs = 20000;

// The frame around a client as the window manager declares it to everyone: the client's area in
// root coordinates grown by its _NET_FRAME_EXTENTS (left, right, top, bottom). Null while unknown.
QRect serverFrame(quint32 client) {
    xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
    QRect frame;
    const char name[] = "_NET_FRAME_EXTENTS";
    auto* atom = xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 1, sizeof name - 1, name), nullptr);
    auto* g = xcb_get_geometry_reply(conn, xcb_get_geometry(conn, client), nullptr);
    if (atom && g) {
        auto* t = xcb_translate_coordinates_reply(
            conn, xcb_translate_coordinates(conn, client, g->root, 0, 0), nullptr);
        auto* p = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, client, atom->atom, XCB_ATOM_CARDINAL, 0, 4), nullptr);
        if (t && p && p->format == 32 && xcb_get_property_value_length(p) == 16) {
            const auto* e = static_cast<const quint32*>(xcb_get_property_value(p));
            frame = QRect(t->dst_x, t->dst_y, g->width, g->height)
                        .adjusted(-int(e[0]), -int(e[2]), int(e[1]), int(e[3]));
        }
        std::free(t);
        std::free(p);
    }
    std::free(atom);
    std::free(g);
    xcb_disconnect(conn);
    return frame;
}
} // namespace

class EditorWindowX11Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Made 800 high (content), the window is exactly 800 high (frame) after the first request for
    // 800, with its top edge where it was; asking again changes nothing.
    void aHeightRequestIsAFrameHeight() {
        EditorWorld w;
        w.state->setShowRunningAppsInEditModal(true);
        EditConfigurationWindow* window = w.open(w.configuration(QStringLiteral("Work"), {}));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->QWidget::height(), 800);
        const quint32 id = quint32(window->winId());
        // The window manager's title bar is there, in the server and in what the window knows.
        QTRY_VERIFY_WITH_TIMEOUT(serverFrame(id).height() > 800, patienceMs);
        QTRY_COMPARE_WITH_TIMEOUT(window->frameGeometry().height(), serverFrame(id).height(), patienceMs);
        const int top = serverFrame(id).top();

        window->changeHeight(800);
        QTRY_COMPARE_WITH_TIMEOUT(serverFrame(id).height(), 800, patienceMs);
        QCOMPARE(serverFrame(id).top(), top);
        QTRY_COMPARE_WITH_TIMEOUT(window->frameGeometry().height(), 800, patienceMs);
        const int content = window->QWidget::height();
        QVERIFY(content < 800);
        window->changeHeight(800.3);
        window->changeHeight(800);
        QCOMPARE(window->targetHeight(), content);

        // 600 (frame) on the way back.
        window->changeHeight(600);
        QTRY_COMPARE_WITH_TIMEOUT(serverFrame(id).height(), 600, patienceMs);
        QCOMPARE(serverFrame(id).top(), top);
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty(onDesktop)) {
        QCoreApplication app(argc, argv);
        TestDesktop desktop;
        if (!desktop.isReady()) {
            qCritical("no test desktop: %s", qPrintable(desktop.error()));
            return 1;
        }
        QProcessEnvironment environment = desktop.environment();
        environment.insert(QLatin1String(onDesktop), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit)
            return 1;
        return child.exitCode();
    }
    QApplication app(argc, argv);
    EditorWindowX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "EditorWindowX11Test.moc"
