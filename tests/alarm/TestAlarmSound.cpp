#include "forms/Services.h"
#include "notify/SoundEventPlayer.h"

#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

// The alarm window's sound: the sound theme's alarm event where it can be played, the bell where not.

namespace {

struct Played
{
    QString eventId;
    QString description;
};

class FakePlayer : public SoundEventPlayer
{
public:
    FakePlayer(QList<Played>& played, bool works) : m_played(played), m_works(works) {}
    bool play(const QString& eventId, const QString& description) override
    {
        m_played << Played{eventId, description};
        return m_works;
    }

private:
    QList<Played>& m_played;
    bool m_works;
};

// The beep service itself, with only its bell counted instead of rung.
class BellCountingBeeps : public BeepService
{
public:
    using BeepService::BeepService;
    explicit BellCountingBeeps(std::unique_ptr<SoundEventPlayer> sounds)
        : BeepService(std::move(sounds), [](const QString&) {})
    {
    }
    void beep() override { ++bells; }
    int bells = 0;
};

} // namespace

class TestAlarmSound : public QObject
{
    Q_OBJECT

private slots:
    void anAlarmPlaysTheAlarmClockEventAndNoBell()
    {
        QList<Played> played;
        BellCountingBeeps beeps(std::make_unique<FakePlayer>(played, true));
        beeps.alarmBeep();
        QCOMPARE(played.size(), 1);
        QCOMPARE(played[0].eventId, QStringLiteral("alarm-clock-elapsed"));
        QVERIFY(!played[0].description.isEmpty());
        QCOMPARE(beeps.bells, 0);
    }

    void aSoundThatCannotBePlayedRingsTheBellInstead()
    {
        QList<Played> played;
        BellCountingBeeps beeps(std::make_unique<FakePlayer>(played, false));
        beeps.alarmBeep();
        beeps.alarmBeep();
        QCOMPARE(played.size(), 2); // tried again each time: a sound server may come later
        QCOMPARE(beeps.bells, 2);
    }

    void aSoundThatCannotBePlayedIsSaidOnceInTheProgramsWords()
    {
        QList<Played> played;
        QStringList said;
        BellCountingBeeps silent(std::make_unique<FakePlayer>(played, false),
                                 [&](const QString& line) { said << line; });
        silent.alarmBeep();
        silent.alarmBeep();
        QCOMPARE(said, QStringList{BeepService::NoSoundNotice});
        QVERIFY(said[0].startsWith(QStringLiteral("Zentravio: ")));
        QCOMPARE(silent.bells, 2);

        BellCountingBeeps playing(std::make_unique<FakePlayer>(played, true),
                                  [&](const QString& line) { said << line; });
        playing.alarmBeep();
        QCOMPARE(said.size(), 1);
    }

    void theSoundSystemWritesNothingToStandardError()
    {
        // Whatever the machine has (the test machines have no sound card), the sound library's own lines
        // never reach standard error.
        QTemporaryFile captured;
        QVERIFY(captured.open());
        std::fflush(stderr);
        const int standardError = ::dup(2);
        QVERIFY(::dup2(captured.handle(), 2) >= 0);
        {
            CanberraPlayer player;
            player.play(QStringLiteral("alarm-clock-elapsed"), QStringLiteral("Zentravio Alarm"));
        }
        std::fflush(stderr);
        ::dup2(standardError, 2);
        ::close(standardError);
        captured.seek(0);
        const QByteArray written = captured.readAll();
        QVERIFY2(written.isEmpty(), written.constData());
    }

    void aMissingSoundLibraryPlaysNothingAndRingsTheBell()
    {
        auto player = std::make_unique<CanberraPlayer>(QStringLiteral("zentravio-no-such-sound-library"), 0);
        QVERIFY(!player->play(QStringLiteral("alarm-clock-elapsed"), QStringLiteral("Zentravio Alarm")));
        BellCountingBeeps beeps(std::move(player));
        beeps.alarmBeep();
        QCOMPARE(beeps.bells, 1);
    }
};

QTEST_MAIN(TestAlarmSound)
#include "TestAlarmSound.moc"
