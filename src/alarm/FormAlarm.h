#pragma once

#include "forms/DesignForm.h"

class ClickLabel;
class QComboBox;
class SubjectLine;
class VemraButton;
class WindowOwner;
struct AppContext;

// The window that tells the user an entry's alarm has come: the entry's subject and note and the
// moment the alarm fired, above every normal window, with one sound. An alarm that rings late also says
// when it was due, on a line of its own under the note. A new one is made for every alarm
// and lives until the user closes it; several can be open at once.
class FormAlarm : public DesignForm
{
    Q_OBJECT

public:
    FormAlarm(AppContext& context, WindowOwner& windows);
    ~FormAlarm() override;

    // The subject and note lines, shown as the plain text they are. A missing text shows nothing.
    void setSubject(const QString& subject);
    void setNote(const QString& note);
    QString subject() const;
    QString note() const;
    // "Late: due ..." for an alarm that rings late; the empty text hides the line.
    void setLateLine(const QString& line);
    QString lateLine() const;

    void Form_Load() override;
    void VemraButton1_Click();
    // "&Snooze": the alarm rings again after the minutes chosen beside it; the window closes.
    void SnoozeButton_Click();
    int snoozeMinutes() const;

signals:
    void SnoozeChosen(int minutes);

private:
    // A reader hears the window as an alert named by the subject, then the note and when it was due.
    void describeForReaders();

    AppContext& m_ctx;
    WindowOwner& m_windows;
    SubjectLine* m_label1;
    ClickLabel* m_label2;
    ClickLabel* m_label5;
    ClickLabel* m_label6;
    ClickLabel* m_lateLine;
    VemraButton* m_vemraButton1;
    QComboBox* m_snoozeChoice;
    VemraButton* m_snoozeButton;
};
