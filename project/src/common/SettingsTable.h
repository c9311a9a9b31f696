#pragma once

#include "common/AppSettings.h"

#include <QVariant>
#include <variant>
#include <vector>

// Every key of the settings file once: its name, its value when absent, and what it fills.
// Loading, saving and resetting all walk this table, in this order.
class SettingsTable {
public:
    // The status indicator keeps its own place; these two keys are read from it and moved to it.
    enum class Indicator { X, Y };
    using Field = std::variant<bool AppSettings::*, QString AppSettings::*,
                               QList<int> AppSettings::*, Indicator>;

    struct Key {
        const char* name;
        QVariant fallback;
        Field field;
    };

    static const std::vector<Key>& keys();
    // The value every field has with no settings file.
    static void apply_defaults(AppSettings& settings);
};
