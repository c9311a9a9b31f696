#pragma once

#include <QStringList>

// Which of the offered formats a capture reads. Every read is a round trip to the owner (and an
// encoding on its side), so each format is read at most once, and of the many encodings of one
// image only those that cannot be made again from the pixels are read:
// - one lossless picture: PNG when offered (kept as sent), else the first lossless encoding
//   offered, else any readable one, converted to PNG once;
// - the owner's own JPEG, SVG or GIF when offered: re-encoding pixels into JPEG would lose
//   quality a second time and change the file a photo site or chat receives; a vector drawing
//   and an animation are more than their pixels.
// BMP, TIFF, PPM and the like are not read: the clipboard makes them from the PNG when a paste
// target asks for one.
class ClipboardFetchPlan {
public:
    explicit ClipboardFetchPlan(const QStringList& offered);

    QStringList formats() const { return m_formats; } // in reading order
    // The one picture read (a member of formats()), empty when none is offered.
    QString picture() const { return m_picture; }
    bool picture_is_png() const;

    static bool is_image_format(const QString& format);

private:
    QStringList m_formats;
    QString m_picture;
};
