#pragma once

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QWidget>

// Small helpers the widget tests share: windows on screen, mouse strokes, files on disk.
namespace TestWidgets {
// The top-level windows of type T: only the visible ones, unless all; with that title if given.
template <typename T = QWidget>
QList<T*> windows(const QString& title = QString(), bool all = false) {
    QList<T*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<T*>(widget);
            window && (all || widget->isVisible()) &&
            (title.isNull() || widget->windowTitle() == title))
            found.append(window);
    return found;
}

// The entry of the menu with that text, or null.
inline QAction* action(const QWidget* menu, const QString& text) {
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

// One mouse event at pos in w: button held from the press until the release.
inline void mouse(QWidget* w, QEvent::Type type, QPoint pos,
                  Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(type, pos, w->mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// A press at the first point, a move to each further one, and a release at the last unless the
// button is still held.
inline void stroke(QWidget* w, const QList<QPoint>& points, Qt::MouseButton button = Qt::LeftButton,
                   bool release = true) {
    mouse(w, QEvent::MouseButtonPress, points.first(), button);
    for (int i = 1; i < points.size(); ++i)
        mouse(w, QEvent::MouseMove, points[i], button);
    if (release)
        mouse(w, QEvent::MouseButtonRelease, points.last(), button);
}

// Writes bytes to path, its folder made first; whether all went.
inline bool write_file(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
// The bytes of the file at path, or missing when it cannot be read.
inline QByteArray read_file(const QString& path, const QByteArray& missing = QByteArray()) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : missing;
}
} // namespace TestWidgets
