#include "settings/LoginStart.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The login start entry must do nothing once the program is gone: it names the program it tries first,
// and desktops that read it accept it.
class TestLoginStartEntry : public QObject
{
    Q_OBJECT

private slots:
    void theEntryTriesItsProgramFirst()
    {
        const QStringList lines = LoginStart::entryText(QStringLiteral("/usr/bin/zentravio")).split(u'\n');
        QVERIFY(lines.contains(QStringLiteral("TryExec=/usr/bin/zentravio")));
        QVERIFY(lines.contains(QStringLiteral("Exec=/usr/bin/zentravio --minimized")));

        // A path that is no plain word: TryExec takes it as a plain string, with only its own escapes.
        const QStringList odd = LoginStart::entryText(QStringLiteral("/opt/my apps/z\\x\tz")).split(u'\n');
        QVERIFY2(odd.contains(QStringLiteral("TryExec=/opt/my apps/z\\\\x\\tz")), qPrintable(odd.join(u'|')));
    }

    void desktopsAcceptTheEntry()
    {
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validator.isEmpty())
            QSKIP("desktop-file-validate is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zentravio.desktop"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(LoginStart::entryText(QStringLiteral("/opt/my apps/zentravio")).toUtf8());
        file.close();
        QProcess check;
        check.start(validator, {path});
        QVERIFY(check.waitForFinished());
        QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
    }
};

QTEST_GUILESS_MAIN(TestLoginStartEntry)
#include "TestLoginStartEntry.moc"
