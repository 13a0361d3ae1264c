#include "common/text.h"

namespace nodrel {

const std::string_view Version = NODREL_VERSION;

}  // namespace nodrel
