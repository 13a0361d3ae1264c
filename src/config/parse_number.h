#pragma once
// Lenient number reading shared by the reader, the validation and the writer.
#include <cstdint>
#include <string>
#include <string_view>

namespace nodrel {

// Blanks, tabs and line feeds anywhere are ignored; then an optional sign, digits with at
// most one '.', and an optional exponent (E, sign, digits) are read up to the first
// character that cannot continue the number. No leading number gives 0. Never throws.
double ParseLeadingNumber(std::string_view text);

// Nearest integer, an exact half going to the even neighbour; false when out of range.
bool RoundToInt16(double value, std::int16_t& out);
bool RoundToInt32(double value, std::int32_t& out);

// The shortest plain decimal for a value read by ParseLeadingNumber: 30, 2.5, -1.25.
std::string FormatNumber(double value);

}  // namespace nodrel
