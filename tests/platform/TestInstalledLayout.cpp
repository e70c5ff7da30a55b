#include "platform/InstalledLayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

void touch(const QString &path)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TestInstalledLayout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void chooseFolder_data();
    void chooseFolder();
    void firstInstalledStartCreatesStarterBookOnce();
    void failedCreationIsReported();
    void relativeXdgDataHomeIgnored();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_savedData;
};

void TestInstalledLayout::init()
{
    m_savedData = qgetenv("XDG_DATA_HOME");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath("xdg-data")));
}

void TestInstalledLayout::cleanup()
{
    qputenv("XDG_DATA_HOME", m_savedData);
    m_dir.reset();
}

void TestInstalledLayout::chooseFolder_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("exeFolder");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("installed");
    QTest::addRow("build folder") << QStringList{"build/Help.html"} << "build" << true << false;
    QTest::addRow("any writable folder") << QStringList{"portable/mealdeck"} << "portable" << true << false;
    QTest::addRow("read-only folder") << QStringList{"opt/mealdeck"} << "opt" << false << true;
    QTest::addRow("read-only with a book beside")
        << QStringList{"ro/Data/Paaryhma.db"} << "ro" << false << false;
    QTest::addRow("writable installed prefix")
        << QStringList{"prefix/bin/mealdeck", "prefix/share/mealdeck/help/Help.html"} << "prefix/bin" << true << true;
    QTest::addRow("installed prefix with a book beside")
        << QStringList{"p/bin/Data/Ohje.db", "p/share/mealdeck/help/Help.html"} << "p/bin" << true << false;
}

void TestInstalledLayout::chooseFolder()
{
    QFETCH(QStringList, files);
    QFETCH(QString, exeFolder);
    QFETCH(bool, writable);
    QFETCH(bool, installed);
    for (const QString &file : files)
        touch(m_dir->filePath(file));
    const InstalledLayout::Decision d = InstalledLayout::decide(m_dir->filePath(exeFolder), writable);
    QCOMPARE(d.installed, installed);
    QVERIFY2(d.error.isEmpty(), qPrintable(d.error));
    if (installed) {
        QCOMPARE(d.programFolder, m_dir->filePath("xdg-data/Mealdeck"));
        QVERIFY(QFileInfo(d.programFolder + "/Data").isDir());
    } else {
        QCOMPARE(d.programFolder, m_dir->filePath(exeFolder));
        QVERIFY(!d.bookCreated);
        // A portable start never creates anything itself, "Database not found" included.
        QVERIFY(!QFileInfo::exists(m_dir->filePath("xdg-data")));
        QCOMPARE(QFileInfo::exists(m_dir->filePath(exeFolder) + "/Data"), files.first().contains("/Data/"));
    }
}

void TestInstalledLayout::firstInstalledStartCreatesStarterBookOnce()
{
    touch(m_dir->filePath("opt/mealdeck"));
    const InstalledLayout::Decision first = InstalledLayout::decide(m_dir->filePath("opt"), false);
    QVERIFY2(first.error.isEmpty(), qPrintable(first.error));
    QVERIFY(first.installed);
    QVERIFY(first.bookCreated);
    const QString data = m_dir->filePath("xdg-data/Mealdeck/Data");
    QVERIFY2(first.message.contains(data), qPrintable(first.message));
    for (const char *table : {"Paaryhma.db", "Alaryhma.db", "Ohje.db"})
        QVERIFY2(QFileInfo(data + '/' + table).size() > 0, table);
    QVERIFY(QFileInfo(data + "/Pics").isDir());

    const InstalledLayout::Decision second = InstalledLayout::decide(m_dir->filePath("opt"), false);
    QVERIFY(second.installed);
    QVERIFY(!second.bookCreated);
    QVERIFY(second.message.isEmpty());
    QCOMPARE(second.programFolder, first.programFolder);
}

void TestInstalledLayout::failedCreationIsReported()
{
    touch(m_dir->filePath("xdg-data/Mealdeck")); // a file where the folder belongs
    const InstalledLayout::Decision d = InstalledLayout::decide(m_dir->filePath("opt"), false);
    QVERIFY(d.installed);
    QVERIFY(!d.bookCreated);
    QVERIFY(!d.error.isEmpty());
}

void TestInstalledLayout::relativeXdgDataHomeIgnored()
{
    qputenv("XDG_DATA_HOME", "relative/data");
    QCOMPARE(InstalledLayout::userDataFolder(), QDir::homePath() + "/.local/share/Mealdeck");
    qputenv("XDG_DATA_HOME", "/srv/data");
    QCOMPARE(InstalledLayout::userDataFolder(), QStringLiteral("/srv/data/Mealdeck"));
}

QTEST_GUILESS_MAIN(TestInstalledLayout)
#include "TestInstalledLayout.moc"
