#include "tray/StatusIndicator.h"

#include "common/AppLog.h"
#include "common/UiScale.h"
#include "platform/WindowStyle.h"

#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <QVBoxLayout>

StatusIndicator::StatusIndicator(WindowStyle& window_style)
    : QDialog(nullptr), m_window_style(window_style), m_owner(new QDialog), m_layout(nullptr),
      m_label(nullptr) {
    // Past the window manager: a managed window, even one asked to stay on top, goes under a
    // full-screen window and shows in the task list.
    setParent(m_owner, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setObjectName(QStringLiteral("StatusIndicator"));
    setWindowTitle(QStringLiteral("Dialog"));
    QFont form_font = font();
    form_font.setPointSize(32);
    setFont(form_font);
    // The digits are sized in points: the square grows with them.
    const int square = UiScale::px(side);
    setFixedSize(square, square);

    m_label = new QLabel(this);
    m_label->setFixedSize(square, square);
    m_label->setMargin(0);
    m_label->setGeometry(0, 0, square, square);
    m_label->setAlignment(Qt::AlignCenter);
    QFont digits(QStringLiteral("Arial"), 32);
    digits.setBold(true);
    digits.setWeight(75);
    digits.setItalic(false);
    m_label->setFont(digits);
    // The digits sit on a busy icon: a light halo keeps them readable.
    m_label->setStyleSheet(QStringLiteral("color: #062f2e; background: transparent;"));
    auto* halo = new QGraphicsDropShadowEffect(m_label);
    halo->setOffset(0, 0);
    halo->setBlurRadius(10);
    halo->setColor(Qt::white);
    m_label->setGraphicsEffect(halo);
    setWindowOpacity(0.75);

    m_layout = new QVBoxLayout(this);
    m_layout->setSpacing(0);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->addWidget(m_label, 0, Qt::AlignCenter);
    winId();

    // A screen that goes away may take the indicator with it; the new layout settles first.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this,
            [this] { QTimer::singleShot(0, this, &StatusIndicator::ensure_on_screen); });
}

StatusIndicator::~StatusIndicator() {
    setParent(nullptr);
    delete m_owner;
}

void StatusIndicator::set_counter(int n) {
    m_label->setText(QString::number(n));
}

QString StatusIndicator::counter_text() const {
    return m_label->text();
}

void StatusIndicator::set_background(bool paused) {
    m_paused_background = paused;
    update();
}

void StatusIndicator::set_background_normal() {
    set_background(false);
}

void StatusIndicator::set_background_paused() {
    set_background(true);
}

void StatusIndicator::paintEvent(QPaintEvent* /*event*/) {
    // Drawn from the vector icon at the square's size: a 64 px bitmap as a style-sheet
    // background would show only its top-left corner, and scaled it would blur.
    // A white tile with a thin outline: without a compositor the square is opaque, and a tile
    // reads as meant on light and dark desktops alike.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(m_paused_background ? 0x4f555b : 0x0a5755));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    QSvgRenderer icon(m_paused_background ? QStringLiteral(":/images/app_paused.svg")
                                          : QStringLiteral(":/images/app.svg"));
    icon.render(&painter, QRectF(rect()).adjusted(3, 3, -3, -3));
}

void StatusIndicator::set_transparency(int percent) {
    setWindowOpacity(percent / 100.0);
}

void StatusIndicator::move_to(int x, int y) {
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const QPoint place = reachable_position(QPoint(x, y), screens);
    if (place != QPoint(x, y))
        APP_LOG(QStringLiteral("Indicator place (%1, %2) is off every screen; moved to (%3, %4)")
                    .arg(x)
                    .arg(y)
                    .arg(place.x())
                    .arg(place.y()));
    m_position = place;
    move(place);
}

void StatusIndicator::ensure_on_screen() {
    move_to(m_position.x(), m_position.y());
}

QPoint StatusIndicator::reachable_position(const QPoint& stored, const QList<QRect>& screens) {
    // A settings file can hold any int; no desktop is wider than Qt's largest window, and the
    // square's corners must stay representable.
    constexpr int far = QWIDGETSIZE_MAX;
    const QPoint wanted(qBound(-far, stored.x(), far), qBound(-far, stored.y(), far));
    if (screens.isEmpty())
        return wanted;
    // Reachable when the screens together show all of it (it may span two side by side).
    const int scaled_side = UiScale::px(side);
    const QRect square(wanted, QSize(scaled_side, scaled_side));
    qint64 shown = 0;
    for (const QRect& screen : screens) {
        const QRect overlap = screen.intersected(square);
        if (!overlap.isEmpty())
            shown += qint64(overlap.width()) * overlap.height();
    }
    if (shown >= qint64(scaled_side) * scaled_side)
        return wanted;
    // Else onto the screen whose centre is nearest, clamped inside it.
    const QRect* best = &screens.first();
    qint64 best_distance = -1;
    for (const QRect& screen : screens) {
        const QPoint d = screen.center() - square.center();
        const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (best_distance < 0 || distance < best_distance) {
            best_distance = distance;
            best = &screen;
        }
    }
    const int x = qBound(best->left(), wanted.x(), best->right() + 1 - side);
    const int y = qBound(best->top(), wanted.y(), best->bottom() + 1 - side);
    return QPoint(x, y);
}

void StatusIndicator::toggle_visibility() {
    m_visible = !m_visible;
    setVisible(m_visible);
}

void StatusIndicator::toggle_clickthrough() {
    m_drag_enabled = !m_drag_enabled;
    m_pressed = false;
    QString error;
    if (!m_window_style.set_click_through(this, !m_drag_enabled, &error))
        APP_LOG(QStringLiteral("Indicator click-through not changed: ") + error);
    else
        APP_LOG(QStringLiteral("Indicator click-through ") +
                (m_drag_enabled ? QStringLiteral("off") : QStringLiteral("on")));
}

void StatusIndicator::mousePressEvent(QMouseEvent* event) {
    if (!m_drag_enabled)
        return;
    m_pressed = true;
    m_press_offset = event->pos();
    m_position = event->globalPos() - m_press_offset;
    m_press_position = m_position;
}

void StatusIndicator::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drag_enabled || !m_pressed)
        return;
    m_position = event->globalPos() - m_press_offset;
    move(m_position);
}

void StatusIndicator::mouseReleaseEvent(QMouseEvent* /*event*/) {
    if (!m_drag_enabled || !m_pressed)
        return;
    m_pressed = false;
    if (m_position == m_press_position) {
        APP_LOG(QStringLiteral("Indicator clicked"));
        emit clicked();
    }
}
