#include "HomeSection.h"

#include "HomeLook.h"
#include "ui/look/LookColors.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

HomeSection::HomeSection(const QString& title, const QString& searchPlaceholder, QWidget* parent)
    : QFrame(parent) {
    // Grows until its list reaches its greatest height.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->setSizeConstraint(QLayout::SetMinAndMaxSize);

    auto* headerRow = new QWidget(this);
    headerRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_header = new QHBoxLayout(headerRow);
    m_header->setContentsMargins(0, 0, 0, 0);
    // Only the list grows with the section.
    auto* heading = HomeLook::plainLabel(title, HomeLook::headline(), headerRow);
    m_header->addWidget(heading);
    m_header->addStretch(1);
    column->addWidget(headerRow);

    m_searchRow = new QWidget(this);
    m_searchRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* searchLayout = new QHBoxLayout(m_searchRow);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->addWidget(HomeLook::symbolLabel(QStringLiteral("magnifyingglass"),
                                                  HomeLook::secondaryText(this), 14, m_searchRow));
    m_search = new QLineEdit(m_searchRow);
    m_search->setPlaceholderText(searchPlaceholder);
    m_clear = m_search->addAction(
        HomeLook::symbol(QStringLiteral("xmark.circle.fill"), HomeLook::secondaryText(this), 14),
        QLineEdit::TrailingPosition);
    m_clear->setVisible(false);
    m_clear->setToolTip(QStringLiteral("Clear"));
    searchLayout->addWidget(m_search, 1);
    column->addWidget(m_searchRow);
    connect(m_search, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (onSearchTextChange)
            onSearchTextChange(text);
    });
    connect(m_search, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_clear->setVisible(!text.isEmpty()); });
    connect(m_clear, &QAction::triggered, this, [this] {
        if (onSearchTextChange)
            onSearchTextChange(QString());
    });

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("homeSectionList"));
    setObjectName(title);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    // The section paints the rounded list background itself: a style sheet would reach every row.
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_list = new QWidget();
    m_list->setAutoFillBackground(false);
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(4, 4, 4, 4);
    m_listLayout->setSpacing(6);
    m_listLayout->setAlignment(Qt::AlignTop);
    m_scroll->setWidget(m_list);
    // The scroll area turns this on; the section paints the list's background.
    m_list->setAutoFillBackground(false);
    m_list->installEventFilter(this);
    column->addWidget(m_scroll);
    updateListHeight();
}

void HomeSection::addHeaderWidget(QWidget* widget) {
    m_header->addWidget(widget);
}

void HomeSection::setContentShown(bool shown) {
    m_contentShown = shown;
    m_searchRow->setVisible(shown);
    m_scroll->setVisible(shown);
    updateListHeight();
}

void HomeSection::setSearchText(const QString& text) {
    if (m_search->text() != text)
        m_search->setText(text);
}

QString HomeSection::searchText() const {
    return m_search->text();
}

void HomeSection::setListWidget(QWidget* widget) {
    m_list->removeEventFilter(this);
    m_list = widget;
    m_scroll->setWidget(widget);
    widget->setAutoFillBackground(false);
    widget->installEventFilter(this);
    updateListHeight();
}

QLabel* HomeSection::makeNote(const QString& text, QWidget* parent) {
    auto* note = HomeLook::plainLabel(text, HomeLook::font(13), parent);
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, HomeLook::secondaryText(parent));
    note->setPalette(palette);
    note->setContentsMargins(0, 8, 0, 8);
    note->setWordWrap(true);
    return note;
}

// The list area is as tall as its content, up to maxListHeight.
void HomeSection::updateListHeight() {
    const int content = qMax(m_list->sizeHint().height(), 1);
    // The list never squeezes its rows: it scrolls.
    if (m_list->minimumHeight() != content)
        m_list->setMinimumHeight(content);
    // Nor does a short window squeeze the list: the page around it scrolls instead (a high scale
    // factor), rather than three small lists scrolling inside it.
    m_scroll->setFixedHeight(qMin(maxListHeight, content));
}

void HomeSection::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!m_scroll->isVisible())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(m_scroll->geometry()), 8, 8);
    painter.fillPath(path, LookColors::controlBackground(LookColors::isDark(this)));
}

bool HomeSection::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show))
        updateListHeight();
    return QFrame::eventFilter(watched, event);
}
