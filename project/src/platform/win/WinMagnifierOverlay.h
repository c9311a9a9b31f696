#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

// Where the system magnifier is missing: a top-most window over the screen that input passes
// through, showing the picture of the screen taken as it appeared, magnified, with the pointer
// drawn at its magnified place. Later changes on the screen are not shown.
class WinMagnifierOverlay : public QWidget {
    Q_OBJECT
public:
    explicit WinMagnifierOverlay(const QRect& screen);

    // Shows view (desktop coordinates) over the whole screen.
    bool show_view(const QRect& view, QString* error);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect m_screen;
    QRect m_view;
    QImage m_picture; // of m_screen
};
