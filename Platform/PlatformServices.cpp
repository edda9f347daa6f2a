#include "PlatformServices.h"

namespace Platform {
PlatformServices& services()
{
    static PlatformServices instance;
    return instance;
}
} // namespace Platform
