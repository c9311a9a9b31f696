// Test patterns on screen and pixel checks for the screen-tool end-to-end tests.
//   pattern OUT.png W H            a picture whose pixels differ from their neighbours
//   checkerboard OUT.png W H CELL  black and white squares, each numbered
//   show FILE.png                  shows the picture at 0,0 in a window without frame, title
//                                  "corvana-pattern", until killed
//   crop-equals SHOT.png PATTERN.png X Y [EXCLUDE_X1,Y1,X2,Y2 ...]
//                                  SHOT equals PATTERN's area at X,Y of SHOT's size, ignoring
//                                  the excluded rectangles (in SHOT's coordinates)
//   color FILE.png X Y             prints the pixel as #rrggbb
//   magnified SHOT.png PATTERN.png PX PY FACTOR VIEWX VIEWY
//                                  SHOT (the whole screen) shows PATTERN's view at VIEWX,VIEWY
//                                  scaled by FACTOR; compares blocks with a tolerance
//   equals A.png B.png X Y W H     the area is the same in both
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdio>

namespace {
int usage() {
    std::fprintf(stderr, "bad arguments\n");
    return 2;
}

QImage load(const QString& path) {
    QImage image(path);
    if (image.isNull())
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
    return image.convertToFormat(QImage::Format_RGB32);
}

int pattern(const QStringList& a) {
    QImage image(a[3].toInt(), a[4].toInt(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                           qRgb((x * 7 + y) & 255, (y * 5 + x / 3) & 255, (x * 3 + y * 11) & 255));
    return image.save(a[2]) ? 0 : 1;
}

int checkerboard(const QStringList& a) {
    const int cell = a[5].toInt();
    QImage image(a[3].toInt(), a[4].toInt(), QImage::Format_RGB32);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(cell / 3);
    painter.setFont(font);
    int n = 0;
    for (int y = 0; y < image.height(); y += cell)
        for (int x = 0; x < image.width(); x += cell, ++n) {
            const bool dark = ((x / cell) + (y / cell)) % 2;
            painter.fillRect(x, y, cell, cell, dark ? QColor(20, 20, 20) : QColor(235, 235, 235));
            painter.setPen(dark ? QColor(250, 200, 0) : QColor(0, 60, 200));
            painter.drawText(QRect(x, y, cell, cell), Qt::AlignCenter, QString::number(n));
        }
    painter.end();
    return image.save(a[2]) ? 0 : 1;
}

int show(const QStringList& a) {
    static QImage image = load(a[2]);
    class Window : public QWidget {
    protected:
        void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, image); }
    };
    auto* w = new Window;
    w->setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    w->setWindowTitle(QStringLiteral("corvana-pattern"));
    w->setGeometry(0, 0, image.width(), image.height());
    w->show();
    return qApp->exec();
}

int crop_equals(const QStringList& a) {
    const QImage shot = load(a[2]), pat = load(a[3]);
    const QPoint at(a[4].toInt(), a[5].toInt());
    QList<QRect> excluded;
    for (int i = 6; i < a.size(); ++i) {
        const QStringList v = a[i].split(QLatin1Char(','));
        if (v.size() != 4)
            return usage();
        excluded.append(
            QRect(QPoint(v[0].toInt(), v[1].toInt()), QPoint(v[2].toInt(), v[3].toInt())));
    }
    if (shot.isNull() || pat.isNull())
        return 1;
    int differing = 0, compared = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            bool skip = false;
            for (const QRect& r : excluded)
                skip = skip || r.contains(x, y);
            if (skip)
                continue;
            ++compared;
            if (!pat.valid(x + at.x(), y + at.y()) ||
                shot.pixel(x, y) != pat.pixel(x + at.x(), y + at.y())) {
                if (differing < 5)
                    std::fprintf(stderr, "differs at %d,%d\n", x, y);
                ++differing;
            }
        }
    std::printf("%d of %d pixels differ\n", differing, compared);
    return differing == 0 && compared > 0 ? 0 : 1;
}

