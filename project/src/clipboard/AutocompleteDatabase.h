#pragma once

#include <QString>

// Where captured texts and image names go to be found again later.
class AutocompleteDatabase {
public:
    virtual ~AutocompleteDatabase() = default;
    virtual void database_insert(const QString& type, const QString& text) = 0;
};
