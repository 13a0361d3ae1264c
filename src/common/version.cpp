#include "common/text.h"

namespace nodrel {

const std::string_view kVersion = NODREL_VERSION;

}  // namespace nodrel
