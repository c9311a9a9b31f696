#include "templates/TemplateFiller.h"

#include <QVector>

#include <algorithm>

std::optional<QString>
TemplateFiller::fill_template(const QString& row, const QString& template_text, qint64 max_chars) {
    // What one QString can hold, whatever the caller asks for.
    max_chars = std::min<qint64>(max_chars, (qint64(1) << 30) - 64);
    const QVector<QStringRef> cells = row.splitRef(QLatin1Char('\t'), Qt::KeepEmptyParts);
    const int count = cells.size();
    const int length = template_text.size();
    const QChar* text = template_text.constData();
    // The cell a placeholder at i takes, or -1.
    const auto cell_at = [&](int i) {
        if (text[i] != QLatin1Char('$') || i + 1 >= length)
            return -1;
        const int digit = text[i + 1].unicode() - '0';
        return digit >= 1 && digit <= 9 && digit <= count ? digit - 1 : -1;
    };

    // Measured first, so that a refused row costs no memory.
    qint64 size = 0;
    for (int i = 0; i < length; ++i) {
        const int cell = cell_at(i);
        if (cell < 0) {
            ++size;
            continue;
        }
        size += cells.at(cell).size();
        ++i;
        if (size > max_chars)
            return std::nullopt;
    }
    if (size > max_chars)
        return std::nullopt;

    QString result;
    result.reserve(int(size));
    int copied_from = 0;
    for (int i = 0; i < length; ++i) {
        const int cell = cell_at(i);
        if (cell < 0)
            continue;
        result.append(text + copied_from, i - copied_from);
        result.append(cells.at(cell));
        copied_from = i + 2;
        ++i;
    }
    result.append(text + copied_from, length - copied_from);
    return result;
}
