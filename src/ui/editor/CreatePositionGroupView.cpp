#include "CreatePositionGroupView.h"

#include "ProminentButton.h"
#include "TemplateCard.h"
#include "ui/look/DialogFrame.h"
#include "ui/look/ElidedLabel.h"
#include "ui/look/Fonts.h"
#include "ui/look/ScreenFit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

QList<PositionTemplate> CreatePositionGroupView::filteredTemplates(int n) {
    QList<PositionTemplate> offered;
    for (const PositionTemplate& t : PositionTemplate::predefinedTemplates()) {
        bool offer = false;
        if (n <= 2)
            offer = t.name != QLatin1String("Four Corners") && (!t.exactAppCount || *t.exactAppCount == n);
        else if (n == 3)
            offer = t.name != QLatin1String("Four Corners") &&
                    (t.exactAppCount ? *t.exactAppCount == 3 : t.positions.size() > 2);
        else
            offer = t.exactAppCount ? *t.exactAppCount == n : t.positions.size() >= n;
        if (offer)
            offered.append(t);
    }
    return offered;
}

namespace {
constexpr int templateRowMinimum = 48;
} // namespace

CreatePositionGroupView::CreatePositionGroupView(const QString& configurationName, int appCount,
                                                 const QString& groupName, QWidget* parent,
                                                 OnCreateGroup onCreateGroup)
    : QDialog(parent), m_onCreate(std::move(onCreateGroup)) {
    setWindowTitle(QStringLiteral("Create Position Group"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(ScreenFit::capped(QSize(500, 600), parent));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(20);

    auto* title = new QLabel(QStringLiteral("Create Position Group"));
    title->setFont(Fonts::weighted(Fonts::title2(), QFont::DemiBold));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    // A long configuration name is cut, not wrapped into a wall of text.
    auto* subtitle = new ElidedLabel(QStringLiteral("Create a new position group for '") + configurationName +
                                     QStringLiteral("'"));
    subtitle->setPreferredWidthLimit(500 - 48);
    subtitle->setForegroundRole(QPalette::PlaceholderText);
    subtitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(subtitle);

    auto* nameBox = new QVBoxLayout;
    nameBox->setSpacing(8);
    auto* nameLabel = new QLabel(QStringLiteral("Group Name"));
    nameLabel->setFont(Fonts::weighted(Fonts::body(), QFont::Medium));
    nameBox->addWidget(nameLabel);
    m_field = new QLineEdit(groupName);
    m_field->setObjectName(QStringLiteral("newGroupName"));
    m_field->setPlaceholderText(QStringLiteral("e.g., Split Layout"));
    nameBox->addWidget(m_field);
    layout->addLayout(nameBox);

    auto* templateBox = new QVBoxLayout;
    templateBox->setSpacing(8);
    auto* templateLabel = new QLabel(QStringLiteral("Start with Template (Optional)"));
    templateLabel->setFont(Fonts::weighted(Fonts::body(), QFont::Medium));
    templateBox->addWidget(templateLabel);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMaximumHeight(200);
    // On a short screen the sheet shrinks and the cards scroll in what is left.
    scroll->setMinimumHeight(templateRowMinimum);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* grid = new QWidget;
    auto* gridLayout = new QGridLayout(grid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setVerticalSpacing(8);
    QList<std::optional<PositionTemplate>> choices{std::nullopt};
    for (const PositionTemplate& t : filteredTemplates(appCount))
        choices.append(t);
    for (int i = 0; i < choices.size(); ++i) {
        auto* card = new TemplateCard(choices.at(i), !choices.at(i).has_value());
        gridLayout->addWidget(card, i / 2, i % 2);
        connect(card, &QPushButton::clicked, this, [this, card] { select(card->positionTemplate()); });
        m_cards.append(card);
    }
    gridLayout->setColumnStretch(0, 1);
    gridLayout->setColumnStretch(1, 1);
    // The cards start at the top of the box, however few there are.
    gridLayout->setRowStretch(int((choices.size() + 1) / 2), 1);
    scroll->setWidget(grid);
    templateBox->addWidget(scroll);
    layout->addLayout(templateBox);
    layout->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addStretch();
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"));
    cancelButton->setAutoDefault(false);
    m_create = new ProminentButton(QStringLiteral("Create Group"));
    m_create->setObjectName(QStringLiteral("createGroup"));
    buttons->addWidget(cancelButton);
    buttons->addWidget(m_create);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(cancelButton, &QPushButton::clicked, this, &CreatePositionGroupView::cancel);
    connect(m_create, &QPushButton::clicked, this, &CreatePositionGroupView::createGroup);
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_create->setEnabled(!text.trimmed().isEmpty());
        Q_EMIT groupNameEdited(text);
    });
    m_create->setEnabled(!groupName.trimmed().isEmpty());
    DialogFrame::apply(this);
}

QString CreatePositionGroupView::groupName() const {
    return m_field->text();
}

void CreatePositionGroupView::setGroupName(const QString& name) {
    m_field->setText(name);
}

void CreatePositionGroupView::select(const std::optional<PositionTemplate>& positionTemplate) {
    m_selected = positionTemplate;
    for (TemplateCard* card : m_cards) {
        const std::optional<PositionTemplate>& t = card->positionTemplate();
        card->setSelected(positionTemplate ? (t && t->name == positionTemplate->name) : !t);
    }
    if (positionTemplate)
        m_field->setText(positionTemplate->name);
}

void CreatePositionGroupView::createGroup() {
    if (m_field->text().trimmed().isEmpty())
        return;
    if (m_onCreate && m_onCreate(m_field->text(), m_selected))
        accept();
}

void CreatePositionGroupView::cancel() {
    m_field->clear();
    m_selected.reset();
    QDialog::reject();
}

void CreatePositionGroupView::reject() {
    cancel();
}
