#include "app/TrayIcon.h"

#include "app/StatusNotifierItem.h"
#include "editing/FormOrganizer.h"
#include "forms/AppContext.h"
#include "forms/Services.h"
#include "forms/WindowHelpers.h"
#include "forms/WindowOwner.h"
#include "settings/LoginStart.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

TrayToggle TrayLeftClickAction(const ProgramValues& values)
{
    if (values.MainViewActive)
        return values.MainHidden ? TrayToggle::ShowMainWindow : TrayToggle::HideMainWindow;
    if (!values.OrganizerViewActive)
        return values.MainHidden ? TrayToggle::ShowYearView : TrayToggle::HideYearView;
    return TrayToggle::Nothing;
}

QString TrayIcon::TipText()
{
    return QStringLiteral("Right click to display menu, left click to display Calendar");
}

TrayIcon::TrayIcon(ProgramValues& values, WindowOwner& windows, QObject* parent)
    : QObject(parent), m_values(values), m_windows(windows), m_icon(new QSystemTrayIcon(this)),
      m_available(&QSystemTrayIcon::isSystemTrayAvailable)
{
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            TrayLeftClick();
        else if (reason == QSystemTrayIcon::Context)
            TrayContextClick();
    });
}

TrayIcon::~TrayIcon()
{
    RemoveTrayIcon();
}

void TrayIcon::AddTrayIcon()
{
    QWidget* main = m_windows.mainWindow();
    m_icon->setIcon(main && !main->windowIcon().isNull() ? main->windowIcon() : QApplication::windowIcon());
    m_icon->setToolTip(TipText());
    // The menu is handed to the icon so that desktops which draw tray menus themselves get it too; the
    // "&Exit" entry is brought up to date whenever it is about to show.
    if (QMenu* menu = m_windows.trayMenu()) {
        m_icon->setContextMenu(menu);
        connect(menu, &QMenu::aboutToShow, this, &TrayIcon::updateExitEntry, Qt::UniqueConnection);
    }
    m_wanted = true;
    showWhereThere();
}

void TrayIcon::RemoveTrayIcon()
{
    m_wanted = false;
    m_icon->hide();
    if (m_item)
        m_item->setShown(false);
}

bool TrayIcon::isShown() const
{
    return m_icon->isVisible() || (m_item && m_item->present() && m_item->shown());
}

void TrayIcon::setStatusNotifier(std::unique_ptr<StatusNotifierItem> item)
{
    m_item = std::move(item);
    if (!m_item)
        return;
    m_item->setShown(m_wanted);
    connect(m_item.get(), &StatusNotifierItem::activated, this, &TrayIcon::TrayLeftClick);
    // The area says where it wants the menu: at the icon, where the pointer of another program's window
    // may not be known.
    connect(m_item.get(), &StatusNotifierItem::menuAsked, this, &TrayIcon::TrayRightClick);
    connect(m_item.get(), &StatusNotifierItem::presenceChanged, this, &TrayIcon::showWhereThere);
    showWhereThere();
}

bool TrayIcon::statusNotifierPresent() const
{
    return m_item && m_item->present();
}

void TrayIcon::showWhereThere()
{
    if (!m_wanted)
        return;
    if (statusNotifierPresent()) {
        // Qt's own icon would be a second one in the same area.
        m_item->setShown(true);
        m_icon->hide();
        return;
    }
    if (m_available && m_available())
        m_icon->show();
}

void TrayIcon::TrayLeftClick()
{
    perform(TrayLeftClickAction(m_values));
}

void TrayIcon::TrayRightClick(const QPoint& globalPos)
{
    updateExitEntry();
    if (QMenu* menu = m_windows.trayMenu())
        menu->popup(globalPos);
}

void TrayIcon::TrayContextClick()
{
    // Qt's own icon pops the menu up around the click before passing it on, and a notification area that
    // draws menus itself keeps the click; one without menus only passes it on. Looking once the click is
    // handled tells them apart.
    QTimer::singleShot(0, this, [this] {
        QMenu* menu = m_windows.trayMenu();
        if (menu && !menu->isVisible())
            TrayRightClick(QCursor::pos());
    });
}

void TrayIcon::RestoreControlledWindow()
{
    const TrayToggle action = TrayLeftClickAction(m_values);
    if (action == TrayToggle::ShowMainWindow || action == TrayToggle::ShowYearView) {
        perform(action);
        return;
    }
    // While the organizer is the last view it stands in for the main window, which it keeps hidden.
    if (action == TrayToggle::Nothing && m_values.OrganizerViewActive) {
        if (FormOrganizer* organizer = m_windows.openOrganizer()) {
            BringForward(organizer);
            return;
        }
    }
    QWidget* year = m_windows.yearView();
    BringForward(action == TrayToggle::HideYearView && year ? year : m_windows.mainWindow());
}

void TrayIcon::offerLoginStart(LoginStart& login, MessageBoxService& messages)
{
    QMenu* menu = m_windows.trayMenu();
    if (!menu || m_loginEntry)
        return;
    m_loginEntry = new QAction(tr("Start at &login"), menu);
    m_loginEntry->setObjectName(QStringLiteral("mnuLogin"));
    m_loginEntry->setCheckable(true);
    m_loginEntry->setChecked(login.isOn());
    menu->insertAction(m_windows.exitEntry(), m_loginEntry);
    connect(m_loginEntry, &QAction::toggled, this, [this, &login, &messages](bool on) {
        if (login.setOn(on))
            return;
        messages.warning(nullptr, login.error());
        const QSignalBlocker quiet(m_loginEntry);
        m_loginEntry->setChecked(login.isOn());
    });
    // The entry may have been removed or written by hand since the menu last showed.
    connect(menu, &QMenu::aboutToShow, m_loginEntry, [this, &login] {
        const QSignalBlocker quiet(m_loginEntry);
        m_loginEntry->setChecked(login.isOn());
    });
}

void TrayIcon::updateExitEntry()
{
    if (QAction* exit = m_windows.exitEntry())
        exit->setEnabled(m_values.MainViewActive);
}

namespace {

// A calendar that waited minimised on the task bar (no notification area yet) and was then hidden to the
// icon keeps its minimised state while hidden. Taken out of that state before it shows, it would be
// shown to the window system as the minimised window it last was, and stay on the task bar; shown first
// and then restored, it comes up on the screen.
void reveal(QWidget* window)
{
    if (!window)
        return;
    if (!window->isVisible())
        window->show();
    BringForward(window);
}

} // namespace

void TrayIcon::perform(TrayToggle action)
{
    switch (action) {
    case TrayToggle::ShowMainWindow:
        reveal(m_windows.mainWindow());
        m_values.MainHidden = false;
        if (m_values.ListDocked)
            m_windows.DockListWindow();
        break;
    case TrayToggle::HideMainWindow:
        if (QWidget* main = m_windows.mainWindow())
            main->hide();
        m_windows.UnloadListWindow();
        m_values.MainHidden = true;
        break;
    case TrayToggle::ShowYearView:
        if (QWidget* year = m_windows.yearView()) {
            reveal(year);
            m_values.MainHidden = false;
        }
        break;
    case TrayToggle::HideYearView:
        if (QWidget* year = m_windows.yearView()) {
            year->hide();
            m_values.MainHidden = true;
        }
        break;
    case TrayToggle::Nothing:
        break;
    }
}
