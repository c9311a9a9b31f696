#include "screenshot/PrintScreen.h"

#include "common/AppLog.h"
#include "common/Notifier.h"

#include "screenshot/PrintScreenSaveAskDialog.h"
#include "screenshot/PrintScreenToolBox.h"
#include "screenshot/ScreenshotFile.h"
#include "screenshot/ToolBoxPlacement.h"

#include <QColorDialog>
#include <QDateTime>
#include <QDebug>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

PrintScreen::PrintScreen(const ScreenPhotograph& photograph, QWidget* parent) : QWidget(parent) {
    m_photograph_error = photograph.error();
    m_label = new CaptureCanvas(this);
    m_save_ask_dialog = new PrintScreenSaveAskDialog;
    m_toolbox = new PrintScreenToolBox;
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->addWidget(m_label);

    if (photograph.ok()) {
        m_clean_pixmap = photograph.picture();
        m_dimmed_pixmap = m_clean_pixmap.copy();
        QPainter painter(&m_dimmed_pixmap);
        painter.fillRect(m_dimmed_pixmap.rect(), QColor(0, 0, 0, 128));
        painter.end();
        m_label->set_pictures(m_clean_pixmap, m_dimmed_pixmap, photograph.ratio());
        // Exactly over the screens: the photograph's pixels must lie where they were taken.
        setGeometry(photograph.window_geometry());
    }

    setAttribute(Qt::WA_DeleteOnClose);
    // Past the window manager: a managed window may be kept below panels, moved off them or
    // given a frame, and the photograph must cover every screen where it was taken.
    setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                   Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Corvana capture"));
    setCursor(Qt::CrossCursor);

    connect(m_save_ask_dialog, &PrintScreenSaveAskDialog::signal_accept, this,
            &PrintScreen::slot_save_with_name);
    connect(m_save_ask_dialog, &QDialog::finished, this, &QWidget::close);
    connect(m_toolbox, &PrintScreenToolBox::signal_button_rectangle_clicked, this,
            &PrintScreen::slot_button_rectangle_clicked);
    connect(m_toolbox, &PrintScreenToolBox::signal_button_undo_clicked, this,
            &PrintScreen::slot_button_undo_clicked);
    connect(m_toolbox, &PrintScreenToolBox::signal_button_color_picker_clicked, this,
            &PrintScreen::slot_button_color_picker_clicked);
    connect(m_toolbox, &PrintScreenToolBox::signal_button_exit_clicked, this, &QWidget::close);
}

PrintScreen* PrintScreen::open_capture(ScreenCapture& screens, Notifier& notifier,
                                       bool automatic_save) {
    auto* capture = new PrintScreen(ScreenPhotograph::take(screens));
    if (!capture->has_photograph()) {
        APP_LOG(QStringLiteral("No screenshot: ") + capture->photograph_error());
        notifier.show_tray_message(QStringLiteral("Screenshot failed"),
                                   capture->photograph_error());
        delete capture;
        return nullptr;
    }
    capture->set_automatic_save(automatic_save);
    capture->show();
    capture->activateWindow();
    capture->raise();
    capture->take_keyboard();
    APP_LOG(QStringLiteral("END print_screen()"));
    return capture;
}

PrintScreen::~PrintScreen() {
    // The colour dialog goes with this window's children: its end must not ask for the
    // keyboard for a window that is going away.
    if (m_color_dialog)
        disconnect(m_color_dialog, nullptr, this, nullptr);
    // Both are top-level windows of their own.
    delete m_toolbox;
    delete m_save_ask_dialog;
}

QImage PrintScreen::picture_to_save() const {
    const QRect area = m_label->selection();
    if (area.isValid() && !area.isEmpty())
        return m_label->render(area);
    return m_clean_pixmap.toImage();
}

void PrintScreen::take_keyboard() {
    // No window manager gives an unmanaged window the focus, and one that does may hand it
    // on: the keys are grabbed. The grab fails until the window is mapped, or while another
    // program holds one, so it is tried again for a while.
    m_keyboard_tries = 0;
    if (!m_keyboard_timer) {
        m_keyboard_timer = new QTimer(this);
        m_keyboard_timer->setInterval(50);
        connect(m_keyboard_timer, &QTimer::timeout, this, &PrintScreen::try_keyboard_grab);
    }
    try_keyboard_grab();
}

