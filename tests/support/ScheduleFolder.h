#pragma once

#include "store/ScheduleDatabase.h"

#include <QDebug>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A folder of its own for a test's schedule file and the calendar files it takes in.
class ScheduleFolder
{
public:
    QString schedulePath() const { return m_dir.filePath(ScheduleDatabase::FileName); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Opens the schedule, made first when there is none.
    std::unique_ptr<ScheduleDatabase> openSchedule() const
    {
        if (!QFile::exists(schedulePath()))
            ScheduleDatabase::CreateDatabaseFile(schedulePath());
        QString error;
        auto database = ScheduleDatabase::open(schedulePath(), &error);
        if (!database)
            qWarning() << error;
        return database;
    }

    // Writes a calendar file under a name of its own and returns its path.
    QString writeFile(const QByteArray& text)
    {
        const QString path = m_dir.filePath(QStringLiteral("calendar-%1.ics").arg(++m_files));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        return path;
    }

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};
