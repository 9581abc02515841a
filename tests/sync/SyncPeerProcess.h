// A sync_peer process driven line by line: one machine with its own data folder and a sync folder.
#pragma once

#include <QDir>
#include <QProcess>
#include <QStringList>

class SyncPeerProcess {
public:
    SyncPeerProcess(const QString& data, const QString& folder, const QStringList& extra = {}) {
        QDir().mkpath(data);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(SYNC_PEER), QStringList{data, folder} + extra);
        m_ready = m_process.waitForStarted() && next() == QLatin1String("ready");
    }
    ~SyncPeerProcess() {
        if (m_process.state() == QProcess::Running) {
            ask(QStringLiteral("quit"));
            if (!m_process.waitForFinished(5000))
                m_process.kill();
        }
    }
    bool isReady() const { return m_ready; }
    // As kill -9: whatever the process was doing stops there.
    void kill() {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    qint64 pid() const { return m_process.processId(); }
    // Whether the process ended (by itself, say at its --die-at point) within `ms`.
    bool waitForExit(int ms) { return m_process.waitForFinished(ms); }

    // The answer's lines before its closing "ok"; the error line in place of them on a failure.
    QStringList ask(const QString& command) {
        m_process.write(command.toUtf8() + '\n');
        QStringList lines;
        for (;;) {
            const QString line = next();
            if (line == QLatin1String("ok"))
                return lines;
            if (line.isNull() || line.startsWith(QLatin1String("error")))
                return {line.isNull() ? QStringLiteral("error: no answer") : line};
            lines.append(line);
        }
    }
    QString one(const QString& command) { return ask(command).value(0); }
    QString show(const QString& id) { return one(QStringLiteral("show ") + id); }
    // Every line the peer printed that was not an answer (its console).
    QStringList log() const { return m_log; }

private:
    QString next() {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(60000))
                return {};
        QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("⚠️")) || line.startsWith(QStringLiteral("🔄")) ||
            line.startsWith(QStringLiteral("❌"))) {
            m_log.append(line);
            return next();
        }
        return line;
    }

    QProcess m_process;
    QStringList m_log;
    bool m_ready = false;
};
