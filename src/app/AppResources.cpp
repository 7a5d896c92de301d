#include "app/AppResources.h"

#include <QString>

// The resource initializer must be named outside any namespace.
static void initZentravioResources()
{
    Q_INIT_RESOURCE(zentravio);
}

namespace AppResources {

void init()
{
    static const bool done = (initZentravioResources(), true);
    Q_UNUSED(done);
}

QIcon programIcon()
{
    init();
    return QIcon(QStringLiteral(":/zentravio/app-icon.png"));
}

QPixmap splashPicture()
{
    init();
    return QPixmap(QStringLiteral(":/zentravio/splash.png"));
}

QPixmap creditsPicture()
{
    init();
    return QPixmap(QStringLiteral(":/zentravio/credits.png"));
}

} // namespace AppResources
