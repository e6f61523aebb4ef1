#pragma once

#include <QRect>

// The older windows were laid out in twips, 1/1440 of an inch: at 96 dots per inch a pixel is
// 15 of them. Their places and sizes are kept in twips and turned into pixels here, rounded to
// the nearest one.
namespace Twips {

inline constexpr int PerPixel = 15;

constexpr int px(int twips)
{
    return (twips + PerPixel / 2) / PerPixel;
}

// To the nearest pixel: 22 twips are 1.47 pixels, 23 are 1.53.
static_assert(px(22) == 1 && px(23) == 2);

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

} // namespace Twips
