// Copies a database's write-ahead log back into the database file on a thread of its own, through a
// connection of its own. A transaction that writes a whole library leaves megabytes in the log;
// copying them at its commit, as SQLite does by default, would hold up whoever committed. Nothing
// committed depends on the copy: the log holds it until then.
#pragma once

#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class Database;

class WalCheckpointer {
public:
    // Without a connection (the file could not be opened again) requests do nothing and the log is
    // copied by the next commit of the owner, as by default.
    explicit WalCheckpointer(const QString& path);
    // Waits for a copy in progress.
    ~WalCheckpointer();

    // Copies the log once more, soon.
    void request();
    // No copy requested or running.
    bool isIdle();

private:
    void run();

    std::unique_ptr<Database> m_database;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_requested = false;
    bool m_running = false;
    bool m_stopping = false;
    std::thread m_thread;
};
