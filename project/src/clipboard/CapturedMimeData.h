#pragma once

#include <QMimeData>

// A history entry: the formats as the owner sent them. An image is kept encoded (PNG, and the
// owner's own JPEG when it offered one) and decoded only when someone asks for the picture, so
// a capture costs no decoding and a paste hands out the owner's bytes unchanged.
class CapturedMimeData : public QMimeData {
    Q_OBJECT
public:
    static const QString image_format; // "application/x-qt-image"

    // The stored format the picture is decoded from.
    void set_image_source(const QString& format) { m_image_source = format; }
    QString image_source() const { return m_image_source; }

    QStringList formats() const override;
    bool hasFormat(const QString& mimetype) const override;

    // A new object with the same data, sharing its bytes; the caller owns it.
    CapturedMimeData* clone() const;
    // The same for any QMimeData.
    static CapturedMimeData* clone_of(const QMimeData* source);

protected:
    QVariant retrieveData(const QString& mimetype, QVariant::Type preferredType) const override;

private:
    QString m_image_source;
};
