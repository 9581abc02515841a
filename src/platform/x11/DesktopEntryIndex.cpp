// Finding desktop entries by id, window class and executable.
#include "DesktopEntryIndex.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr qint64 racyMs = 50;

// Programs that start other programs: a process running one of them says nothing about which
// application it is.
bool isInterpreter(const QString& executable) {
    static const QRegularExpression pattern(
        QStringLiteral("^(env|sh|bash|dash|zsh|fish|ksh|csh|tcsh|flatpak|snap|python[0-9.]*|perl[0-9.]*|"
                       "ruby[0-9.]*|node(js)?|java|mono|wine[0-9]*|gjs|lua[0-9.]*)$"));
    return pattern.match(QFileInfo(executable).fileName()).hasMatch();
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(QStringList applicationDirs, QString locale)
    : m_dirs(std::move(applicationDirs)), m_locale(std::move(locale)) {}

QStringList DesktopEntryIndex::defaultApplicationDirs() {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList out{home + QStringLiteral("/applications")};
    for (const QString& d : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        out << d + QStringLiteral("/applications");
    out.removeDuplicates();
    return out;
}

bool DesktopEntryIndex::isSafeId(const QString& id) {
    return !id.isEmpty() && !id.contains(QLatin1Char('/')) && !id.contains(QLatin1Char('\\')) &&
           !id.contains(QStringLiteral("..")) && !id.contains(QChar(0));
}

std::optional<QString> DesktopEntryIndex::idForUnlistedClass(const QString& wmClass) {
    if (wmClass.isEmpty())
        return std::nullopt;
    QString id = QStringLiteral("quarlin-");
    for (const QChar c : wmClass)
        id += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') ? c : QLatin1Char('_');
    return id;
}

void DesktopEntryIndex::scan(const QString& root, const QString& dir, const QString& prefix,
                             QHash<QString, Item>& found) {
    const QFileInfo info(dir);
    m_stamps.insert(dir, info.exists() ? info.lastModified() : QDateTime());
    if (!info.isDir())
        return;
    const QDir folder(dir);
    for (const QFileInfo& file : folder.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
        if (file.suffix() != QLatin1String("desktop"))
            continue;
        const QString id = prefix + file.completeBaseName();
        if (found.contains(id))
            continue;
        auto entry = DesktopEntry::load(file.filePath(), m_locale);
        if (!entry)
            continue;
        Item item{id, *entry, entry->isInstalledApplication()};
        found.insert(id, item);
    }
    for (const QFileInfo& sub : folder.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        // Symbolic links to folders could loop.
        if (!sub.isSymLink())
            scan(root, sub.filePath(), prefix + sub.fileName() + QLatin1Char('-'), found);
    }
}

void DesktopEntryIndex::refresh() {
    if (m_scanned) {
        bool changed = false;
        for (auto it = m_stamps.constBegin(); it != m_stamps.constEnd() && !changed; ++it) {
            const QFileInfo info(it.key());
            const QDateTime stamp = info.exists() ? info.lastModified() : QDateTime();
            // A folder changed just before the last scan may have changed again unseen within the
            // file system's timestamp granularity.
            changed = stamp != it.value() || (stamp.isValid() && stamp.msecsTo(m_scanTime) < racyMs);
        }
        if (!changed)
            return;
    }
    m_scanTime = QDateTime::currentDateTimeUtc();
    m_stamps.clear();
    QHash<QString, Item> found;
    for (const QString& dir : m_dirs)
        scan(dir, dir, QString(), found);
    m_items = found.values();
    std::sort(m_items.begin(), m_items.end(), [](const Item& a, const Item& b) { return a.id < b.id; });
    m_byId.clear();
    m_byExecutable.clear();
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items[i];
        m_byId.insert(item.id, i);
        if (!item.installed)
            continue;
        const auto program = item.entry.program();
        if (!program || isInterpreter(*program))
            continue;
        // Entries shown in menus win over hidden helpers that start the same program.
        const auto existing = m_byExecutable.constFind(*program);
        if (existing == m_byExecutable.constEnd() ||
            (m_items[m_byId.value(*existing)].entry.noDisplay && !item.entry.noDisplay))
            m_byExecutable.insert(*program, item.id);
    }
    m_scanned = true;
    ++m_generation;
}

quint64 DesktopEntryIndex::generation() {
    QMutexLocker lock(&m_mutex);
    refresh();
    return m_generation;
}

std::optional<DesktopEntry> DesktopEntryIndex::entry(const QString& id) {
    if (!isSafeId(id))
        return std::nullopt;
    QMutexLocker lock(&m_mutex);
    refresh();
    const auto it = m_byId.constFind(id);
    if (it == m_byId.constEnd())
        return std::nullopt;
    return m_items[*it].entry;
}

std::optional<QString> DesktopEntryIndex::idForApplicationId(const QString& applicationId) {
    QString id = applicationId;
    if (id.endsWith(QStringLiteral(".desktop")))
        id.chop(8);
    if (!isSafeId(id))
        return std::nullopt;
    QMutexLocker lock(&m_mutex);
    refresh();
    const auto it = m_byId.constFind(id);
    if (it != m_byId.constEnd() && m_items[*it].installed)
        return id;
    return std::nullopt;
}

std::optional<QString> DesktopEntryIndex::idForWindowClass(const QString& wmClass) {
    if (wmClass.isEmpty())
        return std::nullopt;
    QMutexLocker lock(&m_mutex);
    refresh();
    for (const Item& item : std::as_const(m_items))
        if (item.installed && item.entry.startupWMClass.compare(wmClass, Qt::CaseInsensitive) == 0)
            return item.id;
    for (const Item& item : std::as_const(m_items))
        if (item.installed && item.id.compare(wmClass, Qt::CaseInsensitive) == 0)
            return item.id;
    return std::nullopt;
}

std::optional<QString> DesktopEntryIndex::idForExecutable(const QString& executable) {
    QMutexLocker lock(&m_mutex);
    refresh();
    const auto it = m_byExecutable.constFind(executable);
    if (it == m_byExecutable.constEnd())
        return std::nullopt;
    return *it;
}

QHash<QString, QString> DesktopEntryIndex::executables() {
    QMutexLocker lock(&m_mutex);
    refresh();
    return m_byExecutable;
}
