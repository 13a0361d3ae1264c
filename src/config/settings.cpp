#include "config/settings.h"

namespace nodrel {

std::string DefaultLogPath() { return std::string("Log") + PathSeparator; }

}  // namespace nodrel
