// autocomplete.json as any program could have left it: parsed in memory, then loaded by the
// store from disk. Whatever the store keeps, it writes back in a layout it reads again unchanged.
#include "FuzzSupport.h"
#include "autocomplete/AutocompleteJson.h"
#include "autocomplete/AutocompleteStore.h"

#include <QSaveFile>
#include <string>
#include <vector>

namespace {
using Entries = std::vector<std::pair<QString, QString>>; // type, text

Entries entries_of(const AutocompleteStore& store) {
    Entries out;
    for (int i = 0; i < store.size(); ++i)
        out.emplace_back(store.at(i).m_type, store.at(i).m_text);
    return out;
}
} // namespace

void fuzz_one(const QByteArray& input) {
    std::vector<std::pair<std::string, std::string>> parsed;
    const auto result = AutocompleteJson::parse(
        input.constData(), input.size(),
        [&](const char* type, qsizetype type_size, const char* text, qsizetype text_size) {
            FUZZ_CHECK(AutocompleteJson::is_valid_utf8(type, type_size));
            FUZZ_CHECK(AutocompleteJson::is_valid_utf8(text, text_size));
            parsed.emplace_back(std::string(type, size_t(type_size)),
                                std::string(text, size_t(text_size)));
        });
    FUZZ_CHECK(result.entries == qint64(parsed.size()));
    if (result.complete && result.canonical) {
        // Canonical means: exactly the bytes we would write for these entries.
        QByteArray again = parsed.empty() ? AutocompleteJson::empty_document() : "[\n";
        for (const auto& [type, text] : parsed) {
            if (again.size() > 2)
                again.append(",\n");
            AutocompleteJson::append_element(again, type.data(), type.size(), text.data(),
                                             text.size());
        }
        if (!parsed.empty())
            again.append("\n]\n");
        FUZZ_CHECK(again == input);
    }

    // The store on disk: load, and load again what it left behind.
    const QString dir = FuzzSupport::fresh_folder(QStringLiteral("store"));
    const QString path = dir + QStringLiteral("/autocomplete.json");
    const QString images = dir + QStringLiteral("/images");
    FuzzSupport::write_file(path, input);
    AutocompleteStore store(path, images);
    store.load();
    if (store.file_usable()) {
        store.insert(QStringLiteral("text"), QStringLiteral("appended \"\\\n"));
        Entries expected = entries_of(store);
        AutocompleteStore again(path, images);
        again.load();
        FUZZ_CHECK(entries_of(again) == expected);
        FUZZ_CHECK(again.last_backup().isEmpty());

        // Another program renames the input over the file: the next insert reads it back and
        // adds what it lacks of ours, in our order.
        QSaveFile other(path);
        FUZZ_CHECK(other.open(QIODevice::WriteOnly) && other.write(input) == input.size() &&
                   other.commit());
        store.insert(QStringLiteral("text"), QStringLiteral("after"));
        expected.emplace_back(QStringLiteral("text"), QStringLiteral("after"));
        FUZZ_CHECK(entries_of(store) == expected);
        AutocompleteStore third(path, images);
        third.load();
        FUZZ_CHECK(entries_of(third) == expected);
    }
}
