#include "store/ScheduleDatabase.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

// Until the windows arrive, the program opens the schedule (creating it on first start) and reports
// how many entries it holds.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString path = ScheduleDatabase::defaultPath();
    if (!QFileInfo::exists(path)) {
        const StoreResult created = ScheduleDatabase::CreateDatabaseFile(path);
        if (!created) {
            std::fprintf(stderr, "%s\n", qPrintable(created.error));
            return 1;
        }
    }
    QString error;
    const auto database = ScheduleDatabase::open(path, &error);
    if (!database) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("Zentravio: %zu entries in %s\n", database->cachedTable().size(), qPrintable(path));
    return 0;
}
