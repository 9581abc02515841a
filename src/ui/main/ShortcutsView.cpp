#include "ShortcutsView.h"

#include "app/ShortcutNames.h"
#include "shortcuts/ResourceBundle.h"
#include "ui/look/Divider.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/TextLabel.h"
#include "ui/shortcuts/Recorder.h"

#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
QLabel* text(const QString& value, const QFont& font, const QColor& colour = QColor(Qt::black)) {
    QLabel* label = textLabel(value, font, colour);
    label->setWordWrap(true);
    return label;
}

QWidget* divider() {
    return new Divider;
}

// Our own guide texts: "**x**" spans are bold, everything else is escaped.
QLabel* guide(const QString& value, const QFont& font) {
    QString html = value.toHtmlEscaped();
    html.replace(QRegularExpression(QStringLiteral("\\*\\*(.+?)\\*\\*")), QStringLiteral("<b>\\1</b>"));
    auto* label = new QLabel(html);
    label->setTextFormat(Qt::RichText);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}
} // namespace

bool ShortcutsView::shortcutTextsFound() {
    return KeyboardShortcuts::ResourceBundle::find(KeyboardShortcuts::ResourceBundle::candidateFolders(),
                                                   QLocale().uiLanguages())
        .has_value();
}

ShortcutsView::ShortcutsView(Availability availability, QWidget* parent)
    : QWidget(parent),
      m_availability(availability ? std::move(availability) : Availability(shortcutTextsFound)) {
    setObjectName(QStringLiteral("shortcutsView"));
    const bool dark = LookColors::isDark(parent);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(20);
    column->addWidget(text(tr("Shortcuts"), Fonts::weighted(Fonts::largeTitle(), QFont::Bold)));
    column->addWidget(divider());

    auto* section = new QVBoxLayout;
    section->setSpacing(12);
    section->addWidget(text(tr("Global Keyboard Shortcuts"), Fonts::headline()));
    QLabel* hint =
        text(tr("Click on 'Record Shortcut' to set a keyboard shortcut"), Fonts::caption(), QColor());
    hint->setContentsMargins(0, 2, 0, 0);
    section->addWidget(hint);

    // The recorders come with the first show that finds the component's texts: without them a
    // recorder cannot even be made.
    m_form = new QWidget;
    m_form->setObjectName(QStringLiteral("shortcutForm"));
    auto* rows = new QVBoxLayout(m_form);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);
    m_form->hide();
    section->addWidget(m_form);

    m_fallback = new QFrame;
    m_fallback->setObjectName(QStringLiteral("shortcutsFallback"));
    m_fallback->setStyleSheet(
        QStringLiteral("#shortcutsFallback { background: rgba(255, 149, 0, 26); border-radius: 8px; }"));
    auto* box = new QVBoxLayout(m_fallback);
    box->setContentsMargins(12, 12, 12, 12);
    box->setSpacing(12);
    box->addWidget(
        text(tr("⚠️ Keyboard Shortcuts Unavailable"), Fonts::headline(), LookColors::orange(dark)));
    box->addWidget(
        text(tr("There was an issue loading the keyboard shortcuts interface. Please restart the app "
                "and try again."),
             Fonts::body(), QColor()));
    auto* retryButton = new QPushButton(tr("Retry"));
    retryButton->setAutoDefault(false);
    connect(retryButton, &QPushButton::clicked, this, &ShortcutsView::retry);
    box->addWidget(retryButton, 0, Qt::AlignLeft);
    m_fallback->hide();
    section->addWidget(m_fallback);
    column->addLayout(section);
    column->addWidget(divider());

    auto* howTo = new QVBoxLayout;
    howTo->setSpacing(12);
    howTo->addWidget(text(tr("How to Use"), Fonts::headline()));
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("shortcutGuide"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setMaximumHeight(200);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* lines = new QWidget;
    auto* lineLayout = new QVBoxLayout(lines);
    lineLayout->setContentsMargins(16, 0, 0, 0);
    lineLayout->setSpacing(8);
    const QStringList texts = {
        tr("• **Creating Shortcuts**: Combine Control ⌃, Alt ⌥, or Super ⌘ with another key to create a "
           "keyboard "
           "shortcut (e.g. Super+1, Alt+Space, Ctrl+Arrow)"),
        tr("• **Activate Current Group**: Triggers the currently selected position group for the selected "
           "configuration"),
        tr("• **Cycle Configurations**: Cycles through all available configurations (forward) and "
           "automatically "
           "activates each one"),
        tr("• **Cycle Configurations Backward**: Cycles through all available configurations (backward) and "
           "automatically activates each one"),
        tr("• **Cycle Position Groups**: Cycles through position groups within the current configuration and "
           "activates each as it cycles"),
        tr("• **Toggle Menu Bar**: Shows or hides the menu bar window (same as clicking the status bar "
           "icon)"),
    };
    for (const QString& line : texts)
        lineLayout->addWidget(guide(line, Fonts::body()));
    lineLayout->addWidget(guide(tr("* Shortcuts automatically trigger menu bar mode"), Fonts::footnote()));
    lineLayout->addStretch(1);
    scroll->setWidget(lines);
    howTo->addWidget(scroll);
    column->addLayout(howTo);
    column->addStretch(1);
}

QList<KeyboardShortcuts::Recorder*> ShortcutsView::recorders() const {
    return m_form->findChildren<KeyboardShortcuts::Recorder*>(QString(), Qt::FindDirectChildrenOnly);
}

void ShortcutsView::retry() {
    // Tested again: the form without the component's texts would end the program.
    setAvailable(m_availability());
}

void ShortcutsView::setAvailable(bool available) {
    m_available = available;
    if (available && recorders().isEmpty()) {
        const QList<QPair<QString, KeyboardShortcuts::Name>> shortcutRows = {
            {tr("Activate Current Group:"), ShortcutNames::activateCurrentGroup()},
            {tr("Cycle Through Configurations:"), ShortcutNames::cycleConfigurations()},
            {tr("Cycle Configurations Backwards:"), ShortcutNames::cycleConfigurationsBackward()},
            {tr("Cycle Position Groups:"), ShortcutNames::cyclePositionGroups()},
            {tr("Toggle Menu Bar:"), ShortcutNames::toggleMenuBar()},
        };
        for (const auto& [title, name] : shortcutRows)
            m_form->layout()->addWidget(new KeyboardShortcuts::Recorder(title, name, {}, m_form));
    }
    m_form->setVisible(available);
    m_fallback->setVisible(!available);
}

void ShortcutsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setAvailable(m_availability());
}
