#include "app/AppResources.h"
#include "app/ProgramModule.h"
#include "app/SystemModule.h"
#include "forms/AppContext.h"
#include "forms/WindowHelpers.h"
#include "support/TestServices.h"

#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

class TestShellHelpers : public QObject
{
    Q_OBJECT

private slots:
    void rotateText_data();
    void rotateText();
    void copyDateTextReplacesTheClipboard();
    void centreFormOnThePrimaryScreen();
    void setTopMostKeepsSizeAndMovesToOrigin();
    void genFileFromResWritesTheResource();
    void genFileFromResReportsAMissingResource();
    void genFileFromResReportsAnUnwritableTarget();
    void openWithShellReportsAProgramThatCannotStart();
    void openWithShellPassesArgumentsWithoutAShell();
    void dragWindowFollowsTheLeftButtonOnly();

private:
    static QByteArray resourceBytes(const QString& resource)
    {
        QFile file(resource);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

void TestShellHelpers::rotateText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("rotated");
    QTest::newRow("word") << "Zentravio"
                          << "entravioZ";
    QTest::newRow("leading blank") << " ab"
                                   << "ab ";
    QTest::newRow("one character") << "x"
                                   << "x";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("character outside the basic plane")
        << QString::fromUtf8("\xF0\x9F\x93\x85 day") << QString::fromUtf8(" day\xF0\x9F\x93\x85");
}

void TestShellHelpers::rotateText()
{
    QFETCH(QString, text);
    QFETCH(QString, rotated);
    const QString result = RotateText(text);
    QCOMPARE(result, rotated);
    QCOMPARE(text, rotated); // the argument itself is changed
}

void TestShellHelpers::copyDateTextReplacesTheClipboard()
{
    ProgramValues values;
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    values.LastDateText = QStringLiteral("Saturday, October 12, 2002");
    CopyDateText(values);
    QCOMPARE(QGuiApplication::clipboard()->text(), values.LastDateText);
}

void TestShellHelpers::centreFormOnThePrimaryScreen()
{
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.resize(200, 100);
    CentreForm(&window, FixedScreenService(QRect(0, 0, 800, 600)));
    QCOMPARE(window.pos(), QPoint(300, 250));
    // A primary screen that does not start at the origin.
    CentreForm(&window, FixedScreenService(QRect(1024, 0, 640, 480)));
    QCOMPARE(window.pos(), QPoint(1024 + 220, 190));
}

void TestShellHelpers::setTopMostKeepsSizeAndMovesToOrigin()
{
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setGeometry(120, 80, 240, 130);
    window.show();
    SetTopMost(&window, true);
    QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(window.isVisible());
    QCOMPARE(window.size(), QSize(240, 130));
    QCOMPARE(window.pos(), QPoint(0, 0));

    window.hide();
    SetTopMost(&window, false);
    QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(!window.isVisible()); // a hidden window stays hidden
}

void TestShellHelpers::genFileFromResWritesTheResource()
{
    AppResources::init();
    const QString resource = QStringLiteral(":/zentravio/app-icon.png");
    const QByteArray expected = resourceBytes(resource);
    QVERIFY(!expected.isEmpty());
    QTemporaryDir dir;
    RecordingMessageBoxService messages;

    // Folder, name and extension make the target.
    const QString named = GenFileFromRes(messages, resource, QStringLiteral("PNG"), dir.path(),
                                         QStringLiteral("icon"), QString());
    QCOMPARE(named, dir.filePath(QStringLiteral("icon.PNG")));
    QCOMPARE(resourceBytes(named), expected);

    // Without a name the file is called "temp".
    const QString unnamed =
        GenFileFromRes(messages, resource, QStringLiteral("bin"), dir.path(), QString(), QString());
    QCOMPARE(unnamed, dir.filePath(QStringLiteral("temp.bin")));

    // A full path wins, and a longer file already there keeps nothing of its old content.
    const QString full = dir.filePath(QStringLiteral("exact.dat"));
    QFile old(full);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(expected.size() * 3, 'x'));
    old.close();
    QCOMPARE(
        GenFileFromRes(messages, resource, QStringLiteral("PNG"), dir.path(), QStringLiteral("icon"), full),
        full);
    QCOMPARE(resourceBytes(full), expected);
    QVERIFY(messages.shown.isEmpty());
}

