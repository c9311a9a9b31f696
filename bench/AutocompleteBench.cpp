// The autocomplete store and popup at a realistic size, against a straightforward
// implementation (QJsonDocument, a QListWidget item per entry, whole-file rewrite and full list
// rebuild per insertion) measured the same way in the same run.
//
//   autocomplete_bench generate N FILE [L]  writes a store of N texts, L of them 200 KB long
//   autocomplete_bench ours|plain FILE      loads it and prints one figure per line
#include "autocomplete/AutocompleteDialog.h"
#include "autocomplete/AutocompleteJson.h"
#include "platform/ActiveWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QRandomGenerator>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {
const char* const words[] = {"the",      "clipboard",
                             "paste",    "queue",
                             "copy",     "of",
                             "and",      "to",
                             "window",   "history",
                             "entry",    "search",
                             "popup",    "text",
                             "image",    "folder",
                             "file",     "record",
                             "meeting",  "report",
                             "invoice",  "customer",
                             "address",  "street",
                             "number",   "phone",
                             "email",    "project",
                             "Straße",   "café",
                             "naïve",    "résumé",
                             "order",    "delivery",
                             "status",   "update",
                             "review",   "change",
                             "request",  "build",
                             "release",  "version",
                             "server",   "client",
                             "database", "index",
                             "table",    "query",
                             "user",     "password",
                             "account",  "monday",
                             "tuesday",  "friday",
                             "january",  "march",
                             "London",   "Paris",
                             "Berlin",   "Kraków",
                             "Zürich",   "https://example.org/path",
                             "42",       "2026",
                             "alpha",    "beta",
                             "gamma",    "delta",
                             "kernel",   "thread",
                             "socket",   "buffer",
                             "string",   "value"};
constexpr int word_count = int(sizeof(words) / sizeof(words[0]));

QString random_text(QRandomGenerator& random) {
    // Words, lines and paragraphs in a mix that averages about 100 characters.
    const int kind = int(random.bounded(10));
    const int target = kind < 4   ? int(random.bounded(3, 20))
                       : kind < 8 ? int(random.bounded(40, 120))
                                  : int(random.bounded(200, 420));
    QString text;
    while (text.size() < target) {
        if (!text.isEmpty())
            text += random.bounded(12) == 0 ? QStringLiteral("\n") : QStringLiteral(" ");
        text += QString::fromUtf8(words[random.bounded(word_count)]);
    }
    return text;
}

// Processor time of this thread: the machine these run on is shared, and wall time there says
// more about the neighbours than about the code. Wall time is printed beside it.
class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart() {
        m_wall.start();
        m_cpu = cpu_ns();
    }
    double cpu_ms() const { return double(cpu_ns() - m_cpu) / 1e6; }
    double wall_ms() const { return double(m_wall.nsecsElapsed()) / 1e6; }

private:
    static qint64 cpu_ns() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
    QElapsedTimer m_wall;
    qint64 m_cpu = 0;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

long rss_kb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

