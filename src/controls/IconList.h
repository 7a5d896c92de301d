#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPixmap>

#include <memory>

// A store of small pictures that list grids take their cell and header icons from. The grid counts
// positions from 0; ItemPicture counts from 1, as the windows ask for pictures by number.
class IconList : public QObject
{
    Q_OBJECT

public:
    // Positions of the schedule pictures in the list scheduleIcons() returns, as a grid takes them.
    enum ScheduleIcon
    {
        AlarmOff = 0,
        AlarmOn = 1,
        EntryAhead = 2,
        EntryPast = 3,
    };

    explicit IconList(QObject* parent = nullptr);

    // Both return the new picture's number, from 1.
    int Add(const QPixmap& picture);
    int Add(const QIcon& icon);

    int Count() const { return int(m_icons.size()); }

    // The picture numbered index from 1, at its own size; a null pixmap outside 1..Count().
    QPixmap ItemPicture(int index) const;

    // The picture at position index from 0; a null icon outside the list.
    QIcon icon(int index) const { return m_icons.value(index); }

    // The four 16 x 16 pictures of the schedule lists, in ScheduleIcon order: alarm off, alarm on, entry
    // still ahead, entry in the past.
    static std::unique_ptr<IconList> scheduleIcons();

signals:
    // A picture was added; grids showing the list repaint.
    void changed();

private:
    QList<QIcon> m_icons;
};
