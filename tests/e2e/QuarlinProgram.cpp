#include "QuarlinProgram.h"

#include "TestDesktop.h"

#include "platform/sim/VirtualScheduler.h"
#include "store/Database.h"
#include "store/ModelContainer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QSaveFile>

QuarlinProgram::QuarlinProgram(TestDesktop& desktop, const QString& screenshotPrefix)
    : m_desktop(desktop), m_prefix(screenshotPrefix), m_program(QStringLiteral(QUARLIN_PROGRAM)) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

QuarlinProgram::~QuarlinProgram() {
    stop();
}

QProcessEnvironment QuarlinProgram::environment() const {
    QProcessEnvironment environment = m_desktop.environment();
    environment.insert(m_extra);
    // The test itself may run off screen; the program runs on the desktop.
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

bool QuarlinProgram::start(const QStringList& arguments, int timeoutMs) {
    m_process.setProcessEnvironment(environment());
    m_process.start(m_program, arguments);
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("quarlin did not start: ") + m_process.errorString();
        return false;
    }
    const qint64 pid = m_process.processId();
    m_desktop.waitFor(
        [&] {
            for (quint32 w : m_desktop.clientList())
                if (m_desktop.windowPid(w) == pid &&
                    m_desktop.wmClass(w).toLower().contains(QStringLiteral("quarlin"))) {
                    m_window = w;
                    return true;
                }
            return m_process.state() == QProcess::NotRunning;
        },
        timeoutMs);
    if (!m_window) {
        m_error = QStringLiteral("no main window appeared; output:\n") + output();
        return false;
    }
    // The program places its window once it is on screen: clicks wait until it stays put.
    QRect last;
    QElapsedTimer still;
    still.start();
    m_desktop.waitFor(
        [&] {
            const QRect now = clientGeometry();
            if (now != last) {
                last = now;
                still.restart();
            }
            return !now.isEmpty() && still.elapsed() >= settleMs;
        },
        timeoutMs);
    return true;
}

void QuarlinProgram::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool QuarlinProgram::isRunning() const {
    return m_process.state() == QProcess::Running;
}

bool QuarlinProgram::waitForExit(int timeoutMs) {
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
}

int QuarlinProgram::exitCode() const {
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QRect QuarlinProgram::clientGeometry() const {
    return m_desktop.clientGeometry(m_window);
}

bool QuarlinProgram::click(const QPoint& inWindow) {
    return click(m_window, inWindow);
}

bool QuarlinProgram::click(quint32 window, const QPoint& inWindow) {
    const QPoint at = m_desktop.clientGeometry(window).topLeft() + inWindow;
    return m_desktop.xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                              QStringLiteral("click"), QStringLiteral("1")});
}

bool QuarlinProgram::type(const QString& text) {
    return m_desktop.xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

quint32 QuarlinProgram::findWindow(const QString& titlePattern) {
    QProcess search;
    search.setProcessEnvironment(m_desktop.environment());
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--name"), titlePattern});
    search.waitForFinished(10000);
    return QString::fromUtf8(search.readAllStandardOutput()).split(QLatin1Char('\n')).value(0).toUInt();
}

quint32 QuarlinProgram::waitForWindow(const QString& titlePattern, int timeoutMs) {
    quint32 id = 0;
    m_desktop.waitFor([&] { return (id = findWindow(titlePattern)) != 0; }, timeoutMs);
    return id;
}

bool QuarlinProgram::waitUntilGone(const QString& titlePattern, int timeoutMs) {
    return m_desktop.waitFor([&] { return findWindow(titlePattern) == 0; }, timeoutMs);
}

quint32 QuarlinProgram::waitForPopup(int timeoutMs) {
    quint32 id = 0;
    m_desktop.waitFor(
        [&] {
            const QList<quint32> popups = m_desktop.popups();
            for (auto it = popups.crbegin(); it != popups.crend(); ++it)
                if (m_desktop.windowPid(*it) == m_process.processId())
                    return (id = *it) != 0;
            return false;
        },
        timeoutMs);
    return id;
}

QString QuarlinProgram::output() {
    // Without an event loop nothing reads the pipe: take what is there now.
    while (m_process.state() == QProcess::Running && m_process.waitForReadyRead(0))
        m_output += m_process.readAll();
    m_output += m_process.readAll();
    return QString::fromUtf8(m_output);
}

bool QuarlinProgram::waitForOutput(const QString& text, int timeoutMs) {
    return m_desktop.waitFor(
        [&] {
            m_process.waitForReadyRead(10);
            return output().contains(text);
        },
        timeoutMs);
}

QString QuarlinProgram::preferencesPath() const {
    return m_desktop.environment().value(QStringLiteral("XDG_CONFIG_HOME")) + "/quarlin/preferences.json";
}

QString QuarlinProgram::storePath() const {
    return m_desktop.environment().value(QStringLiteral("XDG_DATA_HOME")) + "/quarlin/quarlin.sqlite";
}

QString QuarlinProgram::autostartPath() const {
    return m_desktop.environment().value(QStringLiteral("XDG_CONFIG_HOME")) +
           "/autostart/io.github.quarlin.desktop";
}

QJsonObject QuarlinProgram::preferences() const {
    QFile file(preferencesPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool QuarlinProgram::writePreferences(const QJsonObject& values) {
    QDir().mkpath(QFileInfo(preferencesPath()).path());
    QSaveFile file(preferencesPath());
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(values).toJson()) > 0 && file.commit();
}

bool QuarlinProgram::changeStore(const std::function<void(ModelContext&)>& change) {
    QDir().mkpath(QFileInfo(storePath()).path());
    VirtualScheduler clock;
    auto container = ModelContainer::open(storePath(), clock, &m_error);
    if (!container)
        return false;
    change(*container->mainContext());
    return container->mainContext()->save(&m_error);
}

QString QuarlinProgram::query(const QString& sql) {
    QString error;
    auto db = Database::open(storePath(), false, &error);
    return db ? db->queryText(sql).value_or(QString()) : error;
}

QString QuarlinProgram::screenshotFolder() {
    return QStringLiteral(QUARLIN_SCREENSHOT_DIR);
}

QString QuarlinProgram::screenshot(const QString& name) {
    QDir().mkpath(screenshotFolder());
    const QString path = screenshotFolder() + QLatin1Char('/') + m_prefix + QLatin1Char('-') + name + ".png";
    const QImage picture = m_desktop.screenshot();
    return !picture.isNull() && picture.save(path) ? path : QString();
}

bool QuarlinProgram::screenshotOf(const QString& name, quint32 window) {
    QDir().mkpath(screenshotFolder());
    const QString path = screenshotFolder() + QLatin1Char('/') + m_prefix + QLatin1Char('-') + name + ".png";
    QImage picture;
    QRect area;
    const bool shown = m_desktop.waitFor(
        [&] {
            area = m_desktop.clientGeometry(window);
            picture = m_desktop.screenshot();
            return !area.isEmpty() && inked(picture, area);
        },
        patienceMs);
    picture.copy(area).save(path);
    return shown;
}

bool QuarlinProgram::inked(const QImage& picture, const QRect& area) {
    const QRect inside = area & picture.rect();
    if (inside.isEmpty())
        return false;
    const QRgb first = picture.pixel(inside.topLeft());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (picture.pixel(x, y) != first)
                return true;
    return false;
}
