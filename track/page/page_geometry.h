// Drawing helpers of the day's page: points on the page, their simplification to what a screen
// shows, and numbers as the SVG carries them.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

struct PagePoint {
  double x = 0, y = 0;
};

// The indices of the points Douglas–Peucker keeps at `tolerance` pixels: the first, the last,
// and each point farther than that from the segment between the points kept on either side. A
// long line is taken in runs of a few thousand points, so that no input costs more than a few
// thousand distance measures a point.
std::vector<std::size_t> Simplified(std::span<const PagePoint> points, double tolerance);

// A coordinate to a tenth of a pixel, without a trailing ".0".
std::string Px(double value);
// "M x y L x y ..." through the points, a point that rounds to the one before it left out.
void AppendPathData(std::string& out, std::span<const PagePoint> points);
// The smallest of 1, 2 and 5 times a power of ten that is at least `rough` (above 0).
double NiceStep(double rough);
