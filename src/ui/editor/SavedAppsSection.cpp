#include "SavedAppsSection.h"

#include "AppIcons.h"
#include "AppPickerList.h"
#include "ConfigurationEditor.h"
#include "model/SavedApp.h"
#include "ui/look/Fonts.h"

#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

SavedAppsSection::SavedAppsSection(ConfigurationEditor& editor, AppIcons& icons, QWidget* parent)
    : QWidget(parent), m_editor(editor), m_icons(icons) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* title = new QLabel(QStringLiteral("Add Apps from Saved Applications"));
    title->setFont(Fonts::weighted(Fonts::body(), QFont::Medium));
    layout->addWidget(title);
    m_list = new AppPickerList(editor, QStringLiteral("Search saved apps..."), false);
    m_list->setObjectName(QStringLiteral("savedApps"));
    layout->addWidget(m_list);
    appendNew();
    connect(&m_editor, &ConfigurationEditor::availableAppsChanged, this, &SavedAppsSection::appendNew);
}

// The list only grows while the editor is open: a running application kept as a saved one joins it.
void SavedAppsSection::appendNew() {
    const QList<SavedApp*> apps = m_editor.availableApps();
    QList<AppPickerList::Entry> entries;
    for (int i = m_shown; i < apps.size(); ++i) {
        QPointer<SavedApp> app = apps.at(i);
        const QString bundleID = app->bundleID();
        entries.append(AppPickerList::Entry{bundleID, app->name(),
                                            [this, bundleID] { return m_icons.iconFor(bundleID); },
                                            [this, app] {
                                                if (app)
                                                    m_editor.addAppToConfiguration(app);
                                            }});
    }
    if (m_shown == 0) {
        m_list->setEntries(entries);
    } else {
        for (const AppPickerList::Entry& entry : entries)
            m_list->appendEntry(entry);
    }
    m_shown = apps.size();
}
