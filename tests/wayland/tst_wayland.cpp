// The Wayland backend's logic: the formats read and served, the key codes that keep our own
// Ctrl+V away from the desktop's binding, the screen copies' pixels, and the data-control client
// against a compositor of the test's own whose selection belongs to hostile owners.
#include "WaylandClipboardOwner.h"
#include "WaylandClipboardReader.h"
#include "WaylandConnection.h"
#include "WaylandInputInjector.h"
#include "WaylandScreenCapture.h"
#include "clipboard/SecretContent.h"
#include "platform/VirtualKeys.h"
#include "wlr-data-control-unstable-v1-server-protocol.h"

#include <wayland-client-protocol.h>

#include <QImage>
#include <QMimeData>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
const QByteArray utf8_text = "h\xc3\xa9llo";
const QString mark = SecretContent::hint_format();
constexpr qint64 cap = 8 << 20; // the readers' size cap, smaller than the program's
std::atomic<qint64> owners_wrote{0};

// The program that owns the selection, asked for mime through fd: the hostile ones go by the
// name asked for. None outlasts five seconds or the end of its compositor.
void play_owner(const QByteArray& mime, int fd, const std::atomic<bool>& ending) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const auto until = Clock::now() + std::chrono::seconds(5);
    const auto going = [&] { return !ending && Clock::now() < until; };
    const auto put = [fd](const QByteArray& bytes) {
        for (int at = 0; at < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.constData() + at, size_t(bytes.size() - at));
            if (n <= 0)
                return false; // the reader closed its end
            at += int(n);
            owners_wrote += n;
        }
        return true;
    };
    if (mime == "x-test/silent" || mime == "x-test/replace" || mime == "x-test/ending" ||
        mime == "x-test/vanish") {
        while (going())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else if (mime == "x-test/drip") {
        while (going() && put("x"))
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } else if (mime == "x-test/6mb" || mime == "x-test/flood") {
        const QByteArray block(1 << 20, 'x');
        for (int i = mime == "x-test/flood" ? 2 * int(cap >> 20) : 6; i > 0 && put(block); --i) {
        }
    } else if (mime == "STRING") {
        put("h\xe9llo");
    } else if (mime == mark) {
        put("secret");
    } else if (mime != "x-test/empty") {
        put(utf8_text);
    }
    ::close(fd);
}

// A compositor in a thread of its own with a seat and data-control, talking to one client
// over a socket pair: it offers selection at first, and plays the owners of what it offers.
struct FakeCompositor {
    wl_display* display = wl_display_create();
    wl_resource* device = nullptr;
    wl_resource* source = nullptr; // the client's selection
    QHash<wl_resource*, QStringList> sources;
    QStringList selection;
    std::atomic<bool> ending{false};
    std::vector<std::thread> owners;
    std::mutex mutex; // held while requests are handled, and by run()
    std::thread thread;

    static FakeCompositor* of(wl_resource* r) {
        return static_cast<FakeCompositor*>(wl_resource_get_user_data(r));
    }