void PrintScreen::try_keyboard_grab() {
    QWidget* owner = m_color_dialog ? static_cast<QWidget*>(m_color_dialog) : this;
    if (!isVisible() || !owner->isVisible() || !owner->windowHandle()) {
        m_keyboard_timer->stop();
        return;
    }
    if (owner->windowHandle()->setKeyboardGrabEnabled(true)) {
        // Also tells the toolkit, which then hands every key to the grabbing window.
        owner->grabKeyboard();
        m_keyboard_timer->stop();
        return;
    }
    constexpr int max_tries = 40;
    if (++m_keyboard_tries >= max_tries) {
        qDebug().noquote() << "The capture window could not grab the keyboard";
        m_keyboard_timer->stop();
    } else if (!m_keyboard_timer->isActive()) {
        m_keyboard_timer->start();
    }
}

void PrintScreen::release_keyboard() {
    if (m_keyboard_timer)
        m_keyboard_timer->stop();
    if (QWidget* grabber = QWidget::keyboardGrabber())
        if (grabber == this || grabber == m_color_dialog)
            grabber->releaseKeyboard();
}

void PrintScreen::push_snapshot() {
    m_undo_history.append({m_label->selection(), m_label->rectangles().size()});
}

QRect PrintScreen::selection_on_desktop() const {
    const QRect area = m_label->to_widget(m_label->selection());
    return QRect(m_label->mapToGlobal(area.topLeft()), area.size());
}

QScreen* PrintScreen::selection_screen() const {
    const QRect global = selection_on_desktop();
    QScreen* screen = QGuiApplication::screenAt(global.center());
    return screen ? screen : QGuiApplication::primaryScreen();
}

void PrintScreen::place_toolbox() {
    const QRect global = selection_on_desktop();
    QScreen* screen = QGuiApplication::screenAt(global.bottomLeft());
    if (!screen)
        screen = QGuiApplication::screenAt(global.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(global);
    m_toolbox->adjustSize();
    m_toolbox->move(ToolBoxPlacement::place(global, m_toolbox->size(), available));
    m_toolbox->show();
    m_toolbox->raise();
}

void PrintScreen::slot_button_rectangle_clicked() {
    m_rectangle_mode = true;
    setCursor(Qt::CrossCursor);
}

void PrintScreen::slot_button_undo_clicked() {
    if (m_undo_history.size() < 2 || m_drawing || m_selecting)
        return;
    m_undo_history.removeLast();
    const Snapshot& back = m_undo_history.last();
    m_label->truncate_rectangles(back.rectangles);
    if (m_label->selection() != back.selection) {
        m_label->set_selection(back.selection);
        place_toolbox();
    }
}

void PrintScreen::slot_button_color_picker_clicked() {
    qDebug() << "slot_button_color_picker_clicked";
    if (m_color_dialog) {
        m_color_dialog->raise();
        m_color_dialog->activateWindow();
        return;
    }
    m_color_dialog = new QColorDialog(m_rectangle_color, this);
    m_color_dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Above the unmanaged capture window only an unmanaged window shows; it takes the keys
    // while it is open and hands them back when it closes.
    m_color_dialog->setWindowFlags(Qt::Dialog | Qt::X11BypassWindowManagerHint |
                                   Qt::WindowStaysOnTopHint);
    connect(m_color_dialog, &QColorDialog::colorSelected, this, &PrintScreen::slot_color_selected);
    connect(m_color_dialog, &QObject::destroyed, this, [this] {
        if (isVisible())
            take_keyboard();
    });
    m_color_dialog->adjustSize();
    if (QScreen* screen = selection_screen()) {
        QRect frame(QPoint(), m_color_dialog->size());
        frame.moveCenter(screen->availableGeometry().center());
        m_color_dialog->move(frame.topLeft());
    }
    release_keyboard();
    m_color_dialog->show();
    m_color_dialog->raise();
    m_color_dialog->activateWindow();
    take_keyboard();
}

void PrintScreen::slot_color_selected(QColor color) {
    m_rectangle_color = color;
    m_toolbox->set_color(color.name());
}

void PrintScreen::close_without_saving(const char* why) {
    qDebug() << why;
    m_toolbox->close();
    close();
}

void PrintScreen::keyPressEvent(QKeyEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return;
    switch (event->key()) {
    case Qt::Key_Escape:
        close_without_saving("Escape");
        break;
    case Qt::Key_Return:
        qDebug() << "Enter";
        if (m_saving)
            break;
        m_saving = true;
        m_toolbox->close();
        // Hidden, not closed: the picture stays until the save (or the name prompt) is done.
        release_keyboard();
        hide();
        slot_save();
        break;
    case Qt::Key_Z:
        if (event->modifiers() & Qt::ControlModifier)
            slot_button_undo_clicked();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

QPoint PrintScreen::picture_point(const QMouseEvent* event) const {
    // The position in the window keeps the fraction a scaled screen gives; the widget's own
    // position is rounded, which would move a scaled selection by a real pixel.
    return m_label->to_picture(event->windowPos() - QPointF(m_label->mapTo(this, QPoint(0, 0))));
}

void PrintScreen::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        close_without_saving("Closing");
        return;
    }
    if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton)
        return;
    m_press_point = picture_point(event);
    m_current_point = m_press_point;
    if (m_rectangle_mode) {
        m_drawing = true;
        m_label->add_rectangle({QRect(), m_rectangle_color});
    } else {
        // The area is replaced at the first move: a click alone keeps the current one.
        m_selecting = true;
        delete m_rubber_band;
        m_rubber_band = new QRubberBand(QRubberBand::Rectangle, this);
        m_rubber_band->setGeometry(QRect(m_press_point, QSize()));
    }
}

