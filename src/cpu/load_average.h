#pragma once
// The moving average of the load over the last AvTime seconds, and how it is shown.
#include <array>
#include <cstdint>
#include <string>

namespace nodrel {

// The last samples in whole percent, as a ring: [0] is how many are held, [1..] the samples.
using LoadRing = std::array<std::int16_t, 32>;

struct LoadAverage {
    bool belowLevel = false;  // the average is below the threshold
    long wholePercent = 0;    // the average's whole part
};

// Puts the sample after `index` (wrapping after `avTime`), keeps at most `avTime` samples
// and averages those held against `level`.
LoadAverage AddLoadSample(LoadRing& samples, std::int16_t& index, std::int16_t avTime, int sample,
                          std::int16_t level);

// A whole percentage right-aligned in three characters and "%".
std::string PercentText(long value);

}  // namespace nodrel
