#include "app/Program.h"
#include "app/ProgramWindows.h"
#include "app/TrayIcon.h"
#include "app/formSplash.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "support/OtherConnection.h"
#include "support/PermissionChecks.h"
#include "support/ScheduleAsSeen.h"
#include "support/TestServices.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const ScheduleEntry SavedEntry = ScheduleEntry::make(
    QStringLiteral("03/07/2003"), QStringLiteral("Friday"), QStringLiteral("Dentist"), QStringLiteral("note"),
    QStringLiteral("10:30:00 AM"), QStringLiteral("on"), QStringLiteral("OneTime"));

// The start-up's two steps with the schedule file: made when missing, then opened for the run.
std::unique_ptr<ScheduleDatabase> startWith(const QString& path, RecordingMessageBoxService& messages)
{
    if (!Program::CreateMissingScheduleFile(path, messages))
        return nullptr;
    return Program::OpenScheduleFile(path, messages);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// What a user would find at the path: a file's bytes, a folder's names, a link's target.
QByteArray lookAt(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "link to " + QFile::encodeName(info.symLinkTarget());
    if (info.isDir())
        return "folder of " +
               QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(u',').toUtf8();
    // The "User" flags tell what this process may do, not what the file's mode says.
    const QFile::Permissions mode =
        info.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    QFile::setPermissions(path, mode | QFile::ReadOwner);
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
    QFile::setPermissions(path, mode);
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() + " mode " +
           QByteArray::number(int(mode), 16);
}

void makeSchedule(const QString& path)
{
    QVERIFY(ScheduleDatabase::CreateDatabaseFile(path));
    QString error;
    auto db = ScheduleDatabase::open(path, &error);
    QVERIFY2(db, qPrintable(error));
    QVERIFY(db->append(SavedEntry));
}

} // namespace

// The real calendar window joined to start-up: what `make run` puts on the screen, from the splash
// to the end of the program; and what start-up makes of the schedule file it finds.
class TestStartUp : public QObject
{
    Q_OBJECT

private slots:
    void aStartInterruptedBeforeTheTableWasMadeIsMadeGood_data()
    {
        QTest::addColumn<bool>("emptyFile");
        QTest::addColumn<bool>("leftover");
        QTest::addColumn<bool>("schedule");
        QTest::newRow("empty schedule file") << true << false << false;
        QTest::newRow("temporary file, no schedule") << false << true << false;
        QTest::newRow("temporary file beside a schedule") << false << true << true;
    }
    void aStartInterruptedBeforeTheTableWasMadeIsMadeGood()
    {
        QFETCH(bool, emptyFile);
        QFETCH(bool, leftover);
        QFETCH(bool, schedule);
        QTemporaryDir root;
        const QString path = root.filePath(QStringLiteral("Zentravio/Zentravio.vmr"));
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (emptyFile)
            writeFile(path, {});
        if (schedule)
            makeSchedule(path);
        if (leftover)
            writeFile(ScheduleDatabase::creationPath(path), "SQLite format 3");

        RecordingMessageBoxService messages;
        for (int start = 0; start < 2; ++start) {
            auto db = startWith(path, messages);
            QVERIFY(db);
            QCOMPARE(messages.shown.size(), 0);
            QCOMPARE(db->cachedTable().size(), size_t(schedule ? start + 1 : start));
            QVERIFY(db->append(SavedEntry));
        }
        QCOMPARE(QFileInfo(path).permissions() &
                     ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                 QFile::Permissions());
    }

