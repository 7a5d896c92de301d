#include "app/AppContext.h"
#include "app/AppResources.h"
#include "app/Clock.h"
#include "app/MainWindowHost.h"
#include "app/Program.h"
#include "app/Services.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace {

// Stands in for the calendar window until it joins the program: a borderless window with the tray menu.
class PlaceholderMainWindow : public QWidget, public MainWindowHost
{
public:
    PlaceholderMainWindow(AppContext& context, const ShellHooks& hooks)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_values(context.values), m_hooks(hooks)
    {
        setObjectName(QStringLiteral("MainForm"));
        setWindowTitle(QStringLiteral("Zentravio"));
        resize(312, 285);
        auto* title = new QLabel(QStringLiteral("Zentravio"), this);
        title->setObjectName(QStringLiteral("lblTitle(0)"));
        title->setGeometry(8, 8, 296, 25);

        m_menu = new QMenu(this);
        m_menu->setObjectName(QStringLiteral("mnu"));
        QAction* about = m_menu->addAction(QStringLiteral("&About"));
        about->setObjectName(QStringLiteral("mnuA"));
        connect(about, &QAction::triggered, this, [this] { m_hooks.ShowAboutScreen(); });
        m_menu->addSeparator();
        m_exit = m_menu->addAction(QStringLiteral("&Exit"));
        m_exit->setObjectName(QStringLiteral("mnuExit"));
        connect(m_exit, &QAction::triggered, this, &QWidget::close);
    }

    QWidget* mainWindow() override { return this; }
    QMenu* trayMenu() override { return m_menu; }
    QAction* exitEntry() override { return m_exit; }

protected:
    void showEvent(QShowEvent* event) override
    {
        if (!m_loaded) {
            m_loaded = true;
            m_hooks.AddTrayIcon();
            m_values.MainHidden = false;
        }
        QWidget::showEvent(event);
    }

    void closeEvent(QCloseEvent* event) override
    {
        m_hooks.RemoveTrayIcon();
        event->accept();
        m_hooks.EndProgram();
    }

    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::ActivationChange && isActiveWindow())
            m_values.MainViewActive = true;
        QWidget::changeEvent(event);
    }

    // Without a notification area the menu is still within reach.
    void contextMenuEvent(QContextMenuEvent* event) override { m_menu->popup(event->globalPos()); }

private:
    ProgramValues& m_values;
    ShellHooks m_hooks;
    bool m_loaded = false;
    QMenu* m_menu;
    QAction* m_exit;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zentravio"));
    QApplication::setApplicationName(QStringLiteral("Zentravio"));
    QApplication::setWindowIcon(AppResources::programIcon());

    SystemClock clock;
    BeepService beeper;
    MessageBoxService messages;
    ScreenService screen;
    SettingsStore settings;

    // The one place where the main window joins start-up.
    const MainWindowFactory makeMainWindow = [](AppContext& context, const ShellHooks& hooks) {
        return std::unique_ptr<MainWindowHost>(std::make_unique<PlaceholderMainWindow>(context, hooks));
    };

    Program program({clock, beeper, messages, screen, settings}, ProgramPlaces::standard(), makeMainWindow);
    QObject::connect(&program, &Program::Ended, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (!program.Main())
        return program.exitCode();
    return QApplication::exec();
}