    explicit FakeCompositor(QStringList offered) : selection(std::move(offered)) {
        int fds[2];
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
        wl_client_create(display, fds[0]);
        qputenv("WAYLAND_SOCKET", QByteArray::number(fds[1]));
        wl_global_create(display, &wl_seat_interface, 1, this, bind<&wl_seat_interface>);
        wl_global_create(display, &zwlr_data_control_manager_v1_interface, 2, this,
                         bind<&zwlr_data_control_manager_v1_interface>);
        thread = std::thread([this] {
            wl_event_loop* loop = wl_display_get_event_loop(display);
            for (pollfd polled{wl_event_loop_get_fd(loop), POLLIN, 0}; !ending;) {
                poll(&polled, 1, 10);
                run([&] { wl_event_loop_dispatch(loop, 0); });
            }
        });
    }
    ~FakeCompositor() {
        ending = true;
        thread.join();
        for (auto& owner : owners)
            owner.join();
        wl_display_destroy_clients(display);
        wl_display_destroy(display);
    }
    template <const wl_interface* interface>
    static void bind(wl_client* client, void* self, uint32_t version, uint32_t id) {
        static_cast<FakeCompositor*>(self)->create(client, int(version), interface, id);
    }
    // Runs task beside the compositor's handling of requests.
    void run(const std::function<void()>& task) {
        std::lock_guard<std::mutex> lock(mutex);
        task();
        wl_display_flush_clients(display);
    }
    wl_resource* create(wl_client* client, int version, const wl_interface* interface,
                        uint32_t id) {
        wl_resource* r = wl_resource_create(client, interface, version, id);
        wl_resource_set_dispatcher(r, handle, nullptr, this, [](wl_resource* gone) {
            FakeCompositor* fake = of(gone);
            fake->sources.remove(gone);
            fake->source = fake->source == gone ? nullptr : fake->source;
            fake->device = fake->device == gone ? nullptr : fake->device;
        });
        return r;
    }
    // A new selection, listing formats.
    void offer(const QStringList& formats) {
        wl_resource* offer = create(wl_resource_get_client(device), wl_resource_get_version(device),
                                    &zwlr_data_control_offer_v1_interface, 0);
        zwlr_data_control_device_v1_send_data_offer(device, offer);
        for (const QString& format : formats)
            zwlr_data_control_offer_v1_send_offer(offer, format.toUtf8().constData());
        zwlr_data_control_device_v1_send_selection(device, offer);
    }
    // Asks the client's selection for format, as a pasting program does: the pipe's read end.
    int ask(const QString& format) {
        int fds[2];
        pipe2(fds, O_CLOEXEC);
        run([&] {
            zwlr_data_control_source_v1_send_send(source, format.toUtf8().constData(), fds[1]);
        });
        ::close(fds[1]);
        return fds[0];
    }
    // The client's requests to data-control, by name: only destroy is in more than one interface.
    static int handle(const void*, void* target, uint32_t, const wl_message* m, wl_argument* a) {
        auto* r = static_cast<wl_resource*>(target);
        FakeCompositor* fake = of(r);
        const auto create = [&](const wl_interface* interface) {
            return fake->create(wl_resource_get_client(r), wl_resource_get_version(r), interface,
                                a[0].n);
        };
        const QByteArray name = m->name, mime = name == "offer" || name == "receive" ? a[0].s : "";
        if (name == "destroy") {
            wl_resource_destroy(r);
        } else if (name == "create_data_source") {
            fake->sources.insert(create(&zwlr_data_control_source_v1_interface), {});
        } else if (name == "get_data_device") {
            fake->device = create(&zwlr_data_control_device_v1_interface);
            if (!fake->selection.isEmpty())
                fake->offer(fake->selection);
        } else if (name == "set_selection") {
            auto* source = reinterpret_cast<wl_resource*>(a[0].o);
            if (fake->source && fake->source != source)
                zwlr_data_control_source_v1_send_cancelled(fake->source);
            fake->source = source;
            // The client's own selection comes back to it, as from any compositor.
            if (source)
                fake->offer(fake->sources.value(source));
            else
                zwlr_data_control_device_v1_send_selection(r, nullptr);
        } else if (name == "offer") {
            fake->sources[r].append(QString::fromUtf8(mime));
        } else if (name == "receive") {
            // Another program copies while this one is being read.
            if (mime == "x-test/replace")
                fake->offer({"text/plain"});
            // The compositor ends the connection while the owner is read.
            if (mime == "x-test/vanish")
                wl_resource_post_error(r, 0, "ended by the test");
            fake->owners.emplace_back(play_owner, mime, a[1].h, std::cref(fake->ending));
        }
        return 0;
    }
};

