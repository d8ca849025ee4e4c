#include "text_input/key_names.h"

#include <iterator>

namespace {

struct KeyName {
    int32_t code;
    const char* up;
    const char* down;
};

// Both spellings written out, so the tables are constant data with no start-up work. The cursor keys
// are CL, CU, CR, CD; Plus and Minus name both the keypad key and the main-keyboard key.
constexpr KeyName kKeyNames[] = {
    {0x08, "Backsp", "backsp"},
    {0x09, "Tab", "tab"},
    {0x0D, "Enter", "enter"},
    {0x10, "Shift", "shift"},
    {0x11, "Ctrl", "ctrl"},
    {0x12, "Alt", "alt"},
    {0x13, "Break", "break"},
    {0x1B, "Esc", "esc"},
    {0x20, "Space", "space"},
    {0x21, "PageUp", "pageup"},
    {0x22, "PageDown", "pagedown"},
    {0x23, "End", "end"},
    {0x24, "Home", "home"},
    {0x25, "CL", "cl"},
    {0x26, "CU", "cu"},
    {0x27, "CR", "cr"},
    {0x28, "CD", "cd"},
    {0x2D, "Ins", "ins"},
    {0x2E, "Del", "del"},

    {0x30, "N0", "n0"},
    {0x31, "N1", "n1"},
    {0x32, "N2", "n2"},
    {0x33, "N3", "n3"},
    {0x34, "N4", "n4"},
    {0x35, "N5", "n5"},
    {0x36, "N6", "n6"},
    {0x37, "N7", "n7"},
    {0x38, "N8", "n8"},
    {0x39, "N9", "n9"},

    {0x41, "A", "a"},
    {0x42, "B", "b"},
    {0x43, "C", "c"},
    {0x44, "D", "d"},
    {0x45, "E", "e"},
    {0x46, "F", "f"},
    {0x47, "G", "g"},
    {0x48, "H", "h"},
    {0x49, "I", "i"},
    {0x4A, "J", "j"},
    {0x4B, "K", "k"},
    {0x4C, "L", "l"},
    {0x4D, "M", "m"},
    {0x4E, "N", "n"},
    {0x4F, "O", "o"},
    {0x50, "P", "p"},
    {0x51, "Q", "q"},
    {0x52, "R", "r"},
    {0x53, "S", "s"},
    {0x54, "T", "t"},
    {0x55, "U", "u"},
    {0x56, "V", "v"},
    {0x57, "W", "w"},
    {0x58, "X", "x"},
    {0x59, "Y", "y"},
    {0x5A, "Z", "z"},

    {0x6B, "Plus", "plus"},
    {0x6D, "Minus", "minus"},

    {0x70, "F1", "f1"},
    {0x71, "F2", "f2"},
    {0x72, "F3", "f3"},
    {0x73, "F4", "f4"},
    {0x74, "F5", "f5"},
    {0x75, "F6", "f6"},
    {0x76, "F7", "f7"},
    {0x77, "F8", "f8"},
    {0x78, "F9", "f9"},
    {0x79, "F10", "f10"},
    {0x7A, "F11", "f11"},
    {0x7B, "F12", "f12"},

    {0xBA, "Colon", "colon"},
    {0xBB, "Plus", "plus"},
    {0xBC, "LCorner", "lcorner"},
    {0xBD, "Minus", "minus"},
    {0xBE, "RCorner", "rcorner"},
    {0xBF, "Slash", "slash"},
    {0xDB, "LBracket", "lbracket"},
    {0xDC, "BSlash", "bslash"},
    {0xDD, "RBracket", "rbracket"},
    {0xDE, "Quote", "quote"},
};
static_assert(std::size(kKeyNames) == kNamedKeyCount, "one row per named key");

constexpr KeyNameTable BuildTable(const char* KeyName::*spelling) {
    KeyNameTable table{};
    for (const KeyName& key : kKeyNames) table[key.code] = key.*spelling;
    return table;
}

}  // namespace

constexpr KeyNameTable keyUpNames = BuildTable(&KeyName::up);
constexpr KeyNameTable keyDownNames = BuildTable(&KeyName::down);
