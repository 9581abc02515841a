// Another process writing the store, for its tests: runs the SQL of its second argument on the database of
// its first in one go, with every sync of the write-ahead log slowed down by the milliseconds of its third,
// which widens the moment between the log's file event and the commit becoming visible to other connections.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {
sqlite3_vfs* g_base = nullptr;
int g_delayMs = 0;
sqlite3_io_methods g_methods;

struct SlowFile {
    sqlite3_file base; // our methods
    sqlite3_file* real;
    bool isLog;
};

sqlite3_file* realOf(sqlite3_file* file) {
    return reinterpret_cast<SlowFile*>(file)->real;
}

int slowSync(sqlite3_file* file, int flags) {
    if (reinterpret_cast<SlowFile*>(file)->isLog)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    return realOf(file)->pMethods->xSync(realOf(file), flags);
}

int slowClose(sqlite3_file* file) {
    sqlite3_file* real = realOf(file);
    const int rc = real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
    sqlite3_free(real);
    return rc;
}

#define FORWARD(name, signature, ...)                                                                        \
    int name signature {                                                                                     \
        return realOf(file)->pMethods->name(realOf(file), __VA_ARGS__);                                      \
    }
FORWARD(xRead, (sqlite3_file * file, void* data, int amount, sqlite3_int64 offset), data, amount, offset)
FORWARD(xWrite, (sqlite3_file * file, const void* data, int amount, sqlite3_int64 offset), data, amount,
        offset)
FORWARD(xTruncate, (sqlite3_file * file, sqlite3_int64 size), size)
FORWARD(xFileSize, (sqlite3_file * file, sqlite3_int64* size), size)
FORWARD(xLock, (sqlite3_file * file, int lock), lock)
FORWARD(xUnlock, (sqlite3_file * file, int lock), lock)
FORWARD(xCheckReservedLock, (sqlite3_file * file, int* out), out)
FORWARD(xFileControl, (sqlite3_file * file, int op, void* arg), op, arg)
FORWARD(xShmMap, (sqlite3_file * file, int page, int size, int extend, void volatile** out), page, size,
        extend, out)
FORWARD(xShmLock, (sqlite3_file * file, int offset, int n, int flags), offset, n, flags)
FORWARD(xShmUnmap, (sqlite3_file * file, int deleteFlag), deleteFlag)
FORWARD(xFetch, (sqlite3_file * file, sqlite3_int64 offset, int amount, void** out), offset, amount, out)
FORWARD(xUnfetch, (sqlite3_file * file, sqlite3_int64 offset, void* page), offset, page)
#undef FORWARD
int xSectorSize(sqlite3_file* file) {
    return realOf(file)->pMethods->xSectorSize(realOf(file));
}
int xDeviceCharacteristics(sqlite3_file* file) {
    return realOf(file)->pMethods->xDeviceCharacteristics(realOf(file));
}
void xShmBarrier(sqlite3_file* file) {
    realOf(file)->pMethods->xShmBarrier(realOf(file));
}

int slowOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* slow = reinterpret_cast<SlowFile*>(file);
    slow->real = static_cast<sqlite3_file*>(sqlite3_malloc(g_base->szOsFile));
    std::memset(slow->real, 0, size_t(g_base->szOsFile));
    slow->isLog = (flags & SQLITE_OPEN_WAL) != 0;
    const int rc = g_base->xOpen(g_base, name, slow->real, flags, outFlags);
    slow->base.pMethods = rc == SQLITE_OK ? &g_methods : nullptr;
    if (rc != SQLITE_OK) {
        sqlite3_free(slow->real);
        slow->real = nullptr;
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
    g_methods = sqlite3_io_methods{3,
                                   slowClose,
                                   xRead,
                                   xWrite,
                                   xTruncate,
                                   slowSync,
                                   xFileSize,
                                   xLock,
                                   xUnlock,
                                   xCheckReservedLock,
                                   xFileControl,
                                   xSectorSize,
                                   xDeviceCharacteristics,
                                   xShmMap,
                                   xShmLock,
                                   xShmBarrier,
                                   xShmUnmap,
                                   xFetch,
                                   xUnfetch};
    static sqlite3_vfs vfs = *g_base;
    vfs.zName = "slowsync";
    vfs.szOsFile = int(sizeof(SlowFile));
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
