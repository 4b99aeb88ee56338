#pragma once

#include <QImage>

namespace velarium::artwork {

// Plain bitmaps for the splash window, which lays the flag over the scene by a colour key
// rather than by an alpha channel.
QImage drawSplashScene();
QImage drawSplashFlag();

} // namespace velarium::artwork
