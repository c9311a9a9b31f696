#include "common/AppLog.h"

#include <cstdio>

QString AppLog::source_path(const char* source_file) {
    QString path = QString::fromLocal8Bit(source_file);
    path.replace('\\', '/');
    // Relative to the build folder beside the sources, as the console expects.
    for (const char* root : {"/project/", "/tests/", "/bench/"}) {
        const int at = path.lastIndexOf(QLatin1String(root));
        if (at >= 0) {
            path = QStringLiteral("..") + path.mid(at);
            break;
        }
    }
    path.replace('/', '\\');
    return path;
}

QByteArray AppLog::format_line(const char* source_file, int line, const QString& message) {
    return QByteArrayLiteral("file:///") + source_path(source_file).toLocal8Bit() + ':' +
           QByteArray::number(line) + ": " + message.toLocal8Bit() + '\n';
}

void AppLog::write(const char* source_file, int line, const QString& message) {
    const QByteArray text = format_line(source_file, line, message);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

void AppLog::plain(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}
