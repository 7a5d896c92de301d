#include "app/InstanceGuard.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The instance guard in one process, and the real program started twice as separate processes.
class TestInstanceGuard : public QObject
{
    Q_OBJECT

private slots:
    void laterGuardRaisesTheFirst();
    void strangerOnTheSocketIsIgnored();
    void secondProgramEndsBeforeOpeningItsSchedule();
    void unusableRuntimeFolderFallsBackToAPrivateOne_data();
    void unusableRuntimeFolderFallsBackToAPrivateOne();
    void noFolderAtAllLeavesTheStartUnguarded();
    void secondProgramEndsAlsoWithAnUnusableRuntimeFolder_data();
    void secondProgramEndsAlsoWithAnUnusableRuntimeFolder();

private:
    // Runs the program with its own folders: data (the schedule) per start, settings and the runtime
    // folder (where instances meet) shared.
    static std::unique_ptr<QProcess> startProgram(const QTemporaryDir& root, const QString& dataFolder,
                                                  const QString& runtimeFolder = {})
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(dataFolder));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                   runtimeFolder.isEmpty() ? root.filePath(QStringLiteral("run")) : runtimeFolder);
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(programPath(), {});
        return process;
    }

    static QString programPath()
    {
        return QDir(QCoreApplication::applicationDirPath())
            .absoluteFilePath(QStringLiteral("../src/zentravio"));
    }

    static QString schedulePath(const QTemporaryDir& root, const QString& dataFolder)
    {
        return root.filePath(dataFolder + QStringLiteral("/Zentravio/Zentravio.vmr"));
    }

    // A runtime folder no guard can use: its path leaves no room for a socket name, it is not writable,
    // or it belongs to someone else. Empty when this machine cannot make it.
    static QString unusableFolder(const QTemporaryDir& root, const QString& how)
    {
        QString path = root.filePath(how);
        if (how == QLatin1String("long")) {
            path = root.path();
            while (path.size() < 210)
                path += QStringLiteral("/a-folder-with-a-long-name");
        }
        if (!QDir().mkpath(path))
            return {};
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        if (how == QLatin1String("read-only"))
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        else
            QFile::setPermissions(path, ownerOnly);
        if (how == QLatin1String("foreign") &&
            ::chown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
            return {};
        return path;
    }

    static void stop(QProcess& process)
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
};

void TestInstanceGuard::laterGuardRaisesTheFirst()
{
    QTemporaryDir folder;
    InstanceGuard first(folder.path());
    QSignalSpy raised(&first, &InstanceGuard::activationRequested);
    QCOMPARE(first.GuardInstance(), InstanceGuard::Outcome::FirstInstance);

    InstanceGuard second(folder.path());
    QCOMPARE(second.GuardInstance(), InstanceGuard::Outcome::OtherInstanceRaised);
    QTRY_COMPARE(raised.count(), 1);

    // A guard in another user's folder knows nothing of this one.
    QTemporaryDir otherFolder;
    InstanceGuard other(otherFolder.path());
    QCOMPARE(other.GuardInstance(), InstanceGuard::Outcome::FirstInstance);
    QCoreApplication::processEvents();
    QCOMPARE(raised.count(), 1);
}

void TestInstanceGuard::strangerOnTheSocketIsIgnored()
{
    QTemporaryDir folder;
    InstanceGuard guard(folder.path());
    QSignalSpy raised(&guard, &InstanceGuard::activationRequested);
    QCOMPARE(guard.GuardInstance(), InstanceGuard::Outcome::FirstInstance);

    QLocalSocket stranger;
    stranger.connectToServer(guard.socketPath());
    QVERIFY(stranger.waitForConnected(5000));
    stranger.write("what is the time\n");
    stranger.flush();
    QTRY_VERIFY(stranger.state() == QLocalSocket::UnconnectedState || raised.count() > 0);
    QCOMPARE(raised.count(), 0);
}

