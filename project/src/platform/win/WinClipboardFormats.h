#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The clipboard's Windows formats and the MIME names the rest of the program speaks, and the
// conversions between them. Everything here works on bytes already read: what another program
// puts on the clipboard is checked for its own sizes and offsets before it is used, and read by
// offset, never through a cast, since a record's fields need not be aligned. Nothing here calls
// Windows, so the conversions build and are fuzzed on any system.
class WinClipboardFormats {
public:
    // Qt's name for a native format it has no MIME type for.
    static QString wrapped(const QString& native_name);
    // The native name inside Qt's wrapper; empty when format is not wrapped.
    static QString unwrapped(const QString& format);

    // The name of a standard format number; empty for the others.
    static QString standard_name(unsigned format);
    // Formats that are never read: OLE's live links and embeddings make their owner start or
    // load a document (some owners even change state when asked), and GDI handles are no bytes.
    static bool never_read(unsigned format, const QString& name);
    // The formats whose mere presence, or a DWORD 0 in them, marks content not to keep.
    static bool is_secret_marker(const QString& name);

    // CF_UNICODETEXT (UTF-16, up to its first NUL) as UTF-8.
    static QByteArray utf8_from_unicode_text(const QByteArray& bytes);
    static QByteArray unicode_text_from_utf8(const QByteArray& utf8);
    // The HTML inside a "HTML Format" record (its StartHTML/EndHTML offsets, checked).
    static QByteArray html_from_cf_html(const QByteArray& bytes);
    static QByteArray cf_html_from_html(const QByteArray& html);
    // A DIB (header, colour table, pixels) as a BMP file, and a picture as a DIB. Empty when the
    // header claims more than the DIB holds.
    static QByteArray bmp_from_dib(const QByteArray& dib);
    static QByteArray dib_from_image(const QImage& image);
    // A DROPFILES block as a text/uri-list, and back.
    static QByteArray uri_list_from_drop_files(const QByteArray& bytes);
    static QByteArray drop_files_from_uri_list(const QByteArray& uri_list);
};
