#pragma once
// A window's controls as designed, one row each, in the order they are
// created (later rows lie above earlier ones): the component name that becomes
// the widget's object name, its kind, its bounds on its parent (left, top,
// width, height), its design caption and hint, and for fields without a
// caption the name a screen reader says. Texts are UTF-8.
//
// Windows laid out by Qt's layouts instead of bounds (the network scan
// window) use LaidOutControl rows: the controls of one row number stand side
// by side, in table order; a row of one control fills the window's width.

#include <string_view>

namespace hk::design {

enum class Kind {
    ToggleButton,  // a speed button that stays down
    Button,
    Line,   // a horizontal bevel
    Frame,  // a bevel box
    CheckBox,
    Label,
    TealLabel,  // 12-pixel bold italic teal
    Memo,
    SpinEdit,
    Edit,
    RadioGroup,   // caption is the group's title, items its buttons
    ComboBox,     // items are its choices
    ProgressBar,  // 0..100
    Panel,        // a raised panel other controls lie on
    NumberBox,    // a spin box of whole numbers
    Table,        // items are its column titles
    Stretch,      // laid-out windows only: empty room that grows
};

// What only some controls have, written by name: {.items = "Hex|Dec"}.
struct Details {
    // Radio group, combo box and table items, separated by '|'.
    const char* items = nullptr;
    int columns = 1;  // radio group
    // Said by a screen reader only (the dialogs have no hint panel).
    const char* description = nullptr;
    // The object name of the control this one lies on; the window when none.
    const char* parent = nullptr;
    // Check box ticked (1) or not (0), radio group and combo box item index;
    // -1 leaves the control as it is made.
    int selected = -1;
    bool hidden = false;
};

struct Control {
    const char* name;
    Kind kind;
    int left, top, width, height;
    const char* caption;
    // Shown in the status bar and said by a screen reader.
    const char* hint;
    const char* accessibleName;
    Details more = {};
};

struct LaidOutControl {
    const char* name;  // nullptr: an unnamed caption
    Kind kind;
    int row;
    const char* caption = nullptr;
    const char* accessibleName = nullptr;
    const char* items = nullptr;
};

// The design row of a component in `table`, nullptr when there is none.
template <class Table>
constexpr const Control* Find(const Table& table, std::string_view name) {
    for (const Control& c : table)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace hk::design
