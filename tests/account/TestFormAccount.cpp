#include "account/FormAccount.h"
#include "calendar/MainForm.h"
#include "controls/VemraButton.h"
#include "forms/ClickLabel.h"
#include "support/ScheduleAsSeen.h"
#include "support/WindowTestEnv.h"
#include "sync/AccountSettings.h"
#include "sync/DavTestServer.h"
#include "sync/PasswordStore.h"
#include "sync/ServerAddress.h"
#include "sync/SyncService.h"
#include "sync/SyncWait.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QTest>

// The account window driven as a person drives it, against a real Radicale on this machine: the
// calendars it finds, what Save stores where, the certificate a person must accept, removing the account
// and the status line.
class TestFormAccount : public QObject
{
    Q_OBJECT

private:
    // The program's windows over a temporary schedule and settings, with the sync service and a password
    // store kept in memory.
    struct Rig
    {
        WindowTestEnv env;
        PasswordStore passwords{false};
        SyncService sync{env.database(), env.settings(), passwords, env.clock};

        Rig()
        {
            env.context().sync = &sync;
            env.context().passwords = &passwords;
        }
        ~Rig() { env.closeWindows(); }

        FormAccount* open()
        {
            FormAccount* form = env.windows().accountWindow();
            form->setSearchTimeout(20000);
            form->ShowAccount();
            return form;
        }
        std::optional<QString> storedPassword(const AccountSettings& account)
        {
            const auto read = awaitResult<PasswordStore::Outcome>(
                [&](auto done) { passwords.read(account.passwordKey(), done); });
            if (!read || !read->found)
                return std::nullopt;
            return read->password;
        }
        QByteArray settingsFile() const
        {
            QFile file(env.settingsPath());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }
    };

