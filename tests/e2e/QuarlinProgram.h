// The real quarlin program on a private TestDesktop for end-to-end tests: started with the
// desktop's HOME and XDG folders, driven with real clicks and keys (xdotool), read back through its
// output, preference file, store and autostart entry, and photographed into the build folder.
#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

class ModelContext;
class QImage;
class TestDesktop;

class QuarlinProgram {
public:
    explicit QuarlinProgram(TestDesktop& desktop, const QString& screenshotPrefix = QStringLiteral("e2e"));
    ~QuarlinProgram();
    QuarlinProgram(const QuarlinProgram&) = delete;
    QuarlinProgram& operator=(const QuarlinProgram&) = delete;

    // How long the main window must keep its place before start() returns.
    static constexpr int settleMs = 300;
    // Milliseconds to wait for the program on a busy machine.
    static constexpr int patienceMs = 20000;

    // Runs another copy of the program (an installed one) instead of the build's.
    void setProgram(const QString& program) { m_program = program; }
    QString program() const { return m_program; }
    // Variables set on top of the desktop's, and the environment the program gets.
    void addEnvironment(const QProcessEnvironment& extra) { m_extra.insert(extra); }
    QProcessEnvironment environment() const;
    // The program also prints the debugging traces of its categories matching `categories`
    // ("quarlin.ui"), for a test that waits for one of them.
    void showDebugLines(const QString& categories) {
        m_extra.insert(QStringLiteral("QT_LOGGING_RULES"), categories + QStringLiteral(".debug=true"));
    }

    // Starts the program and waits until its main window is mapped, managed and in its place.
    bool start(const QStringList& arguments = {}, int timeoutMs = 15000);
    QString error() const { return m_error; }
    void stop();
    bool isRunning() const;
    // Waits until the program has ended by itself; false when it still runs at the deadline.
    bool waitForExit(int timeoutMs = patienceMs);
    // The exit code of a program that has ended.
    int exitCode() const;

    // The main window (client, not the frame) and its client area in root coordinates.
    quint32 window() const { return m_window; }
    QRect clientGeometry() const;
    // A left click at a point of the main window's client area, or of another window's; returns once
    // xdotool has finished.
    bool click(const QPoint& inWindow);
    bool click(quint32 window, const QPoint& inWindow);
    // Types text into the focused window, key by key.
    bool type(const QString& text);
    // The first visible window whose title matches the pattern, waiting for it; 0 when none came.
    quint32 waitForWindow(const QString& titlePattern, int timeoutMs = patienceMs);
    bool waitUntilGone(const QString& titlePattern, int timeoutMs = patienceMs);
    // The topmost pop-up (menu, list of a combo box) the program shows, waiting for one; 0 when none came.
    quint32 waitForPopup(int timeoutMs = patienceMs);

    // Standard output and error so far.
    QString output();
    // Waits until the output holds text (re-checked as the desktop reports events, at most timeoutMs).
    bool waitForOutput(const QString& text, int timeoutMs = 5000);

    // The program's files on this desktop.
    QString preferencesPath() const;
    QString storePath() const;
    QString autostartPath() const;
    // The preference file as it is now; empty when missing or unreadable.
    QJsonObject preferences() const;
    bool writePreferences(const QJsonObject& values);
    // Changes the store as another writer would, and saves; false with the reason in error().
    bool changeStore(const std::function<void(ModelContext&)>& change);
    // The first value an SQL query on the store gives; the reason when the store does not open.
    QString query(const QString& sql);

    // A picture of the whole desktop at <build>/screenshots/<prefix>-<name>.png; gives the path,
    // empty when it failed.
    QString screenshot(const QString& name);
    // A picture of one window's client area as the screen shows it, taken once the area shows more
    // than one colour; false when it stayed blank for the program's patience.
    bool screenshotOf(const QString& name, quint32 window);
    // Whether an area of a picture shows more than one colour (text, a frame, a control).
    static bool inked(const QImage& picture, const QRect& area);
    static QString screenshotFolder();

private:
    quint32 findWindow(const QString& titlePattern);

    TestDesktop& m_desktop;
    QString m_prefix;
    QString m_program;
    QProcessEnvironment m_extra;
    QProcess m_process;
    QByteArray m_output;
    quint32 m_window = 0;
    QString m_error;
};
