// Lenient number reading, rounding, number rendering and the dotted-quad checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "config/parse_number.h"
#include "link/ip_check.h"

namespace nodrel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ConfigParseNumber, ReadsTheLeadingNumberOnly) {
    const std::string huge(400, '9');
    const std::string tiny = "0." + std::string(400, '0') + "1";
    // clang-format off
    const std::pair<std::string, double> cases[] = {
        {"30", 30}, {"30 s", 30}, {"0030", 30}, {"  1 2\t3\n", 123}, {"- 7", -7}, {"+7", 7},
        {"2.5", 2.5}, {".5", 0.5}, {"5.", 5}, {"1.2.3", 1.2}, {"1.5E2", 150}, {"1e-1", 0.1},
        {"2E+3x", 2000}, {"3E", 3}, {"3E+", 3}, {"abc", 0}, {"", 0}, {".", 0}, {"-", 0},
        {"E5", 0}, {"12\r", 12}, {"\r12", 0}, {"1,5", 1}, {"0x10", 0}, {"inf", 0}, {"nan", 0},
        {"1e-400", 0}, {tiny, 0}, {huge + "e-999", 0}, {huge, kInf}, {"-" + huge, -kInf},
        {tiny + "e999", kInf}, {"1e99999999999999999999", kInf}};
    // clang-format on
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseLeadingNumber(text), expected) << '"' << text << '"';
    }
}

TEST(ConfigRounding, HalvesGoToTheEvenNeighbourAndRangeIsJudgedAfterRounding) {
    // clang-format off
    const struct {
        double value;
        bool fits16, fits32;
        std::int32_t expected;
    } cases[] = {
        {2.5, true, true, 2}, {3.5, true, true, 4}, {-2.5, true, true, -2},
        {-3.5, true, true, -4}, {0.5, true, true, 0}, {2.6, true, true, 3},
        {-0.4, true, true, 0}, {32767.4, true, true, 32767}, {32767.5, false, true, 32768},
        {-32768.5, true, true, -32768}, {-32769.5, false, true, -32770},
        {40000, false, true, 40000}, {2147483647.5, false, false, 0}, {kInf, false, false, 0},
        {std::numeric_limits<double>::quiet_NaN(), false, false, 0}};
    // clang-format on
    for (const auto& c : cases) {
        std::int16_t out16 = 0;
        std::int32_t out32 = 0;
        EXPECT_EQ(RoundToInt16(c.value, out16), c.fits16) << c.value;
        EXPECT_EQ(RoundToInt32(c.value, out32), c.fits32) << c.value;
        EXPECT_EQ(c.fits16 ? out16 : c.expected, c.expected) << c.value << ", where it fits";
        EXPECT_EQ(c.fits32 ? out32 : c.expected, c.expected) << c.value;
    }
}

TEST(ConfigFormatNumber, ShortestPlainDecimal) {
    // clang-format off
    const std::pair<double, std::string> cases[] = {
        {30, "30"}, {2.5, "2.5"}, {-1.25, "-1.25"}, {0.1, "0.1"}, {-0.0, "0"},
        {1e-7, "0.0000001"}, {1e21, "1000000000000000000000"}, {1.0 / 3, "0.3333333333333333"}};
    // clang-format on
    for (const auto& [value, expected] : cases) EXPECT_EQ(FormatNumber(value), expected);
}

// A dotted quad reads in decimal whatever its leading zeros; IsValidIP wants the outer
// fields in 1..255 (so 127.0.0.1 and 10.0.0.1 pass); a host name may be any quad with a 0.
TEST(DottedQuad, ReadInDecimalAndCheckedForAddressesAndHostNames) {
    const struct {
        const char* text;
        const char* bytes;  // as read, "" for no quad
        bool valid, refusedAsName;
    } cases[] = {// clang-format off
        {"192.168.1.20", "192.168.1.20", true, true}, {"010.001.1.1", "10.1.1.1", true, true},
        {"127.000.000.010", "127.0.0.10", true, false}, {"192.168.1.08", "192.168.1.8", true, true},
        {"255.255.255.255", "255.255.255.255", true, true}, {"1.2.3.0001", "1.2.3.1", true, true},
        {"127.0.0.1", "127.0.0.1", true, false}, {"10.00.0.1", "10.0.0.1", true, false},
        {"192.168.1.0", "192.168.1.0", false, false}, {"0.1.1.1", "0.1.1.1", false, false},
        {"192.168.01", "", false, false}, {".1.2.3.4", "", false, false},
        {"1.2.3.4.", "", false, false}, {"1.2.3.4.5", "", false, false},
        {"1.1.1.1.1", "", false, false}, {"1.2.3.a", "", false, false},
        {"1.2.3.256", "", false, false}, {"1.256.3.4", "", false, false},
        {"1..2.3", "", false, false}, {"", "", false, false}, {" 1.2.3.4", "", false, false},
        {"1.2.3.99999999999999999999", "", false, false}, {"0x7f.0.0.1", "", false, false}};
    // clang-format on
    for (const auto& c : cases) {
        std::string bytes;
        if (const auto address = ParseDottedQuad(c.text)) {
            for (const std::uint8_t b : *address) bytes += std::to_string(b) + ".";
            bytes.pop_back();
        }
        EXPECT_EQ(bytes, c.bytes) << '"' << c.text << '"';
        EXPECT_EQ(IsValidIP(c.text), c.valid) << '"' << c.text << '"';
        EXPECT_EQ(IsDottedQuadWithoutZeros(c.text), c.refusedAsName) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace nodrel
