// Cost of one capture, from the owner's offer to the entry in the queue (the picture saved in
// the images folder included), for a 3840 x 2160 picture offered in PNG, JPEG, BMP and TIFF and
// for a 10 MB text: Corvana's capture beside a straightforward one that fetches every format
// and then the text, HTML and picture again, as the program once did, in the same run. Meanwhile
// another process presses Ctrl+V every 40 ms into a window of its own, with our Ctrl+V grab
// active, and measures how long each press took to arrive: the keyboard must never stay frozen
// longer than 150 ms, whichever capture runs.
#include "clipboard/CapturedMimeData.h"
#include "clipboard/ClipboardCapture.h"
#include "clipboard/ClipboardImageSaver.h"
#include "clipboard/MimeDataCopier.h"
#include "platform/ClipboardReader.h"
#include "platform/Keyboard.h"
#include "platform/Platform.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QX11Info>

#include <xcb/xcb.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

// The benchmarks measure the X11 backend, whatever the session.
std::unique_ptr<Platform> create_x11_platform();

namespace {
constexpr int runs = 5;
constexpr xcb_keycode_t control_keycode = 37; // the default Xvfb keymap
constexpr xcb_keycode_t v_keycode = 55;

qint64 wall_ms() {
    return QDateTime::currentMSecsSinceEpoch();
}

// ---- The owner and the presser, in a process of their own ----

class PressClock : public QAbstractNativeEventFilter {
public:
    PressClock() {
        xcb_connection_t* c = QX11Info::connection();
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
        m_opcode = ext && ext->present ? ext->major_opcode : 0;
        struct {
            xcb_input_event_mask_t head;
            uint32_t mask;
        } mask = {{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS};
        xcb_input_xi_select_events(c, QX11Info::appRootWindow(), 1, &mask.head);
        xcb_flush(c);
    }
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* e = static_cast<const xcb_ge_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (e->response_type & 0x7f) == XCB_GE_GENERIC &&
            e->extension == m_opcode && e->event_type == XCB_INPUT_RAW_KEY_PRESS) {
            const auto* raw = static_cast<const xcb_input_raw_key_press_event_t*>(message);
            if (raw->detail == v_keycode) {
                last_v_press = raw->time;
                ++raw_presses;
            }
        }
        return false;
    }
    quint32 last_v_press = 0;
    int raw_presses = 0;

private:
    uint8_t m_opcode = 0;
};

class Target : public QWidget {
public:
    Target(PressClock& clock, const QString& log) : m_clock(clock), m_log(log) {
        m_log.open(QIODevice::WriteOnly | QIODevice::Truncate);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() != Qt::Key_V)
            return;
        const qint64 frozen = qint64(QX11Info::getTimestamp()) - qint64(m_clock.last_v_press);
        m_log.write(QByteArray::number(wall_ms()) + ' ' + QByteArray::number(frozen) + '\n');
        m_log.flush();
    }

private:
    PressClock& m_clock;
    QFile m_log;
};

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        bytes.clear();
    return bytes;
}

int run_owner(const QString& kind) {
    auto* data = new QMimeData;
    if (kind == QLatin1String("image")) {
        QImage image(3840, 2160, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb((x * 7 + y) & 255, (y * 3) & 255, ((x ^ y) * 5) & 255);
        }
        const QByteArray bmp = encoded(image, "BMP");
        QByteArray tiff = encoded(image, "TIFF");
        if (tiff.isEmpty())
            tiff = bmp; // no TIFF writer here: an uncompressed TIFF is about as large
        data->setData(QStringLiteral("image/png"), encoded(image, "PNG"));
        data->setData(QStringLiteral("image/jpeg"), encoded(image, "JPEG"));
        data->setData(QStringLiteral("image/bmp"), bmp);
        data->setData(QStringLiteral("image/tiff"), tiff);
    } else {
        QString text;
        text.reserve(10 * 1000 * 1000);
        while (text.size() < 10 * 1000 * 1000)
            text += QStringLiteral("The quick brown fox jumps over the lazy dog %1.\n")
                        .arg(text.size());
        data->setText(text);
    }
    QGuiApplication::clipboard()->setMimeData(data);
    std::printf("owner\n");
    std::fflush(stdout);
    return QApplication::exec();
}

