// A settings file as any editor could have left it: read by QSettings, then every value that
// is parsed further (the indicator's place, the ignored monitors).
#include "FuzzSupport.h"
#include "app/SaveManager.h"
#include "common/SettingsFileCheck.h"
#include "tray/StatusIndicator.h"

#include <QSettings>

void fuzz_one(const QByteArray& input) {
    const QString path = FuzzSupport::fresh_folder("settings") + "/Corvana_settings.ini";
    FuzzSupport::write_file(path, input);
    // As the program reads it: checked first.
    QString note;
    if (!SettingsFileCheck::clean(path, &note))
        return;
    QSettings settings(path, QSettings::IniFormat);
    // Whatever the escapes, quotes or continued lines spell, nothing read back is a value Qt
    // made of serialized bytes: text, or a list of texts.
    for (const QString& key : settings.allKeys()) {
        // Listed but with no name to ask for it by (empty, stray slashes); its value was read all
        // the same, so a serialized one would have been unpacked by now.
        if (key.isEmpty() || !settings.contains(key))
            continue;
        const QVariant value = settings.value(key);
        FUZZ_CHECK(value.type() == QVariant::String || value.type() == QVariant::StringList);
    }

    // The place is clamped onto a screen whatever the file says.
    const int x = settings.value(QStringLiteral("IndicatorX")).toInt();
    const int y = settings.value(QStringLiteral("IndicatorY")).toInt();
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, -200, 1280, 1024)};
    for (const QList<QRect>& layout : {screens, QList<QRect>{screens.first()}}) {
        const QPoint place = StatusIndicator::reachable_position(QPoint(x, y), layout);
        bool on_a_screen = false;
        for (const QRect& screen : layout)
            on_a_screen = on_a_screen || screen.intersects(QRect(place, QSize(1, 1)));
        FUZZ_CHECK(on_a_screen);
    }

    const QList<int> monitors = SaveManager::parse_ignored_monitors(
        settings.value(QStringLiteral("IgnoreMonitors")).toString());
    const QString stored = SaveManager::format_ignored_monitors(monitors);
    FUZZ_CHECK(SaveManager::parse_ignored_monitors(stored) == monitors);
}
