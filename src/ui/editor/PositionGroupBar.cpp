#include "PositionGroupBar.h"

#include "ConfigurationEditor.h"
#include "CreatePositionGroupView.h"
#include "EditPositionGroupNameView.h"
#include "PositionGroupChip.h"
#include "base/Log.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "ui/look/Fonts.h"

#include "ui/look/Symbols.h"
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int stripHeight = 52;
}

PositionGroupBar::PositionGroupBar(ConfigurationEditor& editor, QWidget* parent)
    : QWidget(parent), m_editor(editor) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* titleRow = new QHBoxLayout;
    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("groupsTitle"));
    m_title->setFont(Fonts::headline());
    titleRow->addWidget(m_title);
    titleRow->addStretch();
    auto* create =
        new QPushButton(Symbols::icon(QStringLiteral("plus"), palette().color(QPalette::ButtonText)),
                        QStringLiteral("Create Group"));
    create->setObjectName(QStringLiteral("createGroupButton"));
    create->setAutoDefault(false);
    titleRow->addWidget(create);
    layout->addLayout(titleRow);

    auto* box = new QFrame;
    box->setObjectName(QStringLiteral("groupBox"));
    box->setStyleSheet(QStringLiteral("QFrame#groupBox { background: palette(base); border-radius: 20px; }"));
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(0, 0, 0, 0);
    m_empty = new QLabel(QStringLiteral("No position groups created yet"));
    m_empty->setObjectName(QStringLiteral("noGroups"));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setForegroundRole(QPalette::PlaceholderText);
    m_empty->setContentsMargins(16, 16, 16, 16);
    // As tall as the chip strip, so that nothing below moves when the first group comes.
    m_empty->setFixedHeight(stripHeight);
    boxLayout->addWidget(m_empty);
    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFixedHeight(stripHeight);
    m_scroll->setStyleSheet(
        QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    m_strip = new QWidget;
    m_stripLayout = new QHBoxLayout(m_strip);
    m_stripLayout->setContentsMargins(16, 12, 16, 12);
    m_stripLayout->setSpacing(8);
    m_scroll->setWidget(m_strip);
    boxLayout->addWidget(m_scroll);
    layout->addWidget(box);

    // A chip added or removed changes the strip's width only once its layout has run, a pass or two
    // after the rebuild; the selected chip is brought into view again then.
    connect(m_scroll->horizontalScrollBar(), &QScrollBar::rangeChanged, this,
            &PositionGroupBar::scrollToSelected);
    connect(create, &QPushButton::clicked, this, &PositionGroupBar::showCreatePositionGroup);
    connect(&m_editor, &ConfigurationEditor::changed, this, &PositionGroupBar::rebuild);
    rebuild();
}

QString PositionGroupBar::title() const {
    return m_title->text();
}

void PositionGroupBar::rebuild() {
    const QList<PositionGroup*> groups = m_editor.positionGroups();
    m_title->setText(QStringLiteral("Position Groups (%1)").arg(groups.size()));
    m_empty->setVisible(groups.isEmpty());
    m_scroll->setVisible(!groups.isEmpty());
    // Later: the rebuild may come from a chip's own button or menu.
    for (PositionGroupChip* chip : std::as_const(m_chips)) {
        chip->hide();
        chip->deleteLater();
    }
    m_chips.clear();
    while (m_stripLayout->count() > 0)
        delete m_stripLayout->takeAt(0);
    PositionGroup* selected = m_editor.selectedPositionGroup();
    PositionGroup* defaultGroup = m_editor.defaultPositionGroup();
    for (PositionGroup* group : groups) {
        PositionGroupChip::Actions actions;
        actions.onSelect = [this, group] { m_editor.selectPositionGroup(group); };
        actions.onSetDefault = [this, group] { m_editor.setDefaultPositionGroup(group); };
        actions.onEditName = [this, group] { startEditingPositionGroupName(group); };
        actions.onDelete = [this, group] { m_editor.deletePositionGroup(group); };
        auto* chip =
            new PositionGroupChip(group, selected && selected->id() == group->id(),
                                  defaultGroup && defaultGroup->id() == group->id(), actions, m_strip);
        m_stripLayout->addWidget(chip);
        m_chips.append(chip);
    }
    m_stripLayout->addStretch();
    // Once laid out, the selected chip comes to the middle of the bar.
    QTimer::singleShot(0, this, &PositionGroupBar::scrollToSelected);
}