// An idle program the user pastes into: Ctrl+V every 40 ms, each press timed from the server's
// press to its arrival here.
int run_target(const QString& log) {
    PressClock clock;
    QCoreApplication::instance()->installNativeEventFilter(&clock);
    Target target(clock, log);
    target.resize(200, 100);
    target.show();
    QTimer focus;
    focus.setSingleShot(true);
    QObject::connect(&focus, &QTimer::timeout, [&target] {
        xcb_set_input_focus(QX11Info::connection(), XCB_INPUT_FOCUS_POINTER_ROOT,
                            xcb_window_t(target.winId()), XCB_CURRENT_TIME);
        xcb_flush(QX11Info::connection());
        std::printf("target\n");
        std::fflush(stdout);
    });
    focus.start(300);
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [] {
        xcb_connection_t* c = QX11Info::connection();
        for (auto [type, key] : {std::pair{XCB_KEY_PRESS, control_keycode},
                                 {XCB_KEY_PRESS, v_keycode},
                                 {XCB_KEY_RELEASE, v_keycode},
                                 {XCB_KEY_RELEASE, control_keycode}})
            xcb_test_fake_input(c, uint8_t(type), key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c);
    });
    presser.start(40);
    QTimer report;
    if (qEnvironmentVariableIsSet("CAPTURE_COST_DEBUG")) {
        QObject::connect(&report, &QTimer::timeout, [&clock] {
            xcb_get_input_focus_reply_t* focus = xcb_get_input_focus_reply(
                QX11Info::connection(), xcb_get_input_focus(QX11Info::connection()), nullptr);
            std::fprintf(stderr, "target: %d raw presses, focus %x\n", clock.raw_presses,
                         focus ? focus->focus : 0);
            free(focus);
        });
        report.start(1000);
    }
    return QApplication::exec();
}

// ---- The captures, in the measuring process ----

// The capture as it was: every advertised format, then the HTML, links, text and picture again,
// each a round trip through Qt's clipboard, and the picture encoded anew for the images folder.
void straightforward_capture(const QString& images) {
    const QMimeData* source = QGuiApplication::clipboard()->mimeData();
    auto* copy = new QMimeData;
    for (const QString& format : source->formats())
        copy->setData(format, source->data(format));
    if (source->hasHtml())
        copy->setHtml(source->html());
    if (source->hasUrls())
        copy->setUrls(source->urls());
    if (source->hasText())
        copy->setText(source->text());
    if (source->hasImage())
        copy->setImageData(source->imageData());
    if (copy->hasImage())
        ClipboardImageSaver(images).save_image(qvariant_cast<QImage>(copy->imageData()));
    delete copy;
}

void our_capture(MimeDataCopier& copier, const QString& images) {
    ClipboardCapture capture(Platform::instance().clipboard_reader(), copier);
    const ClipboardCapture::Mime read = capture.read_mime(true);
    if (read.outcome != ClipboardCapture::Outcome::Copied)
        std::fprintf(stderr, "capture failed: %s\n", qPrintable(read.error));
    else if (read.data->hasImage())
        ClipboardImageSaver(images).save_entry(read.data, copier.file_copier());
    delete read.data;
}

