#include "app/launcher.h"

namespace nodrel {

const char* const HomePageAddress = NODREL_HOMEPAGE;

}  // namespace nodrel