void PositionGroupBar::scrollToSelected() {
    for (PositionGroupChip* chip : chips()) {
        if (!chip->isSelected() || !chip->isVisible())
            continue;
        QScrollBar* bar = m_scroll->horizontalScrollBar();
        const int target =
            qBound(bar->minimum(), chip->geometry().center().x() - m_scroll->viewport()->width() / 2,
                   bar->maximum());
        // The first showing puts the chip in place; later it glides there.
        const bool glide = m_scrolledOnce;
        m_scrolledOnce = true;
        if (bar->value() == target)
            return;
        if (!glide) {
            if (!m_scrollAnimation || m_scrollAnimation->state() != QAbstractAnimation::Running) {
                bar->setValue(target);
                traceSelectedChip();
            }
            return;
        }
        if (!m_scrollAnimation) {
            m_scrollAnimation = new QPropertyAnimation(bar, "value", this);
            m_scrollAnimation->setDuration(scrollMs);
            m_scrollAnimation->setEasingCurve(QEasingCurve::InOutQuad);
            connect(m_scrollAnimation, &QPropertyAnimation::finished, this,
                    &PositionGroupBar::traceSelectedChip);
        }
        m_scrollAnimation->stop();
        m_scrollAnimation->setStartValue(bar->value());
        m_scrollAnimation->setEndValue(target);
        m_scrollAnimation->start();
        return;
    }
}

void PositionGroupBar::traceSelectedChip() {
    for (const PositionGroupChip* chip : std::as_const(m_chips)) {
        if (!chip->isSelected())
            continue;
        const QPoint at = chip->mapTo(m_scroll->viewport(), QPoint(0, 0));
        logDebug(lcUi, QStringLiteral("🧭 Editor: group chip '%1' shown at %2..%3 of the bar's %4")
                           .arg(chip->group()->name())
                           .arg(at.x())
                           .arg(at.x() + chip->width())
                           .arg(m_scroll->viewport()->width()));
    }
}

int PositionGroupBar::scrollTarget() const {
    if (m_scrollAnimation && m_scrollAnimation->state() == QAbstractAnimation::Running)
        return m_scrollAnimation->endValue().toInt();
    return m_scroll->horizontalScrollBar()->value();
}

void PositionGroupBar::showCreatePositionGroup() {
    if (m_picker)
        return;
    ConfigurationGroup* draft = m_editor.configuration();
    if (!draft)
        return;
    m_picker = new CreatePositionGroupView(
        draft->name(), m_editor.apps().size(), m_newPositionGroupName, window(),
        [this](const QString& name, const std::optional<PositionTemplate>& positionTemplate) {
            if (!m_editor.createPositionGroup(name, positionTemplate))
                return false;
            m_newPositionGroupName.clear();
            return true;
        });
    connect(m_picker, &CreatePositionGroupView::groupNameEdited, this,
            [this](const QString& name) { m_newPositionGroupName = name; });
    m_picker->setAttribute(Qt::WA_DeleteOnClose);
    m_picker->open();
}

void PositionGroupBar::startEditingPositionGroupName(PositionGroup* group) {
    if (m_rename)
        return;
    m_rename = new EditPositionGroupNameView(group->name(), window(), [this, group](const QString& name) {
        return m_editor.renamePositionGroup(group, name);
    });
    m_rename->setAttribute(Qt::WA_DeleteOnClose);
    logDebug(lcUi, QStringLiteral("✏️ Started editing position group name for '") + group->name() +
                       QStringLiteral("'"));
    m_rename->open();
}
