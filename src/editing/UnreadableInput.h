#pragma once

#include <QString>

class DateEdit;
class TimeEdit;

// Why a date or time the user typed cannot be saved: the message naming the one that cannot be read (the
// date first), or the empty text when both read. The windows show it and keep the text as typed, rather
// than saving some other day or time.
QString unreadableInputMessage(const DateEdit& date, const TimeEdit& time);