void settle() {
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

void figure(const char* name, double value, const char* unit) {
    std::printf("@ %s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// A timed step: its processor time, and its wall time as a second figure.
struct Timing {
    std::vector<double> cpu;
    std::vector<double> wall;
    void add(const Stopwatch& watch) {
        cpu.push_back(watch.cpu_ms());
        wall.push_back(watch.wall_ms());
    }
    void print_median(const char* name) const {
        figure(name, median(cpu), "ms");
        figure((QByteArray(name) + "_wall").constData(), median(wall), "ms");
    }
    void print_max(const char* name) const {
        figure(name, *std::max_element(cpu.begin(), cpu.end()), "ms");
        figure((QByteArray(name) + "_wall").constData(),
               *std::max_element(wall.begin(), wall.end()), "ms");
    }
};

// The searches a user types: one word letter by letter, then a rarer one.
const QStringList keystrokes = {
    QStringLiteral("c"),     QStringLiteral("cl"),    QStringLiteral("cli"), QStringLiteral("clip"),
    QStringLiteral("clipb"), QStringLiteral("Z"),     QStringLiteral("Zü"),  QStringLiteral("Zür"),
    QStringLiteral("e r"),   QStringLiteral("ion\ns")};

// A pasted log or document: what the store keeps on disk rather than in memory.
QString large_text(QRandomGenerator& random) {
    QString text;
    while (text.size() < 200 * 1024)
        text += random_text(random) + QLatin1Char('\n');
    return text;
}

int generate(int n, const QString& path, int large) {
    QRandomGenerator random(20261206);
    const int every = large > 0 ? std::max(1, n / large) : 0;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    QByteArray out = QByteArrayLiteral("[\n");
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            out.append(",\n");
        const bool is_large = every > 0 && i % every == every / 2 && i / every < large;
        const QByteArray text = (is_large ? large_text(random) : random_text(random)).toUtf8();
        AutocompleteJson::append_element(out, "text", 4, text.constData(), text.size());
        if (out.size() > (1 << 22)) {
            file.write(out);
            out.clear();
        }
    }
    out.append(n > 0 ? "\n]\n" : "]\n");
    file.write(out);
    return 0;
}

// The popup measured on its own: no desktop to hand the focus back to.
class NoActiveWindow : public ActiveWindow {
public:
    quint64 current() override { return 0; }
    bool activate(quint64, QString*) override { return false; }
};

int run_ours(const QString& path) {
    {
        // The store alone, without the popup's widgets.
        AutocompleteStore store(path, path + QStringLiteral(".images"));
        Stopwatch watch;
        store.load();
        Timing load;
        load.add(watch);
        load.print_median("store_load_ms");
    }
    const long rss_before = rss_kb();
    Stopwatch watch;
    Timing startup;
    AutocompleteStore popup_store(path, path + QStringLiteral(".images"));
    popup_store.load();
    NoActiveWindow no_window;
    AutocompleteDialog dialog(popup_store, no_window);
    settle();
    startup.add(watch);
    startup.print_median("startup_ms");
    figure("memory_ratio", double(rss_kb() - rss_before) * 1024 / double(QFileInfo(path).size()),
           "x");

    Timing open;
    watch.restart();
    dialog.open_or_close();
    settle();
    open.add(watch);
    open.print_median("open_ms");

    QRandomGenerator random(7);
    Timing inserts;
    for (int i = 0; i < 200; ++i) {
        const QString text = random_text(random);
        watch.restart();
        dialog.database_insert(QStringLiteral("text"), text);
        settle();
        inserts.add(watch);
    }
    inserts.print_median("insert_median_ms");

    Timing keys;
    for (const QString& search : keystrokes) {
        watch.restart();
        dialog.line_edit()->setText(search);
        settle();
        keys.add(watch);
    }
    keys.print_median("keystroke_median_ms");
    keys.print_max("keystroke_max_ms");
    return 0;
}

// The straightforward implementation: a QJsonDocument in memory, a QListWidget item per entry.
class PlainPopup : public QWidget {
public:
    explicit PlainPopup(const QString& path) : m_file(path) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(&m_line_edit);
        layout->addWidget(&m_list);
        resize(400, 300);
        m_file.open(QIODevice::ReadWrite);
        const QJsonArray array = QJsonDocument::fromJson(m_file.readAll()).array();
        for (const QJsonValue& value : array) {
            const QJsonObject object = value.toObject();
            m_all.append({object.value(QStringLiteral("type")).toString(),
                          object.value(QStringLiteral("text")).toString()});
        }
        show_all();
    }
    void show_all() {
        m_list.clear();
        for (const LoadedObject& entry : m_all)
            m_list.addItem(entry.m_text);
    }
    void insert(const QString& text) {
        m_all.append({QStringLiteral("text"), text});
        QJsonArray array;
        for (const LoadedObject& entry : m_all)
            array.append(QJsonObject{{QStringLiteral("type"), entry.m_type},
                                     {QStringLiteral("text"), entry.m_text}});
        m_file.resize(0);
        m_file.write(QJsonDocument(array).toJson(QJsonDocument::Indented));
        m_file.flush();
        show_all();
    }
    void search(const QString& str) {
        m_list.clear();
        for (const LoadedObject& entry : m_all) {
            if (entry.m_text.contains(str))
                m_list.addItem(entry.m_text);
        }
    }

private:
    QFile m_file;
    QLineEdit m_line_edit;
    QListWidget m_list;
    QVector<LoadedObject> m_all;
};

int run_plain(const QString& path) {
    const long rss_before = rss_kb();
    Stopwatch watch;
    Timing startup;
    PlainPopup popup(path);
    settle();
    startup.add(watch);
    startup.print_median("startup_ms");
    figure("memory_ratio", double(rss_kb() - rss_before) * 1024 / double(QFileInfo(path).size()),
           "x");
    Timing open;
    watch.restart();
    popup.show();
    settle();
    open.add(watch);
    open.print_median("open_ms");
    // A few only: each one rewrites the whole file and rebuilds the whole list.
    QRandomGenerator random(7);
    Timing inserts;
    for (int i = 0; i < 3; ++i) {
        const QString text = random_text(random);
        watch.restart();
        popup.insert(text);
        settle();
        inserts.add(watch);
    }
    inserts.print_median("insert_median_ms");
    Timing keys;
    for (const QString& search : keystrokes.mid(0, 4)) {
        watch.restart();
        popup.search(search);
        settle();
        keys.add(watch);
    }
    keys.print_median("keystroke_median_ms");
    keys.print_max("keystroke_max_ms");
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if ((args.size() == 4 || args.size() == 5) && args.at(1) == QLatin1String("generate"))
        return generate(args.at(2).toInt(), args.at(3), args.size() == 5 ? args.at(4).toInt() : 0);
    if (args.size() == 3 && args.at(1) == QLatin1String("ours"))
        return run_ours(args.at(2));
    if (args.size() == 3 && args.at(1) == QLatin1String("plain"))
        return run_plain(args.at(2));
    std::fprintf(stderr,
                 "usage: autocomplete_bench generate N FILE [LARGE] | ours FILE | plain FILE\n");
    return 2;
}
