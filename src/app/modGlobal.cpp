#include "app/modGlobal.h"

namespace modGlobal {

SettingsRecord &Settings()
{
    static SettingsRecord settings;
    return settings;
}

} // namespace modGlobal
