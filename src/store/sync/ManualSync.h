// "Sync Now" under way: it waits for what runs first (a round of the timer, a large export), has its
// round read every file, then writes the files and exports that round left, and reports to everyone
// who asked once all of it is done. A request made meanwhile joins it.
#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class SyncEngine;

class ManualSync {
public:
    using Done = std::function<void(bool ok, const QString& error)>;

    explicit ManualSync(SyncEngine& engine) : m_engine(engine) {}

    void request(Done done);
    bool isActive() const { return m_run.has_value(); }
    // The round running is the one "Sync Now" asked for: it reports to it alone.
    bool isReading() const { return m_run && m_run->stage == Stage::reading; }
    // Its round reads every file once the worker is free: another round would add nothing.
    bool awaitsRound() const { return m_run && m_run->stage != Stage::writing; }
    // The first failure is the one reported.
    void fail(const QString& message);
    // Its round ended: what it left to write comes next.
    void roundEnded(bool ok, const QString& message);
    // Moves "Sync Now" on as far as it can on this turn; runs whenever the worker is free again.
    void proceed();

private:
    void end(bool ok, QString error);

    enum class Stage { waiting, reading, writing };
    struct Run {
        Stage stage = Stage::waiting;
        bool ok = true;
        QString error;
        QList<Done> done;
    };
    SyncEngine& m_engine;
    std::optional<Run> m_run;
};
