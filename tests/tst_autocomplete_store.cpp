#include "FileSizeLimit.h"
#include "PosixFiles.h"
#include "TestWidgets.h"
#include "autocomplete/AutocompleteStore.h"

#include <QtTest>

// A store on the given files, loaded.
struct Loaded : AutocompleteStore {
    Loaded(const QString& json, const QString& images, qint64 limit = max_file_bytes)
        : AutocompleteStore(json, images, limit) {
        load();
    }
    void add(const QStringList& texts) {
        for (const QString& text : texts)
            QVERIFY(insert(QStringLiteral("text"), text));
    }
};

// The store on its own: the file it writes, what it reads back, and how it survives bad files.
class TestAutocompleteStore : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;

    QString json() const { return dir->filePath(QStringLiteral("autocomplete.json")); }
    QString images() const { return dir->filePath(QStringLiteral("images")); }

    static QByteArray read(const QString& path) { return TestWidgets::read_file(path); }
    static void write(const QString& path, const QByteArray& bytes) {
        QVERIFY(TestWidgets::write_file(path, bytes));
    }
    // What Qt itself writes for these text entries.
    static QByteArray qt_layout(const QStringList& texts) {
        QJsonArray array;
        for (const QString& text : texts)
            array.append(QJsonObject{{"type", "text"}, {"text", text}});
        return QJsonDocument(array).toJson(QJsonDocument::Indented);
    }
    static QStringList texts(const AutocompleteStore& store) {
        QStringList out;
        for (int i = 0; i < store.size(); ++i)
            out.append(store.at(i).m_text);
        return out;
    }
    QStringList backups() const {
        return QDir(dir->path()).entryList({QStringLiteral("autocomplete.json.unreadable-*")});
    }
    static QStringList found(const AutocompleteStore& store, const QString& needle) {
        QStringList out;
        for (const quint32 index : store.search(needle))
            out.append(store.at(int(index)).m_text);
        return out;
    }
    void add_image(const QString& name) { write(images() + QLatin1Char('/') + name, "png"); }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }

    void layout_is_what_qt_writes() {
        QString controls;
        for (int c = 0; c < 0x20; ++c)
            controls += QChar(c + 1 == 0x20 ? 0x7f : c + 1);
        // The same text twice is two entries.
        const QStringList entries =
            QStringList{"plain", "say \"hi\" \\ back/slash", "two\nlines\tand\ra\fb\bc", controls}
            << QString::fromUtf8("Zürich, Kraków, 東京, 😀 and U+2028:\u2028.") << "plain";
        {
            Loaded store(json(), images());
            QVERIFY(!QFile::exists(json()));
            store.add(entries);
            QVERIFY(!store.insert(QStringLiteral("text"), QString()));
            QVERIFY(!store.insert(QStringLiteral("image"), QStringLiteral("image1.png")));
            QCOMPARE(read(json()), qt_layout(entries));
        }
        // A file in our layout is read as it stands, never rewritten.
        const QDateTime old = QDateTime::currentDateTime().addDays(-1);
        QFile file(json());
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(old, QFileDevice::FileModificationTime));
        file.close();
        Loaded again(json(), images());
        QCOMPARE(texts(again), entries);
        QCOMPARE(QFileInfo(json()).lastModified(), old);
        QVERIFY(backups().isEmpty());
        if (has_posix_files)
            QCOMPARE(QFile::permissions(json()) & (QFile::ReadOther | QFile::ReadGroup),
                     QFile::Permissions());
    }

    // Images follow the file's texts (a folder among them is none) and are listed again when
    // the folder changes; a search is a case-sensitive substring within one entry.
    void images_and_search() {
        add_image(QStringLiteral("abimage.png"));
        QDir().mkpath(images() + QStringLiteral("/sub.folder"));
        write(json(), qt_layout({"abc", "AB", "cab", "xa"}));
        Loaded store(json(), images());
        QCOMPARE(texts(store), (QStringList{"abc", "AB", "cab", "xa", "abimage.png"}));
        QVERIFY(store.at(4).is_image());
        store.add({"by", "Zürich"});
        const QStringList in_file{"abc", "AB", "cab", "xa", "by", "Zürich"};
        QCOMPARE(texts(store), in_file.mid(0, 4) + QStringList({"abimage.png", "by", "Zürich"}));
        QCOMPARE(read(json()), qt_layout(in_file));
        QCOMPARE(found(store, "ab"), (QStringList{"abc", "cab", "abimage.png"}));
        // "xa" followed by "by" holds "ab" only across the two entries.
        QCOMPARE(found(store, "ay"), QStringList());
        QCOMPARE(found(store, "ür"), QStringList{"Zürich"});
        QCOMPARE(found(store, QString()), texts(store));
        // One character: texts on both sides of the images, and the images.
        QCOMPARE(found(store, "b"), (QStringList{"abc", "cab", "abimage.png", "by"}));
        QCOMPARE(found(store, "A"), QStringList{"AB"});
        QCOMPARE(found(store, "q"), QStringList());
        QCOMPARE(found(store, QString(10000, QLatin1Char('a'))), QStringList());
        // Narrowing the previous result gives what a full search gives.
        const std::vector<quint32> a = store.search(QStringLiteral("a"));
        QCOMPARE(store.search(QStringLiteral("ab"), &a), store.search(QStringLiteral("ab")));

        QVERIFY(!store.reload_if_images_changed());
        add_image(QStringLiteral("image2.png"));
        QVERIFY(store.reload_if_images_changed());
        QStringList listed = texts(store);
        QCOMPARE(listed.mid(0, 6), in_file);
        std::sort(listed.begin() + 6, listed.end());
        QCOMPARE(listed.mid(6), (QStringList{"abimage.png", "image2.png"}));
        QCOMPARE(read(json()), qt_layout(in_file));

        // Deleting removes every equal entry, and appending goes on after the rewrite.
        store.add({"by", "bye", "by"});
        QCOMPARE(store.remove_equal(QStringLiteral("by")), 3);
        QCOMPARE(store.remove_equal(QStringLiteral("absent")), 0);
        QCOMPARE(found(store, "by"), QStringList{"bye"});
        store.add({"new"});
        QCOMPARE(read(json()), qt_layout({"abc", "AB", "cab", "xa", "Zürich", "bye", "new"}));
        store.clear();
        store.add({"after clear"});
        QCOMPARE(read(json()), qt_layout({"after clear"}));
    }

    void a_cut_file_loads_every_complete_entry() {
        const QStringList entries{"entry \"0\"", "entry \"1\"", "entry \"2\"", "entry \"3\""};
        const QByteArray whole = qt_layout(entries); // as the store writes them
        // Where each entry's element closes.
        QVector<int> ends;
        for (int from = 0; (from = whole.indexOf("\n    }", from)) >= 0; from += 6)
            ends.append(from + 6);
        QCOMPARE(ends.size(), entries.size());
        // A crash can stop an append at any byte: every cut keeps what was complete before it.
        for (int cut = 0; cut < whole.size(); ++cut) {
            init();
            const QByteArray part = whole.left(cut);
            write(json(), part);
            Loaded store(json(), images());
            const int complete =
                int(std::count_if(ends.begin(), ends.end(), [cut](int end) { return end <= cut; }));
            QCOMPARE(texts(store), entries.mid(0, complete));
            // Only the cut that leaves the final newline off still parses.
            if (cut > 0 && cut < whole.size() - 1) {
                QCOMPARE(backups().size(), 1);
                QCOMPARE(read(dir->filePath(backups().first())), part);
            }
            QCOMPARE(read(json()), qt_layout(entries.mid(0, complete)));
        }
    }

    // Files the store did not write: what it reads, whether the file is put aside first (never
    // overwritten), and that appending goes on after it.
    void files_written_elsewhere() {
        const QByteArray compact("[{\"type\":\"text\",\"text\":\"compact\"},{\"text\":\"b\\u00e9\","
                                 "\"type\":\"text\"}]");
        const QByteArray latin1("[\n    {\n        \"text\": \"caf\xe9\",\n        \"type\": "
                                "\"text\"\n    }\n]\n");
        const struct {
            QByteArray content;
            QStringList loaded;
            bool put_aside;
        } rows[] = {{"", {}, false},
                    {"{\"text\": \"a\", \"type\": \"text\"}\n", {}, true},
                    {"hello, world", {}, true},
                    {"[1, 2, 3]", {}, true},
                    {compact, {"compact", QString::fromUtf8("bé")}, false},
                    {latin1, {QString::fromUtf8("caf\xef\xbf\xbd")}, true}};
        for (const auto& row : rows) {
            init();
            write(json(), row.content);
            Loaded store(json(), images());
            QCOMPARE(texts(store), row.loaded);
            QCOMPARE(backups().size(), row.put_aside ? 1 : 0);
            if (row.put_aside)
                QCOMPARE(read(dir->filePath(backups().first())), row.content);
            store.add({"new"});
            QCOMPARE(read(json()), qt_layout(row.loaded + QStringList{"new"}));
        }
    }

    void a_full_file_is_kept_and_its_newest_entries_go_on() {
        constexpr qint64 limit = 1000;
        QStringList entries;
        for (int i = 0; i < 20; ++i)
            entries.append(QStringLiteral("entry %1 ").arg(i).repeated(4));
        // Appends go past the limit: nothing is dropped during the run.
        Loaded(json(), images(), limit).add(entries);
        const QByteArray full = read(json());
        QCOMPARE(full, qt_layout(entries));
        QVERIFY(full.size() > limit);
        // The newest entries that take at most half the limit start the next file.
        int kept = 0;
        while (kept < entries.size() &&
               qt_layout(entries.mid(entries.size() - kept - 1)).size() <= limit / 2)
            ++kept;
        QStringList newest = entries.mid(entries.size() - kept);
        QVERIFY(kept > 1);

        QStringList notices;
        Loaded store(json(), images(), limit);
        store.set_notice_handler([&](const QString& text) { notices.append(text); });
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices[0].contains(store.last_backup()), qPrintable(notices[0]));
        QCOMPARE(read(store.last_backup()), full);
        QCOMPARE(texts(store), newest);
        store.add({"new"});
        newest.append(QStringLiteral("new"));
        QCOMPARE(read(json()), qt_layout(newest));

        Loaded again(json(), images(), limit);
        again.set_notice_handler([&](const QString& text) { notices.append(text); });
        QCOMPARE(texts(again), newest);
        QCOMPARE(notices.size(), 1);
    }

    // A and B are two instances on one file; "=x" is a program writing a new file holding x and
    // renaming it over ours.
    void another_writer_loses_nothing_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("entries");
        QTest::newRow("replaced") << "A+a1 A+a2 =x A+a3 A+a4"
                                  << "x a1 a2 a3 a4";
        QTest::newRow("removed") << "A+a1 rm A+a2"
                                 << "a1 a2";
        QTest::newRow("appended to") << "A+a1 B B+b1 A+a2"
                                     << "a1 b1 a2";
        QTest::newRow("appended to, then deleted from") << "A+a1 A+a2 B B+b1 A-a1"
                                                        << "a2 b1";
    }
    void another_writer_loses_nothing() {
        QFETCH(QString, steps);
        QFETCH(QString, entries);
        QStringList expected = entries.split(' ');
        const bool windows = QSysInfo::productType() == QLatin1String("windows");
        Loaded a(json(), images());
        std::unique_ptr<Loaded> b;
        for (const QString& step : steps.split(' ')) {
            Loaded* store = step.startsWith(QLatin1Char('A')) ? &a : b.get();
            if (step == QLatin1String("B")) {
                b = std::make_unique<Loaded>(json(), images());
            } else if (step == QLatin1String("rm")) {
                QVERIFY(QFile::remove(json()));
            } else if (step.startsWith(QLatin1Char('='))) {
                QSaveFile file(json());
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(qt_layout({step.mid(1)}));
                if (!file.commit()) {
                    // Windows refuses a rename over a file held open: nothing of ours is lost.
                    QVERIFY2(windows, qPrintable(file.errorString()));
                    expected.removeAll(step.mid(1));
                }
            } else if (step[1] == QLatin1Char('+')) {
                store->add({step.mid(2)});
            } else {
                QCOMPARE(store->remove_equal(step.mid(2)), 1);
            }
        }
        QCOMPARE(texts(a), expected);
        Loaded again(json(), images());
        if (windows)
            QEXPECT_FAIL("appended to, then deleted from",
                         "Windows refuses to rename the rewritten file over one another "
                         "program holds open: the removal stays in memory",
                         Abort);
        QCOMPARE(texts(again), expected);
        QVERIFY(backups().isEmpty());
    }

    // Files that cannot be read or written: a backup goes beside the file whatever its folder is
    // called; a folder where the file belongs leaves the texts in memory, nothing written or
    // moved; an append that fails part way leaves the file whole and goes with the next.
    void files_that_cannot_be_read_or_written() {
        const QString folder = dir->filePath(QStringLiteral("a~b~c"));
        const QString path = folder + QStringLiteral("/autocomplete.json");
        // Every name the next seconds could give is taken: the backup gets a number.
        const QDateTime now = QDateTime::currentDateTime();
        for (int s = 0; s < 5; ++s)
            write(path + ".unreadable-" + now.addSecs(s).toString("yyyyMMdd-HHmmss"), "old");
        write(path, "not json");
        const QString backup = Loaded(path, images()).last_backup();
        QVERIFY2(backup.startsWith(path + ".unreadable-") && backup.endsWith("~2"),
                 qPrintable(backup));
        QCOMPARE(read(backup), QByteArray("not json"));

        QVERIFY(QDir().mkpath(path + QStringLiteral(".d")));
        Loaded in_memory(path + QStringLiteral(".d"), images());
        QVERIFY(!in_memory.file_usable());
        in_memory.add({"b"});
        QCOMPARE(texts(in_memory), QStringList{"b"});
        QVERIFY(QFileInfo(path + QStringLiteral(".d")).isDir());
        QCOMPARE(QDir(folder).entryList({"*.d.unreadable-*"}), QStringList());

        Loaded store(json(), images());
        store.add({"a1"});
        {
            // The next element stops part way, as on a full disk.
            const FileSizeLimit limit(QFileInfo(json()).size() + 10);
            if (!limit.active())
                QSKIP("no file size limit here");
            store.add({"a2, too long to fit"});
            QCOMPARE(read(json()), qt_layout({"a1"}));
        }
        store.add({"a3"});
        QCOMPARE(read(json()), qt_layout({"a1", "a2, too long to fit", "a3"}));
    }

    void large_texts_wait_on_disk_and_stay_whole() {
        const QString tmp = dir->filePath(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(tmp));
        const QByteArray old_tmp = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", old_tmp); }); // empty is as unset
        qputenv("TMPDIR", tmp.toLocal8Bit());
        // A match that straddles two of the pieces a search reads, and one at the very end.
        const int cut = int(TextSpill::piece_bytes);
        const QString straddling = QString(cut - 3, 'a') + "NEEDLE" + QString(1000, 'b') + "Zürich";
        const QString large = QString(int(AutocompleteStore::spill_bytes), QLatin1Char('c'));
        const QString large_x = large + QLatin1Char('x');
        const QStringList kept{"small NEEDLE", straddling, large_x, "cc"};
        // Ten megabytes with quotes and line breaks to escape.
        const QString big = QStringLiteral("line with \"quotes\"\n").repeated(600000);
        {
            Loaded store(json(), images());
            store.add({"small NEEDLE", straddling, large, large_x, "cc"});
            QCOMPARE(store.text_bytes(), qint64(14));
            QVERIFY(store.spilled_bytes() > 2 * AutocompleteStore::spill_bytes + cut);
            QCOMPARE(texts(store), (QStringList{"small NEEDLE", straddling, large, large_x, "cc"}));
            QCOMPARE(found(store, "NEEDLE"), (QStringList{"small NEEDLE", straddling}));
            QCOMPARE(found(store, "rich"), QStringList{straddling});
            QCOMPARE(found(store, "cx"), QStringList{large_x});
            QCOMPARE(found(store, "aNEEDLEbc"), QStringList{});
            QCOMPARE(found(store, "N"), (QStringList{"small NEEDLE", straddling}));
            const std::vector<quint32> c = store.search(QStringLiteral("c"));
            QCOMPARE(c.size(), size_t(4)); // "Zürich" too
            QCOMPARE(store.search(QStringLiteral("cx"), &c), store.search(QStringLiteral("cx")));
            QCOMPARE(store.display_text_at(1, 4), QStringLiteral("aaaa") + QChar(0x2026));
            // Deleting shifts the texts after it; the file keeps the others whole.
            QCOMPARE(store.remove_equal(large), 1);
            QCOMPARE(texts(store), kept);
            QCOMPARE(found(store, "cx"), QStringList{large_x});
            QCOMPARE(read(json()), qt_layout(kept));
            if (has_posix_files) { // on disk in the cache, not in a /tmp that may be memory
                const QString cache =
                    QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/texts/";
                QStringList open;
                for (const QFileInfo& fd :
                     QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System))
                    open << fd.symLinkTarget();
                QVERIFY2(!open.filter(cache).isEmpty(), qPrintable(open.join(' ')));
            }
        }
        QCOMPARE(QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        {
            Loaded store(json(), images());
            QCOMPARE(texts(store), kept);
            QVERIFY(store.text_bytes() < AutocompleteStore::spill_bytes);
            QCOMPARE(found(store, "LE"), (QStringList{"small NEEDLE", straddling}));
            store.clear();
            QCOMPARE(store.spilled_bytes(), qint64(0));
            store.add({big});
            QVERIFY(store.at(0).m_text == big);
            store.add({"after"});
        }
        Loaded store(json(), images());
        QCOMPARE(store.size(), 2);
        QVERIFY(store.at(0).m_text == big);
        QCOMPARE(store.display_text_at(0, 50).size(), 51); // cut, with an ellipsis
        QCOMPARE(found(store, "after"), QStringList{"after"});
    }
};

QTEST_GUILESS_MAIN(TestAutocompleteStore)
#include "tst_autocomplete_store.moc"
