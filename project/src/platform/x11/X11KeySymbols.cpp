#include "X11KeySymbols.h"

#include <Qt>

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace {

struct VirtualKeyEntry {
    X11KeySymbols::KeySym keysym;
    int virtual_key;
};

// Virtual-key numbers as the dispatch speaks them; the core only cares about a handful.
constexpr VirtualKeyEntry virtual_keys[] = {
    {XK_BackSpace, 0x08},
    {XK_Tab, 0x09},
    {XK_ISO_Left_Tab, 0x09},
    {XK_Clear, 0x0C},
    {XK_Return, 0x0D},
    {XK_KP_Enter, 0x0D},
    {XK_Shift_L, 0x10},
    {XK_Shift_R, 0x10},
    {XK_Control_L, 0x11},
    {XK_Control_R, 0x11},
    {XK_Alt_L, 0x12},
    {XK_Alt_R, 0x12},
    {XK_Meta_L, 0x12},
    {XK_Meta_R, 0x12},
    {XK_Pause, 0x13},
    {XK_Caps_Lock, 0x14},
    {XK_Escape, 0x1B},
    {XK_space, 0x20},
    {XK_Prior, 0x21},
    {XK_KP_Prior, 0x21},
    {XK_Next, 0x22},
    {XK_KP_Next, 0x22},
    {XK_End, 0x23},
    {XK_KP_End, 0x23},
    {XK_Home, 0x24},
    {XK_KP_Home, 0x24},
    {XK_Left, 0x25},
    {XK_KP_Left, 0x25},
    {XK_Up, 0x26},
    {XK_KP_Up, 0x26},
    {XK_Right, 0x27},
    {XK_KP_Right, 0x27},
    {XK_Down, 0x28},
    {XK_KP_Down, 0x28},
    {XK_Select, 0x29},
    {XK_Execute, 0x2B},
    {XK_Print, 0x2C},
    {XK_Sys_Req, 0x2C},
    {XK_Insert, 0x2D},
    {XK_KP_Insert, 0x2D},
    {XK_Delete, 0x2E},
    {XK_KP_Delete, 0x2E},
    {XK_Help, 0x2F},
    {XK_Super_L, 0x5B},
    {XK_Super_R, 0x5C},
    {XK_Menu, 0x5D},
    {XK_KP_Begin, 0x0C},
    {XK_KP_Multiply, 0x6A},
    {XK_KP_Add, 0x6B},
    {XK_KP_Separator, 0x6C},
    {XK_KP_Subtract, 0x6D},
    {XK_KP_Decimal, 0x6E},
    {XK_KP_Divide, 0x6F},
    {XK_Num_Lock, 0x90},
    {XK_Scroll_Lock, 0x91},
    {XK_semicolon, 0xBA},
    {XK_equal, 0xBB},
    {XK_comma, 0xBC},
    {XK_minus, 0xBD},
    {XK_period, 0xBE},
    {XK_slash, 0xBF},
    {XK_grave, 0xC0},
    {XK_bracketleft, 0xDB},
    {XK_backslash, 0xDC},
    {XK_bracketright, 0xDD},
    {XK_apostrophe, 0xDE},
    {XK_less, 0xE2},
    {XK_ISO_Level3_Shift, 0xA5},
    {XF86XK_AudioMute, 0xAD},
    {XF86XK_AudioLowerVolume, 0xAE},
    {XF86XK_AudioRaiseVolume, 0xAF},
    {XF86XK_AudioNext, 0xB0},
    {XF86XK_AudioPrev, 0xB1},
    {XF86XK_AudioStop, 0xB2},
    {XF86XK_AudioPlay, 0xB3},
};

struct QtKeyEntry {
    int qt_key;
    X11KeySymbols::KeySym keysym;
};

constexpr QtKeyEntry qt_keys[] = {
    {Qt::Key_Escape, XK_Escape},
    {Qt::Key_Tab, XK_Tab},
    {Qt::Key_Backtab, XK_ISO_Left_Tab},
    {Qt::Key_Backspace, XK_BackSpace},
    {Qt::Key_Return, XK_Return},
    {Qt::Key_Enter, XK_KP_Enter},
    {Qt::Key_Insert, XK_Insert},
    {Qt::Key_Delete, XK_Delete},
    {Qt::Key_Pause, XK_Pause},
    {Qt::Key_Print, XK_Print},
    {Qt::Key_SysReq, XK_Sys_Req},
    {Qt::Key_Clear, XK_Clear},
    {Qt::Key_Home, XK_Home},
    {Qt::Key_End, XK_End},
    {Qt::Key_Left, XK_Left},
    {Qt::Key_Up, XK_Up},
    {Qt::Key_Right, XK_Right},
    {Qt::Key_Down, XK_Down},
    {Qt::Key_PageUp, XK_Prior},
    {Qt::Key_PageDown, XK_Next},
    {Qt::Key_CapsLock, XK_Caps_Lock},
    {Qt::Key_NumLock, XK_Num_Lock},
    {Qt::Key_ScrollLock, XK_Scroll_Lock},
    {Qt::Key_Menu, XK_Menu},
    {Qt::Key_Help, XK_Help},
    {Qt::Key_Super_L, XK_Super_L},
    {Qt::Key_Super_R, XK_Super_R},
    {Qt::Key_VolumeDown, XF86XK_AudioLowerVolume},
    {Qt::Key_VolumeUp, XF86XK_AudioRaiseVolume},
    {Qt::Key_VolumeMute, XF86XK_AudioMute},
    {Qt::Key_MediaPlay, XF86XK_AudioPlay},
    {Qt::Key_MediaTogglePlayPause, XF86XK_AudioPlay},
    {Qt::Key_MediaStop, XF86XK_AudioStop},
    {Qt::Key_MediaPrevious, XF86XK_AudioPrev},
    {Qt::Key_MediaNext, XF86XK_AudioNext},
    {Qt::Key_Calculator, XF86XK_Calculator},
    {Qt::Key_HomePage, XF86XK_HomePage},
    {Qt::Key_LaunchMail, XF86XK_Mail},
};

constexpr QtKeyEntry keypad_keys[] = {
    {Qt::Key_Asterisk, XK_KP_Multiply}, {Qt::Key_Plus, XK_KP_Add},
    {Qt::Key_Minus, XK_KP_Subtract},    {Qt::Key_Period, XK_KP_Decimal},
    {Qt::Key_Slash, XK_KP_Divide},      {Qt::Key_Comma, XK_KP_Separator},
    {Qt::Key_Equal, XK_KP_Equal},       {Qt::Key_Enter, XK_KP_Enter},
};

bool is_latin1_upper(X11KeySymbols::KeySym keysym) {
    return (keysym >= XK_A && keysym <= XK_Z) ||
           (keysym >= XK_Agrave && keysym <= XK_Thorn && keysym != XK_multiply);
}

bool is_latin1_lower(X11KeySymbols::KeySym keysym) {
    return (keysym >= XK_a && keysym <= XK_z) ||
           (keysym >= XK_agrave && keysym <= XK_thorn && keysym != XK_division);
}

} // namespace

