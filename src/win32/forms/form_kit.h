#pragma once

// What the configuration dialogs share: their controls by name, placed in
// twips; fonts sized so that every caption fits its box; the keyboard order;
// tooltips through the common controls' tooltip window; and pictures.

#include "core/components/platform.h"
#include "media/image/image.h"
#include "win32/show/dialog_window.h"

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace framory::win32 {

// The faces of the design: MS Sans Serif for the dialogs' texts, Arial for
// the options dialog's two large buttons.
enum class Face { SansSerif, Arial };

struct FontRole {
    Face face = Face::SansSerif;
    bool bold = false;
};

// How a control's caption must fit: beside a push button's edges, after an
// option button's or check box's mark, inside a frame's top edge, or as a
// plain line of text. Wrapped texts wrap at words and need no fitting.
enum class TextFit { Button, Mark, Frame, Line, Wrapped, None };

// A place in twips from the dialog's top left corner.
struct Place {
    double left;
    double top;
    double width;
    double height;
};

// The controls of one dialog, by name, with the fonts they are drawn in.
class FormControls {
public:
    FormControls(HWND dialog, const Twips& twips) : m_dialog(dialog), m_twips(twips) {}
    ~FormControls();
    FormControls(const FormControls&) = delete;
    FormControls& operator=(const FormControls&) = delete;

    // A standard control ("BUTTON", "STATIC", "LISTBOX", ...) or a window of
    // a class of the program.
    HWND add(std::string_view name, const char* kind, std::string_view text, DWORD style, int id, Place place,
             FontRole font = {}, TextFit fit = TextFit::None, DWORD ex_style = 0);
    HWND get(std::string_view name) const;
    const Twips& twips() const { return m_twips; }

    // Gives the texts the design's 8.25 points, or the largest smaller size
    // (down to 6) at which every caption fits; the design's faces first,
    // then faces with wider coverage of the system.
    void fit_fonts();
    double points() const { return m_points; }
    // Whether every caption fits its control in the fonts it has now.
    bool texts_fit() const;

    // Shows the picture in a picture control ("STATIC" of style SS_BITMAP);
    // the bitmap lives as long as this object.
    void set_picture(HWND control, const media::Image& image);

    // Puts the named controls first in the window order, which is the
    // keyboard order, in the order given; the others follow.
    void order_tabs(std::span<const std::string_view> names);

private:
    struct Control {
        std::string name;
        HWND window;
        FontRole font;
        TextFit fit;
    };
    HFONT font(FontRole role);
    bool bold_is_bold();
    void apply_fonts(std::string_view sans_face, double points);

    HWND m_dialog;
    Twips m_twips;
    std::vector<Control> m_controls;
    std::vector<HFONT> m_fonts; // sans, sans bold, arial, arial bold
    std::vector<HBITMAP> m_bitmaps;
    double m_points = 8.25;
};

// Whether the text fits a control of the kind in the font.
bool TextFits(HDC dc, HFONT font, std::string_view text, TextFit fit, int width, const Twips& twips);

// The tooltips of one dialog: one tooltip window of the common controls,
// owned by the dialog and gone with it.
class Tooltips {
public:
    explicit Tooltips(HWND dialog);
    // A tooltip shown while the pointer rests on the control.
    void add(HWND control, std::string_view text);
    // A tooltip for a rectangle of the dialog itself, in pixels: a frame,
    // whose caption and empty inside let the pointer through to the dialog.
    void add_area(UINT id, const RECT& area, std::string_view text);
    void update(HWND control, std::string_view text);
    // The text of a control's tooltip; empty when it has none.
    std::string text(HWND control) const;
    HWND window() const { return m_tip; }

private:
    HWND m_dialog;
    HWND m_tip = nullptr;
};

// A dialog of the configuration side: its window, its controls by name and
// their tooltips. It is shown modally and created afresh each time.
class ConfigForm : public WindowHandler {
public:
    ~ConfigForm() override;
    HWND window() const { return m_window; }
    FormControls& controls() { return *m_controls; }
    Tooltips& tooltips() { return *m_tips; }
    bool is_open() const { return m_open; }

    // Shows the dialog over `owner`, which is disabled meanwhile, and
    // returns when the dialog has closed.
    void run_modal(HWND owner);
    // Closes the dialog as its close box does: its unload step runs once,
    // then the window goes.
    void close();

protected:
    bool make_window(std::string_view title, double width, double height, const Twips& twips, HWND owner);
    // After the controls were added: texts fitted, the keyboard order set
    // and the focus on its first stop.
    void finish(std::span<const std::string_view> tab_order);
    void centre(core::ScreenMetrics& screen, core::EventPump& pump);
    virtual void unload() {}
    // The close box closes; the window's end ends the modal run; the
    // keyboard focus comes back to the control that had it when the dialog
    // is active again; everything else is the system's.
    LRESULT base_handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

private:
    HWND m_window = nullptr;
    std::unique_ptr<FormControls> m_controls;
    std::unique_ptr<Tooltips> m_tips;
    HWND m_focus = nullptr;
    bool m_open = true;
    bool m_unloaded = false;
};

// A top-down device-independent bitmap holding the picture; null when the
// system has no room for it. The caller deletes it.
HBITMAP MakeBitmap(const media::Image& image);

// Enter in a dialog of the program: a push button with the keyboard focus
// is pressed; true when there was one.
bool PressFocusedButton(HWND dialog);

// The common controls (tooltips, the folder tree) are ready for use.
void InitFormControls();

} // namespace framory::win32
