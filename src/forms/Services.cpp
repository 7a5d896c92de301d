#include "forms/Services.h"

#include <QApplication>
#include <QScreen>

const QString MessageBoxService::ProgramTitle = QStringLiteral("Zentravio");

BeepService::BeepService() : m_sounds(std::make_unique<CanberraPlayer>()) {}

BeepService::BeepService(std::unique_ptr<SoundEventPlayer> sounds) : m_sounds(std::move(sounds)) {}

BeepService::~BeepService() = default;

void BeepService::beep()
{
    QApplication::beep();
}

void BeepService::alarmBeep()
{
    if (!m_sounds ||
        !m_sounds->play(QStringLiteral("alarm-clock-elapsed"), QStringLiteral("Zentravio Alarm")))
        beep();
}

QMessageBox::StandardButton MessageBoxService::show(QWidget* parent, QMessageBox::Icon icon,
                                                    const QString& title, const QString& text,
                                                    QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title, text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

QRect ScreenService::primaryGeometry() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

QList<QRect> ScreenService::screens() const
{
    QList<QRect> result;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        result << primary->geometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            result << screen->geometry();
    }
    return result;
}
