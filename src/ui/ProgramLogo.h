#pragma once

#include <QPixmap>

// The maker's logo, drawn at run time so that no image file has to ship.
QPixmap ProgramLogo(int size = 96);
