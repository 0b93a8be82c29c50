#pragma once

#include "core/components/fx_components.h"
#include "media/decode/decode.h"
#include "media/image/frame.h"
#include "qt/components/decode_ahead.h"
#include "qt/components/effect_widget.h"

#include <QImage>

#include <memory>
#include <string>

namespace framory::qt {

// A picture taken by the snapshot sequence.
class QtPictureObject : public core::PictureObject {
public:
    explicit QtPictureObject(QImage image) : m_image(std::move(image)) {}
    int width_pixels() const override { return m_image.width(); }
    int height_pixels() const override { return m_image.height(); }
    const QImage& image() const { return m_image; }

private:
    QImage m_image;
};

// The picture component: loads a picture file, shows it framed and
// stretched into its rectangle with a transition, and takes snapshots of
// the screen under it.
//
// Load status (property 57): 0 loaded, 1 not a picture or unreadable,
// 2 larger than the pixel budget, 3 recognised but broken.
//
// Snapshot modes (property 44): 2 empties the picture and readies a
// snapshot, 1 makes the component show its snapshot, 3 takes it: the window
// as drawn under the component, which the component then shows and hands
// out as property 11.
class QtFXImage : public EffectComponent<core::FXImage> {
    Q_OBJECT

public:
    explicit QtFXImage(QWidget* parent, double units_per_pixel = 1.0, PixelKind kind = PixelKind::Logical);

    // Pictures are decoded to fit this size (the screen's); a larger
    // rectangle later gets a sharper decode, up to the picture's own size.
    void set_decode_bounds(QSize bounds) { m_bounds = {bounds.width(), bounds.height()}; }

    const DecodeAhead& decode_ahead() const { return m_ahead; }


    // FXImage
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
    void empty_preview() override;
    void prepare(const std::string& path) override;

    const media::FrameSpec& frame_spec() const { return m_frame_spec; }

protected:
    media::Image render_content(QSize size) override;

private:
    enum class Content { Nothing, Picture, Snapshot };

    std::string m_path;
    int m_status = 0;
    media::Size m_natural;
    media::Image m_picture; // decoded, fitted to m_bounds
    media::Size m_bounds{1920, 1080};
    core::SizeMode m_size_mode = core::SizeMode::Stretch;
    media::FrameSpec m_frame_spec;
    Content m_content = Content::Nothing;
    std::shared_ptr<const QtPictureObject> m_snapshot;
    DecodeAhead m_ahead;
};

} // namespace framory::qt
