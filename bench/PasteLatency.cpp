// Time from an injected Ctrl+V to its arrival at the focused window, without and with Corvana
// running, in one run. Each press is followed by the clipboard fetch a real editor makes.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QX11Info>
#include <algorithm>
#include <cstdio>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {
constexpr int presses = 1000;
constexpr xcb_keycode_t control_keycode = 37; // Control_L on the default Xvfb keymap
constexpr xcb_keycode_t v_keycode = 55;

class Target : public QWidget {
public:
    bool arrived = false;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_V)
            arrived = true;
    }
};

void fake(xcb_connection_t* c, uint8_t type, xcb_keycode_t key) {
    xcb_test_fake_input(c, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

std::vector<double> measure(Target& target) {
    xcb_connection_t* c = QX11Info::connection();
    std::vector<double> micros;
    for (int i = 0; i < presses + 10; ++i) {
        target.arrived = false;
        QElapsedTimer timer;
        fake(c, XCB_KEY_PRESS, control_keycode);
        fake(c, XCB_KEY_PRESS, v_keycode);
        xcb_flush(c);
        timer.start();
        // Blocking, not spinning: a busy loop would take a core from the X server and Corvana.
        QTimer guard;
        guard.setSingleShot(true);
        guard.start(2000);
        while (!target.arrived && guard.isActive())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double us = double(timer.nsecsElapsed()) / 1000.0;
        fake(c, XCB_KEY_RELEASE, v_keycode);
        fake(c, XCB_KEY_RELEASE, control_keycode);
        xcb_flush(c);
        QGuiApplication::clipboard()->text(); // the paste itself, as an editor does
        if (i >= 10)                          // warm-up
            micros.push_back(us);
        // A single paste each time: a press within the quiet period after the previous paste's
        // read would wait for it (that is the queued case, measured by paste_programs.sh).
        QThread::msleep(60);
        QCoreApplication::processEvents();
    }
    std::sort(micros.begin(), micros.end());
    return micros;
}

double percentile(const std::vector<double>& sorted, double p) {
    return sorted[std::min(sorted.size() - 1, size_t(p * double(sorted.size())))];
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: paste_latency CORVANA_BINARY\n");
        return 2;
    }
    Target target;
    target.setWindowTitle(QStringLiteral("paste-latency-target"));
    target.resize(200, 100);
    target.show();
    QThread::msleep(300);
    QCoreApplication::processEvents();
    xcb_set_input_focus(QX11Info::connection(), XCB_INPUT_FOCUS_POINTER_ROOT, target.winId(),
                        XCB_CURRENT_TIME);
    xcb_flush(QX11Info::connection());
    QCoreApplication::processEvents();

    const std::vector<double> without = measure(target);

    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("data"));
    QProcess corvana;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    if (!env.contains(QStringLiteral("CORVANA_SETTINGS_DIR"))) // else a prepared one
        env.insert(QStringLiteral("CORVANA_SETTINGS_DIR"), home.path());
    corvana.setProcessEnvironment(env);
    corvana.setWorkingDirectory(home.path() + QStringLiteral("/data"));
    corvana.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    corvana.setStandardOutputFile(QProcess::nullDevice());
    corvana.start(QString::fromLocal8Bit(argv[1]), QStringList());
    if (!corvana.waitForStarted(5000)) {
        std::fprintf(stderr, "corvana did not start\n");
        return 1;
    }
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 2500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Something in the queue, so every press really pastes.
    if (qEnvironmentVariableIsEmpty("BENCH_EMPTY_QUEUE"))
        QGuiApplication::clipboard()->setText(QStringLiteral("queued text"));
    settle.restart();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    xcb_set_input_focus(QX11Info::connection(), XCB_INPUT_FOCUS_POINTER_ROOT, target.winId(),
                        XCB_CURRENT_TIME);
    const std::vector<double> with = measure(target);
    corvana.terminate();
    corvana.waitForFinished(5000);

    std::printf("paste_latency_without_corvana  p50 %8.1f us  p99 %8.1f us  (%zu presses)\n",
                percentile(without, 0.5), percentile(without, 0.99), without.size());
    std::printf("paste_latency_with_corvana     p50 %8.1f us  p99 %8.1f us  (%zu presses)\n",
                percentile(with, 0.5), percentile(with, 0.99), with.size());
    std::printf("paste_latency_added            p50 %8.1f us  p99 %8.1f us  ratio p99 %.2f\n",
                percentile(with, 0.5) - percentile(without, 0.5),
                percentile(with, 0.99) - percentile(without, 0.99),
                percentile(with, 0.99) / percentile(without, 0.99));
    std::printf("TABLE| Ctrl+V to the window, median | %.2f ms with Corvana | %.2f ms no tool | "
                "%.2f |\n",
                percentile(with, 0.5) / 1000.0, percentile(without, 0.5) / 1000.0,
                percentile(with, 0.5) / percentile(without, 0.5));
    std::printf("TABLE| Ctrl+V to the window, p99 | %.2f ms with Corvana | %.2f ms no tool | "
                "%.2f |\n",
                percentile(with, 0.99) / 1000.0, percentile(without, 0.99) / 1000.0,
                percentile(with, 0.99) / percentile(without, 0.99));
    return 0;
}
