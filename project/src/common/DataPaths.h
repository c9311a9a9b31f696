#pragma once

#include <QString>

// Where the program keeps its settings and its data, resolved once at start-up as absolute paths,
// whatever the working folder it was started in:
//   - a marker file beside the executable: both beside it (a portable copy, e.g. on a stick);
//   - else the user's own folders (the settings folder of the system and the program's data
//     folder), the same for every way of starting the program;
//   - CORVANA_SETTINGS_DIR and CORVANA_DATA_DIR, when set, name either folder outright.
class DataPaths {
public:
    // What the folders are chosen from; resolve() takes it from the running program.
    struct Sources {
        QString exe_dir;
        QString settings_override;
        QString data_override;
        QString user_settings_dir;
        QString user_data_dir;
    };

    static void resolve();
    static const DataPaths& get();
    // Chooses the folders and makes them. A settings file left beside the executable by an
    // earlier version, which kept it there, is copied into the user's folder when that has none.
    static DataPaths resolve_from(const Sources& sources);
    static Sources sources_of_this_program();

    static QString portable_marker_name() { return QStringLiteral("portable.txt"); }
    static QString settings_file_name();

    QString settings_dir() const { return m_settings_dir; }
    QString settings_file() const;
    QString data_root() const { return m_data_root; }
    QString images_dir() const;
    bool portable() const { return m_portable; }

    // A private folder of ours (PrivateFiles::ensure_dir); a refusal is logged.
    static bool ensure_private_dir(const QString& dir);

private:
    QString m_settings_dir;
    QString m_data_root;
    bool m_portable = false;
};
