#pragma once

#include <QDir>
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

// A real calendar server for the sync tests: Radicale (with a password) or Xandikos (without), started on
// 127.0.0.1 at a free port over a temporary storage folder and stopped with the test. Events are written
// and read back through python3-caldav, a client independent of the program's own.
class DavTestServer
{
public:
    enum class Kind
    {
        Radicale,
        Xandikos
    };

    static constexpr const char* Python = "/usr/bin/python3";

    static QString nameOf(Kind kind) { return kind == Kind::Radicale ? "radicale" : "xandikos"; }

    // The server running, or nullptr with the reason. `tls` serves HTTPS with a self-signed certificate
    // (Radicale only).
    static std::unique_ptr<DavTestServer> start(Kind kind, QString* why, bool tls = false)
    {
        auto server = std::unique_ptr<DavTestServer>(new DavTestServer(kind));
        if (!server->launch(tls, why))
            return nullptr;
        return server;
    }

    ~DavTestServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    Kind kind() const { return m_kind; }
    quint16 port() const { return m_port; }
    QUrl root() const
    {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2/").arg(m_tls ? "https" : "http").arg(m_port));
    }
    QString user() const { return m_kind == Kind::Radicale ? QStringLiteral("alice") : QString(); }
    QString password() const { return m_kind == Kind::Radicale ? QStringLiteral("s3cret pass") : QString(); }
    QString storageFolder() const { return m_dir.filePath(QStringLiteral("storage")); }
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("cert.pem")); }

    // Runs the independent client; its standard output, or an empty text with `ok` false.
    QString peer(const QStringList& arguments, bool* ok = nullptr) const
    {
        QProcess process;
        process.start(QString::fromLatin1(Python),
                      QStringList{peerScript(), root().toString(), user(), password()} + arguments);
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

    static QString peerScript()
    {
#ifdef QT_TESTCASE_SOURCEDIR
        return QStringLiteral(QT_TESTCASE_SOURCEDIR "/sync/caldav_peer.py");
#else
        return QStringLiteral(ZENTRAVIO_TESTS_DIR "/sync/caldav_peer.py");
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
    explicit DavTestServer(Kind kind) : m_kind(kind) {}

    bool launch(bool tls, QString* why)
    {
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
            if (socket.waitForConnected(200))
                return true;
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
    bool m_tls = false;
    quint16 m_port = 0;
    QTemporaryDir m_dir;
    QProcess m_process;
    mutable int m_written = 0;
};
