#include "notify/SoundEventPlayer.h"

#include <QCoreApplication>

namespace {

using CreateFunction = int (*)(void**);
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler);
using ChangePropsFunction = int (*)(void*, ...);

constexpr int Success = 0;
// The end of a list of property names and values.
constexpr const char* EndOfProperties = nullptr;

// ALSA's error lines ("cannot find card '0'", ...) say nothing a user of an alarm program can act on.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

CanberraPlayer::CanberraPlayer(const QString& library, int version)
    : m_library(library, version), m_soundSystem(QStringLiteral("asound"), 2)
{
}

CanberraPlayer::~CanberraPlayer() = default;

bool CanberraPlayer::load()
{
    if (m_tried)
        return bool(m_context);
    m_tried = true;
    quietenSoundSystem();
    if (!m_library.load())
        return false;
    const auto create = reinterpret_cast<CreateFunction>(m_library.resolve("ca_context_create"));
    const auto destroy = reinterpret_cast<DestroyFunction>(m_library.resolve("ca_context_destroy"));
    const auto changeProps =
        reinterpret_cast<ChangePropsFunction>(m_library.resolve("ca_context_change_props"));
    m_play = reinterpret_cast<PlayFunction>(m_library.resolve("ca_context_play"));
    if (!create || !destroy || !changeProps || !m_play)
        return false;
    void* context = nullptr;
    if (create(&context) != Success || !context)
        return false;
    m_context = std::unique_ptr<void, DestroyFunction>(context, destroy);
    // The sound server shows, and lets the user quieten, the program's sounds under its own name.
    const QByteArray name = QCoreApplication::applicationName().toUtf8();
    changeProps(context, "application.name", name.isEmpty() ? "Zentravio" : name.constData(),
                "application.id", "org.zentravio.Zentravio", "application.icon_name", "zentravio",
                EndOfProperties);
    return true;
}

void CanberraPlayer::quietenSoundSystem()
{
    if (!m_soundSystem.load())
        return;
    if (const auto setHandler =
            reinterpret_cast<SetAlsaErrorHandler>(m_soundSystem.resolve("snd_lib_error_set_handler")))
        setHandler(&ignoreAlsaError);
}

bool CanberraPlayer::play(const QString& eventId, const QString& description)
{
    if (!load())
        return false;
    const QByteArray id = eventId.toUtf8();
    const QByteArray text = description.toUtf8();
    return m_play(m_context.get(), 0, "event.id", id.constData(), "event.description", text.constData(),
                  EndOfProperties) == Success;
}
