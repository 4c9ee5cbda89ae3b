#pragma once
// A dialog as its template describes it, in dialog units: the Windows window is built from the
// resource script, and the Qt window reads the same templates as a table made from that script
// at build time (DialogTemplates.h, written by cmake/DialogTemplates.cmake).

#include <span>
#include <stdexcept>
#include <string_view>

namespace updater {

struct ControlTemplate {
    std::string_view id;    // the resource id's name ("IDC_WRITE")
    std::string_view text;  // empty where the control has none
    int x, y, width, height;

    int Right() const { return x + width; }
};

struct DialogTemplate {
    std::string_view id;
    std::string_view caption;
    std::string_view font;
    int pointSize;
    int width, height;
    std::span<const ControlTemplate> controls;
};

// The control of `dialog` with resource id `id`: a name the template does not hold stops the
// build.
consteval const ControlTemplate& TemplateControl(const DialogTemplate& dialog,
                                                 std::string_view id) {
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == id) return control;
    }
    throw std::logic_error("the dialog template has no control of this id");
}

}  // namespace updater
