#include "app/AppSettings.h"

#include "app/SettingsTable.h"

AppSettings::AppSettings() {
    SettingsTable::apply_defaults(*this);
}
