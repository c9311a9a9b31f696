// Every block width of the text scanner against a plain search, whatever CPU runs the test: the
// widest path is what users get, the narrower ones are what older machines get.
#include "autocomplete/TextScanner.h"

#include <QtTest>
#include <string>

namespace {
// Texts stored back to back, as the scanner reads them.
struct Corpus {
    std::string data;
    std::vector<qint64> starts{0};
    std::vector<std::string> texts;

    void add(const std::string& text) {
        data += text;
        starts.push_back(qint64(data.size()));
        texts.push_back(text);
    }
    QVector<quint32> scan(TextScanner::Path path, int first, int last, const std::string& needle,
                          quint32 offset = 0) const {
        std::vector<quint32> found;
        TextScanner::scan(path, data.data(), starts, first, last, needle.data(),
                          qsizetype(needle.size()), offset, found);
        return QVector<quint32>(found.begin(), found.end());
    }
};
} // namespace

class TestTextScanner : public QObject {
    Q_OBJECT

private slots:
    void agrees_with_a_plain_search() {
        using Path = TextScanner::Path;
        for (const Path path : {Path::Scalar, Path::Sse2, Path::Avx2}) {
            if (!TextScanner::supported(path))
                continue; // this CPU lacks the path
            // Entries cut so the needle "xyz" straddles every boundary, at every place within a
            // 16- and 32-byte block; real matches sit exactly at block ends and at the data's end.
            for (int shift = 0; shift < 40; ++shift) {
                Corpus corpus;
                corpus.add(std::string(size_t(shift), 'a') + "xy");
                corpus.add("z" + std::string(30, 'b') + "x");
                corpus.add("yz" + std::string(size_t(shift), 'c'));
                corpus.add(std::string(size_t(shift), 'd') + "xyz");
                corpus.add(std::string(29, 'e') + "xyz");
                QCOMPARE(corpus.scan(path, 0, 5, "xyz"), (QVector<quint32>{3, 4}));
            }
            QRandomGenerator random(20261206);
            const auto text = [&random](size_t size) {
                std::string text(size, ' ');
                for (char& c : text)
                    c = char('a' + random.bounded(3));
                return text;
            };
            for (int round = 0; round < 300; ++round) {
                // A small alphabet, so needles of every length match somewhere, and many
                // near-misses share the needle's first and last byte.
                Corpus corpus;
                const int entries = 1 + int(random.bounded(60));
                for (int e = 0; e < entries; ++e)
                    corpus.add(text(random.bounded(90)));
                const int first = int(random.bounded(entries));
                const int last = first + int(random.bounded(entries - first + 1));
                std::string needle = text(1 + random.bounded(40));
                if (random.bounded(2)) {
                    // A needle taken from the corpus itself, possibly across two entries.
                    const qint64 at = qint64(random.bounded(quint32(corpus.data.size() + 1)));
                    needle = corpus.data.substr(size_t(at), needle.size());
                    if (needle.empty())
                        needle = "a";
                }
                const quint32 offset = random.bounded(1000);
                QVector<quint32> want;
                for (int i = first; i < last; ++i)
                    if (corpus.texts[size_t(i)].find(needle) != std::string::npos)
                        want.append(quint32(i) + offset);
                QVERIFY2(corpus.scan(path, first, last, needle, offset) == want,
                         qPrintable(QStringLiteral("path %1, round %2, needle '%3'")
                                        .arg(int(path))
                                        .arg(round)
                                        .arg(QString::fromStdString(needle))));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTextScanner)
#include "tst_text_scanner.moc"
