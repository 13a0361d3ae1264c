#pragma once
// The core speaks UTF-8; the window system UTF-16. Converted at the boundary only, by the
// platform layer's helpers.
#include "platform/windows/wide_text.h"

namespace nodrel::win {

using windows_platform::Narrow;
using windows_platform::Wide;

}  // namespace nodrel::win
