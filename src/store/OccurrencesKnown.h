#pragma once

#include <QObject>

// Tells, on the window's thread, that occurrences a view asked for before they were worked out are now
// known, or changed: the view showed what it had and shows them now.
class OccurrencesKnown : public QObject
{
    Q_OBJECT

signals:
    void known();
};
