#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>

// The maker's logo: a rounded square with a stylised waveform of a serial
// line (a start bit, data bits, a stop bit) over a bold letter L. It is
// drawn from a few shapes at run time, so no image file has to ship, and
// the same shapes give an installation its icon files
// (tools/render_icons.cpp), so the desktop's icon is the window's logo.

// The logo, size x size pixels: the SVG below scaled. Needs the GUI
// application object.
QPixmap ProgramLogo(int size = 96);

// The same picture on an image, which needs no application object.
QImage ProgramLogoImage(int size);

// The logo as a scalable SVG document in a 96-unit square: the shapes
// ProgramLogoImage(96) paints, number for number.
QByteArray ProgramLogoSvg();

// The window's icon: the desktop theme's icon of the installed program
// where there is one, else the drawn logo. Needs the GUI application object.
QIcon ProgramIcon();
