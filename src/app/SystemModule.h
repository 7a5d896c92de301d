#pragma once

#include <QString>
#include <QStringList>

class MessageBoxService;

// Shell services: files and outside programs.

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
