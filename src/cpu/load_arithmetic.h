#pragma once
#include <cstdint>

namespace nodrel {

// Load in whole percent from the idle and elapsed differences since the baseline, with
// four-decimal fixed-point steps (ties to even) and a final floor. An idle share a little
// above one gives -1, the failure value; more gives -2 or less.
int LoadPercent(std::int64_t idle, std::int64_t elapsed, int processors);

}  // namespace nodrel
