// Another process writing the store, for its tests: runs the SQL of its second argument on the database of
// its first in one go, with every sync of the write-ahead log slowed down by the milliseconds of its third,
// which widens the moment between the log's file event and the commit becoming visible to other connections.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
sqlite3_vfs* g_base = nullptr;
int g_delayMs = 0;
const sqlite3_io_methods* g_realMethods = nullptr;
sqlite3_io_methods g_logMethods;

// The log's files get the real methods with a slow sync; the file structure stays the real one.
int slowSync(sqlite3_file* file, int flags) {
    std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    return g_realMethods->xSync(file, flags);
}

int slowOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    const int rc = g_base->xOpen(g_base, name, file, flags, outFlags);
    if (rc == SQLITE_OK && (flags & SQLITE_OPEN_WAL) != 0 && file->pMethods) {
        g_realMethods = file->pMethods;
        g_logMethods = *file->pMethods;
        g_logMethods.xSync = slowSync;
        file->pMethods = &g_logMethods;
    }
    return rc;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s DATABASE SQL SYNC-DELAY-MS\n", argv[0]);
        return 2;
    }
    g_delayMs = std::atoi(argv[3]);
    g_base = sqlite3_vfs_find(nullptr);
    static sqlite3_vfs vfs = *g_base;
    vfs.zName = "slowsync";
    vfs.xOpen = slowOpen;
    sqlite3_vfs_register(&vfs, 1);

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, "slowsync") != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    char* error = nullptr;
    const int rc =
        sqlite3_exec(db, "PRAGMA synchronous = FULL; PRAGMA busy_timeout = 5000", nullptr, nullptr, &error) ||
        sqlite3_exec(db, argv[2], nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", error ? error : "failed");
        sqlite3_close(db);
        return 1;
    }
    sqlite3_close(db);
    return 0;
}
