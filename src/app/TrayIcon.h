#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

class LoginStart;
class StatusNotifierItem;
class MessageBoxService;
class QAction;
class QSystemTrayIcon;
class WindowOwner;
struct ProgramValues;

// What a left click on the tray icon does, decided from the window-state flags alone.
enum class TrayToggle
{
    ShowMainWindow,
    HideMainWindow,
    ShowYearView,
    HideYearView,
    Nothing // the organizer was the last active view: it is never shown or hidden from the icon
};

// The icon toggles whichever of the main window and the year view was last active.
TrayToggle TrayLeftClickAction(const ProgramValues& values);

// The notification-area icon: a left click shows or hides the calendar, a right click pops up the main
// window's menu (the program's own where the notification area shows no menu of its own). Where the
// desktop has no notification area the icon is not shown and the program runs on; "hide" then minimises
// to the task bar instead.
class TrayIcon : public QObject
{
public:
    static QString TipText();

    TrayIcon(ProgramValues& values, WindowOwner& windows, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop has a notification area now; tests replace the question.
    void setAvailable(std::function<bool()> available) { m_available = std::move(available); }

    // The icon as a status notifier item on the session bus, for notification areas that show such items
    // and for one that comes up later; while an area has taken it in, it stands in for Qt's icon.
    void setStatusNotifier(std::unique_ptr<StatusNotifierItem> item);
    StatusNotifierItem* statusNotifier() const { return m_item.get(); }
    bool statusNotifierPresent() const;

    // Shows the icon where the desktop has a notification area; it is shown again when one appears later.
    void AddTrayIcon();
    void RemoveTrayIcon();
    bool isShown() const;

    void TrayLeftClick();
    // Enables "&Exit" only while the main window was the last active view, then pops up the menu.
    void TrayRightClick(const QPoint& globalPos);
    // The notification area passed a right click on: the program's menu pops up where the area has not
    // shown one itself, so that there is always exactly one.
    void TrayContextClick();

    // Brings the window the icon controls forward, showing it first when it is hidden, as a left click
    // would; a later start of the program asks for this.
    void RestoreControlledWindow();

    QSystemTrayIcon* icon() const { return m_icon; }

    // Adds the checkable "Start at &login" entry above the menu's "&Exit"; checking it writes the login
    // start entry, unchecking removes it, and a failure is told through messages.
    void offerLoginStart(LoginStart& login, MessageBoxService& messages);
    QAction* loginEntry() const { return m_loginEntry; }

private:
    // The one rule for the menu's "&Exit": enabled only while the main window was the last active view.
    void updateExitEntry();
    void perform(TrayToggle action);
    // Shows the one icon that suits the notification area there is now, while the icon is wanted.
    void showWhereThere();

    ProgramValues& m_values;
    WindowOwner& m_windows;
    QSystemTrayIcon* m_icon; // a child of this object
    QAction* m_loginEntry = nullptr;
    std::function<bool()> m_available;
    std::unique_ptr<StatusNotifierItem> m_item;
    bool m_wanted = false;
};
