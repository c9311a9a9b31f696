#pragma once

class QWidget;

// Where the two popups appear: just below and right of the pointer, flipped to stay on the
// work area of the pointer's screen.
class PopupPlacement {
public:
    static void place_popup_at_cursor(QWidget* widget);
};
