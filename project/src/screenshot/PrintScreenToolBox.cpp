#include "screenshot/PrintScreenToolBox.h"

#include "common/UiScale.h"

#include <QApplication>
#include <QBitmap>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int button_size = 25;
constexpr int corner_radius = 3;
} // namespace

PrintScreenToolBox::PrintScreenToolBox(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Corvana toolbox"));
    // Unmanaged like the capture window it floats over: a managed window stays below it.
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::FramelessWindowHint |
                   Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint);
    setStyleSheet(QStringLiteral("QDialog { border-radius: %1px; border: 0px solid "
                                 "palette(shadow); background-color: #e5e5e5; }")
                      .arg(corner_radius));
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(QApplication::palette().color(QPalette::Shadow));
    shadow->setBlurRadius(5.0);
    setGraphicsEffect(shadow);

    m_layout = new QHBoxLayout(this);
    const int gap = UiScale::px(3);
    m_layout->setContentsMargins(gap, gap, gap, gap);
    m_layout->setSpacing(gap);
    m_button_rectangle = make_button(QStringLiteral(":/images/square-regular.svg"),
                                     QStringLiteral("Draw a rectangle"));
    m_button_undo = make_button(QStringLiteral(":/images/reply-solid.svg"),
                                QStringLiteral("Undo last operation"));
    m_button_undo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    m_button_color_picker = make_button(QString(), QStringLiteral("Change the rectangle color"));
    const int dot = UiScale::px(20);
    m_button_color_picker->setFixedSize(dot, dot);
    m_button_color_picker->setMask(QRegion(0, 0, dot, dot, QRegion::Ellipse));
    m_button_exit =
        make_button(QStringLiteral(":/images/window-close-solid.svg"), QStringLiteral("Close"));
    m_tip = new QLabel(QStringLiteral(" | Tip: Press 'Enter' to save |"), this);
    m_layout->addWidget(m_tip);
    set_color(m_color.name());

    connect(m_button_rectangle, &QPushButton::clicked, this,
            &PrintScreenToolBox::slot_button_rectangle_clicked);
    connect(m_button_undo, &QPushButton::clicked, this,
            &PrintScreenToolBox::slot_button_undo_clicked);
    connect(m_button_color_picker, &QPushButton::clicked, this,
            &PrintScreenToolBox::slot_button_color_picker_clicked);
    connect(m_button_exit, &QPushButton::clicked, this,
            &PrintScreenToolBox::slot_button_exit_clicked);
    adjustSize();
}

QPushButton* PrintScreenToolBox::make_button(const QString& icon, const QString& tip) {
    auto* button = new QPushButton(this);
    const int side = UiScale::px(button_size);
    if (!icon.isEmpty()) {
        // The icons are drawn on a 25 px grid; shown at that size (times the scale) they stay
        // sharp.
        button->setIcon(QIcon(icon));
        button->setIconSize(QSize(side, side));
        button->setFixedSize(side, side);
        button->setStyleSheet(QStringLiteral(
            "QPushButton { border: none; border-radius: 3px; padding: 0; background: transparent; }"
            "QPushButton:hover { background: #d2d2d2; }"
            "QPushButton:pressed { background: #bcbcbc; }"));
    }
    button->setToolTip(tip);
    button->setMaximumSize(side, side);
    button->setFocusPolicy(Qt::NoFocus);
    m_layout->addWidget(button);
    return button;
}

void PrintScreenToolBox::set_color(const QString& name) {
    m_color.setNamedColor(name);
    // Flat, so the button shows the colour itself rather than a lighter bevelled version.
    m_button_color_picker->setStyleSheet(QStringLiteral("background-color: ") + m_color.name() +
                                         QStringLiteral("; border: none;"));
}

void PrintScreenToolBox::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // Rounded corners on desktops without a compositor.
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::color1);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(rect(), corner_radius, corner_radius, Qt::AbsoluteSize);
    painter.end();
    setMask(mask);
}

void PrintScreenToolBox::slot_button_color_picker_clicked() {
    emit signal_button_color_picker_clicked();
}

void PrintScreenToolBox::slot_button_rectangle_clicked() {
    emit signal_button_rectangle_clicked();
}

void PrintScreenToolBox::slot_button_undo_clicked() {
    emit signal_button_undo_clicked();
}

void PrintScreenToolBox::slot_button_exit_clicked() {
    close();
    emit signal_button_exit_clicked();
}
