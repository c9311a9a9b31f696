#pragma once

#include "platform/ClipboardOwner.h"

#include <QString>
#include <memory>

class CapturedMimeData;
class ClipboardReader;
class MimeDataCopier;
class QMimeData;

// Reads a clipboard change for the history. Tells a copy from the clipboard going empty (its
// owner exited: not a copy) and from an owner that does not answer (nothing to record), and
// keeps the content last captured so the clipboard can be taken back when its owner leaves.
class ClipboardCapture {
public:
    enum class Outcome {
        Copied,  // the user copied: record it
        Emptied, // nobody owns the clipboard any more
        Unread,  // the owner did not answer
    };
    struct Text {
        Outcome outcome = Outcome::Unread;
        QString text;
        // Marked secret by its source, or offered a mark that could not be read.
        bool secret = false;
        QString error; // why nothing was read; for a copy, what of it was not
    };
    struct Mime {
        Outcome outcome = Outcome::Unread;
        CapturedMimeData* data = nullptr; // owned by the caller when Copied
        bool secret = false;
        QString error;
    };

    ClipboardCapture(ClipboardReader& reader, MimeDataCopier& copier);
    ~ClipboardCapture();

    Text read_text();
    Mime read_mime(bool snapshot_files);

    // The content the clipboard held last, for taking it back.
    void remember_text(const QString& text, bool secret);
    void remember_mime(const QMimeData* entry);
    void forget();
    bool has_previous() const { return m_has_previous; }
    // Serves the content remembered last again; nothing when there is none.
    ClipboardOwner::Result take_back(ClipboardOwner& owner) const;

    // Debug builds only: CORVANA_DEBUG_CAPTURE_STALL_MS makes every capture sleep that long on
    // the GUI thread, so tests can show that nothing depends on the GUI thread being quick.
    static void debug_stall();

private:
    static QString unread_mark(const QString& error);

    ClipboardReader& m_reader;
    MimeDataCopier& m_copier;
    bool m_has_previous = false;
    QString m_previous_text;
    bool m_previous_secret = false;
    std::unique_ptr<QMimeData> m_previous_mime;
};
