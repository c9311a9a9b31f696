#include "WinKeyCodes.h"

#include <Qt>

#include <windows.h>

namespace {
struct Pair {
    int qt;
    unsigned vk;
};
const Pair table[] = {
    {Qt::Key_Escape, VK_ESCAPE},    {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backspace, VK_BACK},   {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},     {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},    {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_Print, VK_SNAPSHOT},   {Qt::Key_Clear, VK_CLEAR},
    {Qt::Key_Home, VK_HOME},        {Qt::Key_End, VK_END},
    {Qt::Key_Left, VK_LEFT},        {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},      {Qt::Key_Down, VK_DOWN},
    {Qt::Key_PageUp, VK_PRIOR},     {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_Space, VK_SPACE},      {Qt::Key_Comma, VK_OEM_COMMA},
    {Qt::Key_Minus, VK_OEM_MINUS},  {Qt::Key_Period, VK_OEM_PERIOD},
    {Qt::Key_Plus, VK_OEM_PLUS},    {Qt::Key_Equal, VK_OEM_PLUS},
    {Qt::Key_Semicolon, VK_OEM_1},  {Qt::Key_Slash, VK_OEM_2},
    {Qt::Key_QuoteLeft, VK_OEM_3},  {Qt::Key_BracketLeft, VK_OEM_4},
    {Qt::Key_Backslash, VK_OEM_5},  {Qt::Key_BracketRight, VK_OEM_6},
    {Qt::Key_Apostrophe, VK_OEM_7},
};
} // namespace

unsigned WinKeyCodes::virtual_key_for_qt_key(int qt_key) {
    if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) ||
        (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9))
        return unsigned(qt_key); // the same numbers
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24)
        return unsigned(VK_F1 + (qt_key - Qt::Key_F1));
    for (const Pair& pair : table) {
        if (pair.qt == qt_key)
            return pair.vk;
    }
    return 0;
}
