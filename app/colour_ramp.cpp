// colour_ramp.cpp
#include "colour_ramp.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace linkan::app {
namespace {

// Ten evenly spaced samples of viridis, interpolated linearly in between.
constexpr std::array<Rgb, 10> kStops = {{
    {0x44 / 255.0, 0x01 / 255.0, 0x54 / 255.0},
    {0x48 / 255.0, 0x28 / 255.0, 0x78 / 255.0},
    {0x3e / 255.0, 0x4a / 255.0, 0x89 / 255.0},
    {0x31 / 255.0, 0x68 / 255.0, 0x8e / 255.0},
    {0x26 / 255.0, 0x82 / 255.0, 0x8e / 255.0},
    {0x1f / 255.0, 0x9e / 255.0, 0x89 / 255.0},
    {0x35 / 255.0, 0xb7 / 255.0, 0x79 / 255.0},
    {0x6d / 255.0, 0xcd / 255.0, 0x59 / 255.0},
    {0xb4 / 255.0, 0xde / 255.0, 0x2c / 255.0},
    {0xfd / 255.0, 0xe7 / 255.0, 0x25 / 255.0},
}};

}  // namespace

Rgb RampColour(double t) {
  if (!(t > 0)) t = 0;  // NaN too
  if (t > 1) t = 1;
  const double scaled = t * static_cast<double>(kStops.size() - 1);
  const std::size_t i = std::min(static_cast<std::size_t>(scaled), kStops.size() - 2);
  const double f = scaled - static_cast<double>(i);
  const Rgb& a = kStops[i];
  const Rgb& b = kStops[i + 1];
  return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

Rgb GraphColour(int colour) { return RampColour(std::clamp(colour, 0, 65535) / 65535.0); }

double Luminance(const Rgb& c) {
  auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

}  // namespace linkan::app
