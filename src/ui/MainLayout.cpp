#include "ui/MainLayout.h"

namespace MainLayout {

Geometry arrange(int dx, int dy, bool repeatControlsVisible)
{
    Geometry g;
    const int listHeight = repeatControlsVisible ? 5640 : 6180;
    const int deleteTop = repeatControlsVisible ? 6660 : 7200;
    g.lstSendReceive = QRect(60, 930, 6915 + dx, listHeight + dy);
    g.cmdDelete = QRect(60, deleteTop + dy, 2400, 315);
    g.txtSend = QRect(60, 360, 6915 + dx, 285);
    g.cmdQuit = QRect(7080 + dx, 7170 + dy, 3480, 375);
    g.cmdSend = QRect(7080 + dx, 360, 3480, 405);
    g.fraCommands = QRect(7080 + dx, 840, 3495, 6285);
    g.cmdBlockcheck = QRect(7080 + dx, 0, 3495, 315);
    g.cmdInsertSpecialChar = QRect(4560 + dx, 30, 2415, 315);
    g.chkRepeat = QRect(2940, 6660 + dy, 3495, 195);
    g.chkRepeatCommandConfig = QRect(2940, 6900 + dy, 3495, 195);
    g.txtWaitTime = QRect(2940, 7140 + dy, 795, 285);
    g.labDelay = QRect(3840, 7200 + dy, 915, 255);
    return g;
}

} // namespace MainLayout
