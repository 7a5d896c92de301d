#include "forms/Services.h"
#include "notify/SoundEventPlayer.h"

#include <QtTest>

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
