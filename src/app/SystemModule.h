#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class MessageBoxService;
class QWidget;

// Shell and window services that many windows share: files, outside programs, moving and stacking
// the borderless windows.

// True when path names an existing file; errors count as "no".
bool FileExists(const QString& path);

// Writes the embedded resource (a Qt resource path such as ":/zentravio/app-icon.png") to a file and
// returns the path written, or "" after telling the user what went wrong. The target is fullPath when
// it is given, otherwise folder/fileName.extension; an empty folder is the program's own folder and an
// empty file name is "temp".
QString GenFileFromRes(MessageBoxService& messages, const QString& resource, const QString& extension,
                       const QString& folder, const QString& fileName, const QString& fullPath);

// Starts the program file with the given arguments, in the program's own folder, without waiting for
// it. The arguments go to the program as they are: no shell ever sees them. A program that can't be
// started is reported as "Error jumping to:<file>". An empty file does nothing.
void OpenWithShell(MessageBoxService& messages, const QString& file, const QStringList& parameters);

// Starts moving a borderless window with the mouse, from the mouse-down of its title strip. Only the left
// button drags. The window system moves the window where it can; elsewhere the window follows the mouse
// until the button is released. afterDrag runs once the drag has ended.
void DragWindow(QWidget* window, Qt::MouseButton button, std::function<void()> afterDrag = {});

// Puts the window into the top-most band (or out of it), keeping its size, and moves it to the screen
// origin: callers that want it elsewhere place it afterwards.
void SetTopMost(QWidget* window, bool flag);
