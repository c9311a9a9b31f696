#pragma once

#include <QRect>
#include <QString>

// Shows an area of the desktop magnified over a whole screen, with the pointer drawn at its
// magnified place, while input still goes to the programs underneath.
class Magnifier {
public:
    virtual ~Magnifier() = default;

    // Empty when this desktop can show a magnified view; otherwise why it cannot, known before
    // any try so that the zoom page can say so.
    virtual QString unavailable() const { return QString(); }

    // Shows view (desktop coordinates) scaled by factor over screen; a factor of 1.0 restores
    // the normal display. False, with *error, when nothing could be shown.
    virtual bool set_view(float factor, const QRect& view, const QRect& screen, QString* error) = 0;
};
