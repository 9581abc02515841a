#include "MinimizedPermissionGate.h"

#include "CompactLook.h"
#include "MinimizedHomeFooter.h"

#include "app/AppState.h"
#include "base/Log.h"
#include "placement/WindowControlPermission.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/QuarlinIcon.h"
#include "ui/look/StyledButton.h"
#include "ui/look/SymbolView.h"

#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPropertyAnimation>
#include <QVBoxLayout>

using CompactLook::plainLabel;

namespace {

// The icon drawn at `size` with its corners rounded by `radius` (device-independent pixels).
QPixmap roundedIcon(const QIcon& icon, int size, int radius, qreal ratio) {
    QPixmap out(QSize(size, size) * ratio);
    out.setDevicePixelRatio(ratio);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, size, size), radius, radius);
    painter.setClipPath(clip);
    icon.paint(&painter, QRect(0, 0, size, size));
    return out;
}

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

MinimizedPermissionGate::MinimizedPermissionGate(AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_trusted(WindowControlPermission(state.platform()).isTrusted(false)) {
    const bool dark = LookColors::isDark(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(20);
    column->addStretch(1);

    auto* head = new QVBoxLayout();
    head->setSpacing(8);
    head->addWidget(new SymbolView(QStringLiteral("lock.shield"), 40, LookColors::blue(dark), this), 0,
                    Qt::AlignHCenter);
    head->addWidget(
        plainLabel(QStringLiteral("Authorize"), Fonts::weighted(Fonts::title2(), QFont::DemiBold), this), 0,
        Qt::AlignHCenter);
    auto* subtitle = plainLabel(QStringLiteral("Quarlin needs your permission to manage windows:"),
                                Fonts::subheadline(), this);
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setWordWrap(true);
    head->addWidget(subtitle);
    column->addLayout(head);

    auto* section = new QVBoxLayout();
    section->setSpacing(12);
    QLabel* missing = plainLabel(onX11() ? QStringLiteral("No window manager that lets Quarlin move windows")
                                         : QStringLiteral("No X11 display"),
                                 Fonts::weighted(Fonts::headline(), QFont::Medium), this);
    missing->setWordWrap(true);
    section->addWidget(missing);
    auto* box = new QFrame(this);
    box->setObjectName(QStringLiteral("gateBox"));
    box->setStyleSheet(
        QStringLiteral("QFrame#gateBox { background: %1; border: 1px solid rgba(128,128,128,80); "
                       "border-radius: 6px; }")
            .arg(LookColors::controlBackground(dark).name(QColor::HexArgb)));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(12);
    m_icon = new QLabel(box);
    m_icon->setFixedSize(40, 40);
    // Faded in once the gate is on screen (0.8 s, after 0.3 s).
    auto* fade = new QGraphicsOpacityEffect(m_icon);
    fade->setOpacity(m_trusted ? 1.0 : 0.0);
    m_icon->setGraphicsEffect(fade);
    row->addWidget(m_icon);
    row->addWidget(plainLabel(QStringLiteral("Quarlin"), Fonts::weighted(Fonts::body(), QFont::Medium), box));
    row->addStretch(1);
    // Nothing to open on X11: the button looks again.
    auto* check = new StyledButton(ButtonStyle::glassmorphic(), QStringLiteral("Check Again"), {}, box);
    check->setFont(Fonts::weighted(Fonts::caption(), QFont::Medium));
    connect(check, &QAbstractButton::clicked, this, &MinimizedPermissionGate::checkStatus);
    row->addWidget(check);
    section->addWidget(box);
    column->addLayout(section);
    column->addStretch(1);
    column->addWidget(CompactLook::divider(this));
    column->addWidget(new MinimizedHomeFooter(state, QStringLiteral("Open Main App"), this));
    // A lost capability is noticed when the user comes back to the program.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState appState) {
        if (appState == Qt::ApplicationActive)
            checkStatus();
    });
}

void MinimizedPermissionGate::showAppIcon() {
    if (m_showAppIcon)
        return;
    m_showAppIcon = true;
    m_icon->setPixmap(roundedIcon(quarlinIcon(), 40, 8, devicePixelRatioF()));
    auto* fade = static_cast<QGraphicsOpacityEffect*>(m_icon->graphicsEffect());
    if (m_trusted || fade->opacity() >= 1.0)
        return;
    // Over 0.8 s after a delay of 0.3 s: the first part of the animation stays transparent.
    auto* animation = new QPropertyAnimation(fade, "opacity", fade);
    animation->setDuration(1100);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setKeyValueAt(0.0, 0.0);
    animation->setKeyValueAt(0.3 / 1.1, 0.0);
    animation->setEndValue(1.0);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

double MinimizedPermissionGate::appIconOpacity() const {
    return static_cast<QGraphicsOpacityEffect*>(m_icon->graphicsEffect())->opacity();
}

void MinimizedPermissionGate::startMonitoring() {
    checkStatus();
    if (!m_trusted && m_pollGeneration == 0)
        schedulePoll(++m_pollGeneration);
}

void MinimizedPermissionGate::schedulePoll(int generation) {
    const QPointer<MinimizedPermissionGate> self(this);
    m_state.platform().scheduler.after(pollSeconds, [self, generation] {
        if (!self || self->m_pollGeneration != generation)
            return;
        const bool trusted = WindowControlPermission(self->m_state.platform()).isTrusted(false);
        if (trusted != self->m_trusted)
            self->setTrusted(trusted);
        if (!self->m_trusted)
            self->schedulePoll(generation);
    });
}

void MinimizedPermissionGate::checkStatus() {
    const bool trusted = WindowControlPermission(m_state.platform()).isTrusted(false);
    if (trusted == m_trusted)
        return;
    logInfo(lcUi, QStringLiteral("🔐 MenuBar: Permission status changed: ") +
                      (trusted ? QStringLiteral("GRANTED") : QStringLiteral("REVOKED")));
    setTrusted(trusted);
}

void MinimizedPermissionGate::setTrusted(bool trusted) {
    m_trusted = trusted;
    // The poll ends with the grant, whoever noticed it.
    if (trusted)
        m_pollGeneration = 0;
    Q_EMIT trustChanged(trusted);
}
