#include "ui/frmMain.h"

#include "app/modGlobal.h"

frmMain::frmMain(SettingsRecord &settings, QWidget *parent)
    : QMainWindow(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Lintrova"));
    resize(718, 586);
}
