#include "MissingAppModal.h"

#include "MissingAppRow.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/StyledButton.h"
#include "ui/look/SymbolView.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
// The box's rounded background behind the rows.
class ListBox : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(viewport());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(LookColors::controlBackground(LookColors::isDark(this)));
        painter.drawRoundedRect(QRectF(viewport()->rect()), 8, 8);
        QScrollArea::paintEvent(event);
    }
};

QLabel* label(const QString& text, const QFont& font) {
    auto* l = new QLabel(text);
    l->setTextFormat(Qt::PlainText);
    l->setFont(font);
    return l;
}
} // namespace

MissingAppModal::MissingAppModal(const QList<MissingAppInfo>& missingApps, std::function<void()> onDismiss,
                                 std::function<void()> onContinueAnyway,
                                 std::function<void(const MissingAppInfo&)> onRemoveFromConfig,
                                 QWidget* parent)
    : QWidget(parent), m_onContinueAnyway(std::move(onContinueAnyway)) {
    setObjectName(QStringLiteral("missingAppModal"));
    setMaximumSize(preferredSize);
    resize(preferredSize);
    // The dialog sits on the dimming, which closes it on a press: presses that land on the dialog
    // itself (its title, margin or list) stay here.
    setAttribute(Qt::WA_NoMousePropagation);
    const bool dark = LookColors::isDark(parent);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(0);
    stack->addStretch(1);

    auto* header = new QVBoxLayout;
    header->setSpacing(12);
    header->addWidget(
        new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 48, LookColors::orange(dark)), 0,
        Qt::AlignHCenter);
    QLabel* title = label(tr("Missing Applications"), Fonts::weighted(Fonts::title2(), QFont::Bold));
    title->setAlignment(Qt::AlignCenter);
    header->addWidget(title);
    QLabel* explanation = label(
        tr("Some applications in your configurations are not installed on this device."), Fonts::body());
    explanation->setAlignment(Qt::AlignCenter);
    explanation->setWordWrap(true);
    LookColors::useSecondaryText(explanation);
    header->addWidget(explanation);
    stack->addLayout(header);
    stack->addSpacing(20);

    stack->addWidget(label(tr("Missing Applications:"), Fonts::headline()));
    stack->addSpacing(8);
    auto* box = new ListBox;
    box->setObjectName(QStringLiteral("missingAppList"));
    box->setFrameShape(QFrame::NoFrame);
    box->setWidgetResizable(true);
    box->setMaximumHeight(200);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* list = new QWidget;
    list->setAutoFillBackground(false);
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(4, 4, 4, 4);
    rows->setSpacing(8);
    for (const MissingAppInfo& entry : missingApps) {
        std::function<void()> remove;
        if (onRemoveFromConfig)
            remove = [onRemoveFromConfig, entry] { onRemoveFromConfig(entry); };
        auto* row = new MissingAppRow(entry, std::move(remove), this);
        rows->addWidget(row);
        m_rows.append(row);
    }
    rows->addStretch(1);
    box->setWidget(list);
    box->viewport()->setAutoFillBackground(false);
    stack->addWidget(box);
    stack->addSpacing(20);

    m_close = new StyledButton(ButtonStyle::glassmorphic(), tr("Close"));
    connect(m_close, &QAbstractButton::clicked, this, [onDismiss = std::move(onDismiss)] {
        if (onDismiss)
            onDismiss();
    });
    stack->addWidget(m_close, 0, Qt::AlignHCenter);
    stack->addStretch(1);

    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(20);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor(0, 0, 0, 84));
    setGraphicsEffect(shadow);
}

void MissingAppModal::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(LookColors::windowBackground(LookColors::isDark(this)));
    painter.drawRoundedRect(QRectF(rect()), 12, 12);
}