// Our client of the fake compositor, connected and following its selection.
struct Session {
    FakeCompositor fake;
    WaylandConnection connection;
    WaylandClipboardOwner owner{connection};
    explicit Session(const QStringList& selection) : fake(selection) {
        QString error;
        if (!connection.open(&error) || !owner.start(&error))
            qFatal("no session with the fake compositor: %s", qPrintable(error));
    }
};

// What comes through fd until the writer closes it, handling our events meanwhile; "(open)"
// when it is still open after three seconds.
QByteArray drain(int fd) {
    QByteArray bytes;
    const auto until = Clock::now() + std::chrono::seconds(3);
    char chunk[65536];
    for (pollfd polled{fd, POLLIN, 0}; Clock::now() < until;) {
        QCoreApplication::processEvents();
        if (poll(&polled, 1, 10) <= 0)
            continue;
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        bytes.append(chunk, int(n));
    }
    ::close(fd);
    return Clock::now() < until ? bytes : QByteArray("(open)");
}
} // namespace

class TestWayland : public QObject {
    Q_OBJECT
private slots:
    // Processes that stop reading are given up on, not died of (the platform does the same).
    void initTestCase() { std::signal(SIGPIPE, SIG_IGN); }

    void what_is_read_of_an_offer() {
        // listed formats -> offered formats, then the name text is read under
        const struct {
            QString listed, formats, text_read_as;
        } rows[] = {
            {"TEXT text/plain UTF8_STRING text/plain;charset=utf-8", "text/plain",
             "text/plain;charset=utf-8"},
            {"STRING TARGETS text/html x-kde-passwordManagerHint",
             "text/plain text/html x-kde-passwordManagerHint", "STRING"},
            {"SAVE_TARGETS image/png image/png text/plain;charset=iso-8859-1", "image/png", ""},
        };
        for (const auto& row : rows) {
            const auto offered = WaylandClipboardReader::offered(row.listed.split(' '));
            QCOMPARE(offered.formats, row.formats.split(' '));
            QCOMPARE(offered.read_as.value("text/plain"), row.text_read_as);
        }
    }

    // Our letters sit where no keyboard has a key, the modifiers where every keyboard has them:
    // a binding on the physical V never matches the Ctrl+V we type.
    void our_letters_are_on_no_keyboards_codes() {
        using Codes = WaylandInputInjector::Codes;
        for (const int key : {VirtualKeys::V, VirtualKeys::C, VirtualKeys::X, VirtualKeys::B}) {
            QVERIFY(WaylandInputInjector::key_code(key, Codes::Own) > 247);
            QVERIFY(WaylandInputInjector::key_code(key, Codes::Physical) < 100);
        }
        QCOMPARE(WaylandInputInjector::key_code(VirtualKeys::Control, Codes::Own), 37);
        QVERIFY(WaylandInputInjector::keymap(Codes::Own).contains("<AB04> = 250;"));
        QVERIFY(WaylandInputInjector::keymap(Codes::Physical).contains("<AB04> = 55;"));
    }

