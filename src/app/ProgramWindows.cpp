#include "app/ProgramWindows.h"

#include "app/AppContext.h"
#include "calendar/MainForm.h"
#include "editing/FormAddSched.h"

ProgramWindows::ProgramWindows(AppContext& context, ShellHooks hooks)
    : m_ctx(context), m_hooks(std::move(hooks))
{}

ProgramWindows::~ProgramWindows()
{
    // The dialog goes before the window that it reports to.
    m_addSched.reset();
    m_main.reset();
}

MainForm& ProgramWindows::mainForm()
{
    if (!m_main) {
        m_main = std::make_unique<MainForm>(m_ctx, *this);
        MainForm* form = m_main.get();
        const auto call = [](const std::function<void()>& hook) {
            return [hook] {
                if (hook)
                    hook();
            };
        };
        QObject::connect(form, &MainForm::AddTrayIcon, form, call(m_hooks.AddTrayIcon));
        QObject::connect(form, &MainForm::RemoveTrayIcon, form, call(m_hooks.RemoveTrayIcon));
        QObject::connect(form, &MainForm::AboutRequested, form, call(m_hooks.ShowAboutScreen));
        QObject::connect(form, &MainForm::ProgramEnd, form, [this] { mainFormUnloaded(); });
    }
    return *m_main;
}

QWidget* ProgramWindows::mainWindow()
{
    return &mainForm();
}

QMenu* ProgramWindows::trayMenu()
{
    return mainForm().mnu();
}

QAction* ProgramWindows::exitEntry()
{
    return mainForm().mnuExit();
}

FormAddSched* ProgramWindows::addScheduleDialog()
{
    if (!m_addSched) {
        m_addSched = std::make_unique<FormAddSched>(m_ctx);
        QObject::connect(m_addSched.get(), &FormAddSched::UnloadedFrom, &mainForm(),
                         &MainForm::AddDialogClosed);
    }
    return m_addSched.get();
}

void ProgramWindows::UnloadListWindow() {}

void ProgramWindows::DockListWindow() {}

void ProgramWindows::mainFormUnloaded()
{
    if (m_addSched)
        m_addSched->hide();
    if (m_hooks.EndProgram)
        m_hooks.EndProgram();
}
