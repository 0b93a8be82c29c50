#pragma once

#include "core/components/fx_components.h"
#include "media/decode/decode.h"
#include "media/worker/worker_client.h"
#include "media/image/frame.h"
#include "qt/components/decode_ahead.h"
#include "qt/components/effect_widget.h"

#include <QImage>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace framory::qt {

// A picture taken by the snapshot sequence.
class QtPictureObject : public core::PictureObject {
public:
    // Held as 32-bit pixels, whatever the format handed in.
    explicit QtPictureObject(QImage image);
    core::PixelView pixels() const override;
    const QImage& image() const { return m_image; }

private:
    QImage m_image;
};

// The picture component: loads a picture file, shows it framed and
// stretched into its rectangle with a transition, and takes snapshots of
// the screen under it.
//
// Load status (property 57): 0 loaded, 1 not a picture or unreadable (or
// no decoder could be started), 2 larger than the pixel budget or than the
// decoder's memory, 3 recognised but broken, or the decoder crashed or
// overran its time.
//
// Pictures are decoded off the window's thread by a decode service, in the
// program the decoding helper process (media/worker). Setting a file name
// still loads it before returning, as the show expects, but waits at most
// the load wait while window events keep being handled; an event handler
// that loads another file meanwhile supersedes the first load.
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

    // Where pictures are decoded: by default the decoding helper beside the
    // program, one per component, started when first needed.
    using ServiceFactory = std::function<std::unique_ptr<media::DecodeService>()>;
    void set_decode_services(ServiceFactory make);
    // The longest a load waits for its picture: the helper's own limit
    // per picture, and a second for it to report an overrun.
    static constexpr std::chrono::milliseconds kLoadWait = media::kPictureTimeLimit + std::chrono::seconds(1);
    void set_load_wait(std::chrono::milliseconds wait) { m_load_wait = wait; }
    // The display's colour profile for the pictures decoded from now on.
    void set_display_profile(std::vector<std::uint8_t> icc);

    const DecodeAhead& decode_ahead() const { return *m_ahead; }


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

    DecodeAhead::Reply wait_for_picture(const std::string& path, std::uint64_t load);
    void request_sharper(media::Size bounds);
    void adopt_sharper();

    std::string m_path;
    int m_status = 0;
    media::Size m_natural;
    media::Image m_picture; // decoded, fitted to m_bounds
    media::Size m_bounds{1920, 1080};
    core::SizeMode m_size_mode = core::SizeMode::Stretch;
    media::FrameSpec m_frame_spec;
    Content m_content = Content::Nothing;
    std::shared_ptr<const QtPictureObject> m_snapshot;
    ServiceFactory m_make_service;
    std::vector<std::uint8_t> m_profile;
    std::chrono::milliseconds m_load_wait = kLoadWait;
    std::uint64_t m_load = 0; // counts loads, so that a superseded one knows
    std::unique_ptr<DecodeAhead> m_ahead;
    // A sharper decode of the picture on show, for a rectangle larger than
    // the decode; asked for while painting, swapped in when it is there.
    std::unique_ptr<DecodeAhead> m_sharper;
    DecodeAhead::Ticket m_sharper_ticket;
    media::Size m_sharper_bounds;
};

} // namespace framory::qt