struct Window {
    qint64 from, to;
    bool ours;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void measure(const QString& kind, const QString& label, MimeDataCopier& copier,
             const QString& log) {
    QTemporaryDir dir;
    QProcess owner;
    owner.start(QCoreApplication::applicationFilePath(), {"owner", kind});
    if (!owner.waitForReadyRead(60000)) {
        std::printf("%s: the owner did not start\n", qPrintable(label));
        return;
    }
    QThread::msleep(300);
    std::vector<double> ours, plain;
    std::vector<Window> windows;
    for (int i = 0; i < runs; ++i) {
        for (bool mine : {true, false}) {
            const QString images = dir.filePath(QStringLiteral("images-%1-%2").arg(i).arg(mine));
            QElapsedTimer timer;
            const qint64 from = wall_ms();
            timer.start();
            if (mine)
                our_capture(copier, images);
            else
                straightforward_capture(images);
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            windows.push_back({from, wall_ms(), mine});
            (mine ? ours : plain).push_back(ms);
            // Let the keyboard and the owner catch up between captures.
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < 300)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
    owner.terminate();
    owner.waitForFinished(5000);

    double frozen_ours = 0, frozen_plain = 0;
    int presses_ours = 0, presses_plain = 0;
    QFile file(log);
    file.open(QIODevice::ReadOnly);
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (qEnvironmentVariableIsSet("CAPTURE_COST_DEBUG"))
        std::printf("%d presses logged; last %s; windows %lld..%lld\n", int(lines.size()),
                    lines.size() > 1 ? lines[lines.size() - 2].constData() : "",
                    windows.front().from, windows.back().to);
    for (const QByteArray& line : lines) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 2)
            continue;
        const qint64 at = parts[0].toLongLong();
        const double frozen = parts[1].toDouble();
        for (const Window& w : windows) {
            // A press that arrived during a capture, or just after it was let go.
            if (at < w.from || at > w.to + 50)
                continue;
            (w.ours ? frozen_ours : frozen_plain) =
                std::max(w.ours ? frozen_ours : frozen_plain, frozen);
            ++(w.ours ? presses_ours : presses_plain);
        }
    }
    const double a = median(ours), b = median(plain);
    std::printf("%-44s median %8.1f ms   straightforward %8.1f ms   ratio %5.2f\n",
                qPrintable(label), a, b, a > 0 ? b / a : 0.0);
    std::printf("%-44s longest Ctrl+V freeze: %4.0f ms over %d presses (straightforward: %4.0f "
                "ms over %d)\n",
                qPrintable(label + QStringLiteral(", keyboard")), frozen_ours, presses_ours,
                frozen_plain, presses_plain);
    std::printf("TABLE| %s | %.1f ms | %.1f ms straightforward read | %.2f |\n", qPrintable(label),
                a, b, b > 0 ? a / b : 0.0);
    std::printf("TABLE| longest Ctrl+V freeze during the %s | %.0f ms | %.0f ms "
                "straightforward read | %.2f |\n",
                qPrintable(label), frozen_ours, frozen_plain,
                frozen_plain > 0 ? frozen_ours / frozen_plain : 0.0);
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("owner"))
        return run_owner(args.value(2));
    if (args.value(1) == QLatin1String("target"))
        return run_target(args.value(2));

    Platform::install(create_x11_platform());
    Keyboard* keyboard = Platform::instance().create_keyboard(nullptr);
    keyboard->set_hooked(true); // the Ctrl+V grab, and the watch on frozen presses
    QTemporaryDir temp;
    MimeDataCopier copier(temp.path());
    const QString log = temp.filePath("presses.log");
    QProcess target;
    target.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    target.start(QCoreApplication::applicationFilePath(), {"target", log});
    if (!target.waitForReadyRead(20000)) {
        std::printf("the program to paste into did not start\n");
        return 1;
    }
    measure(QStringLiteral("image"), QStringLiteral("capture of a 3840x2160 picture, 4 encodings"),
            copier, log);
    measure(QStringLiteral("text"), QStringLiteral("capture of a 10 MB text"), copier, log);
    target.terminate();
    target.waitForFinished(5000);
    delete keyboard;
    Platform::uninstall();
    return 0;
}
