// Runs every file of the given folders (or the given files) through the fuzz target once: the
// seed corpus and any crash input, replayed under the sanitizers of an ordinary build.
#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv) {
    FuzzSupport::init();
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        QStringList files;
        if (QFileInfo(path).isDir()) {
            for (const QString& name : QDir(path).entryList(QDir::Files, QDir::Name))
                files << path + QLatin1Char('/') + name;
        } else {
            files << path;
        }
        for (const QString& file_path : files) {
            QFile file(file_path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file_path));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::fprintf(stderr, "replaying %s (%d bytes)\n", qPrintable(file_path),
                         int(bytes.size()));
            fuzz_one(bytes);
            ++runs;
        }
    }
    std::fprintf(stderr, "%d inputs replayed\n", runs);
    // An empty corpus replays nothing and proves nothing.
    return runs > 0 ? 0 : 1;
}
