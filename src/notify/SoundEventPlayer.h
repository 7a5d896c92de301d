#pragma once

#include <QLibrary>
#include <QString>

#include <memory>

// Plays a named event sound of the desktop's sound theme.
class SoundEventPlayer
{
public:
    virtual ~SoundEventPlayer() = default;
    // False when the sound could not be played: no library, no sound server, no such sound in the theme.
    virtual bool play(const QString& eventId, const QString& description) = 0;
};

// Plays through libcanberra, loaded when the first sound is asked for. The library is loaded at run time
// rather than linked, so that the program still runs, and rings the bell, where it is not installed.
// ALSA, which it plays through, is quietened first (also loaded at run time, where it is installed).
class CanberraPlayer : public SoundEventPlayer
{
public:
    // The library by its name and major version, as dlopen finds it: "canberra", 0 is libcanberra.so.0.
    explicit CanberraPlayer(const QString& library = QStringLiteral("canberra"), int version = 0);
    ~CanberraPlayer() override;

    bool play(const QString& eventId, const QString& description) override;

private:
    using DestroyFunction = int (*)(void*);
    using PlayFunction = int (*)(void*, quint32, ...);

    bool load();
    // Keeps the sound system's own complaints (a machine without a sound card) off standard error: the
    // program says in its own words that no sound could be played.
    void quietenSoundSystem();

    QLibrary m_library;
    QLibrary m_soundSystem;
    bool m_tried = false;
    PlayFunction m_play = nullptr;
    // The library's context, kept for the run: destroying it would cut off a sound still playing.
    std::unique_ptr<void, DestroyFunction> m_context{nullptr, nullptr};
};
