#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <memory>
#include <sys/prctl.h>

// A real calendar server for the sync tests, started on 127.0.0.1 at a free port over a temporary folder
// and stopped with the test: Radicale (with a password), Xandikos (without), DAViCal (PostgreSQL behind
// Apache and PHP) or Cyrus IMAP's CalDAV service, the last two through servers/calendar_server.py. Events
// are written and read back through python3-caldav, a client independent of the program's own.
class DavTestServer
{
public:
    enum class Kind
    {
        Radicale,
        Xandikos,
        DAViCal,
        Cyrus
    };

    static constexpr const char* Python = "/usr/bin/python3";

    static QString nameOf(Kind kind)
    {
        switch (kind) {
        case Kind::Radicale:
            return QStringLiteral("radicale");
        case Kind::Xandikos:
            return QStringLiteral("xandikos");
        case Kind::DAViCal:
            return QStringLiteral("davical");
        case Kind::Cyrus:
            break;
        }
        return QStringLiteral("cyrus");
    }

    // The server running, or nullptr with the reason. `tls` serves HTTPS with a self-signed certificate
    // (Radicale only). `notInstalled`, when given, is set when the server's packages are missing from this
    // machine (tools/install-deps.sh installs them); on a CI machine (CI set) that is a failure like any.
    static std::unique_ptr<DavTestServer> start(Kind kind, QString* why, bool tls = false,
                                                bool* notInstalled = nullptr)
    {
        auto server = std::unique_ptr<DavTestServer>(new DavTestServer(kind));
        if (notInstalled)
            *notInstalled = false;
        const bool started =
            server->m_supervised ? server->launchSupervised(why, notInstalled) : server->launch(tls, why);
        return started ? std::move(server) : nullptr;
    }

    ~DavTestServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            // The supervisor stops Apache, PostgreSQL or Cyrus's processes before it ends.
            m_process.terminate();
            if (!m_process.waitForFinished(m_supervised ? 30000 : 5000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    Kind kind() const { return m_kind; }
    quint16 port() const { return m_port; }
    QUrl root() const
    {
        if (m_supervised)
            return m_root;
        return QUrl(QStringLiteral("%1://127.0.0.1:%2/").arg(m_tls ? "https" : "http").arg(m_port));
    }
    // Where python3-caldav starts: it finds the account from Radicale's and Xandikos's root, but needs the
    // account's own address on DAViCal and Cyrus.
    QUrl peerRoot() const { return m_supervised ? m_principal : root(); }
    QString user() const { return m_kind == Kind::Xandikos ? QString() : QStringLiteral("alice"); }
    QString password() const { return m_kind == Kind::Xandikos ? QString() : QStringLiteral("s3cret pass"); }
    // How long the server took to take requests.
    qint64 startMs() const { return m_startMs; }
    QString storageFolder() const { return m_dir.filePath(QStringLiteral("storage")); }
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("cert.pem")); }

    // Runs the independent client; its standard output, or an empty text with `ok` false.
    QString peer(const QStringList& arguments, bool* ok = nullptr) const
    {
        QProcess process;
        process.start(QString::fromLatin1(Python),
                      QStringList{peerScript(), peerRoot().toString(), user(), password()} + arguments);
        const bool ended = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
                           process.exitCode() == 0;
        if (ok)
            *ok = ended;
        if (!ended)
            qWarning("caldav peer failed: %s", process.readAllStandardError().constData());
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // A new calendar for events, made by the independent client.
    QUrl makeCalendar(const QString& name) const
    {
        bool ok = false;
        const QString url = peer({QStringLiteral("mkcal"), name}, &ok).trimmed();
        return ok ? QUrl(url) : QUrl();
    }

    // Writes an event through the independent client from its iCalendar text.
    bool putEvent(const QUrl& calendar, const QByteArray& ics) const
    {
        QFile file(m_dir.filePath(QStringLiteral("event-%1.ics").arg(++m_written)));
        if (!file.open(QIODevice::WriteOnly) || file.write(ics) != ics.size())
            return false;
        file.close();
        bool ok = false;
        peer({QStringLiteral("put"), calendar.toString(), file.fileName()}, &ok);
        return ok;
    }

    static QString peerScript() { return testsFolder() + QStringLiteral("/sync/caldav_peer.py"); }

    static QString testsFolder()
    {
#ifdef QT_TESTCASE_SOURCEDIR
        return QStringLiteral(QT_TESTCASE_SOURCEDIR);
#else
        return QStringLiteral(ZENTRAVIO_TESTS_DIR);
#endif
    }

    static quint16 freePort()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return 0;
        return probe.serverPort();
    }

private:
    explicit DavTestServer(Kind kind)
        : m_kind(kind), m_supervised(kind == Kind::DAViCal || kind == Kind::Cyrus)
    {}

