#pragma once

// Drawing on a TImage: solid and rounded rectangles and copies of other pictures. Everything is
// clipped to the target. On an 8-bit target the fills write the palette index held in the
// colour's low byte, as TImage::SetPixel does.

#include "graphics/Image.h"

namespace tavri {

// Fills [Left, Right) × [Top, Bottom).
void FillRect(TImage& image, TRect rect, TColor colour);

// The filled, outline-free rounded rectangle (the region a platform fill of a rounded rectangle
// with no pen covers), aliased. With w and h the corner ellipse's width and height, each first
// limited to the rectangle's width and height:
//  - w < 2 or h < 2 gives square corners: the whole rectangle.
//  - Otherwise pixel (x, y) is covered when its centre (x + ½, y + ½) lies in the rectangle
//    and, where the centre falls in one of the four corner zones (closer than w / 2 to the left
//    or right edge and closer than h / 2 to the top or bottom edge), inside or on the ellipse
//    of semi-axes w / 2 and h / 2 whose bounding box is that corner's w × h box.
//    For the top-left corner, in whole numbers: dx = 2x + 1 − 2·Left − w,
//    dy = 2y + 1 − 2·Top − h, covered when dx²·h² + dy²·w² ≤ w²·h².
// The shape is symmetric: mirrored left to right and top to bottom it is the same set of pixels.
void FillRoundRect(TImage& image, TRect rect, int ellipseWidth, int ellipseHeight, TColor colour);

// Whether FillRoundRect with the same arguments covers pixel (x, y); for regions and tests.
bool RoundRectContains(TRect rect, int ellipseWidth, int ellipseHeight, int x, int y);

// Copies src with its top-left pixel at (x, y) of dst, clipped on every side. An 8-bit source
// goes through its palette (indices beyond the palette give black) onto a 24-bit target; onto an
// 8-bit target an 8-bit source copies its indices and a 24-bit source writes each colour's low
// byte as the index.
void DrawImage(TImage& dst, int x, int y, const TImage& src);

}  // namespace tavri
