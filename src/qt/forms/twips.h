#pragma once

#include <QRect>

namespace framory::qt {

// Dialogs are laid out from their design in twips at 15 twips to the pixel;
// Qt's high-DPI support scales them on denser screens.
constexpr int Twips(int twips)
{
    return twips / 15;
}

constexpr QRect TwipsRect(int left, int top, int width, int height)
{
    return {Twips(left), Twips(top), Twips(width), Twips(height)};
}

} // namespace framory::qt
