#include "screenshot/ScreenshotLauncher.h"

#include "common/AppSettings.h"
#include "common/Notifier.h"
#include "common/ToolState.h"
#include "screenshot/PrintScreen.h"

#include <QDesktopServices>
#include <QStandardPaths>
#include <QUrl>

ScreenshotLauncher::ScreenshotLauncher(const AppSettings& settings, ToolState& tools,
                                       Notifier& notifier, ScreenCapture& capture)
    : m_settings(settings), m_tools(tools), m_notifier(notifier), m_capture(capture) {}

void ScreenshotLauncher::take() {
    if (!m_settings.m_print_screen_enabled)
        return;
    PrintScreen* capture =
        PrintScreen::open_capture(m_capture, m_notifier, m_settings.m_automatic_screenshot_save);
    if (!capture)
        return;
    connect(capture, &PrintScreen::signal_saved_in, this,
            [this](const QString& folder) { m_tools.m_screenshot_folder = folder; });
    connect(capture, &PrintScreen::signal_add_to_database, this, &ScreenshotLauncher::saved);
    connect(capture, &PrintScreen::signal_save_failed, this, [this](const QString& reason) {
        m_notifier.show_tray_message(QStringLiteral("Image not saved"), reason);
    });
}

void ScreenshotLauncher::open_folder(const QString& folder) {
    const QString shown = folder.isEmpty()
                              ? QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
                              : folder;
    QDesktopServices::openUrl(QUrl::fromLocalFile(shown + QLatin1Char('/')));
}
