// autocomplete.json as any program could have left it: parsed in memory, then loaded by the
// store from disk. Whatever the store keeps, it writes back in a layout it reads again unchanged.
#include "FuzzSupport.h"
#include "autocomplete/AutocompleteJson.h"
#include "autocomplete/AutocompleteStore.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <string>
#include <vector>

namespace {
struct Entry {
    std::string type, text;
    bool operator==(const Entry& o) const { return type == o.type && text == o.text; }
};

std::vector<Entry> entries_of(const AutocompleteStore& store) {
    std::vector<Entry> out;
    for (int i = 0; i < store.size(); ++i) {
        const LoadedObject entry = store.at(i);
        out.push_back({entry.m_type.toStdString(), entry.m_text.toStdString()});
    }
    return out;
}
} // namespace

void fuzz_one(const QByteArray& input) {

    std::vector<Entry> parsed;
    const auto result = AutocompleteJson::parse(
        input.constData(), input.size(),
        [&](const char* type, qsizetype type_size, const char* text, qsizetype text_size) {
            FUZZ_CHECK(AutocompleteJson::is_valid_utf8(type, type_size));
            FUZZ_CHECK(AutocompleteJson::is_valid_utf8(text, text_size));
            parsed.push_back(
                {std::string(type, size_t(type_size)), std::string(text, size_t(text_size))});
        });
    FUZZ_CHECK(result.entries == qint64(parsed.size()));
    if (result.complete && result.canonical) {
        // Canonical means: exactly the bytes we would write for these entries.
        QByteArray again = parsed.empty() ? AutocompleteJson::empty_document() : "[\n";
        for (size_t i = 0; i < parsed.size(); ++i) {
            if (i > 0)
                again.append(",\n");
            AutocompleteJson::append_element(again, parsed[i].type.data(), parsed[i].type.size(),
                                             parsed[i].text.data(), parsed[i].text.size());
        }
        if (!parsed.empty())
            again.append("\n]\n");
        FUZZ_CHECK(again == input);
    }

    // The store on disk: load, and load again what it left behind.
    const QString dir = FuzzSupport::scratch() + QStringLiteral("/store");
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/autocomplete.json");
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(input) == input.size());
    }
    AutocompleteStore store(path, dir + QStringLiteral("/images"));
    store.load();
    const std::vector<Entry> first = entries_of(store);
    if (store.file_usable()) {
        store.insert(QStringLiteral("text"), QStringLiteral("appended \"\\\n"));
        const std::vector<Entry> expected = entries_of(store);
        AutocompleteStore again(path, dir + QStringLiteral("/images"));
        again.load();
        FUZZ_CHECK(entries_of(again) == expected);
        FUZZ_CHECK(again.last_backup().isEmpty());

        // Another program renames the input over the file: the next insert reads it back and
        // adds what it lacks of ours, in our order.
        QSaveFile other(path);
        FUZZ_CHECK(other.open(QIODevice::WriteOnly) && other.write(input) == input.size() &&
                   other.commit());
        store.insert(QStringLiteral("text"), QStringLiteral("after"));
        std::vector<Entry> merged = expected;
        merged.push_back({"text", "after"});
        FUZZ_CHECK(entries_of(store) == merged);
        AutocompleteStore third(path, dir + QStringLiteral("/images"));
        third.load();
        FUZZ_CHECK(entries_of(third) == merged);
    }
}
