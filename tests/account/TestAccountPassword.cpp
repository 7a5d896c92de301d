#include "account/FormAccount.h"
#include "account/FormPassword.h"
#include "account/PasswordPrompt.h"
#include "controls/VemraButton.h"
#include "support/WindowTestEnv.h"
#include "sync/AccountSettings.h"
#include "sync/PasswordStore.h"
#include "sync/SyncService.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

// The sync service's call for a password: asked once in a window of its own, never again while that
// window is open or after the user closed it unanswered (until the user acts on the account), and the
// answer reaches no file.
class TestAccountPassword : public QObject
{
    Q_OBJECT

private slots:
    void asksOncePerRefusal()
    {
        PasswordPrompt prompt;
        QVERIFY(prompt.needed(QStringLiteral("refused")));
        QVERIFY(!prompt.needed(QStringLiteral("refused again"))); // the window is open already
        QCOMPARE(prompt.reason(), QStringLiteral("refused again"));
        prompt.declined();
        // A service that keeps asking every minute gets no new window ...
        QVERIFY(!prompt.needed(QStringLiteral("refused")));
        QVERIFY(!prompt.needed(QStringLiteral("refused")));
        // ... until the user saves the account or asks for a sync.
        prompt.userActed();
        QVERIFY(prompt.needed(QStringLiteral("refused")));
        // A password given and refused in its turn is asked for once more.
        prompt.answered();
        QVERIFY(prompt.needed(QStringLiteral("refused")));
        prompt.userActed(); // while asking, acting changes nothing
        QVERIFY(prompt.isAsking());
    }

    void aTypedPasswordIsKeptOnceTheServerTookIt()
    {
        PasswordPrompt prompt;
        QVERIFY(prompt.needed(QStringLiteral("refused")));
        prompt.answered();
        prompt.typed(QStringLiteral("wrong"));
        QVERIFY(!prompt.syncEnded(false)); // a network fault says nothing of the password
        QVERIFY(prompt.needed(QStringLiteral("refused")));
        QVERIFY(!prompt.syncEnded(true)); // a refused one is never kept
        prompt.answered();
        prompt.typed(QStringLiteral("right"));
        QCOMPARE(prompt.syncEnded(true), std::optional<QString>(QStringLiteral("right")));
        QVERIFY(!prompt.syncEnded(true)); // once
    }

    void theServiceCallOpensOneWindowAndHandsTheAnswerOn()
    {
        WindowTestEnv env;
        PasswordStore passwords(false);
        SyncService sync(env.database(), env.settings(), passwords, env.clock);
        env.context().sync = &sync;
        env.context().passwords = &passwords;
        ProgramWindows& windows = env.windows();
        QVERIFY(!windows.passwordWindow());

        emit sync.passwordNeeded(QStringLiteral("The calendar server refused the password."));
        FormPassword* window = windows.passwordWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("lblReason"))->text(),
                 QStringLiteral("The calendar server refused the password."));
        emit sync.passwordNeeded(QStringLiteral("No Secret Service is running."));
        QCOMPARE(windows.passwordWindow(), window);
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("lblReason"))->text(),
                 QStringLiteral("No Secret Service is running."));

        auto* field = window->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        QSignalSpy answers(window, &FormPassword::Answered);
        // OK without a password asks for it instead of handing on nothing.
        QTest::mouseClick(window->findChild<VemraButton*>(QStringLiteral("cmdOk")), Qt::LeftButton);
        QVERIFY(window->isVisible());
        QCOMPARE(answers.count(), 0);
        QTest::keyClicks(field, QStringLiteral("n3w pass"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(answers.count(), 1);
        QCOMPARE(answers.first().first().toString(), QStringLiteral("n3w pass"));
        QVERIFY(!window->isVisible());
        QVERIFY(field->text().isEmpty());
        // The server took it: it is kept under the account's key.
        AccountSettings stored;
        stored.server = QStringLiteral("https://dav.example.org/");
        stored.user = QStringLiteral("alice");
        stored.calendarUrl = QUrl(QStringLiteral("https://dav.example.org/cal/"));
        QVERIFY(stored.save(env.settings()));
        SyncReport took;
        took.ok = true;
        emit sync.syncFinished(took);
        PasswordStore::Outcome kept;
        passwords.read(stored.passwordKey(), [&kept](const PasswordStore::Outcome& read) { kept = read; });
        QTRY_VERIFY(kept.found);
        QCOMPARE(kept.password, QStringLiteral("n3w pass"));

        // Refused again: asked again; closed unanswered: the next calls ask nothing.
        emit sync.passwordNeeded(QStringLiteral("refused"));
        QVERIFY(window->isVisible());
        QTest::mouseClick(window->findChild<VemraButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        QVERIFY(!window->isVisible());
        for (int minute = 0; minute < 3; ++minute) {
            emit sync.passwordNeeded(QStringLiteral("refused"));
            QVERIFY(!window->isVisible());
        }
        QCOMPARE(answers.count(), 1);

        // The account saved in its window lets the next refusal ask, and answers a window still open.
        FormAccount* account = windows.accountWindow();
        emit account->AccountChanged();
        emit sync.passwordNeeded(QStringLiteral("refused"));
        QVERIFY(window->isVisible());
        QSignalSpy declined(window, &FormPassword::Declined);
        emit account->AccountChanged();
        QVERIFY(!window->isVisible());
        QCOMPARE(declined.count(), 0);
        QCOMPARE(answers.count(), 1);
        emit sync.passwordNeeded(QStringLiteral("refused"));
        QVERIFY(window->isVisible());

        QFile settings(env.settingsPath());
        QVERIFY(!settings.open(QIODevice::ReadOnly) || !settings.readAll().contains("n3w pass"));
        env.closeWindows();
    }
};

QTEST_MAIN(TestAccountPassword)
#include "TestAccountPassword.moc"
