#pragma once

#include "platform/WindowStyle.h"

#include <QSet>

// Click-through as a layered, transparent window (WS_EX_LAYERED | WS_EX_TRANSPARENT): the pointer
// goes to whatever lies below.
class WinWindowStyle : public WindowStyle {
public:
    bool set_click_through(QWidget* window, bool on, QString* error) override;

private:
    QSet<quintptr> m_layered_by_us; // windows that were not layered before
};