    // DAViCal and Cyrus: the supervisor script sets the server up, says "ready URL PRINCIPAL" and stops it
    // again when it is ended or this program ends.
    bool launchSupervised(QString* why, bool* notInstalled)
    {
        QElapsedTimer clock;
        clock.start();
        m_port = freePort();
        const QString folder = m_dir.filePath(QStringLiteral("server"));
        QDir().mkpath(folder);
        // Run as root, the supervisor hands the folder to an unprivileged user, who must reach it.
        QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFileDevice::ExeOther);
        const QString errors = m_dir.filePath(QStringLiteral("supervisor.log"));
        m_process.setStandardErrorFile(errors);
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start(QString::fromLatin1(Python),
                        {testsFolder() + QStringLiteral("/sync/servers/calendar_server.py"), nameOf(m_kind),
                         folder, QString::number(m_port), user(), password()});
        if (!m_process.waitForStarted(10000))
            return fail(why, "the server's supervisor did not start");
        QByteArray said;
        while (!said.contains('\n') && clock.elapsed() < 90000) {
            if (!m_process.waitForReadyRead(1000) && m_process.state() == QProcess::NotRunning)
                break;
            said += m_process.readAllStandardOutput();
        }
        const QList<QByteArray> words = said.trimmed().split(' ');
        if (words.size() == 3 && words.first() == "ready") {
            m_root = QUrl(QString::fromUtf8(words.at(1)));
            m_principal = QUrl(QString::fromUtf8(words.at(2)));
            m_startMs = clock.elapsed();
            return true;
        }
        m_process.terminate();
        m_process.waitForFinished(30000);
        QFile text(errors);
        const QByteArray reason = text.open(QIODevice::ReadOnly) ? text.readAll().trimmed() : QByteArray();
        const bool missing = m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 2;
        if (missing && notInstalled && !qEnvironmentVariableIsSet("CI"))
            *notInstalled = true;
        return fail(why, (reason.isEmpty() ? QByteArray("the server did not say it was ready in 90 seconds")
                                           : reason + (missing ? " (tools/install-deps.sh installs it)" : ""))
                             .constData());
    }

    bool launch(bool tls, QString* why)
    {
        QElapsedTimer clock;
        clock.start();
        m_tls = tls;
        m_port = freePort();
        const QString storage = m_dir.filePath(QStringLiteral("storage"));
        QDir().mkpath(storage);
        QStringList arguments;
        if (m_kind == Kind::Radicale) {
            QFile users(m_dir.filePath(QStringLiteral("users")));
            if (!users.open(QIODevice::WriteOnly) || users.write("alice:s3cret pass\n") < 0)
                return fail(why, "cannot write the user file");
            users.close();
            arguments = {QStringLiteral("-m"),
                         QStringLiteral("radicale"),
                         QStringLiteral("--config"),
                         QString(),
                         QStringLiteral("--storage-filesystem-folder"),
                         storage,
                         QStringLiteral("--server-hosts"),
                         QStringLiteral("127.0.0.1:%1").arg(m_port),
                         QStringLiteral("--auth-type"),
                         QStringLiteral("htpasswd"),
                         QStringLiteral("--auth-htpasswd-filename"),
                         users.fileName(),
                         QStringLiteral("--auth-htpasswd-encryption"),
                         QStringLiteral("plain"),
                         QStringLiteral("--logging-level"),
                         QStringLiteral("warning")};
            if (tls) {
                if (!makeCertificate(why))
                    return false;
                arguments << QStringLiteral("--server-ssl") << QStringLiteral("True")
                          << QStringLiteral("--server-certificate") << certificateFile()
                          << QStringLiteral("--server-key") << m_dir.filePath(QStringLiteral("key.pem"));
            }
        } else {
            arguments = {QStringLiteral("/usr/bin/xandikos"),
                         QStringLiteral("-d"),
                         storage,
                         QStringLiteral("-l"),
                         QStringLiteral("127.0.0.1"),
                         QStringLiteral("-p"),
                         QString::number(m_port),
                         QStringLiteral("--defaults")};
        }
        // The server's log goes to a file, shown only when the server would not start.
        const QString log = m_dir.filePath(QStringLiteral("server.log"));
        m_process.setStandardOutputFile(log);
        m_process.setStandardErrorFile(log);
        // The server ends with the test program, even one that crashed or was stopped.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start(QString::fromLatin1(Python), arguments);
        if (!m_process.waitForStarted(10000))
            return fail(why, "the server did not start");
        for (int i = 0; i < 150; ++i) {
            if (m_process.state() == QProcess::NotRunning) {
                QFile text(log);
                const QByteArray said =
                    text.open(QIODevice::ReadOnly) ? text.readAll().right(2000) : QByteArray();
                return fail(why, ("the server ended at once: " + said).constData());
            }
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(200)) {
                m_startMs = clock.elapsed();
                return true;
            }
            QThread::msleep(100);
        }
        return fail(why, "the server did not listen within 45 seconds");
    }

    bool makeCertificate(QString* why)
    {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                       QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                       QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("key.pem")),
                       QStringLiteral("-out"), certificateFile()});
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
            return fail(why, "openssl could not make a certificate");
        return true;
    }

    bool fail(QString* why, const char* text)
    {
        if (why)
            *why = nameOf(m_kind) + QStringLiteral(": ") + QString::fromLatin1(text);
        return false;
    }

    Kind m_kind;
    bool m_supervised;
    bool m_tls = false;
    QUrl m_root;
    QUrl m_principal;
    qint64 m_startMs = 0;
    quint16 m_port = 0;
    QTemporaryDir m_dir;
    QProcess m_process;
    mutable int m_written = 0;
};
