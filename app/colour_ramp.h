// colour_ramp.h
//
// The colours of the pictures. A graph colour value is an integer from 0
// to 65535 where a lower number stands for a higher value of the measure
// drawn; it is shown on a perceptually even ramp (viridis: dark violet,
// blue, green, light yellow) on which a lower number is darker, so that
// "darker means higher" reads off the picture. Values outside 0..65535 are
// clamped.
//
// Thread safety: no shared state.
#pragma once

namespace linkan::app {

struct Rgb {
  double r = 0, g = 0, b = 0;  // 0..1
};

// t = 0: the darkest end, t = 1: the lightest; clamped to [0, 1].
Rgb RampColour(double t);
// A graph colour value (0..65535) on the ramp.
Rgb GraphColour(int colour);
// Relative luminance of `c` (0 black .. 1 white), to choose a text colour
// that stands out on it.
double Luminance(const Rgb& c);

}  // namespace linkan::app
