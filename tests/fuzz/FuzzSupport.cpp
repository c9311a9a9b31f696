#include "FuzzSupport.h"

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

// A Qt application object, the log silenced, and a private scratch folder; once per process.
void init() {
    if (scratch_dir)
        return;
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
        FuzzSupport::fail("no scratch folder");
    std::atexit([] { delete scratch_dir; });
}
} // namespace

QString FuzzSupport::fresh_folder(const QString& name) {
    const QString path = scratch_dir->filePath(name);
    QDir(path).removeRecursively();
    FUZZ_CHECK(QDir().mkpath(path));
    return path;
}

void FuzzSupport::write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write(bytes) == bytes.size());
}

void FuzzSupport::fail(const char* what, const QByteArray& detail) {
    std::fprintf(stderr, "fuzz property failed: %s\n%s\n%s\n", what, detail.constData(),
                 current_input.left(2000).constData());
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    init();
    current_input = QByteArray(reinterpret_cast<const char*>(data), int(size));
    fuzz_one(current_input);
    return 0;
}