int color(const QStringList& a) {
    const QImage image = load(a[2]);
    const QPoint p(a[3].toInt(), a[4].toInt());
    if (!image.valid(p))
        return 1;
    std::printf("%s\n", qPrintable(QColor(image.pixel(p)).name()));
    return 0;
}

int magnified(const QStringList& a) {
    const QImage shot = load(a[2]), pat = load(a[3]);
    const double factor = a[6].toDouble();
    const QPoint view(a[7].toInt(), a[8].toInt());
    const QPoint pointer(a[4].toInt(), a[5].toInt());
    // Blocks away from the pointer (drawn on top) and from the edges of cells (filtering).
    int bad = 0, checked = 0;
    for (int y = 8; y + 8 < shot.height(); y += 13)
        for (int x = 8; x + 8 < shot.width(); x += 13) {
            const QPointF src(view.x() + x / factor, view.y() + y / factor);
            const QPoint on_screen((src.x() - view.x()) * factor, (src.y() - view.y()) * factor);
            const QPoint pointer_shown((pointer.x() - view.x()) * factor,
                                       (pointer.y() - view.y()) * factor);
            if ((on_screen - pointer_shown).manhattanLength() < 80)
                continue;
            const QColor want(pat.pixel(int(src.x()), int(src.y())));
            // Only where the pattern is flat around the source pixel.
            bool flat = true;
            for (int dy = -3; dy <= 3 && flat; ++dy)
                for (int dx = -3; dx <= 3 && flat; ++dx)
                    flat = pat.valid(int(src.x()) + dx, int(src.y()) + dy) &&
                           pat.pixel(int(src.x()) + dx, int(src.y()) + dy) == want.rgb();
            if (!flat)
                continue;
            ++checked;
            const QColor got(shot.pixel(x, y));
            const int diff = qAbs(got.red() - want.red()) + qAbs(got.green() - want.green()) +
                             qAbs(got.blue() - want.blue());
            if (diff > 60) {
                if (bad < 5)
                    std::fprintf(stderr, "at %d,%d got %s want %s\n", x, y, qPrintable(got.name()),
                                 qPrintable(want.name()));
                ++bad;
            }
        }
    std::printf("%d of %d blocks differ\n", bad, checked);
    return checked > 100 && bad * 50 <= checked ? 0 : 1;
}

int equals(const QStringList& a) {
    const QImage x = load(a[2]), y = load(a[3]);
    const QRect r(a[4].toInt(), a[5].toInt(), a[6].toInt(), a[7].toInt());
    if (x.isNull() || y.isNull())
        return 1;
    int differing = 0;
    for (int j = r.top(); j <= r.bottom(); ++j)
        for (int i = r.left(); i <= r.right(); ++i)
            if (!x.valid(i, j) || !y.valid(i, j) || x.pixel(i, j) != y.pixel(i, j))
                ++differing;
    std::printf("%d pixels differ\n", differing);
    return differing == 0 ? 0 : 1;
}
} // namespace

// A short-lived test tool: Qt's offscreen plugin keeps its screen until exit, which the leak
// checker of sanitizer builds would report as the tool's failure.
extern "C" const char* __lsan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    const bool needs_display = argc > 1 && QByteArray(argv[1]) == "show";
    if (!needs_display)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    const QString mode = a.value(1);
    if (mode == QLatin1String("pattern") && a.size() == 5)
        return pattern(a);
    if (mode == QLatin1String("checkerboard") && a.size() == 6)
        return checkerboard(a);
    if (mode == QLatin1String("show") && a.size() == 3)
        return show(a);
    if (mode == QLatin1String("crop-equals") && a.size() >= 6)
        return crop_equals(a);
    if (mode == QLatin1String("color") && a.size() == 5)
        return color(a);
    if (mode == QLatin1String("magnified") && a.size() == 9)
        return magnified(a);
    if (mode == QLatin1String("equals") && a.size() == 8)
        return equals(a);
    return usage();
}
