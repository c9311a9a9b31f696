// Test patterns on screen and pixel checks for the screen-tool end-to-end tests.
//   checkerboard OUT.png W H CELL  black and white squares, each numbered
//   show FILE.png                  shows the picture at 0,0 in a window without frame, title
//                                  "corvana-pattern", until killed
//   magnified SHOT.png PATTERN.png PX PY VX VY VW VH
//                                  SHOT (the whole screen) shows PATTERN's view VX,VY,VW,VH
//                                  stretched over it, the pointer at PX,PY; compares blocks
//                                  where the pattern is flat, with a tolerance for filtering
#include <QApplication>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QWidget>
#include <cstdio>

namespace {
QImage load(const QString& path) {
    QImage image(path);
    if (image.isNull())
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
    return image.convertToFormat(QImage::Format_RGB32);
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

int magnified(const QStringList& a) {
    const QImage shot = load(a[2]), pat = load(a[3]);
    const QPoint pointer(a[4].toInt(), a[5].toInt());
    const QRect view(a[6].toInt(), a[7].toInt(), a[8].toInt(), a[9].toInt());
    if (shot.isNull() || pat.isNull() || view.isEmpty())
        return 1;
    const double fx = double(shot.width()) / view.width(),
                 fy = double(shot.height()) / view.height();
    const QPoint pointer_shown(int((pointer.x() - view.x()) * fx),
                               int((pointer.y() - view.y()) * fy));
    int bad = 0, checked = 0;
    for (int y = 4; y < shot.height(); y += 11)
        for (int x = 4; x < shot.width(); x += 11) {
            // The pointer is drawn over the view.
            if ((QPoint(x, y) - pointer_shown).manhattanLength() < 60)
                continue;
            const QPoint src(view.x() + int(x / fx), view.y() + int(y / fy));
            const QRgb want = pat.pixel(src);
            bool flat = true;
            for (int dy = -3; dy <= 3 && flat; ++dy)
                for (int dx = -3; dx <= 3 && flat; ++dx)
                    flat = pat.valid(src.x() + dx, src.y() + dy) &&
                           pat.pixel(src.x() + dx, src.y() + dy) == want;
            if (!flat)
                continue;
            ++checked;
            const QColor got(shot.pixel(x, y)), w(want);
            const int diff = qAbs(got.red() - w.red()) + qAbs(got.green() - w.green()) +
                             qAbs(got.blue() - w.blue());
            if (diff > 60) {
                if (bad < 5)
                    std::fprintf(stderr, "at %d,%d got %s want %s\n", x, y, qPrintable(got.name()),
                                 qPrintable(w.name()));
                ++bad;
            }
        }
    std::printf("%d of %d blocks differ\n", bad, checked);
    return checked > 200 && bad * 100 <= checked ? 0 : 1;
}

} // namespace

// A short-lived test tool: Qt's offscreen plugin keeps its screen until exit, which the leak
// checker of sanitizer builds would report as the tool's failure.
extern "C" const char* __lsan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    if (argc < 2 || QByteArray(argv[1]) != "show") // only show needs a display
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    // Each mode with the number of arguments it takes.
    const QMap<QString, QPair<int, int (*)(const QStringList&)>> modes = {
        {"checkerboard", {6, checkerboard}}, {"show", {3, show}}, {"magnified", {10, magnified}}};
    const auto mode = modes.value(a.value(1));
    if (mode.second && a.size() == mode.first)
        return mode.second(a);
    std::fprintf(stderr, "bad arguments\n");
    return 2;
}
