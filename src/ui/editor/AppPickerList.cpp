#include "AppPickerList.h"

#include "AppIconView.h"
#include "ConfigurationEditor.h"

#include "ui/look/ElidedLabel.h"
#include "ui/look/SymbolView.h"
#include "ui/look/Symbols.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

AppPickerList::AppPickerList(ConfigurationEditor& editor, const QString& placeholder, bool clearButton,
                             QWidget* parent)
    : QWidget(parent), m_editor(editor) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* searchRow = new QHBoxLayout;
    auto* glass =
        new SymbolView(QStringLiteral("magnifyingglass"), 14, palette().color(QPalette::PlaceholderText));
    searchRow->addWidget(glass);
    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(placeholder);
    m_search->setClearButtonEnabled(clearButton);
    searchRow->addWidget(m_search);
    m_busy = new QProgressBar;
    m_busy->setObjectName(QStringLiteral("searchBusy"));
    m_busy->setRange(0, 0);
    m_busy->setFixedSize(40, 8);
    m_busy->setTextVisible(false);
    m_busy->hide();
    searchRow->addSpacing(6);
    searchRow->addWidget(m_busy);
    layout->addLayout(searchRow);

    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("appBox"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setStyleSheet(
        QStringLiteral("QScrollArea#appBox { background: palette(base); border-radius: 6px; }"));
    m_content = new QWidget;
    m_content->setObjectName(QStringLiteral("appBoxContent"));
    // One style sheet for every row: a sheet per button costs a style of its own each.
    m_content->setStyleSheet(
        QStringLiteral("QWidget#appBoxContent { background: palette(base); } "
                       "QPushButton#addButton { color: rgb(0,122,255); border: none; padding: 0 4px; } "
                       "QPushButton#addButton:disabled { color: palette(mid); }"));
    m_addIcon = Symbols::icon(QStringLiteral("plus.circle"), QColor(0, 122, 255));
    m_rows = new QVBoxLayout(m_content);
    m_rows->setContentsMargins(0, 4, 0, 4);
    m_rows->setSpacing(4);
    m_empty = new QLabel;
    m_empty->setObjectName(QStringLiteral("emptyText"));
    m_empty->setForegroundRole(QPalette::PlaceholderText);
    m_empty->setContentsMargins(8, 8, 8, 8);
    m_empty->hide();
    m_rows->addWidget(m_empty);
    m_rows->addStretch();
    m_scroll->setWidget(m_content);
    layout->addWidget(m_scroll);

    connect(m_search, &QLineEdit::textChanged, this, &AppPickerList::filter);
    connect(&m_editor, &ConfigurationEditor::changed, this, &AppPickerList::updateEnabled);
}

void AppPickerList::setEntries(const QList<Entry>& entries) {
    for (const Row& row : std::as_const(m_rowList)) {
        row.widget->hide();
        row.widget->deleteLater();
    }
    m_rowList.clear();
    for (const Entry& entry : entries)
        addRow(entry);
    filter();
}

void AppPickerList::appendEntry(const Entry& entry) {
    addRow(entry);
    filter();
}

void AppPickerList::setEmptyTexts(const QString& noEntries, const QString& noMatches) {
    m_noEntries = noEntries;
    m_noMatches = noMatches;
    filter();
}

QString AppPickerList::searchText() const {
    return m_search->text();
}

void AppPickerList::setSearchText(const QString& text) {
    m_search->setText(text);
}

QStringList AppPickerList::visibleNames() const {
    QStringList names;
    for (const Row& row : m_rowList) {
        if (!row.widget->isHidden())
            names << row.name;
    }
    return names;
}

QPushButton* AppPickerList::addButton(const QString& bundleID) const {
    for (const Row& row : m_rowList) {
        if (row.bundleID == bundleID)
            return row.add;
    }
    return nullptr;
}

QString AppPickerList::emptyText() const {
    return m_empty->isHidden() ? QString() : m_empty->text();
}

void AppPickerList::addRow(const Entry& entry) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(new AppIconView(entry.icon, 20));
    auto* name = new ElidedLabel(entry.name);
    name->setPreferredWidthLimit(300);
    layout->addWidget(name, 1);
    layout->addStretch();
    auto* add = new QPushButton(m_addIcon, QStringLiteral("Add"));
    add->setObjectName(QStringLiteral("addButton"));
    add->setAutoDefault(false);
    add->setFlat(true);
    add->setEnabled(m_editor.canAdd(entry.bundleID));
    layout->addWidget(add);
    connect(add, &QPushButton::clicked, this, [add = entry.add] { add(); });
    // Before the empty text and the closing stretch.
    m_rows->insertWidget(m_rows->count() - 2, row);
    // Tab goes from the search field through the rows' buttons in list order.
    QWidget::setTabOrder(m_rowList.isEmpty() ? static_cast<QWidget*>(m_search) : m_rowList.last().add, add);
    m_rowList.append(Row{row, entry.bundleID, entry.name, add});
}

void AppPickerList::filter() {
    const QString text = m_search->text();
    bool any = false;
    for (const Row& row : std::as_const(m_rowList)) {
        const bool match = text.isEmpty() || row.name.contains(text, Qt::CaseInsensitive);
        row.widget->setHidden(!match);
        any = any || match;
    }
    const QString empty = any ? QString() : (m_rowList.isEmpty() ? m_noEntries : m_noMatches);
    m_empty->setText(empty);
    m_empty->setHidden(empty.isEmpty());
    // The box is as tall as its rows, up to its limit.
    m_scroll->setFixedHeight(qBound(minBoxHeight, m_content->sizeHint().height(), maxBoxHeight));
}

void AppPickerList::setBusy(bool busy) {
    m_busy->setVisible(busy);
}

bool AppPickerList::isBusyShown() const {
    return !m_busy->isHidden();
}

void AppPickerList::updateEnabled() {
    for (const Row& row : std::as_const(m_rowList))
        row.add->setEnabled(m_editor.canAdd(row.bundleID));
}
