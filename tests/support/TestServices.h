#pragma once

#include "forms/Services.h"
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

// Counts beeps instead of sounding them.
class CountingBeepService : public BeepService
{
public:
    void beep() override { ++count; }
    int count = 0;
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
