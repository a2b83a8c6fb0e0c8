#include "host/HostSystem.h"

bool fkt_ToolsIsMinWin2000()
{
    return true;
}
