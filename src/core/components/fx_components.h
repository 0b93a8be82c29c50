#pragma once

#include "core/components/fx_snd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The picture and label components that the show window and the folder
// editor host. Their properties are set by number on the components; each
// operation here is named for its role and carries its property number.

namespace framory::core {

// Mouse buttons and shift keys as the events report them.
struct MouseState {
    int button = 0; // 1 left, 2 right, 4 middle; 0 none
    int shift = 0;  // 1 Shift, 2 Ctrl, 4 Alt
    double x = 0;   // in the component's units
    double y = 0;
};

// The events a component raises on its window.
struct ComponentEvents {
    std::function<void()> click;
    std::function<void()> double_click;
    std::function<void(const MouseState&)> mouse_move;
};

// A picture's pixels where the picture keeps them: `height` rows of `width`
// 32-bit 0xAARRGGBB values, top row first, rows `stride` values apart. Valid
// while the picture lives.
struct PixelView {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// A picture taken by the snapshot sequence: usable as a window picture and
// for printing, by any service, through its pixels.
class PictureObject {
public:
    virtual ~PictureObject() = default;
    virtual PixelView pixels() const = 0;
    int width_pixels() const { return pixels().width; }
    int height_pixels() const { return pixels().height; }
};

// What both visual components share: place, visibility and events.
class FXVisual {
public:
    virtual ~FXVisual() = default;
    // Place and size in the window's units (twips).
    virtual void move(double left, double top, double width, double height) = 0;
    // Showing or redrawing plays the set transition; with effect number 0
    // the content appears at once.
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void bring_to_front() = 0;
    virtual void refresh() = 0;
    virtual void set_events(ComponentEvents events) = 0;
};

// Property 12 of the picture component.
enum class SizeMode : int { Loading = 1, Stretch = 2 };

// Property 44 of the picture component.
enum class SnapshotMode : int { Step1 = 1, Step2 = 2, Capture = 3 };

class FXImage : public FXVisual {
public:
    // 58: the file; setting it loads the file before returning; "" clears.
    virtual void set_file_name(const std::string& path) = 0;
    // 57: 0 when the last file loaded; valid at once.
    virtual int load_status() const = 0;
    // 26, 27: the loaded picture's natural size in pixels.
    virtual int natural_width() const = 0;
    virtual int natural_height() const = 0;
    // 12: the size mode.
    virtual void set_size_mode(SizeMode mode) = 0;
    // 59: transition effect number (0 none); 14: its grain; 13: its pace.
    virtual void set_effect(int number) = 0;
    virtual void set_effect_grain(int grain) = 0;
    virtual void set_effect_pace(int pace) = 0;
    // 92: the drawing switch.
    virtual void set_drawing(bool on) = 0;
    // The frame. First band: 24, 25 colours, 23 style, 22 size. Second band:
    // 17, 19 colours, 18 style, 10 size. Outer line: 21 colour, 20 size. A
    // size of 0 leaves that element out. Colours are palette indexes.
    virtual void set_band1_colour_a(int colour) = 0; // 24
    virtual void set_band1_colour_b(int colour) = 0; // 25
    virtual void set_band1_style(int style) = 0;     // 23
    virtual void set_band1_size(int size) = 0;       // 22
    virtual void set_band2_colour_a(int colour) = 0; // 17
    virtual void set_band2_colour_b(int colour) = 0; // 19
    virtual void set_band2_style(int style) = 0;     // 18
    virtual void set_band2_size(int size) = 0;       // 10
    virtual void set_outer_colour(int colour) = 0;   // 21
    virtual void set_outer_size(int size) = 0;       // 20
    // 66: which input cuts a running effect short (4 key, 7 mouse move, 9 either).
    virtual void set_effect_cancel(int cancel_mode) = 0;
    // 44: the snapshot mode; see SnapshotSequence.
    virtual void set_snapshot_mode(SnapshotMode mode) = 0;
    // 11: the picture the snapshot took.
    virtual std::shared_ptr<const PictureObject> snapshot_picture() const = 0;
    // 148: empties the folder editor's preview.
    virtual void empty_preview() = 0;
    // Not a property: the file that will be loaded next, so the component
    // can decode it meanwhile. Loading it later gives the same result.
    virtual void prepare(const std::string& path) = 0;
    // The component's size in the window's units.
    virtual double component_width() const = 0;
    virtual double component_height() const = 0;
};

class FXLabel : public FXVisual {
public:
    virtual void set_caption(const std::string& text) = 0;
    // 84: effect number; 28: grain; 27: pace.
    virtual void set_effect(int number) = 0;
    virtual void set_effect_grain(int grain) = 0;
    virtual void set_effect_pace(int pace) = 0;
    // 1: the drawing switch.
    virtual void set_drawing(bool on) = 0;
    // 51: gradient colour (palette index); 50: gradient style (0 plain colour).
    virtual void set_gradient_colour(int colour) = 0;
    virtual void set_gradient_style(int style) = 0;
    // 53: the gradient's smoothness; the show sets 200.
    virtual void set_gradient_smoothness(int value) = 0;
    // 102: which input cuts a running effect short.
    virtual void set_effect_cancel(int cancel_mode) = 0;
    // 12: text size in points; 13: bold.
    virtual void set_text_size(int points) = 0;
    virtual void set_bold(bool bold) = 0;
    // The label's size in the window's units; it sizes itself to its caption.
    virtual double component_width() const = 0;
    virtual double component_height() const = 0;
};

// The snapshot sequence: mode 2, then 1, then, with the component in front
// and shown, 3; afterwards the picture holds the screen under it. Pending
// window messages run before and after the capture where a pump is given.
inline void SnapshotSequence(FXImage& image, const std::function<void()>& let_messages_run = {})
{
    image.set_snapshot_mode(SnapshotMode::Step2);
    image.set_snapshot_mode(SnapshotMode::Step1);
    image.bring_to_front();
    image.show();
    if (let_messages_run) {
        let_messages_run();
    }
    image.set_snapshot_mode(SnapshotMode::Capture);
    if (let_messages_run) {
        let_messages_run();
    }
}

} // namespace framory::core
