#pragma once

// Small dialogs built from the layouts' twips: a window of the dialog kind
// with its controls, and a modal loop that keeps the thread's other windows
// (the show's timers among them) running underneath.

#include <windows.h>

#include <string>

namespace framory::win32 {

// The window class of the program's dialogs.
inline constexpr const char* kDialogClassName = "FramoryDialog";

// A window procedure as a method: the window's messages go to handle().
class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    virtual LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) = 0;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
};

// Registers, once for the program, the window class `name` whose windows
// hand their messages to the WindowHandler given at their creation.
void RegisterHandlerClass(const char* name, HBRUSH background, HCURSOR cursor = nullptr, UINT style = 0);

struct Twips {
    double per_pixel_x = 15;
    double per_pixel_y = 15;
    int x(double twips) const;
    int y(double twips) const;
};

// A dialog frame (caption, close box, no minimise or maximise box) with a
// client area of the given twips, owned by `owner`, hidden until shown.
HWND CreateDialogFrame(const std::string& title, double client_width, double client_height, const Twips& twips,
                       HWND owner, WindowHandler& handler, DWORD extra_style = 0);

// A standard control ("BUTTON", "EDIT", "STATIC") placed in twips, in the
// dialogs' font.
HWND AddControl(HWND dialog, const char* kind, const std::string& text, DWORD style, int id, double left, double top,
                double width, double height, const Twips& twips);

// Shows the dialog and hands on messages until `open` turns false; the
// owner is disabled meanwhile, as for any modal window.
void RunModal(HWND dialog, HWND owner, const bool& open);

// A text box's content as typed (UTF-16), and setting it.
std::u16string EditText(HWND edit);
void SetEditText(HWND edit, const std::u16string& text);

// The dialogs' font: MS Sans Serif 8 point, or the system's GUI font.
HFONT DialogFont();

} // namespace framory::win32
