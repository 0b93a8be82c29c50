#pragma once

// The preview inside the host's pane ("/p HWND").

#include "core/preview/preview.h"
#include "media/image/image.h"
#include "win32/show/dialog_window.h"

namespace framory::win32 {

// frm_preview: a hidden window whose picture box, a bordered child window
// showing the built-in picture at its own size in its top left corner, is
// moved into the host's pane. The picture box is subclassed so the pane's
// close request (WM_CLOSE) reaches the preview's rules, and a 50 ms timer
// watches the host.
class frmPreview : public core::PreviewForm, public WindowHandler {
public:
    explicit frmPreview(core::Program& program);
    ~frmPreview() override;
    frmPreview(const frmPreview&) = delete;
    frmPreview& operator=(const frmPreview&) = delete;

    // Creates the windows and runs the load step; false without a window.
    bool load();
    bool unloaded() const { return m_unloaded; }

    void hook_picture_box(std::int32_t wanted_message) override;
    void move_picture_box(double left, double top, double width, double height) override;
    void put_picture_box_into(std::int32_t host_window) override;
    void return_picture_box() override;
    void enable_timer() override;
    void unload() override;

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    static LRESULT CALLBACK picture_box_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    class Windows : public core::PreviewWindows {
    public:
        std::optional<core::HostRect> client_rect(std::int32_t window) override;
        bool is_window(std::int32_t window) override;
    };

    core::Program& m_program;
    Windows m_windows;
    core::Preview m_preview;
    HWND m_form = nullptr;
    HWND m_picture_box = nullptr;
    WNDPROC m_box_procedure = nullptr;
    std::int32_t m_wanted_message = -1;
    media::Image m_picture;
    bool m_unloaded = false;
};

// The built-in preview picture: 150 by 112 pixels, a collage of framed
// pictures over an evening sky with the product's name across the top and
// the maker's address along the bottom.
media::Image PreviewPicture();

} // namespace framory::win32
