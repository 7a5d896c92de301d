#include "store/Clock.h"

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}
