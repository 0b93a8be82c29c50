#pragma once

#include "core/components/fx_components.h"
#include "qt/components/effect_widget.h"

#include <string>

namespace framory::qt {

// The label component: a caption over a fill in a palette colour, plain or
// as one of the gradient styles, coming in with a transition.
//
// The caption is drawn in white, centred, in the label's font (the design
// font is Arial, which the system maps to its metric twin where installed)
// at the set size in points and weight. A label with a caption sizes itself
// to the caption (with a small margin), keeping its top-left corner; one
// without keeps the size it was given.
class QtFXLabel : public EffectComponent<core::FXLabel> {
    Q_OBJECT

public:
    explicit QtFXLabel(QWidget* parent, double units_per_pixel = 1.0, PixelKind kind = PixelKind::Logical);


    // FXLabel
    void set_caption(const std::string& text) override;
    void set_gradient_colour(int colour) override;
    void set_gradient_style(int style) override;
    void set_gradient_smoothness(int value) override;
    void set_text_size(int points) override;
    void set_bold(bool bold) override;

    const QString& caption() const { return m_caption; }
    // The caption's size in pixels in the label's font.
    QSize caption_size() const;

protected:
    media::Image render_content(QSize size) override;

private:
    void fit_to_caption();

    QString m_caption;
    int m_colour = 0;
    int m_style = 0;
    int m_depth = 200;
};

} // namespace framory::qt