void TestShellHelpers::genFileFromResReportsAMissingResource()
{
    QTemporaryDir dir;
    RecordingMessageBoxService messages;
    const QString written = GenFileFromRes(messages, QStringLiteral(":/zentravio/no-such-picture.png"),
                                           QStringLiteral("png"), dir.path(), QStringLiteral("x"), QString());
    QCOMPARE(written, QString());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.png"))));
    QCOMPARE(messages.shown.size(), 1);
    const auto& shown = messages.shown.first();
    QCOMPARE(shown.title, QStringLiteral("Warning"));
    QCOMPARE(shown.icon, QMessageBox::Critical);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY2(QRegularExpression(
                 QStringLiteral("^\\d+:Error in GenFileFromRes\\.  Error Message: .+no-such-picture"))
                 .match(shown.text)
                 .hasMatch(),
             qPrintable(shown.text));
}

void TestShellHelpers::genFileFromResReportsAnUnwritableTarget()
{
    AppResources::init();
    QTemporaryDir dir;
    RecordingMessageBoxService messages;
    const QString target = dir.filePath(QStringLiteral("missing-folder/icon.png"));
    QCOMPARE(GenFileFromRes(messages, QStringLiteral(":/zentravio/app-icon.png"), QString(), QString(),
                            QString(), target),
             QString());
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(
        messages.shown.first().text.contains(QStringLiteral(":Error in GenFileFromRes.  Error Message: ")));
    QVERIFY2(messages.shown.first().text.contains(target), qPrintable(messages.shown.first().text));
}

void TestShellHelpers::openWithShellReportsAProgramThatCannotStart()
{
    RecordingMessageBoxService messages;
    OpenWithShell(messages, QString(), {QStringLiteral("/s")});
    QVERIFY(messages.shown.isEmpty()); // no file: nothing to do

    OpenWithShell(messages, QStringLiteral("/no/such/folder/REGSVR32.EXE"), {QStringLiteral("/s")});
    QCOMPARE(messages.shown.size(), 1);
    const auto& shown = messages.shown.first();
    QCOMPARE(shown.text, QStringLiteral("Error jumping to:/no/such/folder/REGSVR32.EXE"));
    QCOMPARE(shown.title, QStringLiteral("Warning"));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestShellHelpers::openWithShellPassesArgumentsWithoutAShell()
{
    QTemporaryDir dir;
    RecordingMessageBoxService messages;
    // A shell would split this at the blank and run what follows the semicolon.
    const QString name = dir.filePath(QStringLiteral("a b;touch c"));
    OpenWithShell(messages, QStringLiteral("touch"), {name});
    QVERIFY(messages.shown.isEmpty());
    QTRY_VERIFY(QFile::exists(name));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("a"))));
    QVERIFY(!QFile::exists(QStringLiteral("c")));
}

void TestShellHelpers::dragWindowFollowsTheLeftButtonOnly()
{
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 200, 120);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int ended = 0;

    auto sendMouse = [&](QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, window.mapFromGlobal(global), global, button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
    };

    QCursor::setPos(110, 105);
    DragWindow(&window, Qt::RightButton, [&] { ++ended; });
    sendMouse(QEvent::MouseMove, QPoint(160, 155), Qt::NoButton, Qt::RightButton);
    QCoreApplication::processEvents();
    QCOMPARE(window.pos(), QPoint(100, 100));

    DragWindow(&window, Qt::LeftButton, [&] { ++ended; });
    sendMouse(QEvent::MouseMove, QPoint(160, 155), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.pos(), QPoint(150, 150));
    sendMouse(QEvent::MouseMove, QPoint(60, 75), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.pos(), QPoint(50, 70));
    QCOMPARE(ended, 0);
    sendMouse(QEvent::MouseButtonRelease, QPoint(60, 75), Qt::LeftButton, Qt::NoButton);
    QTRY_COMPARE(ended, 1);

    // After the release the window no longer follows the mouse.
    sendMouse(QEvent::MouseMove, QPoint(300, 300), Qt::NoButton, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(window.pos(), QPoint(50, 70));
    QCOMPARE(ended, 1);
}

QTEST_MAIN(TestShellHelpers)
#include "TestShellHelpers.moc"
#include "forms/WindowHelpers.h"
