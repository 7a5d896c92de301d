#include "app/AccountCommand.h"
#include "app/CommandLine.h"
#include "settings/SettingsStore.h"
#include "support/HeadlessProgram.h"
#include "sync/AccountSettings.h"
#include "sync/DavTestServer.h"
#include "sync/PasswordStore.h"
#include "sync/SyncWait.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Setting the sync account up and removing it without a window, as a script or a person at a terminal
// does: against a real Radicale with a password, through the program's functions and through the real
// program with the password on its standard input.
class TestAccountCommand : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DavTestServer> m_server;
    QTemporaryDir m_dir;
    QStringList m_out;
    QStringList m_err;
    QString m_typed;
    int m_settingsFiles = 0;

    AccountCommand::Console console()
    {
        return {[this](const QString& t) { m_out << t; }, [this](const QString& t) { m_err << t; },
                [this] { return m_typed; }};
    }

    CommandLine line(const QStringList& arguments)
    {
        return CommandLine::read(QStringList{"zentravio"} + arguments);
    }

    QString settingsPath()
    {
        return m_dir.filePath(QStringLiteral("settings-%1.conf").arg(++m_settingsFiles));
    }

    static QByteArray fileText(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        // No Secret Service in this test's world: passwords stay in memory, as on a desktop without one.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zentravio-test-bus");
        QString why;
        m_server = DavTestServer::start(DavTestServer::Kind::Radicale, &why);
        QVERIFY2(m_server, qPrintable(why));
        QVERIFY(m_server->makeCalendar(QStringLiteral("Work")).isValid());
        QVERIFY(m_server->makeCalendar(QStringLiteral("Home")).isValid());
    }

    void init()
    {
        m_out.clear();
        m_err.clear();
        m_typed = m_server->password();
    }

    void theCommandLineTakesTheAccountForms()
    {
        const CommandLine setUp =
            line({"--account", "https://cal.example.org", "alice", "--calendar", "Work"});
        QCOMPARE(setUp.action, CommandLine::Action::Account);
        QCOMPARE(setUp.accountServer, QStringLiteral("https://cal.example.org"));
        QCOMPARE(setUp.accountUser, QStringLiteral("alice"));
        QCOMPARE(setUp.accountCalendar, QStringLiteral("Work"));
        QVERIFY(!setUp.removeAccount);
        const CommandLine removal = line({"--account", "--remove"});
        QCOMPARE(removal.action, CommandLine::Action::Account);
        QVERIFY(removal.removeAccount);

        for (const QStringList& wrong :
             {QStringList{"--account"}, QStringList{"--account", "https://a"},
              QStringList{"--account", "a", "b", "c"}, QStringList{"--account", "--remove", "a"},
              QStringList{"--remove"}, QStringList{"--calendar", "Work"},
              QStringList{"--account", "a", "b", "--export", "x.ics"}, QStringList{"a", "b"}}) {
            const CommandLine refused = line(wrong);
            QCOMPARE(refused.action, CommandLine::Action::Refuse);
            QVERIFY2(refused.text.contains(QLatin1String("--account")), qPrintable(refused.text));
        }
        QCOMPARE(line({"--export", "x.ics"}).action, CommandLine::Action::Export);
    }

    void setUpFindsTheNamedOrFirstCalendarAndKeepsThePasswordOutOfTheSettings()
    {
        const QString path = settingsPath();
        SettingsStore settings(path);
        PasswordStore passwords(false);
        const QString root = m_server->root().toString();

        QCOMPARE(AccountCommand::setUp(line({"--account", root, "alice", "--calendar", "work"}), settings,
                                       passwords, console()),
                 0);
        QCOMPARE(m_out.size(), 1);
        QVERIFY2(m_out.first().contains(QLatin1String("\"Work\"")), qPrintable(m_out.first()));
        AccountSettings account = AccountSettings::load(settings);
        QVERIFY(account.isSet());
        QCOMPARE(account.calendarName, QStringLiteral("Work"));
        QCOMPARE(account.user, QStringLiteral("alice"));
        QCOMPARE(account.intervalMinutes, AccountSettings::DefaultInterval);
        const auto kept = awaitResult<PasswordStore::Outcome>(
            [&](auto done) { passwords.read(account.passwordKey(), done); });
        QVERIFY(kept && kept->found);
        QCOMPARE(kept->password, m_server->password());
        QVERIFY(!fileText(path).contains(m_server->password().toUtf8()));
        QVERIFY(!fileText(path).contains("s3cret"));

        // Without a name the first calendar by name is taken: "Home" before "Work".
        QCOMPARE(AccountCommand::setUp(line({"--account", root, "alice"}), settings, passwords, console()),
                 0);
        QCOMPARE(AccountSettings::load(settings).calendarName, QStringLiteral("Home"));
        // Without a Secret Service the user is told the password lasts for this run only.
        QVERIFY(!m_err.isEmpty());
        QVERIFY2(m_err.first().contains(QLatin1String("for this run only")), qPrintable(m_err.first()));
    }

    void aFailedSetUpSaysWhyAndChangesNothing()
    {
        const QString path = settingsPath();
        SettingsStore settings(path);
        PasswordStore passwords(false);
        const QString root = m_server->root().toString();
        QCOMPARE(AccountCommand::setUp(line({"--account", root, "alice", "--calendar", "Work"}), settings,
                                       passwords, console()),
                 0);
        const QByteArray before = fileText(path);

        struct Case
        {
            QStringList arguments;
            QString typed;
            const char* reason;
        };
        const QList<Case> cases{
            {{"--account", root, "alice"},
             QStringLiteral("wrong password"),
             "refused the user name or password"},
            {{"--account", root, "alice", "--calendar", "Garden"},
             m_server->password(),
             "no calendar named \"Garden\"; it has \"Home\", \"Work\""},
            {{"--account", "http://cal.example.org/", "alice"}, m_server->password(), "HTTPS only"},
            {{"--account", QStringLiteral("http://127.0.0.1:%1/").arg(DavTestServer::freePort()), "alice"},
             m_server->password(),
             "refused the connection"},
        };
        for (const Case& wrong : cases) {
            m_err.clear();
            m_out.clear();
            m_typed = wrong.typed;
            QCOMPARE(AccountCommand::setUp(line(wrong.arguments), settings, passwords, console()),
                     AccountCommand::FailedExitCode);
            QVERIFY(m_out.isEmpty());
            QCOMPARE(m_err.size(), 1);
            QVERIFY2(m_err.first().contains(QLatin1String(wrong.reason)), qPrintable(m_err.first()));
            QVERIFY(!m_err.first().contains(wrong.typed) || wrong.typed == m_server->password());
            QCOMPARE(fileText(path), before);
        }
    }

    void removalForgetsTheAccountAndItsPassword()
    {
        SettingsStore settings(settingsPath());
        PasswordStore passwords(false);
        QCOMPARE(AccountCommand::setUp(line({"--account", m_server->root().toString(), "alice"}), settings,
                                       passwords, console()),
                 0);
        const QString key = AccountSettings::load(settings).passwordKey();
        m_out.clear();
        QCOMPARE(AccountCommand::remove(settings, passwords, console()), 0);
        QVERIFY2(m_out.value(0).contains(QLatin1String("removed")), qPrintable(m_out.value(0)));
        QVERIFY(!AccountSettings::load(settings).isSet());
        const auto forgotten =
            awaitResult<PasswordStore::Outcome>([&](auto done) { passwords.read(key, done); });
        QVERIFY(forgotten && !forgotten->found);
        m_out.clear();
        QCOMPARE(AccountCommand::remove(settings, passwords, console()), 0);
        QVERIFY(m_out.value(0).contains(QLatin1String("No calendar account")));
    }

    void withoutASecretServiceThePasswordStaysInMemory()
    {
        PasswordStore passwords(true);
        const auto written = awaitResult<PasswordStore::Outcome>(
            [&](auto done) { passwords.write("bob@example.org", "pw", done); });
        QVERIFY(written);
        QVERIFY(!written->kept);
        QVERIFY(!written->problem.isEmpty());
        QVERIFY(!passwords.secretServiceWorks());
        const auto read =
            awaitResult<PasswordStore::Outcome>([&](auto done) { passwords.read("bob@example.org", done); });
        QVERIFY(read && read->found);
        QCOMPARE(read->password, QStringLiteral("pw"));
    }

    void theRealProgramTakesThePasswordOnItsStandardInput()
    {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.remove(QStringLiteral("DISPLAY"));
        const auto runWith = [&](const QStringList& arguments, const QByteArray& input) {
            auto process = std::make_unique<QProcess>();
            process->setProcessEnvironment(env);
            process->start(HeadlessProgram::path(), arguments);
            process->write(input);
            process->closeWriteChannel();
            if (!process->waitForFinished(60000))
                qFatal("the program did not end");
            return process;
        };
        const QString root = m_server->root().toString();

        const auto refused = runWith({"--account", root, "alice"}, "not it\n");
        QCOMPARE(refused->exitCode(), 1);
        const QByteArray why = refused->readAllStandardError();
        QVERIFY2(why.contains("refused the user name or password"), why.constData());
        QVERIFY(!why.contains("not it"));

        const auto done = runWith({"--account", root, "alice", "--calendar", "Work"}, "s3cret pass\n");
        QCOMPARE(done->exitCode(), 0);
        QVERIFY(done->readAllStandardOutput().contains("\"Work\""));
        const QString conf = home.filePath(QStringLiteral("config/Zentravio/Zentravio.conf"));
        QVERIFY(fileText(conf).contains("Work"));
        QVERIFY(!fileText(conf).contains("s3cret"));

        const auto removed = runWith({"--account", "--remove"}, {});
        QCOMPARE(removed->exitCode(), 0);
        QVERIFY(!fileText(conf).contains("Work"));
    }

    void cleanupTestCase() { m_server.reset(); }
};

QTEST_GUILESS_MAIN(TestAccountCommand)
#include "TestAccountCommand.moc"