    // Each capture ends within its limits, whatever the owner does: the answer or the error each
    // read ends with and how long it may take; the owners never write much past the size cap.
    void the_reader_bounds_hostile_owners() {
        QStringList many;
        for (int i = 0; i < 2000; ++i)
            many << QStringLiteral("x-test/n%1").arg(i);
        many.append({QString(1000, 'x') + "/y", "TARGETS", "UTF8_STRING", mark});
        const QByteArray six_mb(6 << 20, 'x');
        const char *late = "did not answer in time", *changed = "changed while it was read",
                   *broke = "the connection to the compositor broke";
        // A row that lists formats starts a capture of a new selection; the others go on with it.
        const struct {
            QStringList listed;
            QString format;
            bool ok;
            QByteArray answer; // the bytes read, or a part of the error
            int within_ms;
        } rows[] = {
            {{"x-test/silent"}, "x-test/silent", false, late, 2500},
            {{}, "x-test/silent", false, late, 1500}, // what is left of the capture's time
            {{"x-test/drip"}, "x-test/drip", false, late, 2500},
            {{"x-test/6mb", "x-test/flood"}, "x-test/6mb", true, six_mb, 2000},
            {{}, "x-test/flood", false, "more than the capture's 8388608 bytes", 2000},
            {{"x-test/empty", "STRING"}, "x-test/empty", true, "", 500},
            {{}, "text/plain", true, utf8_text, 500},
            {{"x-test/replace", "text/plain"}, "x-test/replace", false, changed, 1000},
            {{}, "text/plain", false, changed, 500},
            {{"x-test/ending"}, "x-test/ending", false, "the program is ending", 500},
            {{"x-test/vanish"}, "x-test/vanish", false, broke, 500},
            {{}, "x-test/vanish", false, broke, 100},
            {many, "x-test/n1024", false, "is not offered", 100},
            {{}, many[2000], false, "is not offered", 100},
            {{}, mark, true, "secret", 500},
            {{}, "text/plain", true, utf8_text, 500},
        };
        const int ending = eventfd(1, EFD_CLOEXEC); // readable: the program is ending
        QString format;
        std::unique_ptr<Session> session;
        std::unique_ptr<WaylandClipboardReader> reader;
        const auto end_capture = [&] {
            reader.reset();
            session.reset();
            const qint64 wrote = owners_wrote.exchange(0);
            QVERIFY2(wrote <= cap + (2 << 20), qPrintable(QString::number(wrote)));
        };
        for (const auto& row : rows) {
            if (!row.listed.isEmpty()) {
                end_capture();
                session = std::make_unique<Session>(row.listed);
                reader = std::make_unique<WaylandClipboardReader>(
                    session->connection, session->owner,
                    [&] { return format == "x-test/ending" ? ending : -1; }, cap);
                QVERIFY(reader->offer().ok);
            }
            format = row.format;
            const auto started = Clock::now();
            const ClipboardReader::Data data = reader->fetch(format);
            const auto took = Clock::now() - started;
            QVERIFY2(data.ok == row.ok && (row.ok || data.error.contains(row.answer)),
                     qPrintable(format + ": " + data.error));
            QCOMPARE(data.bytes, row.ok ? row.answer : QByteArray());
            QVERIFY2(took < std::chrono::milliseconds(row.within_ms), qPrintable(format));
        }
        end_capture();
        ::close(ending);
    }

    // Every format we offer (Qt's own names left out, a picture as PNG) is served, one we did not
    // offer is answered with nothing, our own selection coming back is no copy, and once the
    // compositor cancels ours, a copy is.
    void the_owner_serves_what_it_offered() {
        Session session({});
        QSignalSpy copies(&session.owner, &ClipboardOwner::copied);
        auto* entry = new QMimeData;
        const QString text(70000, QChar(0xe9));
        entry->setText(text);
        entry->setData(mark, "secret");
        entry->setData("application/x-qt-windows-mime;value=\"Rich Text\"", "x");
        const QStringList offered = {
            "text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING", "TEXT",
            "x-kde-passwordManagerHint"};
        QVERIFY(session.owner.serve(entry).ok);
        session.connection.roundtrip();
        QStringList seen;
        session.fake.run([&] { seen = session.fake.sources.value(session.fake.source); });
        QCOMPARE(seen, offered);
        const QHash<QString, QByteArray> answers = {
            {"STRING", text.toLatin1()}, {mark, "secret"}, {"image/jpeg", ""}};
        for (const QString& format : offered + QStringList{"image/jpeg"})
            QCOMPARE(drain(session.fake.ask(format)), answers.value(format, text.toUtf8()));
        QCOMPARE(copies.count(), 0);
        QMimeData picture;
        picture.setImageData(QImage(2, 2, QImage::Format_RGB32));
        QVERIFY(WaylandClipboardOwner::served_formats(picture).contains("image/png"));
        session.fake.run([&] {
            zwlr_data_control_source_v1_send_cancelled(session.fake.source);
            session.fake.offer({"text/plain"});
        });
        QTRY_COMPARE(copies.count(), 1);
        QVERIFY(!session.owner.serving());
        // The compositor ends the connection while a paste waits for its answer.
        QVERIFY(session.owner.serve(new QMimeData).ok);
        session.connection.roundtrip();
        session.fake.run([&] { wl_resource_post_error(session.fake.device, 0, "ended"); });
        const auto started = Clock::now();
        QVERIFY(!session.owner.wait_for_answer(2000));
        QVERIFY(Clock::now() - started < std::chrono::milliseconds(500));
    }

