// pmml_numbers.h
//
// Number texts of PMML attributes. Reals are written as the shortest text
// that reads back to the same double, in plain notation when the decimal
// exponent lies between -4 and 15 ("0.1", "-100000000", "0.3333333333333333",
// "1e-05", "1e+16"); whole numbers in decimal. Reading is strict: the whole text must be one
// number (surrounding blanks allowed), else nullopt, never 0.
//
// Thread safety: pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace linkan::pmml {

std::string RealText(double x);
std::optional<double> ParseReal(std::string_view text);
std::optional<std::int64_t> ParseWhole(std::string_view text);

}  // namespace linkan::pmml
