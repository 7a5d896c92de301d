#pragma once

#include "forms/Services.h"
#include "notify/AlarmNotice.h"
#include "support/ManualClock.h"

#include <QList>
#include <QMessageBox>
#include <QRect>
#include <QString>

// The test doubles of the replaceable services: one set for every test.

// Records every message box instead of showing it and answers with the queued answers (Ok when none).
class RecordingMessageBoxService : public MessageBoxService
{
public:
    struct Shown
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
    };

    QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                     const QString& text, QMessageBox::StandardButtons buttons) override;

    void setNextAnswer(QMessageBox::StandardButton answer) { m_answers << answer; }

    QList<Shown> shown;

private:
    QList<QMessageBox::StandardButton> m_answers;
};

// Counts beeps instead of sounding them; an alarm's sound counts as a beep and as an alarm sound.
class CountingBeepService : public BeepService
{
public:
    CountingBeepService() : BeepService(nullptr) {}
    void beep() override { ++count; }
    void alarmBeep() override
    {
        ++count;
        ++alarmSounds;
    }
    int count = 0;
    int alarmSounds = 0;
};

// Keeps every alarm notification instead of sending it.
class RecordingAlarmNotifier : public AlarmNotifier
{
public:
    void notify(const AlarmNotice& notice) override { sent << notice; }
    void withdraw(quint64 key) override { withdrawn << key; }
    QList<AlarmNotice> sent;
    QList<quint64> withdrawn;
};

// One screen of a fixed size.
class FixedScreenService : public ScreenService
{
public:
    explicit FixedScreenService(QRect geometry = QRect(0, 0, 1024, 768)) : m_geometry(geometry) {}
    QRect primaryGeometry() const override { return m_geometry; }
    QList<QRect> screens() const override { return {m_geometry}; }
    void setGeometry(QRect geometry) { m_geometry = geometry; }

private:
    QRect m_geometry;
};
