#pragma once

// The picture and label components of the show window, as layers.

#include "core/components/fx_components.h"
#include "media/decode/decode.h"
#include "media/image/frame.h"
#include "win32/decode/decode_worker.h"
#include "win32/platform/desktop_output.h"
#include "win32/show/layers.h"

#include <memory>
#include <string>

namespace framory::win32 {

// The picture component: loads a picture through its picture source, shows
// it framed and stretched into its rectangle with a transition, and takes
// snapshots of what the window shows under it.
//
// Load status (property 57): 0 loaded, 1 not a picture or unreadable,
// 2 larger than the pixel budget, 3 recognised but broken.
// Snapshot modes (property 44): 2 empties the picture and readies a
// snapshot, 1 makes the component show its snapshot, 3 takes it.
class Win32FXImage : public LayerComponent<core::FXImage> {
public:
    Win32FXImage(LayerHost& host, PictureSource& source);

    // Pictures are decoded to fit this size (the screen's).
    void set_decode_bounds(media::Size bounds) { m_bounds = bounds; }

    void set_file_name(const std::string& path) override;
    int load_status() const override { return m_status; }
    int natural_width() const override { return m_natural.width; }
    int natural_height() const override { return m_natural.height; }
    void set_size_mode(core::SizeMode mode) override { m_size_mode = mode; }
    void set_band1_colour_a(int colour) override;
    void set_band1_colour_b(int colour) override;
    void set_band1_style(int style) override { m_frame_spec.first.style = style; }
    void set_band1_size(int size) override { m_frame_spec.first.size = size; }
    void set_band2_colour_a(int colour) override;
    void set_band2_colour_b(int colour) override;
    void set_band2_style(int style) override { m_frame_spec.second.style = style; }
    void set_band2_size(int size) override { m_frame_spec.second.size = size; }
    void set_outer_colour(int colour) override;
    void set_outer_size(int size) override { m_frame_spec.line_size = size; }
    void set_snapshot_mode(core::SnapshotMode mode) override;
    std::shared_ptr<const core::PictureObject> snapshot_picture() const override { return m_snapshot; }
    // The snapshot's pixels, for the window that owns this component.
    const DibPicture* snapshot() const { return m_snapshot.get(); }
    void empty_preview() override;
    void prepare(const std::string& path) override;

protected:
    media::Image render_content(int width, int height) override;

private:
    enum class Content { Nothing, Picture, Snapshot };

    DecodeAhead m_ahead;
    std::string m_path;
    int m_status = 0;
    media::Size m_natural;
    media::Image m_picture;
    media::Size m_bounds{1920, 1080};
    core::SizeMode m_size_mode = core::SizeMode::Stretch;
    media::FrameSpec m_frame_spec;
    Content m_content = Content::Nothing;
    std::shared_ptr<const DibPicture> m_snapshot;
};

// The label component: a gradient fill with a one-line caption in white,
// sized to its caption.
class Win32FXLabel : public LayerComponent<core::FXLabel> {
public:
    explicit Win32FXLabel(LayerHost& host);
    ~Win32FXLabel() override;

    void set_caption(const std::string& text) override;
    void set_gradient_colour(int colour) override;
    void set_gradient_style(int style) override;
    void set_gradient_smoothness(int value) override;
    void set_text_size(int points) override;
    void set_bold(bool bold) override;
    const std::string& caption() const { return m_caption; }

protected:
    media::Image render_content(int width, int height) override;

private:
    void make_font();
    void fit_to_caption();

    std::string m_caption;
    int m_colour = 0;
    int m_style = 0;
    int m_depth = 200;
    int m_points = 8;
    bool m_bold = false;
    HFONT m_font = nullptr;
};

// Writes a caption in white, centred, onto pixels.
void DrawCaption(media::Image& image, const std::string& text, HFONT font);
// The caption's size in pixels in that font.
SIZE MeasureCaption(const std::string& text, HFONT font);

} // namespace framory::win32
