#pragma once

#include "core/slideshow/show.h"

#include <QPainter>
#include <QPrinter>

#include <memory>

namespace framory::qt {

// The default CUPS queue through Qt's printing. The page is measured and
// drawn in the printer's device pixels. No default queue is a failure of the
// first step.
class DefaultPrinter : public core::Printer {
public:
    bool prepare() override;
    bool page_size(double& width, double& height) override;
    bool draw_picture(const core::PictureObject& picture, double left, double top, double width,
                      double height) override;
    bool end_document() override;

private:
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
};

class ScreenLock;

// The show's message boxes, over the show window (and taken into its lock
// while it locks the screen).
class ShowMessageBoxes : public core::ShowMessages {
public:
    explicit ShowMessageBoxes(ScreenLock* lock = nullptr) : m_lock(lock) {}
    void printer_problem() override;

private:
    ScreenLock* m_lock;
};

} // namespace framory::qt
