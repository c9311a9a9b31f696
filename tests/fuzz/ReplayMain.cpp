// Runs every file of the given folders (or the given files) through the fuzz target once: the
// seed corpus and any crash input, replayed under the sanitizers of an ordinary build.
#include <QDir>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        const QFileInfo given(QString::fromLocal8Bit(argv[i]));
        const QFileInfoList files =
            given.isDir() ? QDir(given.filePath()).entryInfoList(QDir::Files, QDir::Name)
                          : QFileInfoList{given};
        for (const QFileInfo& info : files) {
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(info.filePath()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::fprintf(stderr, "replaying %s (%d bytes)\n", qPrintable(info.filePath()),
                         int(bytes.size()));
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   size_t(bytes.size()));
            ++runs;
        }
    }
    std::fprintf(stderr, "%d inputs replayed\n", runs);
    // An empty corpus replays nothing and proves nothing.
    return runs > 0 ? 0 : 1;
}
