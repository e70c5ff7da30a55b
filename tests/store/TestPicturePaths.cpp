#include "store/table/PicturePaths.h"
#include "store/table/ProgramPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class TestPicturePaths : public QObject
{
    Q_OBJECT

private slots:
    void fileNames_data();
    void fileNames();
    void everyNameIsAPlainFileInPics_data();
    void everyNameIsAPlainFileInPics();
    void longNamesAreCutAndStayDistinct();
    void pictureFileIsInsideThePicsFolder();
    void leadingByteOrderMarkKeepsNamesApart();
};

void TestPicturePaths::fileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");

    QTest::addRow("ordinary") << "Pea soup" << "Pea soup.jpg";
    QTest::addRow("non-ASCII and quote") << "Äiti's" << "Äiti's.jpg";
    QTest::addRow("double quote") << "\"Quick\" salad" << "\"Quick\" salad.jpg";
    QTest::addRow("punctuation kept") << "Fish & chips (2), #1; a\\b: *?" << "Fish & chips (2), #1; a\\b: *?.jpg";
    QTest::addRow("dot inside kept") << "St. John's bread" << "St. John's bread.jpg";
    QTest::addRow("parent folder") << "../x" << "%2E.%2Fx.jpg";
    QTest::addRow("slash") << "a/b" << "a%2Fb.jpg";
    QTest::addRow("hidden") << ".hidden" << "%2Ehidden.jpg";
    QTest::addRow("dot alone") << "." << "%2E.jpg";
    QTest::addRow("percent") << "100% rye" << "100%25 rye.jpg";
    QTest::addRow("escape look-alike") << "a%2Fb" << "a%252Fb.jpg";
    QTest::addRow("control characters") << QString::fromUtf8("tab\tnl\ndel\x7f") << "tab%09nl%0Adel%7F.jpg";
    QTest::addRow("emoji") << QString::fromUtf8("Cake 🎂") << QString::fromUtf8("Cake 🎂.jpg");
}

void TestPicturePaths::fileNames()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(PicturePaths::pictureFileName(name), file);
}

void TestPicturePaths::everyNameIsAPlainFileInPics_data()
{
    QTest::addColumn<QString>("name");
    QTest::addRow("..") << "..";
    QTest::addRow("../../etc/passwd") << "../../etc/passwd";
    QTest::addRow("absolute") << "/tmp/x";
    QTest::addRow("trailing slash") << "dir/";
    QTest::addRow("empty") << "";
    QTest::addRow("nul") << QString(QChar(0)) + QStringLiteral("x");
    QTest::addRow("300 characters") << QString(300, QChar(0x00E4));
    QTest::addRow("unpaired surrogate") << QString(QChar(0xD800)) + QStringLiteral("x");
}

void TestPicturePaths::everyNameIsAPlainFileInPics()
{
    QFETCH(QString, name);
    QTemporaryDir home;
    ProgramPaths::setProgramFolder(home.path());
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("Data/Pics")));
    const QString path = PicturePaths::pictureFile(name);
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path + QStringLiteral(": ") + f.errorString()));
    f.close();
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(home.path() + QStringLiteral("/Data/Pics")).absolutePath());
    QCOMPARE(QDir(home.path() + QStringLiteral("/Data/Pics")).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QVERIFY(PicturePaths::pictureFileName(name).toUtf8().size() <= 255);
}

void TestPicturePaths::longNamesAreCutAndStayDistinct()
{
    const QString longName(300, QLatin1Char('x'));
    const QString file = PicturePaths::pictureFileName(longName);
    QVERIFY(file.toUtf8().size() <= 255);
    QVERIFY(file.startsWith(QString(200, QLatin1Char('x'))));
    QVERIFY(file.endsWith(QLatin1String(".jpg")));

    QSet<QString> files;
    const QStringList names{longName,
                            longName + QStringLiteral("y"),
                            QString(299, QLatin1Char('x')) + QStringLiteral("y"),
                            QString(300, QChar(0x00E4)),
                            QString(299, QChar(0x00E4)) + QStringLiteral("a"),
                            QString(251, QLatin1Char('x')),
                            QString(252, QLatin1Char('x')),
                            // An ordinary name that looks like the cut form of another.
                            file.left(file.size() - 4)};
    for (const QString &n : names) {
        const QString f = PicturePaths::pictureFileName(n);
        QVERIFY2(f.toUtf8().size() <= 255, qPrintable(f));
        files.insert(f);
    }
    QCOMPARE(files.size(), names.size());

    // 251 characters + ".jpg" fits exactly and stays unchanged.
    QCOMPARE(PicturePaths::pictureFileName(QString(251, QLatin1Char('x'))), QString(251, QLatin1Char('x')) + ".jpg");
    // A cut never splits a two-byte letter or an escape.
    const QString umlauts = PicturePaths::pictureFileName(QString(300, QChar(0x00E4)));
    QVERIFY(!umlauts.contains(QChar::ReplacementCharacter));
    const QString slashes = PicturePaths::pictureFileName(QString(120, QLatin1Char('/')));
    QVERIFY(slashes.toUtf8().size() <= 255);
    const QString cutPart = slashes.left(slashes.indexOf(QLatin1String("%~")));
    QCOMPARE(cutPart.size() % 3, 0);
}

void TestPicturePaths::pictureFileIsInsideThePicsFolder()
{
    ProgramPaths::setProgramFolder(QStringLiteral("/opt/mealdeck"));
    QCOMPARE(pictureFile(QStringLiteral("Pea soup")), QStringLiteral("/opt/mealdeck/Data/Pics/Pea soup.jpg"));
    QCOMPARE(pictureFile(QStringLiteral("../x")), QStringLiteral("/opt/mealdeck/Data/Pics/%2E.%2Fx.jpg"));
}

// Text made from UTF-8 drops a leading byte-order mark, so unescaped it gave
// a name pasted with one the picture of the name without it.
void TestPicturePaths::leadingByteOrderMarkKeepsNamesApart()
{
    const QString bom(QChar(0xFEFF));
    QCOMPARE(PicturePaths::pictureFileName(bom + QStringLiteral("Soup")), QStringLiteral("%EF%BB%BFSoup.jpg"));
    // Inside a name it is an ordinary character.
    QCOMPARE(PicturePaths::pictureFileName(QStringLiteral("So") + bom + QStringLiteral("up")),
             QStringLiteral("So") + bom + QStringLiteral("up.jpg"));
    const QStringList names{QStringLiteral("Soup"), bom + QStringLiteral("Soup"), bom + bom + QStringLiteral("Soup"),
                            QString(300, QLatin1Char('x')), bom + QString(300, QLatin1Char('x'))};
    QSet<QString> files;
    for (const QString &n : names)
        files.insert(PicturePaths::pictureFileName(n));
    QCOMPARE(files.size(), names.size());
}

QTEST_GUILESS_MAIN(TestPicturePaths)
#include "TestPicturePaths.moc"
