#include "app/MainFormHost.h"

MainFormHost::MainFormHost(AppContext& context, const ShellHooks& hooks) : m_form(context)
{
    QObject::connect(&m_form, &MainForm::AddTrayIcon, &m_form, hooks.AddTrayIcon);
    QObject::connect(&m_form, &MainForm::RemoveTrayIcon, &m_form, hooks.RemoveTrayIcon);
    QObject::connect(&m_form, &MainForm::AboutRequested, &m_form, hooks.ShowAboutScreen);
    QObject::connect(&m_form, &MainForm::ProgramEnd, &m_form, hooks.EndProgram);
}
