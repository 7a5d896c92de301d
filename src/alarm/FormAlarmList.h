#pragma once

#include "forms/DesignForm.h"

#include <QDate>
#include <QTime>

#include <vector>

class ClickLabel;
class QComboBox;
class QTreeWidget;
class VemraButton;
class WindowOwner;
struct AppContext;

// One window for many alarms that came due together (in one second, or late at one start), in place of
// a window for each: it lists them (subject, when each was due, the note's first line), and closes them
// all, or snoozes them all, at once. It comes up top-most at the screen's corner with one sound, as an
// alarm window does.
class FormAlarmList : public DesignForm
{
    Q_OBJECT

public:
    struct Row
    {
        QString subject;
        QDate dueDate;
        QTime dueTime;
        QString note;
        QString line; // "Snoozed from ..." or "Late: due ...", or empty
    };

    FormAlarmList(AppContext& context, WindowOwner& windows);
    ~FormAlarmList() override;

    void setRows(const std::vector<Row>& rows);
    int rowCount() const;
    // The texts of a row's columns: subject, due, note.
    QStringList rowTexts(int row) const;
    QString countLine() const;

    void Form_Load() override;
    // "Close &all"
    void CloseAll_Click();
    // "&Snooze all": every listed alarm rings again after the minutes chosen; the window closes.
    void SnoozeAll_Click();
    int snoozeMinutes() const;

    // The first line of a note, for its cell.
    static QString firstLine(const QString& note);

signals:
    void SnoozeChosen(int minutes);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sizes the subject and due columns to their texts, widening the window within the screen.
    void fitColumns();

    AppContext& m_ctx;
    WindowOwner& m_windows;
    ClickLabel* m_strip;
    ClickLabel* m_countLine;
    QTreeWidget* m_list;
    QComboBox* m_snoozeChoice;
    VemraButton* m_snoozeAll;
    VemraButton* m_closeAll;
};
