#pragma once

#include "clipboard/CopiedFileList.h"
#include "clipboard/FileCopyWorker.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <memory>

class CapturedMimeData;
class ClipboardReader;
class QMimeData;
class QTemporaryDir;

// Deep copies of clipboard contents. Copied files of 10 MB or less are snapshotted into the
// run's temporary folder once, when they are captured, so that an entry still pastes after the
// original file changed; every paste of the entry hands out the same snapshot, and a snapshot is
// removed as soon as no entry, and no clipboard content made from one, refers to it.
// A copy snapshots its first 100 files and 100 MB at most: a selected folder of photos is not
// copied whole into the temporary folder. The files beyond are pasted as the originals.
// Snapshots are copied off the GUI thread: the entry names the originals until a copy is done,
// then every file list in it names that snapshot.
class MimeDataCopier {
public:
    static constexpr int max_snapshots_per_copy = 100;
    static constexpr qint64 max_snapshot_bytes_per_copy = 100'000'000;

    explicit MimeDataCopier(QString temp_root = QString());
    void set_temp_root(const QString& temp_root) { m_temp_root = temp_root; }
    // Makes the run folder's "curr" and "temp" subfolders when the folder is usable.
    static void prepare_temp_folder(const QTemporaryDir& folder);

    // Reads what the clipboard's owner offers (each format at most once, see ClipboardFetchPlan)
    // into a new entry the caller owns. failures lists the formats that could not be read.
    CapturedMimeData* capture(ClipboardReader& reader, const QStringList& offered,
                              bool snapshot_files, QStringList* failures);
    // A new entry from data in this process (no owner to ask).
    CapturedMimeData* copy(const QMimeData* source, bool snapshot_files,
                           const QString& method_name);
    // What a paste hands to the clipboard: the entry's data and its snapshots, shared.
    CapturedMimeData* copy_for_paste(const QMimeData* entry);

    // Snapshot folders alive, and copies under way, for tests and diagnostics.
    int snapshot_count() const { return m_refs.size(); }
    int pending_snapshots() const { return m_jobs.size() + m_queued_writes; }
    // Copies files for others the same way (the images folder).
    FileCopyWorker& file_copier() { return m_worker; }
    const FileCopyWorker& file_copier() const { return m_worker; }
    // Ends the copies under way, before the folder they write into goes.
    void stop_copies() { m_worker.stop(); }

    // The clipboard format name under which data is stored: Qt's wrapper of a native format
    // name (application/x-qt-windows-mime;value="NAME") is stored as NAME, anything else as is.
    static QString format_key(const QString& format);
    // Whole megabytes, counted in thousands as file managers show them.
    static qint64 size_in_mb(qint64 bytes) { return bytes / 1000 / 1000; }

private:
    void snapshot_urls(CapturedMimeData* copy, bool snapshot_files);
    // The size of a file that may be snapshotted, or -1 with why not.
    static qint64 snapshot_size(const QString& path, QString* why);
    // The snapshots of one copy, and the lists they are put into.
    struct Batch {
        explicit Batch(const QMimeData* data) : lists(data) {}
        CopiedFileList lists;
        int submitted = 0;
        int pending = 0;
        int made = 0;
        bool write_queued = false;
    };
    bool snapshot(CapturedMimeData* copy, const std::shared_ptr<Batch>& batch, int file);
    void snapshot_copied(int id, bool ok, const QString& error);
    // Writes what the batch's finished snapshots changed into the entry.
    void write_snapshots(Batch& batch, QMimeData* entry);
    void hold(const QMimeData* data, const QStringList& folders);
    void release(const QString& folder);
    void log_contents(const QMimeData* copy) const;

    QString m_temp_root;
    int m_snapshot_count = 0;
    QHash<QString, int> m_refs;                      // snapshot folder -> holders
    QHash<const QObject*, QStringList> m_folders_of; // holder -> its folders
    struct Job {
        QPointer<QMimeData> entry;
        std::shared_ptr<Batch> batch;
        int file; // in the batch's lists
        QString folder;
        QString target;
    };
    QHash<int, Job> m_jobs;
    int m_queued_writes = 0;
    QObject m_guard; // ends the holders' callbacks with this object
    FileCopyWorker m_worker;
};
