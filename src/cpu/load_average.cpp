#include "cpu/load_average.h"

#include "common/text.h"

namespace nodrel {

LoadAverage AddLoadSample(LoadRing& samples, std::int16_t& index, std::int16_t avTime, int sample,
                          std::int16_t level) {
    auto& count = samples[0];
    count = static_cast<std::int16_t>(count + 1);
    index = static_cast<std::int16_t>(index + 1);
    if (index > avTime) index = 1;
    if (count > avTime) count = avTime;
    samples[static_cast<std::size_t>(index)] = static_cast<std::int16_t>(sample);

    long sum = 0;
    for (int i = 1; i <= count; ++i) sum += samples[static_cast<std::size_t>(i)];
    // Whole samples: the average is below the level exactly when sum < level * count, and
    // its whole part is the floor of sum / count; no rounding error can enter.
    return {sum < static_cast<long>(level) * count, sum / count};
}

std::string PercentText(long value) {
    return RightAlign(std::to_string(value), 3) + "%";
}

}  // namespace nodrel
