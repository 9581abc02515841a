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

// The window manager's frame around a client, as the X server has it: the client's top-level
// ancestor below the root.
QRect serverFrame(quint32 client) {
    xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
    QRect frame;
    xcb_window_t window = client;
    while (!xcb_connection_has_error(conn)) {
        auto* tree = xcb_query_tree_reply(conn, xcb_query_tree(conn, window), nullptr);
        if (!tree)
            break;
        const bool top = tree->parent == tree->root;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (top) {
            auto* g = xcb_get_geometry_reply(conn, xcb_get_geometry(conn, window), nullptr);
            if (g)
                frame = QRect(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
            std::free(g);
            break;
        }
        window = parent;
    }
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
        QTRY_VERIFY(serverFrame(id).height() > 800);
        QTRY_COMPARE(window->frameGeometry().height(), serverFrame(id).height());
        const int top = serverFrame(id).top();

        window->changeHeight(800);
        QTRY_COMPARE(serverFrame(id).height(), 800);
        QCOMPARE(serverFrame(id).top(), top);
        QTRY_COMPARE(window->frameGeometry().height(), 800);
        const int content = window->QWidget::height();
        QVERIFY(content < 800);
        window->changeHeight(800.3);
        window->changeHeight(800);
        QCOMPARE(window->targetHeight(), content);

        // 600 (frame) on the way back.
        window->changeHeight(600);
        QTRY_COMPARE(serverFrame(id).height(), 600);
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
