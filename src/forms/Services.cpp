#include "forms/Services.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>

const QString MessageBoxService::ProgramTitle = QStringLiteral("Zentravio");

namespace {

void toStandardError(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
}

} // namespace

const QString BeepService::NoSoundNotice =
    QStringLiteral("Zentravio: the alarm sound could not be played (no sound card or sound server was "
                   "found), so alarms ring the bell instead.");

BeepService::BeepService() : BeepService(std::make_unique<CanberraPlayer>()) {}

BeepService::BeepService(std::unique_ptr<SoundEventPlayer> sounds, NoticeSink notice)
    : m_sounds(std::move(sounds)), m_notice(notice ? std::move(notice) : NoticeSink(toStandardError))
{
}

BeepService::~BeepService() = default;

void BeepService::beep()
{
    QApplication::beep();
}

void BeepService::alarmBeep()
{
    if (m_sounds && m_sounds->play(QStringLiteral("alarm-clock-elapsed"), QStringLiteral("Zentravio Alarm")))
        return;
    if (!m_toldNoSound) {
        m_toldNoSound = true;
        m_notice(NoSoundNotice);
    }
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
