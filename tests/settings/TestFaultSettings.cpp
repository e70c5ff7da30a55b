#include "support/TmpfsMount.h"

#include "settings/SettingsStore.h"
#include "store/table/ProgramError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The settings file on a disk that runs full or a folder that cannot be
// written: the failure is told (open() false with a reason, a write throwing
// ProgramError) and the values stored before it stay.
namespace {

QByteArray hashOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

// Points the settings at `folder` for the life of the object.
struct ConfigHome
{
    explicit ConfigHome(const QString &folder)
        : old(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", old); }
    QByteArray old;
};

void storeSomeValues()
{
    SettingsKey key;
    QVERIFY(key.open());
    key.writeBool(QString::fromLatin1(SettingNames::KysRyh), true);
    key.writeInteger(QString::fromLatin1(SettingNames::FontSize), 11);
    key.writeString(QString::fromLatin1(SettingNames::FontName), QStringLiteral("DejaVu Serif"));
}

void verifySomeValues()
{
    SettingsKey key;
    QVERIFY(key.open());
    QVERIFY(key.readBool(QString::fromLatin1(SettingNames::KysRyh)));
    QCOMPARE(key.readInteger(QString::fromLatin1(SettingNames::FontSize)), 11);
    QCOMPARE(key.readString(QString::fromLatin1(SettingNames::FontName)), QStringLiteral("DejaVu Serif"));
}

} // namespace

class TestFaultSettings : public QObject
{
    Q_OBJECT

private slots:
    void writeOnAFullDisk();
    void folderThatCannotBeWritten_data();
    void folderThatCannotBeWritten();
};

void TestFaultSettings::writeOnAFullDisk()
{
    TmpfsMount mount(256);
    REQUIRE_MOUNT(mount);
    ConfigHome home(mount.path());
    storeSomeValues();
    const QByteArray before = hashOf(SettingsStore::filePath());

    QVERIFY(mount.fill(0));
    {
        SettingsKey key;
        // The folder is writable, so the key opens; the write itself fails.
        QVERIFY(key.open());
        QVERIFY(key.readBool(QString::fromLatin1(SettingNames::KysRyh)));
        try {
            key.writeString(QString::fromLatin1(SettingNames::FontName), QString(20000, QLatin1Char('x')));
            QFAIL("a write on a full disk reported success");
        } catch (const ProgramError &e) {
            QVERIFY2(e.message().startsWith(QLatin1String("Failed to set data for 'FontName'")),
                     qPrintable(e.message()));
        }
        QCOMPARE(hashOf(SettingsStore::filePath()), before);
        QCOMPARE(key.readString(QString::fromLatin1(SettingNames::FontName)), QStringLiteral("DejaVu Serif"));
        QCOMPARE(key.readInteger(QString::fromLatin1(SettingNames::FontSize)), 11);
    }
    // Nothing half written lies beside the file.
    QCOMPARE(QDir(mount.path() + QStringLiteral("/Mealdeck")).entryList(QDir::Files | QDir::Hidden),
             QStringList{"registry.json"});

    mount.freeSpace();
    SettingsKey key;
    QVERIFY(key.open());
    key.writeInteger(QString::fromLatin1(SettingNames::FontSize), 12);
    QCOMPARE(key.readInteger(QString::fromLatin1(SettingNames::FontSize)), 12);
    QCOMPARE(key.readString(QString::fromLatin1(SettingNames::FontName)), QStringLiteral("DejaVu Serif"));
}

void TestFaultSettings::folderThatCannotBeWritten_data()
{
    QTest::addColumn<bool>("readOnlyMount");
    // The settings folder's name taken by a file: works without root.
    QTest::addRow("a file in the folder's place") << false;
    QTest::addRow("read-only file system") << true;
}

void TestFaultSettings::folderThatCannotBeWritten()
{
    QFETCH(bool, readOnlyMount);
    std::unique_ptr<TmpfsMount> mount;
    QTemporaryDir plain;
    QString folder = plain.path();
    if (readOnlyMount) {
        mount = std::make_unique<TmpfsMount>(256);
        REQUIRE_MOUNT(*mount);
        folder = mount->path();
    }
    ConfigHome home(folder);
    QByteArray before;
    if (readOnlyMount) {
        storeSomeValues();
        before = hashOf(SettingsStore::filePath());
        QVERIFY(mount->setReadOnly(true));
    } else {
        QFile blocker(folder + QStringLiteral("/Mealdeck"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
    }

    SettingsKey key;
    QVERIFY(!key.open());
    QVERIFY(!key.errorString().isEmpty());
    QVERIFY(!key.isOpen());
    QVERIFY_THROWS_EXCEPTION(ProgramError, key.writeBool(QString::fromLatin1(SettingNames::KysLop), true));
    QVERIFY(!SettingsStore::restoreSecurityQueries());

    if (readOnlyMount) {
        QCOMPARE(hashOf(SettingsStore::filePath()), before);
        QVERIFY(mount->setReadOnly(false));
        verifySomeValues();
    } else {
        QFile blocker(folder + QStringLiteral("/Mealdeck"));
        QVERIFY(blocker.open(QIODevice::ReadOnly));
        QCOMPARE(blocker.readAll(), QByteArray("not a folder"));
    }
}

QTEST_GUILESS_MAIN(TestFaultSettings)
#include "TestFaultSettings.moc"