void PrintScreen::mouseMoveEvent(QMouseEvent* event) {
    m_current_point = picture_point(event);
    const QPoint a = m_press_point, b = m_current_point;
    if (m_drawing) {
        QRect rect;
        rect.setTopLeft(a);
        rect.setBottomRight(b);
        m_label->set_last_rectangle(rect);
    } else if (m_selecting) {
        if (m_toolbox->isVisible())
            m_toolbox->hide();
        // Normalised by corners: dragging either way selects the same pixels.
        const QRect area(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                         QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
        m_rubber_band->setGeometry(area);
        m_label->set_selection(area);
    }
}

void PrintScreen::mouseReleaseEvent(QMouseEvent* /*event*/) {
    if (m_drawing) {
        m_drawing = false;
        setCursor(Qt::ArrowCursor);
        // A click without a drag draws nothing and leaves no empty undo step.
        if (m_label->rectangles().last().rect.isNull())
            m_label->truncate_rectangles(m_label->rectangles().size() - 1);
        else
            push_snapshot();
    } else if (m_selecting) {
        m_selecting = false;
        setCursor(Qt::ArrowCursor);
        if (m_label->selection().isValid() &&
            (m_undo_history.isEmpty() || m_undo_history.last().selection != m_label->selection()))
            push_snapshot();
        if (m_label->selection().isValid())
            place_toolbox();
    }
}

void PrintScreen::closeEvent(QCloseEvent* event) {
    // Every way out takes the windows of this capture along.
    release_keyboard();
    m_toolbox->close();
    if (m_color_dialog)
        m_color_dialog->close();
    if (m_save_ask_dialog->isVisible())
        m_save_ask_dialog->hide();
    QWidget::closeEvent(event);
}

void PrintScreen::slot_save() {
    qDebug() << "START slot_save()";
    if (m_automatic_save) {
        slot_save_with_name(ScreenshotFile::timestamp_name(QDateTime::currentDateTime()));
        close();
    } else {
        m_save_ask_dialog->open();
        m_save_ask_dialog->raise();
        m_save_ask_dialog->activateWindow();
    }
    qDebug() << "END slot_save()";
}

void PrintScreen::slot_save_with_name(QString name) {
    QString error;
    const QString folder = ScreenshotFile::target_folder(&error);
    qDebug().noquote() << "QStandardPaths::DesktopLocation";
    qDebug().noquote() << folder;
    if (folder.isEmpty()) {
        qDebug().noquote() << "Screenshot not saved:" << error;
        emit signal_save_failed(error);
        return;
    }
    const ScreenshotFile::Outcome out = ScreenshotFile::save(picture_to_save(), folder, name);
    qDebug().noquote() << out.path;
    if (!out.saved) {
        qDebug().noquote() << "Screenshot not saved:" << out.error;
        emit signal_save_failed(out.error);
        return;
    }
    emit signal_saved_in(folder);
    emit signal_add_to_database(out.name);
}
