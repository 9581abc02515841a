// Stops a machine's sync worker at one checkpoint of its round until the main thread lets it go on,
// so that an edit is saved while the round stands there.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string_view>

class RoundGate {
public:
    // Nothing stops the worker while no point is armed.
    void arm(const char* point) {
        const std::lock_guard lock(m_mutex);
        m_point = point;
        m_reached = false;
    }
    // On the worker, at each checkpoint.
    void pass(const char* point) {
        std::unique_lock lock(m_mutex);
        if (!m_point || std::string_view(m_point) != point)
            return;
        m_point = nullptr;
        m_reached = true;
        const int releases = m_releases;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_releases != releases; });
    }
    bool waitReached(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this] { return m_reached; });
    }
    // Lets the worker go on, and disarms a point not reached yet.
    void release() { releaseUntil(nullptr); }
    // Lets the worker go on to stop again at `next`.
    void releaseUntil(const char* next) {
        const std::lock_guard lock(m_mutex);
        m_point = next;
        m_reached = false;
        ++m_releases;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const char* m_point = nullptr;
    bool m_reached = false;
    int m_releases = 0;
};
