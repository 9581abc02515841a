#include "FolderWatcher.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

namespace {
constexpr quint32 fileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE |
                               IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr quint32 folderEvents =
    IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ATTRIB;
const QString parentKey = QStringLiteral("/");
// Reads of the event queue per turn: another machine writing a library raises thousands of events,
// which are read over a few turns rather than in one long one.
constexpr int readsPerTurn = 8;
} // namespace

FolderWatcher::FolderWatcher(QString folder, QStringList subfolders, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_subfolders(std::move(subfolders)) {
    m_descriptor = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_descriptor < 0)
        return;
    m_notifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FolderWatcher::readEvents);
    refresh();
}

FolderWatcher::~FolderWatcher() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void FolderWatcher::watch(const QString& path, quint32 mask) {
    const int watch = ::inotify_add_watch(m_descriptor, QFile::encodeName(path).constData(), mask);
    if (watch < 0)
        return;
    QString key;
    if (path != m_folder)
        key = path == QFileInfo(m_folder).absolutePath() ? parentKey : QFileInfo(path).fileName();
    m_watches.insert(watch, key);
}

void FolderWatcher::refresh() {
    if (m_descriptor < 0)
        return;
    // Adding a watch again for the same inode only updates it, so this is cheap to repeat; a folder
    // replaced by another gets a watch of its own.
    watch(QFileInfo(m_folder).absolutePath(), folderEvents | IN_ONLYDIR);
    watch(m_folder, folderEvents | IN_ONLYDIR);
    for (const QString& name : std::as_const(m_subfolders))
        watch(m_folder + u'/' + name, fileEvents | IN_ONLYDIR | IN_DONT_FOLLOW);
}

void FolderWatcher::readEvents() {
    alignas(inotify_event) char buffer[16384];
    const bool before = m_needsFullScan || !m_changed.isEmpty();
    for (int reads = 0; reads < readsPerTurn; ++reads) {
        const ssize_t length = ::read(m_descriptor, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                m_needsFullScan = true;
                continue;
            }
            const auto watch = m_watches.constFind(event->wd);
            if (event->mask & IN_IGNORED) {
                m_watches.remove(event->wd);
                m_needsFullScan = true;
                continue;
            }
            if (watch == m_watches.constEnd())
                continue;
            // The names of files in a class folder do not matter, only that it changed.
            const auto name = [event] { return event->len ? QFile::decodeName(event->name) : QString(); };
            if (*watch == parentKey) {
                // Beside the folder live the database and its journals: only the folder's own name counts.
                if (name() == QFileInfo(m_folder).fileName())
                    m_needsFullScan = true;
            } else if (watch->isEmpty()) {
                if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) || m_subfolders.contains(name()))
                    m_needsFullScan = true;
            } else {
                m_changed.insert(*watch);
            }
        }
    }
    if (m_needsFullScan)
        refresh();
    if (!before && (m_needsFullScan || !m_changed.isEmpty()))
        Q_EMIT changed();
}

QSet<QString> FolderWatcher::takeChangedSubfolders() {
    return std::exchange(m_changed, {});
}

bool FolderWatcher::takeNeedsFullScan() {
    return std::exchange(m_needsFullScan, false);
}
