#include "forms/DesignFonts.h"

#include <QDir>
#include <QFontDatabase>

namespace DesignFonts {

namespace {

// Only the regular Tahoma: the packaged bold face draws its strokes no heavier than the regular one, so
// the year view's busy days and the bold titles would not stand out. Without it, bold is drawn by
// emboldening the regular face, which keeps its widths, so bold texts still fit their design boxes.
const QStringList FaceFiles = {QStringLiteral("tahoma.ttf"), QStringLiteral("ms_sans_serif.ttf")};

} // namespace

QStringList searchFolders()
{
    return {QStringLiteral("/usr/share/wine/fonts"), QStringLiteral("/usr/local/share/wine/fonts")};
}

QStringList load(const QStringList& folders)
{
    QStringList families;
    for (const QString& file : FaceFiles) {
        for (const QString& folder : folders) {
            const QString path = QDir(folder).filePath(file);
            if (!QFile::exists(path))
                continue;
            const int id = QFontDatabase::addApplicationFont(path);
            if (id >= 0) {
                for (const QString& family : QFontDatabase::applicationFontFamilies(id)) {
                    if (!families.contains(family))
                        families << family;
                }
                break;
            }
        }
    }
    return families;
}

} // namespace DesignFonts
