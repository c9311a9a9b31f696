#include "FuzzSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
QTemporaryDir* scratch_dir = nullptr;
QByteArray current_input;

void quiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

void remove_scratch() {
    delete scratch_dir;
    scratch_dir = nullptr;
}
} // namespace

void FuzzSupport::init() {
    static bool done = false;
    if (done)
        return;
    done = true;
    // The log lines of every call would cost more than the calls themselves.
    if (!std::freopen("/dev/null", "w", stdout))
        std::fprintf(stderr, "stdout stays open\n");
    qInstallMessageHandler(quiet);
    static int argc = 1;
    static char name[] = "corvana-fuzz";
    static char* argv[] = {name, nullptr};
    // A GUI application as the program has one: settings and clipboard data can hold images
    // and other GUI types, which need it to be read at all.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv);
    scratch_dir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/corvana-fuzz-XXXXXX"));
    if (!scratch_dir->isValid())
        fail("no scratch folder");
    std::atexit(remove_scratch);
}

QString FuzzSupport::scratch() {
    return scratch_dir->path();
}

void FuzzSupport::fail(const char* what, const QByteArray& detail) {
    std::fprintf(stderr, "fuzz property failed: %s\n%s\n%s\n", what, detail.constData(),
                 current_input.left(2000).constData());
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::init();
    current_input = QByteArray(reinterpret_cast<const char*>(data), int(size));
    fuzz_one(current_input);
    return 0;
}
