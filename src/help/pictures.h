#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures of the main window and the splash, drawn at run time so that
// they are sharp at any screen scale.
QIcon programIcon();
QPixmap mdiBackground();
QPixmap splashPicture(int width, int height);
