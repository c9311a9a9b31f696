#include "common/AppSettings.h"

#include "common/SettingsTable.h"

AppSettings::AppSettings() {
    SettingsTable::apply_defaults(*this);
}
