// The bytes of a picture another program offers, decoded as a capture decodes them. Whatever
// the header claims, nothing larger than the pixel limit is decoded, a drawing is never
// rendered, and a refusal says why.
#include "FuzzSupport.h"
#include "clipboard/PictureDecoder.h"

#include <QBuffer>
#include <QImageReader>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::init();
    const QByteArray input = FuzzSupport::bytes(data, size);
    QString error;
    const QImage image = PictureDecoder::decode(input, &error);
    if (image.isNull()) {
        FUZZ_CHECK(!error.isEmpty(), input);
        return 0;
    }
    FUZZ_CHECK(qint64(image.width()) * image.height() <= PictureDecoder::max_pixels, input);
    QBuffer buffer;
    buffer.setData(input);
    buffer.open(QIODevice::ReadOnly);
    FUZZ_CHECK(!QImageReader(&buffer).format().startsWith("svg"), input);
    return 0;
}
