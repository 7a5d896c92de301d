#pragma once

// How wide the many-alarms window's list and its three columns are. The subject and the due time are
// what tell the rows apart, so they are given their whole width first; the note has what is left, and at
// least a little. The list grows from its design width toward the widest the screen allows; only where
// even that is too narrow does the subject give way (and ends in an ellipsis).
class AlarmListColumns
{
public:
    struct Widths
    {
        int subject = 0;
        int due = 0;
        int note = 0;
        int list = 0; // the three together
    };

    // All in pixels: the widest subject and due texts with their cell margins, the list's design width,
    // the widest it may become, and the least the note keeps.
    static Widths fit(int subject, int due, int designList, int widestList, int leastNote);
};
