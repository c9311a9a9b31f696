#pragma once

#include <QList>
#include <QObject>
#include <QString>

class App;
class QSettings;

// The INI settings file: copies it into App's fields once at start and back on every save, key
// by key as SettingsTable lists them.
class SaveManager : public QObject {
    Q_OBJECT
public:
    static constexpr const char* save_version = "2";

    explicit SaveManager(App* app);
    ~SaveManager() override;

    void load_settings();
    void save_settings();
    void reset_settings();

    QString file_path() const;
    // Whether the last read or write of the file worked.
    bool file_ok() const;

    static QList<int> parse_ignored_monitors(const QString& text);
    static QString format_ignored_monitors(const QList<int>& monitors);

private:
    void report_status(const char* what) const;

    App* m_app;
    QSettings* m_settings;
};
