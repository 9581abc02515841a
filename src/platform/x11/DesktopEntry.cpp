// Reading desktop entries and their Exec lines without a shell.
#include "DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

// The general escapes of string values.
QString unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value[++i];
        switch (n.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default: // kept for the list and Exec rules that come after
            out += QLatin1Char('\\');
            out += n;
        }
    }
    return out;
}

QStringList splitList(const QString& value) {
    QStringList out;
    QString item;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size() && value[i + 1] == QLatin1Char(';')) {
            item += QLatin1Char(';');
            ++i;
        } else if (value[i] == QLatin1Char(';')) {
            out << item.trimmed();
            item.clear();
        } else {
            item += value[i];
        }
    }
    if (!item.trimmed().isEmpty())
        out << item.trimmed();
    out.removeAll(QString());
    return out;
}

// The key suffixes to try, best first: lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang.
QStringList localeCandidates(const QString& locale) {
    QString rest = locale;
    QString modifier;
    if (const qsizetype at = rest.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = rest.mid(at + 1);
        rest.truncate(at);
    }
    if (const qsizetype dot = rest.indexOf(QLatin1Char('.')); dot >= 0)
        rest.truncate(dot);
    QString lang = rest, country;
    if (const qsizetype us = rest.indexOf(QLatin1Char('_')); us >= 0) {
        lang = rest.left(us);
        country = rest.mid(us + 1);
    }
    QStringList out;
    if (lang.isEmpty() || lang == QLatin1String("C") || lang == QLatin1String("POSIX"))
        return out;
    if (!country.isEmpty() && !modifier.isEmpty())
        out << lang + QLatin1Char('_') + country + QLatin1Char('@') + modifier;
    if (!country.isEmpty())
        out << lang + QLatin1Char('_') + country;
    if (!modifier.isEmpty())
        out << lang + QLatin1Char('@') + modifier;
    out << lang;
    return out;
}

using Group = QHash<QString, QString>;

QString localized(const Group& group, const QString& key, const QStringList& locales) {
    for (const QString& l : locales) {
        const auto it = group.constFind(key + QLatin1Char('[') + l + QLatin1Char(']'));
        if (it != group.constEnd())
            return *it;
    }
    return group.value(key);
}

bool isTrue(const QString& value) {
    return value == QLatin1String("true");
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::parse(const QByteArray& text, const QString& locale) {
    QHash<QString, Group> groups;
    QString current;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray& raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = line.mid(1, line.size() - 2);
            groups[current];
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || current.isEmpty())
            continue;
        Group& group = groups[current];
        const QString key = line.left(eq).trimmed();
        // The first occurrence of a key counts.
        if (!group.contains(key))
            group.insert(key, line.mid(eq + 1).trimmed());
    }
    const auto main = groups.constFind(QStringLiteral("Desktop Entry"));
    if (main == groups.constEnd())
        return std::nullopt;

    const QStringList locales = localeCandidates(locale);
    DesktopEntry entry;
    entry.type = unescape(main->value(QStringLiteral("Type")));
    entry.name = unescape(localized(*main, QStringLiteral("Name"), locales));
    entry.exec = unescape(main->value(QStringLiteral("Exec")));
    entry.tryExec = unescape(main->value(QStringLiteral("TryExec")));
    entry.icon = unescape(localized(*main, QStringLiteral("Icon"), locales));
    entry.startupWMClass = unescape(main->value(QStringLiteral("StartupWMClass")));
    entry.hidden = isTrue(main->value(QStringLiteral("Hidden")));
    entry.noDisplay = isTrue(main->value(QStringLiteral("NoDisplay")));
    for (const QString& id : splitList(main->value(QStringLiteral("Actions")))) {
        const auto group = groups.constFind(QStringLiteral("Desktop Action ") + id);
        if (group == groups.constEnd())
            continue;
        entry.actions.append({id, unescape(localized(*group, QStringLiteral("Name"), locales)),
                              unescape(group->value(QStringLiteral("Exec")))});
    }
    return entry;
}

