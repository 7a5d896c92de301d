#include "settings/ColourTheme.h"
#include "settings/StoredSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace StoredSettings;

class TestStoredSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    const QList<QRect> m_screens{QRect(0, 0, 1280, 1024)};

    QString freshPath()
    {
        return m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + ".conf");
    }

private slots:
    void firstRunGivesTheDefaults()
    {
        SettingsStore store(freshPath());
        const Loaded loaded = GetFromRegistry(store, m_screens);
        QCOMPARE(loaded.position, QPoint(0, 0));
        QCOMPARE(loaded.theme, ThemeChoice::Light);
        QCOMPARE(loaded.themeName, QString());
        QCOMPARE(loaded.dateFormatName, QStringLiteral("Long Date"));
    }

    void roundTripKeepsTopUnderXAndLeftUnderY()
    {
        const QString path = freshPath();
        {
            SettingsStore store(path);
            SaveSettings(store, QPoint(100, 40), QStringLiteral("DARK"), QStringLiteral("Short Date"));
            QCOMPARE(store.GetString("Position", "X"), QStringLiteral("600"));  // top, in twips
            QCOMPARE(store.GetString("Position", "Y"), QStringLiteral("1500")); // left, in twips
        }
        SettingsStore store(path);
        const Loaded loaded = GetFromRegistry(store, m_screens);
        QCOMPARE(loaded.position, QPoint(100, 40));
        QCOMPARE(loaded.theme, ThemeChoice::Dark);
        QCOMPARE(loaded.themeName, QStringLiteral("DARK"));
        QCOMPARE(loaded.dateFormatName, QStringLiteral("Short Date"));
    }

    void valueNamesAreComparedExactly()
    {
        SettingsStore store(freshPath());
        QVERIFY(store.SaveString("Position", "x", "1500"));
        QCOMPARE(store.GetString("Position", "X"), QString());
        QCOMPARE(store.GetString("Position", "x"), QStringLiteral("1500"));
        QCOMPARE(store.GetString("Nowhere", "x"), QString());
        QCOMPARE(GetFromRegistry(store, m_screens).position, QPoint(0, 0));
    }

    void unknownThemesAreKeptButNotApplied()
    {
        SettingsStore store(freshPath());
        store.SaveString("Colors", "Theme", "dark");
        const Loaded loaded = GetFromRegistry(store, m_screens);
        QCOMPARE(loaded.theme, ThemeChoice::None);
        QCOMPARE(loaded.themeName, QStringLiteral("dark"));
        SaveSettings(store, QPoint(), loaded.themeName, loaded.dateFormatName);
        QCOMPARE(store.GetString("Colors", "Theme"), QStringLiteral("dark"));
    }

    void positionsThatCannotBeReachedAreBroughtBack()
    {
        SettingsStore store(freshPath());
        store.SaveString("Position", "X", "not a number");
        store.SaveString("Position", "Y", "3000");
        QCOMPARE(GetFromRegistry(store, m_screens).position, QPoint(200, 0));

        store.SaveString("Position", "X", "-90000");
        QCOMPARE(GetFromRegistry(store, m_screens).position, QPoint(0, 0));

        // On a second screen to the right the position is kept.
        store.SaveString("Position", "X", "1500");
        store.SaveString("Position", "Y", "30000");
        const QList<QRect> twoScreens{QRect(0, 0, 1280, 1024), QRect(1280, 0, 1920, 1080)};
        QCOMPARE(GetFromRegistry(store, twoScreens).position, QPoint(2000, 100));
        QCOMPARE(GetFromRegistry(store, m_screens).position, QPoint(0, 0));

        // Numbers at and past the ends of what a coordinate holds, with and without a window size: the
        // window is on the screen, and no edge of it is reckoned past the ends of the integers.
        const QStringList hostile{"32212254705", "-32212254720", "3.4e38", "-3.4e38", "1e9", "2147483647"};
        for (const QString& top : hostile) {
            for (const QString& left : hostile) {
                store.SaveString("Position", "X", top);
                store.SaveString("Position", "Y", left);
                for (const QSize window : {QSize(), QSize(312, 285), QSize(INT_MAX, INT_MAX)}) {
                    const QPoint at = GetFromRegistry(store, m_screens, window).position;
                    QVERIFY2(m_screens.first().contains(at), qPrintable(top + ' ' + left));
                }
            }
        }
    }

    void theWholeWindowIsMovedOntoAScreen()
    {
        SettingsStore store(freshPath());
        const QSize window(312, 285);
        const auto placedAt = [&](int top, int left, const QList<QRect>& screens) {
            store.SaveString("Position", "X", QString::number(top * 15));
            store.SaveString("Position", "Y", QString::number(left * 15));
            return GetFromRegistry(store, screens, window).position;
        };
        // One pixel of it on the screen: moved in by the least that brings all of it on.
        QCOMPARE(placedAt(799, 1279, m_screens), QPoint(1280 - 312, 1024 - 285));
        QCOMPARE(placedAt(-40, 500, m_screens), QPoint(500, 0));
        // Across the edge between two screens side by side it stays where it was put.
        const QList<QRect> twoScreens{QRect(0, 0, 1280, 1024), QRect(1280, 0, 1280, 1024)};
        QCOMPARE(placedAt(100, 1200, twoScreens), QPoint(1200, 100));
        // Half off the lower screen of two of different heights: moved onto the screen it starts on.
        const QList<QRect> uneven{QRect(0, 0, 1280, 1024), QRect(1280, 0, 800, 600)};
        QCOMPARE(placedAt(500, 1400, uneven), QPoint(1400, 600 - 285));
        // A screen smaller than the window: its top-left corner at least.
        QCOMPARE(placedAt(50, 50, {QRect(0, 0, 300, 200)}), QPoint(0, 0));
    }

    void theSettingsFileIsTheUsersOwn()
    {
        // Written for the first time in a folder not made yet: readable and writable by its owner only.
        const QString path = m_dir.filePath(QStringLiteral("new-folder/Zentravio.conf"));
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ReadOther | QFileDevice::WriteOther;
        {
            SettingsStore store(path);
            QVERIFY(!QFile::exists(path)); // reading alone makes no file
            QVERIFY(SaveSettings(store, QPoint(10, 20), QStringLiteral("DARK"), QStringLiteral("Long Date")));
            QCOMPARE(QFile::permissions(path) & (ownerOnly | others), ownerOnly);
            QVERIFY(
                store.SaveString(QStringLiteral("Colors"), QStringLiteral("Theme"), QStringLiteral("LIGHT")));
            QCOMPARE(QFile::permissions(path) & (ownerOnly | others), ownerOnly);
        }
        // A file an earlier run left readable by others is closed to them, and keeps its values.
        QVERIFY(QFile::setPermissions(path, ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        SettingsStore again(path);
        QCOMPARE(QFile::permissions(path) & (ownerOnly | others), ownerOnly);
        QCOMPARE(again.GetString(QStringLiteral("Colors"), QStringLiteral("Theme")), QStringLiteral("LIGHT"));
    }

    void aWriteAfterAFailedOneIsReportedAsItWentAndCarriesTheUnsavedValue()
    {
        // The settings' folder is a link: first to a place nobody may write, then to a real folder.
        const QString link = m_dir.filePath(QStringLiteral("settings-link"));
        const QString folder = m_dir.filePath(QStringLiteral("settings-folder"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::link(QStringLiteral("/proc"), link));
        SettingsStore store(link + QStringLiteral("/zentravio.conf"));
        QVERIFY(!store.SaveString(QStringLiteral("Colors"), QStringLiteral("Theme"), QStringLiteral("DARK")));

        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(folder, link));
        QVERIFY(
            store.SaveString(QStringLiteral("Format"), QStringLiteral("FMat"), QStringLiteral("Short Date")));
        SettingsStore reread(folder + QStringLiteral("/zentravio.conf"));
        QCOMPARE(reread.GetString(QStringLiteral("Colors"), QStringLiteral("Theme")), QStringLiteral("DARK"));
        QCOMPARE(reread.GetString(QStringLiteral("Format"), QStringLiteral("FMat")),
                 QStringLiteral("Short Date"));
        QVERIFY(store.SaveString(QStringLiteral("Colors"), QStringLiteral("Theme"), QStringLiteral("LIGHT")));
        QCOMPARE(SettingsStore(folder + QStringLiteral("/zentravio.conf"))
                     .GetString(QStringLiteral("Colors"), QStringLiteral("Theme")),
                 QStringLiteral("LIGHT"));
    }

    void themesHaveTheirFixedColours()
    {
        const auto light = ColourTheme::forNumber(1);
        const auto dark = ColourTheme::forNumber(0);
        QVERIFY(light && dark && !ColourTheme::forNumber(2));
        QCOMPARE(light->name, QStringLiteral("LIGHT"));
        QCOMPARE(light->windowBack, BgrColor(0xC0C0C0));
        QCOMPARE(dark->windowBack, BgrColor(0x585858));
        QCOMPARE(dark->commandFore, BgrColor(0xE0E0E0));
        QCOMPARE(dark->highlightFore, BgrColor(0xC0C0C0));
        QCOMPARE(light->highlightFore, BgrColor(0xFFFFFF));
    }
};

QTEST_GUILESS_MAIN(TestStoredSettings)
#include "TestStoredSettings.moc"
