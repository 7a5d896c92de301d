#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures the program carries: its icon and the splash and credits pictures.
namespace AppResources {

// Makes the embedded pictures available; safe to call more than once.
void init();

QIcon programIcon();
QPixmap splashPicture();
QPixmap creditsPicture();

} // namespace AppResources
