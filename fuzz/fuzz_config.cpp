// Any bytes as the configuration file, as a number text and as an address.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/config_reader.h"
#include "config/parse_number.h"
#include "config/settings.h"
#include "fakes.h"
#include "link/ip_check.h"

namespace {

void CheckReader(std::string_view bytes) {
    static const nodrel::testing::ScratchFolder folder;  // the current directory from now on
    nodrel::testing::WriteBytes("Data/Nodrel4.ini", bytes);
    nodrel::Settings settings;
    std::string listing;
    const nodrel::ReadOutcome outcome =
        nodrel::ReadConfigFile("Data/Nodrel4.ini", settings, listing);
    if (outcome == nodrel::ReadOutcome::Missing) __builtin_trap();  // it was just written
    if (!listing.starts_with("\r\nConfiguration\r\n-------------")) __builtin_trap();
}

// A number rendered by FormatNumber reads back to the same value.
void CheckNumber(std::string_view bytes) {
    const double value = nodrel::ParseLeadingNumber(bytes);
    if (std::isnan(value)) __builtin_trap();
    if (std::isfinite(value) && nodrel::ParseLeadingNumber(nodrel::FormatNumber(value)) != value) {
        __builtin_trap();
    }
    std::int16_t small = 0;
    std::int32_t large = 0;
    if (nodrel::RoundToInt16(value, small) && std::fabs(value - small) > 0.5) __builtin_trap();
    if (nodrel::RoundToInt32(value, large) && std::fabs(value - large) > 0.5) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckReader(bytes);
    CheckNumber(bytes);
    nodrel::IsValidIP(bytes);
    return 0;
}
