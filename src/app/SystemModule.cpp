#include "app/SystemModule.h"

#include "forms/Services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SystemModule", text);
}

void reportResourceError(MessageBoxService& messages, int number, const QString& description)
{
    messages.critical(nullptr,
                      QString::number(number) + QStringLiteral(":Error in GenFileFromRes.  Error Message: ") +
                          description,
                      tr("Warning"));
}

} // namespace

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

QString GenFileFromRes(MessageBoxService& messages, const QString& resource, const QString& extension,
                       const QString& folder, const QString& fileName, const QString& fullPath)
{
    const QString targetFolder = folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
    const QString targetName = fileName.isEmpty() ? QStringLiteral("temp") : fileName;

    QFile source(resource);
    if (!source.open(QIODevice::ReadOnly)) {
        reportResourceError(messages, source.error(),
                            tr("The program carries no resource %1.").arg(resource));
        return {};
    }
    const QByteArray bytes = source.readAll();

    const QString target = !fullPath.isEmpty()
                               ? fullPath
                               : targetFolder + QLatin1Char('/') + targetName + QLatin1Char('.') + extension;
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
        !file.flush()) {
        reportResourceError(
            messages, file.error(),
            tr("%1 could not be written: %2.").arg(QDir::toNativeSeparators(target), file.errorString()));
        return {};
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        reportResourceError(
            messages, file.error(),
            tr("%1 could not be written: %2.").arg(QDir::toNativeSeparators(target), file.errorString()));
        return {};
    }
    return target;
}

void OpenWithShell(MessageBoxService& messages, const QString& file, const QStringList& parameters)
{
    if (file.isEmpty())
        return;
    if (!QProcess::startDetached(file, parameters, QCoreApplication::applicationDirPath()))
        messages.warning(nullptr, QStringLiteral("Error jumping to:") + file, tr("Warning"));
}