std::optional<DesktopEntry> DesktopEntry::load(const QString& path, const QString& locale) {
    QFile file(path);
    // Entries are small; anything huge is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024)
        return std::nullopt;
    auto entry = parse(file.readAll(), locale);
    if (entry)
        entry->path = path;
    return entry;
}

QString DesktopEntry::userLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

std::optional<QStringList> DesktopEntry::splitExec(const QString& exec) {
    QStringList args;
    QString arg;
    bool inArg = false;    // something, maybe an empty quoted string, was started
    bool onlyCodes = true; // the argument so far consists of dropped field codes only
    bool droppedCode = false;
    auto finish = [&] {
        if (inArg && !(onlyCodes && droppedCode && arg.isEmpty()))
            args << arg;
        arg.clear();
        inArg = false;
        onlyCodes = true;
        droppedCode = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            finish();
        } else if (c == QLatin1Char('"')) {
            inArg = true;
            onlyCodes = false;
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt; // unterminated quote
                const QChar q = exec[i];
                if (q == QLatin1Char('"'))
                    break;
                if (q == QLatin1Char('\\') && i + 1 < exec.size() &&
                    QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                    arg += exec[++i];
                } else if (q == QLatin1Char('%') && i + 1 < exec.size()) {
                    if (exec[i + 1] == QLatin1Char('%'))
                        arg += QLatin1Char('%');
                    ++i;
                } else {
                    arg += q;
                }
            }
        } else if (c == QLatin1Char('%') && i + 1 < exec.size()) {
            inArg = true;
            if (exec[++i] == QLatin1Char('%')) {
                arg += QLatin1Char('%');
                onlyCodes = false;
            } else {
                droppedCode = true;
            }
        } else {
            inArg = true;
            onlyCodes = false;
            arg += c;
        }
    }
    finish();
    if (args.isEmpty() || args.first().isEmpty())
        return std::nullopt;
    return args;
}

std::optional<QString> DesktopEntry::findProgram(const QString& program) {
    auto executable = [](const QString& path) -> std::optional<QString> {
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
        return std::nullopt;
    };
    if (program.isEmpty())
        return std::nullopt;
    if (program.contains(QLatin1Char('/')))
        return QDir::isAbsolutePath(program) ? executable(program) : std::nullopt;
    QString path = qEnvironmentVariable("PATH");
    if (path.isEmpty())
        path = QStringLiteral("/usr/local/bin:/usr/bin:/bin");
    for (const QString& dir : path.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (auto found = executable(dir + QLatin1Char('/') + program))
            return found;
    }
    return std::nullopt;
}

std::optional<QString> DesktopEntry::program() const {
    const auto args = splitExec(exec);
    return args ? findProgram(args->first()) : std::nullopt;
}

bool DesktopEntry::isInstalledApplication() const {
    if (type != QLatin1String("Application") || hidden)
        return false;
    if (!tryExec.isEmpty() && !findProgram(tryExec))
        return false;
    return program().has_value();
}

QString DesktopEntry::quoteExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString escaped;
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument) {
        if (reserved.contains(c))
            needsQuotes = true;
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
        // A lone percent sign would be taken for a field code.
        if (c == QLatin1Char('%'))
            escaped += QLatin1Char('%');
    }
    const QString quoted = needsQuotes ? QLatin1Char('"') + escaped + QLatin1Char('"') : escaped;
    // The entry's string escapes on top, which the reader takes out before splitting.
    QString result;
    for (const QChar c : quoted) {
        if (c == QLatin1Char('\\'))
            result += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            result += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            result += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            result += QStringLiteral("\\r");
        else
            result += c;
    }
    return result;
}

QString DesktopEntry::joinExec(const QStringList& arguments) {
    QStringList quoted;
    for (const QString& argument : arguments)
        quoted << quoteExecArgument(argument);
    return quoted.join(QLatin1Char(' '));
}
