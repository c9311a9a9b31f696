// The format names a clipboard owner offers, one per line, each read back as its own name. The
// entry must hold every format under a key of its own: an offered name never takes the place
// of another offered format.
#include "FuzzSupport.h"
#include "clipboard/CapturedMimeData.h"
#include "clipboard/ClipboardFetchPlan.h"
#include "clipboard/MimeDataCopier.h"
#include "platform/ClipboardReader.h"

#include <memory>

namespace {
struct NamesReader : ClipboardReader {
    Offer offer() override { return {true, {}, {}}; }
    Data fetch(const QString& format) override {
        ++fetches;
        return {true, format.toUtf8(), {}};
    }
    int fetches = 0;
};
} // namespace

void fuzz_one(const QByteArray& input) {
    QStringList offered;
    for (const QByteArray& line : input.split('\n'))
        offered << QString::fromUtf8(line);

    const ClipboardFetchPlan plan(offered);
    FUZZ_CHECK(plan.formats().removeDuplicates() == 0);
    for (const QString& format : plan.formats())
        FUZZ_CHECK(offered.contains(format));
    FUZZ_CHECK(plan.picture().isEmpty() || plan.formats().contains(plan.picture()));

    NamesReader reader;
    QStringList failures;
    MimeDataCopier copier;
    std::unique_ptr<CapturedMimeData> entry(copier.capture(reader, offered, false, &failures));
    FUZZ_CHECK(reader.fetches == plan.formats().size());
    for (const QString& key : entry->QMimeData::formats()) {
        // What is stored under a name that was offered as such is that format's own data
        // (a URI list is kept as URLs, so its bytes come back normalized).
        if (offered.contains(key) && !ClipboardFetchPlan::is_image_format(key) &&
            key != QLatin1String("text/uri-list"))
            FUZZ_CHECK(entry->data(key) == key.toUtf8());
    }
}
