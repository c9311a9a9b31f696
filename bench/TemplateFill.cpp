// One special-paste press on a large table: the row cut from the table and the template filled.
// Baseline: the whole table split at every press and the placeholders replaced one number after
// another (the table's cells hold no "$", so both give the same text). Both results are compared
// byte for byte on every row measured.
#include "templates/TableRows.h"
#include "templates/TemplateFiller.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

// The straightforward fill: one replace per column over the whole text.
QString fill_chained(const QString& row, const QString& text) {
    const QStringList cells = row.split(QLatin1Char('\t'));
    QString result = text;
    for (int n = 1; n <= cells.size(); ++n)
        result.replace(QLatin1Char('$') + QString::number(n), cells.at(n - 1));
    return result;
}

void report(const char* name, const std::vector<double>& ms, double baseline_median) {
    std::printf("%-34s median %8.3f ms  p99 %8.3f ms  ratio to baseline %.3f\n", name, median(ms),
                percentile(ms, 0.99), median(ms) / baseline_median);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    constexpr int rows = 10000, columns = 50, placeholders = 1000, presses = 200;

    QString table;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c)
                table += QLatin1Char('\t');
            table += QStringLiteral("r%1c%2 value").arg(r).arg(c);
        }
        table += QLatin1Char('\n');
    }
    QString text;
    for (int i = 0; i < placeholders; ++i)
        text += QStringLiteral("Field %1: $%2, ").arg(i).arg(i % 9 + 1);

    std::vector<double> baseline, ours;
    QElapsedTimer timer;
    // The baseline splits the whole table at every press: measured on every 50th row.
    for (int row = 0; row < rows; row += rows / presses) {
        timer.start();
        const QString filled = fill_chained(table.split(QLatin1Char('\n')).at(row), text);
        baseline.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (filled.isEmpty())
            return 1;
    }
    // Presses go down the table one row at a time, as a user pastes it.
    const QStringList split = table.split(QLatin1Char('\n'));
    TableRows paste;
    for (int row = 0; row < rows; ++row) {
        timer.start();
        const QString result =
            TemplateFiller::fill_template(paste.row(table, row), text).value_or(QString());
        ours.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (result != fill_chained(split.at(row), text)) {
            std::printf("template fill: results differ at row %d\n", row);
            return 1;
        }
    }
    std::printf("template fill, %d rows x %d columns, %d placeholders, %d presses\n", rows, columns,
                placeholders, rows);
    report("baseline (split + chained replace)", baseline, median(baseline));
    report("special paste press", ours, median(baseline));
    std::printf("%-34s %8.3f ms (baseline %.3f ms)\n", "first press", ours.front(),
                baseline.front());
    std::printf("TABLE| template fill press, %d rows x %d columns | %.3f ms | %.3f ms split + "
                "chained replace | %.3f |\n",
                rows, columns, median(ours), median(baseline), median(ours) / median(baseline));
    return 0;
}