int X11KeySymbols::virtual_key(KeySym keysym) {
    if (keysym >= XK_a && keysym <= XK_z)
        return int(keysym - XK_a) + 0x41;
    if (keysym >= XK_A && keysym <= XK_Z)
        return int(keysym - XK_A) + 0x41;
    if (keysym >= XK_0 && keysym <= XK_9)
        return int(keysym - XK_0) + 0x30;
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return int(keysym - XK_KP_0) + 0x60;
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return int(keysym - XK_F1) + 0x70;
    for (const auto& entry : virtual_keys) {
        if (entry.keysym == keysym)
            return entry.virtual_key;
    }
    return 0;
}

X11KeySymbols::KeySym X11KeySymbols::keysym_for_qt_key(int qt_key, bool keypad) {
    if (keypad) {
        if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)
            return XK_KP_0 + KeySym(qt_key - Qt::Key_0);
        for (const auto& entry : keypad_keys) {
            if (entry.qt_key == qt_key)
                return entry.keysym;
        }
    }
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F35)
        return XK_F1 + KeySym(qt_key - Qt::Key_F1);
    for (const auto& entry : qt_keys) {
        if (entry.qt_key == qt_key)
            return entry.keysym;
    }
    // Printable Latin-1: Qt uses the code point, with letters in upper case; X uses the code
    // point too, and the unshifted (lower-case) keysym is the one on the key.
    if (qt_key >= Qt::Key_Space && qt_key <= Qt::Key_ydiaeresis) {
        const auto keysym = KeySym(qt_key);
        return is_latin1_upper(keysym) ? keysym + 0x20 : keysym;
    }
    return 0;
}

X11KeySymbols::KeySym X11KeySymbols::upper_case(KeySym keysym) {
    return is_latin1_lower(keysym) ? keysym - 0x20 : keysym;
}