    template <typename T> static T* child(QWidget* form, const char* name)
    {
        T* found = form->findChild<T*>(QLatin1String(name));
        if (!found)
            qWarning("no control %s", name);
        return found;
    }
    static QString notice(QWidget* form) { return child<QLabel>(form, "lblNotice")->text(); }
    static void press(QWidget* form, const char* command)
    {
        QTest::mouseClick(child<VemraButton>(form, command), Qt::LeftButton);
    }
    static void fill(QWidget* form, const QString& server, const QString& user, const QString& password)
    {
        for (const auto& [name, text] : {std::pair{"txtServer", server}, std::pair{"txtUser", user},
                                         std::pair{"txtPassword", password}}) {
            auto* box = child<QLineEdit>(form, name);
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Backspace);
            QTest::keyClicks(box, text);
        }
    }
    // Finds the calendars and waits until the search has answered.
    static void find(QWidget* form)
    {
        press(form, "cmdFind");
        QTRY_VERIFY_WITH_TIMEOUT(child<VemraButton>(form, "cmdFind")->isEnabled(), 30000);
    }

    std::unique_ptr<DavTestServer> m_radicale;
    QUrl m_work;

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QString why;
        m_radicale = DavTestServer::start(DavTestServer::Kind::Radicale, &why);
        QVERIFY2(m_radicale, qPrintable(why));
        QVERIFY(m_radicale->makeCalendar(QStringLiteral("Family")).isValid());
        m_work = m_radicale->makeCalendar(QStringLiteral("Work Diary"));
        QVERIFY(m_work.isValid());
    }

    void foundCalendarIsSavedWithThePasswordKeptOutOfTheSettings()
    {
        Rig rig;
        FormAccount* form = rig.open();
        QVERIFY(!child<VemraButton>(form, "cmdSave")->isEnabled());
        fill(form, m_radicale->root().toString(), m_radicale->user(), m_radicale->password());
        QCOMPARE(child<QLineEdit>(form, "txtPassword")->echoMode(), QLineEdit::Password);
        find(form);

        auto* calendars = child<QComboBox>(form, "cboCalendar");
        QStringList names;
        for (int i = 0; i < calendars->count(); ++i)
            names << calendars->itemText(i);
        QVERIFY2(names.contains(QLatin1String("Work Diary")) && names.contains(QLatin1String("Family")),
                 qPrintable(names.join(u',') + u' ' + notice(form)));
        calendars->setCurrentIndex(names.indexOf(QLatin1String("Work Diary")));
        emit calendars->activated(calendars->currentIndex());
        auto* interval = child<QComboBox>(form, "cboInterval");
        interval->setCurrentIndex(interval->findData(5));
        emit interval->activated(interval->currentIndex());

        press(form, "cmdSave");
        QTRY_VERIFY(AccountSettings::load(rig.env.settings()).isSet());
        const AccountSettings stored = AccountSettings::load(rig.env.settings());
        QCOMPARE(stored.user, m_radicale->user());
        QCOMPARE(stored.calendarName, QStringLiteral("Work Diary"));
        QCOMPARE(ServerAddress::pathKey(stored.calendarUrl), ServerAddress::pathKey(m_work));
        QCOMPARE(stored.intervalMinutes, 5);
        QVERIFY(stored.acceptedFingerprint.isEmpty());
        QCOMPARE(rig.storedPassword(stored).value_or(QString()), m_radicale->password());
        const QByteArray file = rig.settingsFile();
        QVERIFY(file.contains("Work Diary"));
        QVERIFY(!file.contains(m_radicale->password().toUtf8()));
        QVERIFY(!file.contains("s3cret"));
        // The window keeps no password once it is stored.
        QVERIFY(child<QLineEdit>(form, "txtPassword")->text().isEmpty());
        QVERIFY(child<VemraButton>(form, "cmdRemove")->isEnabled());

        // Opened again, the stored account shows, and "Sync every" alone is saved without the password.
        form->close();
        form = rig.open();
        QCOMPARE(child<QLineEdit>(form, "txtUser")->text(), m_radicale->user());
        QCOMPARE(child<QComboBox>(form, "cboCalendar")->currentText(), QStringLiteral("Work Diary"));
        interval = child<QComboBox>(form, "cboInterval");
        QCOMPARE(interval->currentData().toInt(), 5);
        interval->setCurrentIndex(interval->findData(60));
        emit interval->activated(interval->currentIndex());
        press(form, "cmdSave");
        QTRY_COMPARE(AccountSettings::load(rig.env.settings()).intervalMinutes, 60);
        QCOMPARE(rig.storedPassword(stored).value_or(QString()), m_radicale->password());

        // Its calendars are listed again with the stored password, and another one is chosen.
        find(form);
        calendars = child<QComboBox>(form, "cboCalendar");
        QVERIFY2(calendars->count() == 2, qPrintable(notice(form)));
        calendars->setCurrentIndex(calendars->findText(QStringLiteral("Family")));
        emit calendars->activated(calendars->currentIndex());
        press(form, "cmdSave");
        QTRY_COMPARE(AccountSettings::load(rig.env.settings()).calendarName, QStringLiteral("Family"));
        QCOMPARE(AccountSettings::load(rig.env.settings()).intervalMinutes, 60);
        QCOMPARE(rig.storedPassword(stored).value_or(QString()), m_radicale->password());
    }

    void aRefusedPasswordIsSaidAndNothingStored()
    {
        Rig rig;
        FormAccount* form = rig.open();
        fill(form, m_radicale->root().toString(), m_radicale->user(), QStringLiteral("wrong guess"));
        find(form);
        QVERIFY2(notice(form).contains(QLatin1String("refused")), qPrintable(notice(form)));
        QVERIFY(!notice(form).contains(QLatin1String("wrong guess")));
        QCOMPARE(child<QComboBox>(form, "cboCalendar")->count(), 0);
        QVERIFY(!child<VemraButton>(form, "cmdSave")->isEnabled());
        form->cmdSave_Click();
        QVERIFY(!AccountSettings::load(rig.env.settings()).isSet());
        QVERIFY(!rig.settingsFile().contains("wrong guess"));

        // An address the program may not use is refused before anything is sent.
        fill(form, QStringLiteral("http://calendar.example.org/"), m_radicale->user(), QStringLiteral("x"));
        press(form, "cmdFind");
        QVERIFY2(notice(form).contains(QLatin1String("HTTPS"), Qt::CaseInsensitive),
                 qPrintable(notice(form)));
    }

    void aCertificateIsUsedOnlyOnceAccepted()
    {
        QString why;
        const auto tls = DavTestServer::start(DavTestServer::Kind::Radicale, &why, true);
        QVERIFY2(tls, qPrintable(why));
        QVERIFY(tls->makeCalendar(QStringLiteral("Household")).isValid());
        const QList<QSslCertificate> certificates = QSslCertificate::fromPath(tls->certificateFile());
        QCOMPARE(certificates.size(), 1);
        const QString fingerprint = ServerAddress::fingerprint(certificates.first());

        Rig rig;
        FormAccount* form = rig.open();
        auto* accept = child<QCheckBox>(form, "chkCertificate");
        QVERIFY(!accept->isVisible());
        fill(form, tls->root().toString(), tls->user(), tls->password());
        find(form);
        QVERIFY2(notice(form).contains(QLatin1String("does not verify")), qPrintable(notice(form)));
        QVERIFY(accept->isVisible());
        QVERIFY(!accept->isChecked());
        QVERIFY(child<QLabel>(form, "lblCertificate")->text().remove(u'\n').contains(fingerprint));
        QCOMPARE(child<QComboBox>(form, "cboCalendar")->count(), 0);

        accept->click();
        find(form);
        QVERIFY2(child<QComboBox>(form, "cboCalendar")->count() > 0, qPrintable(notice(form)));
        press(form, "cmdSave");
        QTRY_VERIFY(AccountSettings::load(rig.env.settings()).isSet());
        QVERIFY(ServerAddress::sameFingerprint(AccountSettings::load(rig.env.settings()).acceptedFingerprint,
                                               fingerprint));
    }

    void removingTheAccountAsksAndLeavesTheEntries()
    {
        Rig rig;
        rig.env.addEntry(QStringLiteral("10/12/2002"), QStringLiteral("Dentist"), QStringLiteral("OneTime"));
        AccountSettings account;
        account.server = m_radicale->root().toString();
        account.user = m_radicale->user();
        account.calendarUrl = m_work;
        account.calendarName = QStringLiteral("Work Diary");
        QVERIFY(account.save(rig.env.settings()));
        QVERIFY(awaitResult<PasswordStore::Outcome>(
            [&](auto done) { rig.passwords.write(account.passwordKey(), m_radicale->password(), done); }));

        const QString entries = scheduleAsSeen(rig.env.databasePath());
        QVERIFY(entries.contains(QLatin1String("Dentist")));
        FormAccount* form = rig.open();
        rig.env.messages.setNextAnswer(QMessageBox::No);
        press(form, "cmdRemove");
        QCOMPARE(rig.env.messages.shown.size(), 1);
        QVERIFY(rig.env.messages.shown.first().text.contains(QLatin1String("stay as they are")));
        QVERIFY(AccountSettings::load(rig.env.settings()).isSet());

        rig.env.messages.setNextAnswer(QMessageBox::Yes);
        press(form, "cmdRemove");
        QTRY_VERIFY(!AccountSettings::load(rig.env.settings()).isSet());
        QVERIFY(!rig.storedPassword(account));
        QCOMPARE(scheduleAsSeen(rig.env.databasePath()), entries);
        QVERIFY(child<QLineEdit>(form, "txtServer")->text().isEmpty());
        QVERIFY(!child<VemraButton>(form, "cmdRemove")->isEnabled());
    }

    void statusLineFollowsTheService()
    {
        Rig rig;
        FormAccount* form = rig.open();
        auto* status = child<QLabel>(form, "lblStatus");
        QVERIFY(status->text().contains(QLatin1String("No calendar account")));
        const QString line = QStringLiteral("Last synced 10:32:05 AM: 3 received, 1 sent");
        emit rig.sync.statusChanged(line);
        QCOMPARE(status->text(), line);
        emit rig.sync.statusChanged(QStringLiteral("The calendar server could not be reached."));
        QCOMPARE(status->text(), QStringLiteral("The calendar server could not be reached."));

        // Server names, calendar names and the server's own words reach these lines: none is read as markup.
        for (const QLabel* label : form->findChildren<QLabel*>())
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
    }

    void menuEntryAndKeyOpenTheWindow()
    {
        Rig rig;
        MainForm& main = rig.env.windows().mainForm();
        main.show();
        main.raise();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QAction* entry = main.mnuAccount();
        QVERIFY(main.mnu()->actions().contains(entry));
        QCOMPARE(entry->text(), QStringLiteral("Calendar &account..."));
        entry->trigger();
        FormAccount* form = rig.env.windows().accountWindow();
        QVERIFY(form->isVisible());
        form->close();

        // The key belongs to nothing else of the main window.
        const QKeySequence key(Qt::CTRL | Qt::SHIFT | Qt::Key_A);
        for (const QAction* action : main.findChildren<QAction*>()) {
            if (action != entry)
                QVERIFY2(!action->shortcuts().contains(key), qPrintable(action->objectName()));
        }
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTest::keySequence(&main, key);
        QVERIFY(form->isVisible());
    }

    void accessKeysClashWithNothingInTheWindow()
    {
        Rig rig;
        FormAccount* form = rig.open();
        QHash<QChar, QString> takenBy;
        QStringList clashes;
        const auto take = [&](const QString& caption, const QString& name) {
            const qsizetype at = caption.indexOf(u'&');
            if (at < 0 || at + 1 >= caption.size())
                return;
            const QChar key = caption.at(at + 1).toLower();
            if (takenBy.contains(key))
                clashes << name + QStringLiteral(" and ") + takenBy[key];
            takenBy.insert(key, name);
        };
        for (const VemraButton* button : form->findChildren<VemraButton*>())
            take(button->caption(), button->objectName());
        for (const QLabel* label : form->findChildren<QLabel*>()) {
            if (label->buddy())
                take(label->text(), label->objectName());
        }
        take(child<QCheckBox>(form, "chkCertificate")->text(), QStringLiteral("chkCertificate"));
        QCOMPARE(takenBy.size(), 11);
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
    }
};

QTEST_MAIN(TestFormAccount)
#include "TestFormAccount.moc"
