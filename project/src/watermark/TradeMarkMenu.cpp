#include "watermark/TradeMarkMenu.h"

#include "common/AppLog.h"
#include "platform/WindowStyle.h"
#include "watermark/TradeMark.h"

#include <QCheckBox>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

TradeMarkMenu::TradeMarkMenu(WindowStyle& window_style, QWidget* parent)
    : QDialog(parent), m_window_style(window_style) {
    m_trade_mark = new TradeMark;
    setModal(true);
    setWindowTitle(QStringLiteral("TradeMark Options"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_layout = new QVBoxLayout(this);
    m_checkbox_lock_position =
        new QCheckBox(QStringLiteral("Enable moving/Disable clickthrough"), this);
    m_checkbox_visibility = new QCheckBox(QStringLiteral("Show/hide Trademark window"), this);
    m_checkbox_resize = new QCheckBox(QStringLiteral("Allow resizing window"), this);
    m_label = new QLabel(QStringLiteral("Slide to change opacity"), this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setValue(100);
    m_button_select_image = new QPushButton(QStringLiteral("Select TM image"), this);
    m_hint = new QLabel(this);
    m_hint->setWordWrap(true);
    m_hint->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_hint->hide();
    for (QWidget* widget :
         {static_cast<QWidget*>(m_checkbox_lock_position),
          static_cast<QWidget*>(m_checkbox_visibility), static_cast<QWidget*>(m_checkbox_resize),
          static_cast<QWidget*>(m_label), static_cast<QWidget*>(m_slider),
          static_cast<QWidget*>(m_button_select_image), static_cast<QWidget*>(m_hint)})
        m_layout->addWidget(widget);

    m_chooser = [](QWidget* parent_widget) {
        return QFileDialog::getOpenFileName(parent_widget, QStringLiteral("Open Image"),
                                            QDir::homePath(),
                                            QStringLiteral("Image Files (*.png *.jpg *.bmp)"));
    };

    connect(m_checkbox_lock_position, &QCheckBox::toggled, this,
            &TradeMarkMenu::slot_checkbox_lock_position_toggled);
    connect(m_checkbox_visibility, &QCheckBox::toggled, this,
            &TradeMarkMenu::slot_checkbox_visibility_toggled);
    connect(m_checkbox_resize, &QCheckBox::toggled, this,
            &TradeMarkMenu::slot_checkbox_resize_toggled);
    connect(m_button_select_image, &QPushButton::clicked, this,
            &TradeMarkMenu::slot_button_select_image_clicked);
    connect(m_slider, &QSlider::valueChanged, m_trade_mark, &TradeMark::slot_set_transparency);
}

TradeMarkMenu::~TradeMarkMenu() {
    delete m_trade_mark;
}

QString TradeMarkMenu::hint() const {
    return m_hint->isHidden() ? QString() : m_hint->text();
}

void TradeMarkMenu::show_hint(const QString& text) {
    m_hint->setText(text);
    m_hint->setVisible(!text.isEmpty());
}

void TradeMarkMenu::set_click_through(bool on) {
    QString error;
    if (!m_window_style.set_click_through(m_trade_mark, on, &error))
        APP_LOG(QStringLiteral("The watermark's click-through could not be changed: ") + error);
}

void TradeMarkMenu::slot_checkbox_lock_position_toggled(bool checked) {
    m_trade_mark->set_movable(checked);
    set_click_through(!checked);
    if (!checked)
        m_checkbox_resize->setChecked(false);
}

void TradeMarkMenu::slot_checkbox_visibility_toggled(bool checked) {
    if (checked) {
        qDebug() << "Show TM";
        m_trade_mark->show();
    } else {
        qDebug() << "Hide TM";
        m_trade_mark->hide();
    }
}

void TradeMarkMenu::slot_checkbox_resize_toggled(bool checked) {
    if (!checked) {
        m_trade_mark->set_grip_enabled(false);
        m_trade_mark->set_resizable(false);
        return;
    }
    m_trade_mark->set_grip_enabled(true);
    m_trade_mark->set_resizable(m_trade_mark->has_image() && m_trade_mark->isVisible());
    m_checkbox_lock_position->setChecked(true);
}

void TradeMarkMenu::slot_button_select_image_clicked() {
    const QString file = m_chooser(this);
    if (file.isEmpty())
        return;
    QString error;
    if (!m_trade_mark->set_image(file, &error)) {
        show_hint(error);
        return;
    }
    show_hint(QString());
    m_checkbox_visibility->setChecked(true);
    // Resizing allowed before there was an image: it applies now that there is one.
    if (m_checkbox_resize->isChecked())
        m_trade_mark->set_resizable(true);
}
