#include "exchange/FilePlacement.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

FilePlacement::Placed FilePlacement::placeWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return Placed::Done;
    if (errno == EEXIST)
        return Placed::Exists;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return Placed::Failed;
    if (::link(source.constData(), target.constData()) != 0)
        return errno == EEXIST ? Placed::Exists : Placed::Failed;
    ::unlink(source.constData());
    return Placed::Done;
}
