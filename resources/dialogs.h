// Dialog and form templates as data: positions and sizes in dialog units of
// the template's font, converted to pixels with dialogunits.h. Qt-free.
#pragma once

#include <span>
#include <string_view>

enum class DialogControlKind { ListView, Edit, Static, Picture, Button, PropertyGrid };

struct DialogControlDef {
    unsigned id = 0; // control id; IDC_STATIC (0xFFFF) for texts nobody addresses
    DialogControlKind kind = DialogControlKind::Static;
    std::string_view text; // caption of buttons and texts; empty otherwise
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplateDef {
    unsigned id = 0;
    std::string_view caption; // empty for a form, which has no title bar
    std::string_view fontFace;
    int fontPointSize = 8;
    int cx = 0, cy = 0;
    std::span<const DialogControlDef> controls;

    // The control of that id; nullptr when the template has none.
    const DialogControlDef* control(unsigned controlId) const;
};

inline constexpr unsigned IDC_STATIC = 0xFFFF;

// The template of that id, or nullptr.
const DialogTemplateDef* findDialogTemplate(unsigned id);
