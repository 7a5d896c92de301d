#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <memory>

// The real program, run as from a terminal without a display: its data, settings and runtime folders
// lie below `root`, so that a test sees whatever it creates there and nothing of a person's own.
class HeadlessProgram
{
public:
    explicit HeadlessProgram(const QString& root) : m_env(QProcessEnvironment::systemEnvironment())
    {
        const QDir folder(root);
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.filePath(QStringLiteral("run")));
        m_env.remove(QStringLiteral("DISPLAY"));
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    }

    // Runs the program with the arguments to its end.
    std::unique_ptr<QProcess> run(const QStringList& arguments) const
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_env);
        process->start(path(), arguments);
        if (!process->waitForFinished(60000))
            qFatal("the program did not end");
        return process;
    }

    // The program built beside the test programs.
    static QString path()
    {
        return QDir(QCoreApplication::applicationDirPath())
            .absoluteFilePath(QStringLiteral("../src/zentravio"));
    }

private:
    QProcessEnvironment m_env;
};
