#pragma once

#include "forms/WindowOwner.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <memory>

// The program's windows as far as the shell sees them: a plain main window, the tray menu with its
// "&Exit" entry, an optional year view, and counts of the countdown-list requests. It has no add dialog, countdown list or alarm windows.
class FakeWindows : public WindowOwner
{
public:
    FakeWindows()
    {
        window->setObjectName(QStringLiteral("MainForm"));
        window->setWindowTitle(QStringLiteral("Zentravio"));
        window->resize(300, 280);
        menu = new QMenu(window.get());
        menu->addAction(QStringLiteral("&About"));
        menu->addSeparator();
        exit = menu->addAction(QStringLiteral("&Exit"));
    }

    QWidget* mainWindow() override { return window.get(); }
    QMenu* trayMenu() override { return menu; }
    QAction* exitEntry() override { return exit; }
    QWidget* yearView() override { return year.get(); }
    FormAddSched* addScheduleDialog() override { return nullptr; }
    FormGrid* listWindow() override { return nullptr; }
    FormGrid* loadedListWindow() override { return nullptr; }
    void DockListWindow() override { ++docked; }
    void UnloadListWindow() override { ++unloaded; }
    void ApplyTheme(int) override {}
    FormAlarm* newAlarmWindow() override { return nullptr; }
    std::vector<FormAlarm*> alarmWindows() const override { return {}; }

    void openYearView()
    {
        year = std::make_unique<QWidget>();
        year->setWindowTitle(QStringLiteral("Zentravio Year"));
    }

    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    std::unique_ptr<QWidget> year;
    QMenu* menu;
    QAction* exit;
    int docked = 0;
    int unloaded = 0;
};
