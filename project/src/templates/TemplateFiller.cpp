#include "templates/TemplateFiller.h"

#include <QRegularExpression>

namespace {
// A "$" directly followed by a digit that some later step could still take.
bool has_placeholder(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral("\\$[1-9]"));
    return text.contains(placeholder);
}
} // namespace

QString TemplateFiller::fill_template(const QString& row, const QString& template_text) {
    const QStringList cells = row.split(QLatin1Char('\t'), Qt::KeepEmptyParts);

    // A replaced cell can only start a new match when it brings a "$" of its own, or when the
    // template has a "$" right before a placeholder. Otherwise every match is a "$" and one digit
    // (the "$1" step takes "$1x" before any two-digit step runs), and one pass is exact.
    bool single_pass = !template_text.contains(QLatin1String("$$"));
    for (const QString& cell : cells)
        single_pass = single_pass && !cell.contains(QLatin1Char('$'));
    if (!single_pass)
        return fill_chained(cells, template_text);

    const int count = cells.size();
    const int length = template_text.size();
    const QChar* text = template_text.constData();
    QString result;
    result.reserve(length);
    int copied_from = 0;
    for (int i = 0; i + 1 < length; ++i) {
        if (text[i] != QLatin1Char('$'))
            continue;
        const int digit = text[i + 1].unicode() - '0';
        if (digit < 1 || digit > 9 || digit > count)
            continue;
        result.append(text + copied_from, i - copied_from);
        result.append(cells.at(digit - 1));
        copied_from = i + 2;
        ++i;
    }
    result.append(text + copied_from, length - copied_from);
    return result;
}

QString TemplateFiller::fill_chained(const QString& row, const QString& template_text) {
    return fill_chained(row.split(QLatin1Char('\t'), Qt::KeepEmptyParts), template_text);
}

QString TemplateFiller::fill_chained(const QStringList& cells, const QString& template_text) {
    QString result = template_text;
    for (int n = 1; n <= cells.size(); ++n) {
        // Rows of thousands of cells: once no "$digit" is left no later step can match.
        if ((n == 10 || n % 64 == 0) && !has_placeholder(result))
            break;
        result.replace(QLatin1Char('$') + QString::number(n), cells.at(n - 1));
    }
    return result;
}
