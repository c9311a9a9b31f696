#pragma once

#include <QString>
#include <QStringList>

// Fills a template's "$1", "$2", ... with the tab-separated cells of one copied table row.
//
// The replacements run one number after another on the growing text, so "$10" is taken by the
// "$1" step, numbers beyond the row's cells stay, and a cell holding "$k" for a later k is
// replaced again. fill_template gives exactly that result, in one pass when it can.
class TemplateFiller {
public:
    static QString fill_template(const QString& row, const QString& template_text);

    // The replacement done step by step, as written above; the reference for fill_template.
    static QString fill_chained(const QString& row, const QString& template_text);

private:
    static QString fill_chained(const QStringList& cells, const QString& template_text);
};
