#include "app/SystemModule.h"

#include "app/Services.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QWindow>

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

// Follows one drag of a borderless window and runs the caller's after-drag action when it ends. It lives
// as a child of the window, so a window that goes away takes its drag with it.
class WindowDrag : public QObject
{
public:
    WindowDrag(QWidget* window, std::function<void()> afterDrag)
        : QObject(window), m_window(window), m_afterDrag(std::move(afterDrag))
    {
        setObjectName(QStringLiteral("WindowDrag"));
        m_settle.setSingleShot(true);
        m_settle.setInterval(200);
        QObject::connect(&m_settle, &QTimer::timeout, this, &WindowDrag::finish);
    }

    void start()
    {
        if (QWidget* grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
        QWindow* handle = m_window->windowHandle();
        m_systemMove = handle && handle->startSystemMove();
        if (m_systemMove) {
            // The window system moves the window and keeps the mouse meanwhile; the drag has ended when
            // the button comes back or the window has stopped moving for a moment.
            m_window->installEventFilter(this);
        } else {
            m_offset = QCursor::pos() - m_window->pos();
        }
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Move:
            if (m_systemMove && watched == m_window)
                m_settle.start();
            break;
        case QEvent::MouseMove:
            if (!m_systemMove) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->buttons() & Qt::LeftButton) {
                    m_window->move(mouse->globalPosition().toPoint() - m_offset);
                    return true;
                }
            }
            break;
        case QEvent::MouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                // Let the release reach its widget first, then end the drag.
                QTimer::singleShot(0, this, &WindowDrag::finish);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        QCoreApplication::instance()->removeEventFilter(this);
        m_window->removeEventFilter(this);
        m_settle.stop();
        const auto afterDrag = std::move(m_afterDrag);
        deleteLater();
        if (afterDrag)
            afterDrag();
    }

    QWidget* m_window;
    std::function<void()> m_afterDrag;
    QTimer m_settle;
    QPoint m_offset;
    bool m_systemMove = false;
    bool m_finished = false;
};

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

void DragWindow(QWidget* window, Qt::MouseButton button, std::function<void()> afterDrag)
{
    if (!window || button != Qt::LeftButton)
        return;
    if (window->findChild<WindowDrag*>(QStringLiteral("WindowDrag"), Qt::FindDirectChildrenOnly))
        return;                                                // a drag of this window is under way
    auto* drag = new WindowDrag(window, std::move(afterDrag)); // owned by the window
    drag->start();
}

void SetTopMost(QWidget* window, bool flag)
{
    if (!window)
        return;
    const bool visible = window->isVisible();
    const QSize size = window->size();
    // Changing the flags of a shown window hides it; it is shown again in its new band.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, flag);
    window->resize(size);
    window->move(0, 0);
    if (visible)
        window->show();
}
