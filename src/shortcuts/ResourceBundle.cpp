// Finding the component's bundle and reading its texts.
#include "ResourceBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cstdio>
#include <cstdlib>

namespace KeyboardShortcuts {

namespace {
std::optional<QHash<QString, QString>> readTable(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
    if (!doc.isObject())
        return std::nullopt;
    QHash<QString, QString> texts;
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.value().isString())
            texts.insert(it.key(), it.value().toString());
    return texts;
}
} // namespace

QStringList ResourceBundle::candidateFolders() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    return {QDir::cleanPath(programFolder + QStringLiteral("/../share/quarlin")), programFolder};
}

std::optional<ResourceBundle> ResourceBundle::find(const QStringList& folders, const QStringList& languages) {
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(bundleName());
        if (!QFileInfo(path).isDir())
            continue;
        QStringList tried;
        for (const QString& language : languages)
            tried << language << language.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
        tried << QStringLiteral("en");
        for (const QString& language : tried) {
            if (auto texts = readTable(QDir(path).filePath(language + QStringLiteral(".json")))) {
                ResourceBundle bundle;
                bundle.m_path = path;
                bundle.m_texts = *texts;
                return bundle;
            }
        }
    }
    return std::nullopt;
}

const ResourceBundle& ResourceBundle::module() {
    static const ResourceBundle bundle = [] {
        auto found = find(candidateFolders(), QLocale::system().uiLanguages());
        if (!found) {
            std::fputs("unable to find bundle named KeyboardShortcuts_KeyboardShortcuts\n", stderr);
            std::abort();
        }
        return *found;
    }();
    return bundle;
}

QString ResourceBundle::localized(const QString& key) const {
    return m_texts.value(key, key);
}

QString localized(const QString& key) {
    return ResourceBundle::module().localized(key);
}

} // namespace KeyboardShortcuts