void TestInstanceGuard::secondProgramEndsBeforeOpeningItsSchedule()
{
    QVERIFY2(QFile::exists(programPath()), qPrintable(programPath()));
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkdir(QStringLiteral("run")));
    QFile::setPermissions(root.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    auto first = startProgram(root, QStringLiteral("first"));
    QVERIFY(first->waitForStarted(10000));
    // The schedule is made only after the guard has claimed the instance.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(schedulePath(root, QStringLiteral("first"))), 20000);

    auto second = startProgram(root, QStringLiteral("second"));
    QVERIFY(second->waitForFinished(20000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("second/Zentravio"))));
    QCOMPARE(first->state(), QProcess::Running);

    // An instance that did not end cleanly leaves its socket behind; the next start runs in its place.
    stop(*first);
    auto third = startProgram(root, QStringLiteral("second"));
    QVERIFY(third->waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(schedulePath(root, QStringLiteral("second"))), 20000);
    QCOMPARE(third->state(), QProcess::Running);
    stop(*third);
}

void TestInstanceGuard::unusableRuntimeFolderFallsBackToAPrivateOne_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("path too long for a socket") << "long";
    QTest::newRow("not writable") << "read-only";
    QTest::newRow("someone else's") << "foreign";
}

void TestInstanceGuard::unusableRuntimeFolderFallsBackToAPrivateOne()
{
    QFETCH(QString, how);
    QTemporaryDir root;
    const QString runtime = unusableFolder(root, how);
    if (runtime.isEmpty())
        QSKIP("this user cannot make such a folder");
    const QString fallback = root.filePath(QStringLiteral("data/Zentravio/instance"));

    InstanceGuard first(runtime, fallback);
    QSignalSpy raised(&first, &InstanceGuard::activationRequested);
    QCOMPARE(first.GuardInstance(), InstanceGuard::Outcome::FirstInstance);
    QVERIFY(first.socketPath().startsWith(fallback + u'/'));
    const QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                        QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFile::permissions(fallback) & everyone, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    InstanceGuard second(runtime, fallback);
    QCOMPARE(second.GuardInstance(), InstanceGuard::Outcome::OtherInstanceRaised);
    QTRY_COMPARE(raised.count(), 1);
}

void TestInstanceGuard::noFolderAtAllLeavesTheStartUnguarded()
{
    QTemporaryDir root;
    const QString runtime = unusableFolder(root, QStringLiteral("long"));
    QVERIFY(!runtime.isEmpty());
    InstanceGuard guard(runtime, runtime + QStringLiteral("/instance"));
    QCOMPARE(guard.GuardInstance(), InstanceGuard::Outcome::Unguarded);

    // A fallback folder that is there already but open to others is not used either.
    const QString open = root.filePath(QStringLiteral("open"));
    QVERIFY(QDir().mkpath(open));
    QFile::setPermissions(open, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::WriteOther |
                                    QFile::ReadOther | QFile::ExeOther);
    InstanceGuard exposed(runtime, open);
    QCOMPARE(exposed.GuardInstance(), InstanceGuard::Outcome::Unguarded);
}

void TestInstanceGuard::secondProgramEndsAlsoWithAnUnusableRuntimeFolder_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("path too long for a socket") << "long";
    QTest::newRow("not writable") << "read-only";
}

void TestInstanceGuard::secondProgramEndsAlsoWithAnUnusableRuntimeFolder()
{
    QFETCH(QString, how);
    QTemporaryDir root;
    const QString runtime = unusableFolder(root, how);
    QVERIFY(!runtime.isEmpty());

    auto first = startProgram(root, QStringLiteral("data"), runtime);
    QVERIFY(first->waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(schedulePath(root, QStringLiteral("data"))), 20000);

    auto second = startProgram(root, QStringLiteral("data"), runtime);
    const bool ended = second->waitForFinished(20000);
    stop(*second);
    QVERIFY2(ended, "a second instance runs beside the first");
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(first->state(), QProcess::Running);
    stop(*first);
}

QTEST_MAIN(TestInstanceGuard)
#include "TestInstanceGuard.moc"
