#pragma once

#include <QStringList>

// The faces the windows were laid out in. Tahoma and MS Sans Serif are not on a Linux desktop, but
// faces with their very metrics are packaged (fonts-wine); once these are loaded every caption fits the
// box it was designed for. Where they are missing, the nearest faces stand in (Design::font).
namespace DesignFonts {

// The folders searched for the faces, in order.
QStringList searchFolders();

// Loads the design faces found in the folders for this run; returns the families loaded. Call once,
// after the application object exists.
QStringList load(const QStringList& folders = searchFolders());

} // namespace DesignFonts
