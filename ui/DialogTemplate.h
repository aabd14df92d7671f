#pragma once

#include <initializer_list>
#include <string>
#include <vector>

// A dialog described the way a resource script describes it: a caption, a size
// and a list of controls, each with its numeric ID, kind, text, style and place,
// all in dialog units. CTemplateDialog builds the widgets from it.

// Controls that carry no ID of their own (labels, group boxes, icons).
constexpr int IDC_STATIC = -1;

// The IDs that the standard buttons keep in every dialog.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int ID_HELP = 57670;

enum class ControlKind {
    PushButton,
    GroupBox,
    Label,
    Edit,
    CheckBox,
    TriStateCheckBox,
    RadioButton,
    ComboBox,  // an editable name box with a drop-down list
    Icon,      // the application icon
    ListView,  // read-only rows under column titles
};

// Style bits of a control; combine with |.
enum ControlStyle : unsigned {
    STYLE_NONE = 0,
    STYLE_TAB_STOP = 1u << 0,
    STYLE_DEFAULT = 1u << 1,   // the default push button (Enter presses it)
    STYLE_DISABLED = 1u << 2,  // disabled (greyed) at creation
    STYLE_BORDER = 1u << 3,    // a sunken frame around a label
    STYLE_GROUP = 1u << 4,     // starts a group of option buttons
    STYLE_READ_ONLY = 1u << 5,
    STYLE_UPPER_CASE = 1u << 6,  // an edit that turns letters into capitals
    STYLE_NUMBER = 1u << 7,      // an edit that takes digits only
};

struct ControlTemplate {
    int nId;
    ControlKind kind;
    std::string text;
    int x, y, cx, cy;  // dialog units
    unsigned style = STYLE_NONE;
};

struct DialogTemplate {
    std::string title;
    int cx, cy;                             // the client area, in dialog units
    bool bSystemMenu = true;                // false: no close box
    std::vector<ControlTemplate> controls;  // in tab order
};
