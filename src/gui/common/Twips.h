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

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

} // namespace Twips
