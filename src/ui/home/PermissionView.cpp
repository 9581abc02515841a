#include "PermissionView.h"

#include "HomeLook.h"
#include "ui/look/LookColors.h"
#include "ui/look/QuarlinIcon.h"
#include "ui/notices/WindowControlProblem.h"

#include <QAbstractButton>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace {
// The card's own colours follow the look: a style sheet would stay light on the dark look.
class Card : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override {
        const bool dark = LookColors::isDark(this);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(dark ? QColor(255, 255, 255, 40) : QColor(0, 0, 0, 30), 1));
        painter.setBrush(LookColors::controlBackground(dark));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

QPixmap roundedIcon(const QPixmap& icon) {
    QPixmap out(icon.size());
    out.setDevicePixelRatio(icon.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(), icon.deviceIndependentSize()), 12, 12);
    painter.setClipPath(clip);
    painter.drawPixmap(0, 0, icon);
    return out;
}
} // namespace

QString PermissionView::missingTitle() {
    return WindowControlProblem::title();
}

QString PermissionView::missingDetail() {
    return WindowControlProblem::detail();
}

PermissionView::PermissionView(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(40, 40, 40, 40);
    outer->setSpacing(24);
    outer->addStretch(1);

    auto* top = new QVBoxLayout();
    top->setSpacing(12);
    auto* lock = HomeLook::symbolLabel(QStringLiteral("lock.shield"), HomeLook::namedColor("blue"), 64, this);
    top->addWidget(lock, 0, Qt::AlignHCenter);
    auto* title =
        HomeLook::plainLabel(QStringLiteral("Authorize"), HomeLook::font(26, QFont::DemiBold), this);
    top->addWidget(title, 0, Qt::AlignHCenter);
    auto* subtitle = HomeLook::plainLabel(QStringLiteral("Quarlin needs your permission to manage windows:"),
                                          HomeLook::font(15), this);
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setWordWrap(true);
    QPalette secondary = subtitle->palette();
    secondary.setColor(QPalette::WindowText, HomeLook::secondaryText(this));
    subtitle->setPalette(secondary);
    top->addWidget(subtitle);
    outer->addLayout(top);

    auto* bottom = new QVBoxLayout();
    bottom->setSpacing(16);
    m_missing = HomeLook::plainLabel(missingTitle(), HomeLook::font(17, QFont::Medium), this);
    m_missing->setAlignment(Qt::AlignCenter);
    m_missing->setWordWrap(true);
    bottom->addWidget(m_missing);

    auto* card = new Card(this);
    card->setObjectName(QStringLiteral("permissionCard"));
    auto* cardRow = new QHBoxLayout(card);
    cardRow->setContentsMargins(16, 14, 16, 14);
    cardRow->setSpacing(16);
    m_icon = new QLabel(card);
    m_icon->setFixedSize(56, 56);
    m_icon->setPixmap(roundedIcon(quarlinIcon().pixmap(56, 56)));
    m_iconOpacity = new QGraphicsOpacityEffect(m_icon);
    m_iconOpacity->setOpacity(0.0);
    m_icon->setGraphicsEffect(m_iconOpacity);
    cardRow->addWidget(m_icon);
    auto* texts = new QVBoxLayout();
    texts->addWidget(
        HomeLook::plainLabel(QStringLiteral("Quarlin"), HomeLook::font(15, QFont::Medium), card));
    auto* detail = HomeLook::plainLabel(missingDetail(), HomeLook::font(11), card);
    detail->setWordWrap(true);
    texts->addWidget(detail);
    cardRow->addLayout(texts, 1);
    m_check = HomeLook::button(HomeLook::ButtonKind::glass, QStringLiteral("Check Again"), QString(), card);
    cardRow->addWidget(m_check);
    bottom->addWidget(card);
    outer->addLayout(bottom);
    outer->addStretch(1);
    setMaximumWidth(520 + 80);

    connect(m_check, &QAbstractButton::clicked, this, [this] {
        m_missing->setText(missingTitle());
        if (onCheckAgain)
            onCheckAgain();
    });
}

double PermissionView::appIconOpacity() const {
    return m_iconOpacity->opacity();
}

void PermissionView::showAppIcon() {
    if (m_iconShown)
        return;
    m_iconShown = true;
    auto* fade = new QPropertyAnimation(m_iconOpacity, "opacity", this);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setDuration(800);
    fade->setEasingCurve(QEasingCurve::InOutQuad);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}
