// The capture window on the desktop this runs on: from the key press to the dimmed window on
// screen, and one drag step (a move event, the frame built and on screen), for a selection and
// for a rectangle. The baseline, measured in the same run, rebuilds the whole frame per move
// and shows it in a full-desktop label.
#include "platform/Platform.h"
#include "screenshot/CaptureCanvas.h"
#include "screenshot/PrintScreen.h"
#include "screenshot/ScreenPhotograph.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QX11Info>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>
#include <xcb/xcb.h>

// The benchmarks measure the X11 backend, whatever the session.
std::unique_ptr<Platform> create_x11_platform();

namespace {
constexpr int opens = 8;
constexpr int steps = 150;

// Every request so far has been carried out by the server (the frame is on screen).
void server_sync() {
    xcb_connection_t* c = QX11Info::connection();
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void settle(QWidget* w, int paints_before, const std::function<int()>& paints) {
    for (int i = 0; i < 200 && paints() == paints_before; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    (void)w;
    server_sync();
}

void move(QWidget* w, QPoint p, QEvent::Type type = QEvent::MouseMove) {
    QMouseEvent e(
        type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QPoint path(int i) {
    return QPoint(200 + i * 9, 150 + i * 5);
}

std::vector<double> drag_steps(PrintScreen* capture, bool rectangles) {
    CaptureCanvas* canvas = capture->canvas();
    auto paints = [canvas] { return canvas->paint_count(); };
    std::vector<double> ms;
    move(capture, QPoint(150, 100), QEvent::MouseButtonPress);
    for (int i = 0; i < steps; ++i) {
        const int before = paints();
        QElapsedTimer t;
        t.start();
        move(capture, rectangles ? path(i) - QPoint(20, 20) : path(i));
        settle(capture, before, paints);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    move(capture, path(steps), QEvent::MouseButtonRelease);
    return ms;
}

// The straightforward way: per move, copy the dimmed picture, draw the outline and the clean
// area on it, and show the new full-desktop picture.
std::vector<double> baseline_steps(const QPixmap& clean, const QPixmap& dimmed) {
    QLabel label;
    label.setWindowFlags(Qt::FramelessWindowHint);
    label.setGeometry(QRect(QPoint(0, 0), clean.size()));
    label.setPixmap(dimmed);
    label.show();
    int paints = 0;
    struct Counter : QObject {
        int* n;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                ++*n;
            return false;
        }
    } counter;
    counter.n = &paints;
    label.installEventFilter(&counter);
    for (int i = 0; i < 100 && paints == 0; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::vector<double> ms;
    const QPoint press(150, 100);
    for (int i = 0; i < steps; ++i) {
        const int before = paints;
        QElapsedTimer t;
        t.start();
        const QPoint p = path(i);
        const QRect area(QPoint(std::min(press.x(), p.x()), std::min(press.y(), p.y())),
                         QPoint(std::max(press.x(), p.x()), std::max(press.y(), p.y())));
        QPixmap frame = dimmed.copy();
        QPainter painter(&frame);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::red, 2, Qt::DashDotLine));
        painter.drawRect(area);
        painter.drawPixmap(QRectF(area), clean.copy(area),
                           QRectF(0, 0, area.width(), area.height()));
        painter.end();
        label.setPixmap(frame);
        for (int k = 0; k < 200 && paints == before; ++k)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        server_sync();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return ms;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Platform::install(create_x11_platform());
    const QString setup = app.arguments().value(1, QStringLiteral("this desktop"));
    QString screens;
    for (QScreen* s : QGuiApplication::screens())
        screens += QStringLiteral(" %1x%2+%3+%4")
                       .arg(s->geometry().width())
                       .arg(s->geometry().height())
                       .arg(s->geometry().x())
                       .arg(s->geometry().y());
    std::printf("screenshot, %s:%s\n", qPrintable(setup), qPrintable(screens));

    std::vector<double> open_ms;
    PrintScreen* capture = nullptr;
    for (int i = 0; i < opens; ++i) {
        if (capture)
            delete capture;
        server_sync();
        QElapsedTimer t;
        t.start();
        // What the Print key's handler does.
        capture = new PrintScreen(ScreenPhotograph::take(Platform::instance().screen_capture()));
        capture->show();
        capture->activateWindow();
        capture->raise();
        CaptureCanvas* canvas = capture->canvas();
        settle(capture, 0, [canvas] { return canvas->paint_count(); });
        open_ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    {
        // Where the time of an open goes.
        std::vector<double> take_ms, build_ms;
        for (int i = 0; i < 4; ++i) {
            QElapsedTimer t;
            t.start();
            const ScreenPhotograph photo =
                ScreenPhotograph::take(Platform::instance().screen_capture());
            take_ms.push_back(double(t.nsecsElapsed()) / 1e6);
            t.restart();
            PrintScreen built(photo);
            build_ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        // Baseline: Qt's own whole-screen grab of every screen.
        std::vector<double> qt_ms;
        for (int i = 0; i < 4; ++i) {
            QElapsedTimer t;
            t.start();
            for (QScreen* s : QGuiApplication::screens())
                s->grabWindow(0, 0, 0, s->geometry().width(), s->geometry().height());
            qt_ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("  (of which: photograph %.1f ms, window built %.1f ms; baseline: Qt's "
                    "grab of every screen %.1f ms)\n",
                    median(take_ms), median(build_ms), median(qt_ms));
    }
    const std::vector<double> select = drag_steps(capture, false);
    capture->slot_button_rectangle_clicked();
    const std::vector<double> rectangle = drag_steps(capture, true);
    const QPixmap clean = capture->clean_pixmap(), dimmed = capture->dimmed_pixmap();
    delete capture;
    const std::vector<double> full = baseline_steps(clean, dimmed);

    std::printf("  key press to dimmed window shown   median %7.2f ms  (target < 150)\n",
                median(open_ms));
    std::printf("  selection drag step                median %7.2f ms  (target < 8)  %.1fx faster "
                "than the baseline\n",
                median(select), median(full) / std::max(median(select), 1e-6));
    std::printf("  rectangle drag step                median %7.2f ms  (target < 8)  %.1fx faster "
                "than the baseline\n",
                median(rectangle), median(full) / std::max(median(rectangle), 1e-6));
    std::printf("  baseline: full-frame drag step     median %7.2f ms\n", median(full));
    std::printf("TABLE| capture, selection drag step, %s | %.2f ms | %.2f ms full-frame repaint | "
                "%.2f |\n",
                qPrintable(setup), median(select), median(full),
                median(select) / std::max(median(full), 1e-6));
    std::printf("TABLE| capture, rectangle drag step, %s | %.2f ms | %.2f ms full-frame repaint | "
                "%.2f |\n",
                qPrintable(setup), median(rectangle), median(full),
                median(rectangle) / std::max(median(full), 1e-6));
    Platform::uninstall();
    return 0;
}
