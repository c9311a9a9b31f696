#pragma once

#include <QString>

// Where the program keeps its files, resolved once at start-up as absolute paths so that no
// later change of the current directory can move them.
class DataPaths {
public:
    static void resolve();
    static const DataPaths& get();

    QString settings_dir() const { return m_settings_dir; }
    QString settings_file() const;
    QString data_root() const { return m_data_root; }
    QString images_dir() const;

    // A private folder of ours (PrivateFiles::ensure_dir); a refusal is logged.
    static bool ensure_private_dir(const QString& dir);

private:
    QString m_settings_dir;
    QString m_data_root;
};
