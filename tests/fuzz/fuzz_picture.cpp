// The bytes of a picture another program offers, decoded as a capture decodes them. Whatever
// the header claims, nothing larger than the pixel limit is decoded, a drawing is never
// rendered, and a refusal says why.
#include "FuzzSupport.h"
#include "clipboard/PictureDecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <cmath>

namespace {
// Qt's decoders are not instrumented, so libFuzzer cannot see which of them an input reached:
// each outcome (format, rough size, error) counts as a feature of its own instead.
__attribute__((used, section("__libfuzzer_extra_counters"))) uint8_t outcomes[4096];

void count_outcome(const QByteArray& format, const QImage& image, const QString& error) {
    const auto bits = [](int n) { return n > 0 ? int(std::log2(double(n))) : 0; };
    const uint key = qHash(format) ^ qHash(error.left(12)) ^
                     qHash(bits(image.width()) * 64 + bits(image.height())) ^
                     qHash(int(image.format()));
    outcomes[key % sizeof(outcomes)] = 1;
}
} // namespace

void fuzz_one(const QByteArray& input) {
    QString error;
    const QImage image = PictureDecoder::decode(input, &error);
    QBuffer buffer;
    buffer.setData(input);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader(&buffer).format();
    count_outcome(format, image, error);
    if (image.isNull()) {
        FUZZ_CHECK(!error.isEmpty());
        return;
    }
    FUZZ_CHECK(qint64(image.width()) * image.height() <= PictureDecoder::max_pixels);
    FUZZ_CHECK(!format.startsWith("svg"));
}