    void aBrokenScheduleFileIsReportedAndKept_data()
    {
        // What start-up finds, whether it opens, and the words that open the message or refuse a save.
        QTest::addColumn<QString>("found");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("message");
        QTest::newRow("0 bytes") << "empty" << true << "";
        QTest::newRow("random bytes") << "random" << false << "is not a schedule file";
        QTest::newRow("text file") << "text" << false << "is not a schedule file";
        QTest::newRow("no Schedule table") << "no table" << false << "has no Schedule table";
        QTest::newRow("missing field") << "missing field" << false << "has no field Note";
        QTest::newRow("extra NOT NULL field") << "required field" << true << "requires a field Extra";
        QTest::newRow("folder") << "folder" << false << "is a folder, not a schedule file";
        QTest::newRow("dangling link") << "dangling link" << false << ", which does not exist";
        QTest::newRow("unreadable file") << "unreadable" << false << "you have no permission to read it";
        QTest::newRow("read-only file") << "read-only" << true << "is read-only; your entry was not saved";
        QTest::newRow("locked by another program") << "locked" << false << "is in use by another program";
        QTest::newRow("hot journal") << "hot journal" << true << "";
    }
    void aBrokenScheduleFileIsReportedAndKept()
    {
        QFETCH(QString, found);
        QFETCH(bool, opens);
        QFETCH(QString, message);
        QTemporaryDir root;
        const QString path = root.filePath(QStringLiteral("Zentravio.vmr"));
        std::unique_ptr<OtherConnection> other;
        auto sql = [&](const char* statements) {
            OtherConnection connection(path);
            QCOMPARE(connection.exec(statements), SQLITE_OK);
        };
        const char* table =
            "CREATE TABLE Schedule (Date TEXT, Day TEXT, Type TEXT, Note TEXT, AlarmTime TEXT, "
            "AlarmOnOff TEXT, SchedType TEXT";
        if (found == QStringLiteral("empty"))
            writeFile(path, {});
        if (found == QStringLiteral("random")) {
            QByteArray noise(5000, '\0');
            quint32 seed = 7;
            for (char& c : noise)
                c = char((seed = seed * 1103515245u + 12345u) >> 24);
            writeFile(path, noise);
        }
        if (found == QStringLiteral("text"))
            writeFile(path, QByteArray("03/07/2003 Dentist 10:30 AM\n").repeated(200));
        if (found == QStringLiteral("no table"))
            sql("CREATE TABLE Diary (Date TEXT)");
        if (found == QStringLiteral("missing field"))
            sql("CREATE TABLE Schedule (Date TEXT, Day TEXT, Type TEXT)");
        if (found == QStringLiteral("required field"))
            sql(qPrintable(QString::fromLatin1(table) + QStringLiteral(", Extra TEXT NOT NULL)")));
        if (found == QStringLiteral("folder"))
            QDir().mkpath(path + QStringLiteral("/inside"));
        if (found == QStringLiteral("dangling link"))
            QFile::link(root.filePath(QStringLiteral("gone/Zentravio.vmr")), path);
        if (found == QStringLiteral("unreadable") || found == QStringLiteral("read-only") ||
            found == QStringLiteral("locked") || found == QStringLiteral("hot journal"))
            makeSchedule(path);
        if (found == QStringLiteral("unreadable"))
            QFile::setPermissions(path, QFile::Permissions());
        if (found == QStringLiteral("read-only"))
            QFile::setPermissions(path, QFile::ReadOwner);
        if (found == QStringLiteral("locked")) {
            other = std::make_unique<OtherConnection>(path);
            QCOMPARE(other->exec("BEGIN EXCLUSIVE"), SQLITE_OK);
        }
        const QByteArray before = lookAt(path);
        const QString seenBefore = scheduleAsSeen(path);
        if (found == QStringLiteral("hot journal")) {
            // A program killed in the middle of writing: part of its change is in the file already, and
            // the journal that can undo it lies beside.
            const QString work = root.filePath(QStringLiteral("work.vmr"));
            QVERIFY(QFile::copy(path, work));
            OtherConnection writer(work);
            QCOMPARE(
                writer.exec("PRAGMA cache_size = 1; BEGIN; UPDATE Schedule SET Type = 'half-written';"
                            "CREATE TABLE Filler (x BLOB); INSERT INTO Filler VALUES (zeroblob(200000));"),
                SQLITE_OK);
            QFile::remove(path);
            QVERIFY(QFile::copy(work, path));
            QVERIFY(QFile::copy(work + QStringLiteral("-journal"), path + QStringLiteral("-journal")));
            QVERIFY(lookAt(path) != before);
        }

        PermissionChecks checks;
        if (!checks.active() &&
            (found == QStringLiteral("unreadable") || found == QStringLiteral("read-only")))
            QSKIP("File permissions cannot be made to apply to this test.");
        RecordingMessageBoxService messages;
        auto db = startWith(path, messages);
        other.reset();

        if (!opens) {
            QVERIFY(!db);
            QCOMPARE(messages.shown.size(), 1);
            const QString text = messages.shown[0].text;
            QVERIFY2(text.contains(message) && text.contains(QDir::toNativeSeparators(path)),
                     qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("closes now")));
            QCOMPARE(lookAt(path), before);
            QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));
            return;
        }
        QVERIFY(db);
        QCOMPARE(messages.shown.size(), 0);
        if (found == QStringLiteral("empty")) {
            // What an interrupted first start left is no schedule: a new one takes its place.
            QCOMPARE(db->cachedTable().size(), size_t(0));
            QVERIFY(db->append(SavedEntry));
            return;
        }
        // Opening changes no entry (it records their identities in tables of its own); an interrupted write
        // is undone, leaving the schedule as it was last saved.
        QCOMPARE(scheduleAsSeen(path), seenBefore);
        QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));
        if (found == QStringLiteral("hot journal")) {
            QCOMPARE(db->cachedTable().size(), size_t(1));
            QCOMPARE(db->cachedTable().entry(0), SavedEntry);
        }
        const StoreResult saved = db->append(SavedEntry);
        if (message.isEmpty()) {
            QVERIFY2(saved, qPrintable(saved.error));
        } else {
            QVERIFY2(saved.error.contains(message), qPrintable(saved.error));
            QCOMPARE(scheduleAsSeen(path), seenBefore);
        }
    }

    void theCalendarComesUpAndEndsThroughItsMenu()
    {
        QTemporaryDir root;
        ManualClock clock(QDateTime(QDate(2003, 3, 7), QTime(9, 0)));
        CountingBeepService beeper;
        RecordingMessageBoxService messages;
        FixedScreenService screen;
        SettingsStore settings(root.filePath(QStringLiteral("Zentravio.conf")));
        const QString databasePath = root.filePath(QStringLiteral("data/Zentravio.vmr"));
        Program program({clock, beeper, messages, screen, settings},
                        ProgramPlaces{databasePath, root.filePath(QStringLiteral("run"))},
                        [](AppContext& context, const ShellHooks& hooks) {
                            return std::unique_ptr<WindowOwner>(
                                std::make_unique<ProgramWindows>(context, hooks));
                        });
        QSignalSpy ended(&program, &Program::Ended);

        QVERIFY(program.Main());
        formSplash* splash = program.splash();
        splash->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
        QVERIFY(QTest::qWaitFor([&] { return program.context() != nullptr; }, 10000));
        for (int tick = 0; tick < 4; ++tick)
            splash->Timer1_Timer();
        QVERIFY(!splash->isVisible());

        QWidget* main = program.windows()->mainWindow();
        QVERIFY(main->isVisible());
        QVERIFY(main->isEnabled());
        QCOMPARE(main->windowTitle(), QStringLiteral("Zentravio"));
        // March 2003 begins on a Saturday: the 7th sits in cell 12, in today's red.
        auto* today = main->findChild<ClickLabel*>(QStringLiteral("DaySlot(12)"));
        QVERIFY(today);
        QCOMPARE(today->text(), QStringLiteral("7"));
        QCOMPARE(today->ForeColor(), Bgr::Red);
        QCOMPARE(program.trayIcon()->icon()->toolTip(), TrayIcon::TipText());
        QVERIFY(messages.shown.isEmpty());

        // The tray's menu is the window's own, and its Exit ends the program with the settings saved.
        QMenu* menu = program.windows()->trayMenu();
        QAction* exit = program.windows()->exitEntry();
        QVERIFY(menu && exit && menu->actions().contains(exit));
        QCOMPARE(exit->text(), QStringLiteral("&Exit"));
        exit->trigger();
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().toInt(), 0);
        QCOMPARE(settings.GetString(QStringLiteral("Colors"), QStringLiteral("Theme")),
                 QStringLiteral("LIGHT"));
        QCOMPARE(settings.GetString(QStringLiteral("Format"), QStringLiteral("FMat")),
                 QStringLiteral("Long Date"));
    }
};

QTEST_MAIN(TestStartUp)
#include "TestStartUp.moc"
