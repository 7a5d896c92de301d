#include "account/AccountDraft.h"

#include <QTest>

// What the account window's fields mean: calendars found with other credentials than the fields hold are
// never saved with them, and a certificate that does not verify is used and stored only once accepted.
class TestAccountDraft : public QObject
{
    Q_OBJECT

private:
    static const inline QString Fingerprint = QStringLiteral(
        "3A:5F:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:01:23:45:67:89:AB:CD:EF:10:20:30:40:50:60");

    static DiscoveryResult found(const QStringList& names)
    {
        DiscoveryResult result;
        for (const QString& name : names)
            result.calendars << CalendarInfo{
                QUrl(QStringLiteral("https://dav.example.org/alice/") + name + u'/'), name};
        return result;
    }

    static AccountDraft filled()
    {
        AccountDraft draft;
        draft.setServer(QStringLiteral(" dav.example.org "));
        draft.setUser(QStringLiteral("alice"));
        draft.setPassword(QStringLiteral("s3cret"));
        return draft;
    }

private slots:
    void refusalsNameWhatIsMissing()
    {
        AccountDraft draft;
        QVERIFY(draft.findRefusal().contains(QLatin1String("address")));
        draft.setServer(QStringLiteral("http://dav.example.org/"));
        QVERIFY2(!draft.findRefusal().isEmpty(), "plain HTTP to another machine");
        draft.setServer(QStringLiteral("http://127.0.0.1:5232/"));
        QVERIFY(draft.findRefusal().contains(QLatin1String("user name")));
        draft.setUser(QStringLiteral("alice"));
        QVERIFY(draft.findRefusal().isEmpty());
        QVERIFY(!draft.saveRefusal().isEmpty());
        draft.startFind();
        QVERIFY(!draft.findRefusal().isEmpty());
        QVERIFY(!draft.saveRefusal().isEmpty());
    }

    void calendarsFoundWithOtherCredentialsAreForgotten()
    {
        AccountDraft draft = filled();
        draft.startFind();
        draft.takeFound(found({QStringLiteral("Home"), QStringLiteral("Work")}));
        QCOMPARE(draft.calendars().size(), 2);
        draft.chooseCalendar(1);
        draft.setIntervalMinutes(5);
        draft.setIntervalMinutes(7); // no such choice: the last one stays
        QVERIFY(draft.saveRefusal().isEmpty());
        const AccountSettings stored = draft.toStore({});
        QCOMPARE(stored.server, QStringLiteral("https://dav.example.org"));
        QCOMPARE(stored.calendarName, QStringLiteral("Work"));
        QCOMPARE(stored.intervalMinutes, 5);
        QCOMPARE(draft.passwordToKeep(), QStringLiteral("s3cret"));

        // A password typed after the search was never shown to the server.
        draft.setPassword(QStringLiteral("other"));
        QVERIFY(draft.calendars().isEmpty());
        QVERIFY(!draft.saveRefusal().isEmpty());

        for (const auto& change : std::initializer_list<std::function<void(AccountDraft&)>>{
                 [](AccountDraft& d) { d.setUser(QStringLiteral("bob")); },
                 [](AccountDraft& d) { d.setServer(QStringLiteral("other.example.org")); }}) {
            AccountDraft again = filled();
            again.startFind();
            again.takeFound(found({QStringLiteral("Home")}));
            change(again);
            QVERIFY(again.calendars().isEmpty());
        }
    }

    void anAnswerToFieldsSinceChangedIsDropped()
    {
        AccountDraft draft = filled();
        draft.startFind();
        draft.setUser(QStringLiteral("bob"));
        const QString said = draft.takeFound(found({QStringLiteral("Home")}));
        QVERIFY(said.contains(QLatin1String("again")));
        QVERIFY(draft.calendars().isEmpty());
        QVERIFY(!draft.finding());
    }

    void aCertificateIsUsedAndStoredOnlyOnceAccepted()
    {
        AccountDraft draft = filled();
        draft.startFind();
        DiscoveryResult refused;
        refused.error = DavError::unverifiedCertificate(
            QStringLiteral("The certificate of dav.example.org does not verify (self signed)."), Fingerprint);
        QVERIFY(draft.takeFound(refused).contains(QLatin1String("does not verify")));
        QCOMPARE(draft.offeredFingerprint(), Fingerprint);
        QVERIFY(!draft.certificateAccepted());
        QVERIFY(draft.current().fingerprint.isEmpty());

        draft.acceptCertificate(true);
        QCOMPARE(draft.current().fingerprint, Fingerprint);
        draft.startFind();
        draft.takeFound(found({QStringLiteral("Home")}));
        QCOMPARE(draft.toStore({}).acceptedFingerprint, Fingerprint);

        // Taking the acceptance back leaves nothing to save with that certificate.
        draft.acceptCertificate(false);
        QVERIFY(draft.calendars().isEmpty());

        // A certificate is accepted for its own server only.
        draft.acceptCertificate(true);
        draft.setServer(QStringLiteral("elsewhere.example.org"));
        QVERIFY(draft.offeredFingerprint().isEmpty());
        QVERIFY(draft.current().fingerprint.isEmpty());

        // A certificate fault that could not name the certificate (no secure connection at all) offers none.
        draft.setServer(QStringLiteral("dav.example.org"));
        draft.startFind();
        refused.error =
            DavError(DavError::Kind::Certificate, QStringLiteral("A secure connection could not be made."));
        draft.takeFound(refused);
        QVERIFY(draft.offeredFingerprint().isEmpty());
    }

    void theStoredAccountSavesWithoutItsPassword()
    {
        AccountSettings stored;
        stored.server = QStringLiteral("https://dav.example.org");
        stored.user = QStringLiteral("alice");
        stored.calendarUrl = QUrl(QStringLiteral("https://dav.example.org/alice/home/"));
        stored.calendarName = QStringLiteral("Home");
        stored.intervalMinutes = 60;
        stored.acceptedFingerprint = Fingerprint;

        AccountDraft draft;
        draft.loadStored(stored);
        QCOMPARE(draft.chosenCalendar(), 0);
        QVERIFY(draft.certificateAccepted());
        QVERIFY(draft.usesStoredPassword());
        draft.setIntervalMinutes(1);
        QVERIFY(draft.saveRefusal().isEmpty());
        QVERIFY(draft.passwordToKeep().isEmpty());
        const AccountSettings saved = draft.toStore(stored);
        QCOMPARE(saved.intervalMinutes, 1);
        QCOMPARE(saved.calendarUrl, stored.calendarUrl);
        QCOMPARE(saved.acceptedFingerprint, Fingerprint);

        // A new password must be shown to the server before it is kept.
        draft.setPassword(QStringLiteral("new"));
        QVERIFY(!draft.saveRefusal().isEmpty());
        QVERIFY(!draft.usesStoredPassword());
        draft.setPassword({});
        draft.setUser(QStringLiteral("bob"));
        QVERIFY2(!draft.usesStoredPassword(), "the stored password belongs to alice");

        AccountDraft none;
        none.loadStored({});
        QVERIFY(none.calendars().isEmpty());
        QVERIFY(!none.usesStoredPassword());
        QCOMPARE(none.intervalMinutes(), AccountSettings::DefaultInterval);
    }
};

QTEST_GUILESS_MAIN(TestAccountDraft)
#include "TestAccountDraft.moc"