    // A compositor's description is checked before any memory is made for it; a copy is read
    // in its byte order, opaque, and turned back upright.
    void screen_copies_are_checked_and_turned_upright() {
        using B = WaylandScreenCapture::Buffer;
        const struct {
            B buffer;
            bool usable;
        } checks[] = {
            {{WL_SHM_FORMAT_ABGR8888, 2, 1, 12}, true},
            {{WL_SHM_FORMAT_XRGB8888, 2, 1, 4}, false}, // rows shorter than their pixels
            {{WL_SHM_FORMAT_RGB565, 2, 1, 8}, false},
            {{WL_SHM_FORMAT_XRGB8888, 0, 1, 8}, false},
            {{WL_SHM_FORMAT_XRGB8888, 2, -1, 8}, false}, // past INT_MAX
            {{WL_SHM_FORMAT_XRGB8888, 20000, 1, 80000}, false},
            {{WL_SHM_FORMAT_XRGB8888, 16384, 16384, 131072}, false}, // 2 GiB
        };
        for (const auto& row : checks)
            QCOMPARE(WaylandScreenCapture::check(row.buffer).isEmpty(), row.usable);

        // Two rows of two pixels, a b / c d, each row padded to 12 bytes.
        const uchar bytes[] = {1, 2, 3, 0, 4,  5,  6,  0x7f, 9, 9, 9, 9,
                               7, 8, 9, 0, 10, 11, 12, 0,    9, 9, 9, 9};
        const QRgb a = 0xff030201, b = 0xff060504, c = 0xff090807, d = 0xff0c0b0a;
        const auto bgr = [](QRgb p) { return qRgb(qBlue(p), qGreen(p), qRed(p)); };
        const int upright = WL_OUTPUT_TRANSFORM_NORMAL;
        const struct {
            uint32_t format;
            bool y_invert;
            int transform;
            QList<QRgb> pixels; // two rows of two
        } rows[] = {
            {WL_SHM_FORMAT_ARGB8888, false, upright, {a, b, c, d}},
            {WL_SHM_FORMAT_XBGR8888, false, upright, {bgr(a), bgr(b), bgr(c), bgr(d)}},
            {WL_SHM_FORMAT_XRGB8888, true, upright, {c, d, a, b}},
            {WL_SHM_FORMAT_XRGB8888, false, WL_OUTPUT_TRANSFORM_90, {c, a, d, b}},
            {WL_SHM_FORMAT_XRGB8888, false, WL_OUTPUT_TRANSFORM_180, {d, c, b, a}},
            {WL_SHM_FORMAT_XRGB8888, false, WL_OUTPUT_TRANSFORM_FLIPPED, {b, a, d, c}},
        };
        for (const auto& row : rows) {
            const QImage image = WaylandScreenCapture::convert(bytes, {row.format, 2, 2, 12},
                                                               row.y_invert, row.transform);
            QCOMPARE(image.format(), QImage::Format_RGB32);
            // The words themselves: pixel() would add the alpha a copy left out.
            const auto* words = reinterpret_cast<const QRgb*>(image.constBits());
            const int next_row = image.bytesPerLine() / 4;
            QCOMPARE(QList<QRgb>({words[0], words[1], words[next_row], words[next_row + 1]}),
                     row.pixels);
        }
    }
};

QTEST_MAIN(TestWayland)
#include "tst_wayland.moc"
