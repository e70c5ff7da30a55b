#include "StoreFixture.h"
#include "store/backup/BookBackup.h"
#include "store/backup/BookRestore.h"
#include "store/table/PictureFiles.h"
#include "store/table/ProgramError.h"
#include "support/TmpfsMount.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>

#include <archive.h>
#include <algorithm>
#include <archive_entry.h>
#include <array>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

// Backups of the whole book and restores from them: a round trip keeps every
// row and picture, hostile files are refused before anything is touched, a
// full disk and kill -9 leave either the old or the new book whole.
namespace {

struct Entry
{
    Entry(const QString &n, const QByteArray &d, unsigned t = AE_IFREG, const QString &l = QString())
        : name(n), data(d), type(t), link(l)
    {
    }
    QString name;
    QByteArray data;
    unsigned type;
    QString link;
};

QList<Entry> readZip(const QString &file)
{
    QList<Entry> entries;
    archive *a = archive_read_new();
    archive_read_support_format_zip(a);
    if (archive_read_open_filename(a, QFile::encodeName(file).constData(), 65536) == ARCHIVE_OK) {
        archive_entry *e = nullptr;
        while (archive_read_next_header(a, &e) == ARCHIVE_OK) {
            Entry entry {QString::fromUtf8(archive_entry_pathname_utf8(e)), QByteArray()};
            char buffer[65536];
            la_ssize_t got = 0;
            while ((got = archive_read_data(a, buffer, sizeof buffer)) > 0)
                entry.data.append(buffer, int(got));
            entries << entry;
        }
    }
    archive_read_free(a);
    return entries;
}

void writeZip(const QString &file, const QList<Entry> &entries, qint64 claimedSize = -1)
{
    archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_set_options(a, "zip:hdrcharset=UTF-8");
    archive_write_open_filename(a, QFile::encodeName(file).constData());
    for (const Entry &entry : entries) {
        archive_entry *e = archive_entry_new();
        archive_entry_set_pathname_utf8(e, entry.name.toUtf8().constData());
        archive_entry_set_filetype(e, entry.type);
        archive_entry_set_perm(e, 0644);
        if (entry.type == AE_IFLNK)
            archive_entry_set_symlink_utf8(e, entry.link.toUtf8().constData());
        archive_entry_set_size(e, entry.type == AE_IFREG ? (claimedSize >= 0 ? claimedSize : entry.data.size()) : 0);
        archive_write_header(a, e);
        if (entry.type == AE_IFREG)
            archive_write_data(a, entry.data.constData(), size_t(entry.data.size()));
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
}

// The manifest of `entries` made to fit them again (hashes of every entry).
void resealManifest(QList<Entry> &entries)
{
    for (Entry &manifest : entries) {
        if (manifest.name != QLatin1String("manifest.json"))
            continue;
        QJsonObject object = QJsonDocument::fromJson(manifest.data).object();
        QJsonObject hashes;
        for (const Entry &entry : std::as_const(entries)) {
            if (entry.name != QLatin1String("manifest.json") && entry.type == AE_IFREG)
                hashes.insert(
                    entry.name,
                    QString::fromLatin1(QCryptographicHash::hash(entry.data, QCryptographicHash::Sha256).toHex()));
        }
        object.insert(QStringLiteral("sha256"), hashes);
        manifest.data = QJsonDocument(object).toJson();
    }
}

// Every file under `folder` (the lock left out) by relative path, with its hash.
QMap<QString, QByteArray> folderHashes(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(QLatin1String("Mealdeck.lock")))
            files.insert(QDir(folder).relativeFilePath(path), fileHash(path));
    }
    return files;
}

QStringList rows(const QString &data, const char *table)
{
    return queryFile(data + QLatin1Char('/') + QLatin1String(table) + QStringLiteral(".db"),
                     QStringLiteral("SELECT quote(id) || '|' || quote(Nimi) || '|' || quote(Ryhma) FROM %1 ORDER BY id")
                         .arg(QLatin1String(table)));
}

QStringList siblingsLike(const QString &data, const QString &pattern)
{
    return QFileInfo(data).dir().entryList({pattern}, QDir::AllEntries | QDir::Hidden);
}

// A book with the starter recipes, a few pictures (one with a name that is not
// ASCII), a trash file and a file in a folder of Pics.
void fillBook(const QString &base)
{
    QString error;
    try {
        RecipeBook::createBook(base, true);
    } catch (const StoreError &e) {
        error = e.message();
        qFatal("cannot create a book: %s", qPrintable(error));
    }
    const QString pics = base + QStringLiteral("/Data/Pics/");
    auto write = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    };
    for (int i = 0; i < 5; ++i) {
        QByteArray bytes(4000 + i * 100, Qt::Uninitialized);
        for (char &c : bytes)
            c = char(QRandomGenerator::global()->bounded(256));
        write(pics + QStringLiteral("Picture %1.jpg").arg(i), bytes);
    }
    write(pics + QStringLiteral("Äidin kakku.jpg"), QByteArray(3000, 'k'));
    // A trash file beside the tables goes along in the same snapshot.
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(base + QStringLiteral("/Data/Roskakori.db")).constData(), &db);
    sqlite3_exec(db, "CREATE TABLE Deleted (id INTEGER PRIMARY KEY, Nimi TEXT); INSERT INTO Deleted VALUES (1, 'Old')",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QDir(pics).mkdir(QStringLiteral(".trash"));
    write(pics + QStringLiteral(".trash/old.jpg"), QByteArray(2000, 'o'));
}

int runTool(const QStringList &arguments, const QByteArray &input = QByteArray(), QByteArray *output = nullptr)
{
    QProcess tool;
    tool.start(QStringLiteral(MEALDECK_DATA_TOOL), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(60000))
        return -1;
    if (output)
        *output = tool.readAllStandardOutput() + tool.readAllStandardError();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

} // namespace

class TestBookBackup : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEveryRowAndPicture();
    void hostileFilesAreRefused_data();
    void hostileFilesAreRefused();
    void fullDiskLeavesNoBackupAndTheOldBook();
    void killDuringBackupAndRestore();
    void commandLine();
    void restoreThroughALinkReplacesTheFolderItPointsTo();
    void automaticBackupsKeepSevenDaysApartFromThoseBeforeChanges();
};

void TestBookBackup::roundTripKeepsEveryRowAndPicture()
{
    QTemporaryDir home;
    fillBook(home.path());
    const QString data = home.path() + QStringLiteral("/Data");
    // The week menu goes along with the book.
    QFile menu(data + QStringLiteral("/Ruokalista.json"));
    QVERIFY(menu.open(QIODevice::WriteOnly));
    menu.write(R"({"entries":[{"recipe":1,"day":1,"portions":4}]})");
    menu.close();
    const QMap<QString, QByteArray> before = folderHashes(data);
    const QStringList recipesBefore = rows(data, "Ohje");

    const QString file = home.path() + QStringLiteral("/b.zip");
    BookBackup::Written written;
    QVERIFY_THROWS_NO_EXCEPTION(written = BookBackup::writeBackup(data, file));
    const BookBackup::Contents &contents = written.contents;
    QVERIFY(written.skipped.isEmpty());
    QCOMPARE(contents.pictures, 6);
    QCOMPARE(contents.recipes, qint64(recipesBefore.size()));
    QVERIFY(contents.recipes > 0);

    // The book changes after the backup: a recipe goes, a picture goes, one comes.
    {
        auto recipes = StoreFixture::openIn(data, QStringLiteral("Ohje"));
        recipes->first();
        recipes->deleteRow();
        recipes->apply();
    }
    QFile::remove(data + QStringLiteral("/Pics/Picture 0.jpg"));
    QFile(data + QStringLiteral("/Pics/New.jpg")).open(QIODevice::WriteOnly);
    QFile::remove(data + QStringLiteral("/Ruokalista.json"));
    const QMap<QString, QByteArray> changed = folderHashes(data);

    BookRestore restore(data, file);
    QVERIFY_THROWS_NO_EXCEPTION(restore.check());
    QCOMPARE(restore.contents().recipes, contents.recipes);
    QCOMPARE(folderHashes(data), changed); // checking touches nothing
    QVERIFY_THROWS_NO_EXCEPTION(restore.replace());

    // Table files come back byte for byte, so every row keeps its id and order.
    QCOMPARE(folderHashes(data), before);
    QCOMPARE(rows(data, "Ohje"), recipesBefore);
    QVERIFY(!restore.keptAs().isEmpty());
    QCOMPARE(folderHashes(restore.keptAs()), changed);
    QVERIFY(QFileInfo(restore.automaticBackup()).isFile());
    QCOMPARE(siblingsLike(data, QStringLiteral("Data.restoring-*")), QStringList());
    // The restored book opens as the program opens it.
    auto recipes = StoreFixture::openIn(data, QStringLiteral("Ohje"));
    QCOMPARE(recipes->recordCount(), int(contents.recipes));
}

void TestBookBackup::hostileFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::addRow("entry leaving the folder") << "dotdot"
                                              << "a path leaving the book's folder";
    QTest::addRow("absolute path") << "absolute"
                                   << "an absolute path";
    QTest::addRow("symbolic link") << "symlink"
                                   << "not a regular file";
    QTest::addRow("journal beside a table") << "journal"
                                            << "not a file of a recipe book";
    QTest::addRow("folder inside a folder of Pics") << "deep"
                                                    << "not a file of a recipe book";
    QTest::addRow("huge entry") << "huge"
                                << "larger than allowed";
    QTest::addRow("wrong hash") << "hash"
                                << "SHA-256 differs";
    QTest::addRow("file not in the manifest") << "unlisted"
                                              << "not in its manifest";
    QTest::addRow("entry twice") << "twice"
                                 << "is in it twice";
    QTest::addRow("table of another schema") << "schema"
                                             << "not the program's Ohje table";
    QTest::addRow("table with a trigger") << "trigger"
                                          << "holds a trigger";
    QTest::addRow("damaged table") << "damaged"
                                   << "Paaryhma.db in it";
    QTest::addRow("counts not matching") << "counts"
                                         << "does not match its manifest";
    QTest::addRow("no manifest") << "nomanifest"
                                 << "has no manifest";
    QTest::addRow("not a zip") << "garbage"
                               << "not a zip file";
}

void TestBookBackup::hostileFilesAreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir home;
    fillBook(home.path());
    const QString data = home.path() + QStringLiteral("/Data");
    const QString good = home.path() + QStringLiteral("/good.zip");
    QString error;
    QVERIFY_THROWS_NO_EXCEPTION(BookBackup::writeBackup(data, good));
    QList<Entry> entries = readZip(good);
    QVERIFY(entries.size() > 5);
    auto find = [&entries](const QString &name) -> Entry & {
        for (Entry &e : entries) {
            if (e.name == name)
                return e;
        }
        qFatal("no entry %s", qPrintable(name));
    };
    qint64 claimed = -1;
    bool reseal = true;
    if (kind == QLatin1String("dotdot"))
        entries << Entry {QStringLiteral("Pics/../../escaped.jpg"), "x"};
    else if (kind == QLatin1String("absolute"))
        entries << Entry {QStringLiteral("/tmp/escaped.jpg"), "x"};
    else if (kind == QLatin1String("symlink"))
        entries.prepend(Entry {QStringLiteral("Pics/link.jpg"), QByteArray(), AE_IFLNK, QStringLiteral("/etc/passwd")});
    else if (kind == QLatin1String("journal"))
        entries << Entry {QStringLiteral("Ohje.db-journal"), "junk"};
    else if (kind == QLatin1String("deep"))
        entries << Entry {QStringLiteral("Pics/a/b/c.jpg"), "x"};
    else if (kind == QLatin1String("huge")) {
        entries = {Entry {QStringLiteral("Pics/big.jpg"), QByteArray(1000, 'b')}};
        claimed = PictureFiles::MaxPictureBytes + 1;
    } else if (kind == QLatin1String("hash")) {
        find(QStringLiteral("Pics/Picture 1.jpg")).data[10] ^= 1;
        reseal = false;
    } else if (kind == QLatin1String("unlisted")) {
        entries << Entry {QStringLiteral("Pics/extra.jpg"), "x"};
        reseal = false;
    } else if (kind == QLatin1String("twice"))
        entries << find(QStringLiteral("Pics/Picture 2.jpg"));
    else if (kind == QLatin1String("schema") || kind == QLatin1String("trigger") || kind == QLatin1String("damaged")) {
        // The table file is changed with a connection of its own, then put back.
        const QString table = kind == QLatin1String("damaged") ? QStringLiteral("Paaryhma") : QStringLiteral("Ohje");
        const QString path = home.path() + QStringLiteral("/t.db");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(find(table + QStringLiteral(".db")).data);
        f.close();
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        if (kind == QLatin1String("schema"))
            sqlite3_exec(db, "ALTER TABLE Ohje ADD COLUMN Extra TEXT", nullptr, nullptr, nullptr);
        else if (kind == QLatin1String("trigger"))
            sqlite3_exec(db, "CREATE TRIGGER t AFTER INSERT ON Ohje BEGIN DELETE FROM Ohje; END", nullptr, nullptr,
                         nullptr);
        sqlite3_close(db);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        if (kind == QLatin1String("damaged"))
            bytes.truncate(bytes.size() - 1000);
        find(table + QStringLiteral(".db")).data = bytes;
    } else if (kind == QLatin1String("counts")) {
        Entry &manifest = find(QStringLiteral("manifest.json"));
        QJsonObject object = QJsonDocument::fromJson(manifest.data).object();
        object.insert(QStringLiteral("recipes"), 9999);
        manifest.data = QJsonDocument(object).toJson();
    } else if (kind == QLatin1String("nomanifest"))
        entries.removeIf([](const Entry &e) { return e.name == QLatin1String("manifest.json"); });
    if (reseal)
        resealManifest(entries);
    const QString hostile = home.path() + QStringLiteral("/hostile.zip");
    if (kind == QLatin1String("garbage")) {
        QFile f(hostile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'z'));
    } else {
        writeZip(hostile, entries, claimed);
    }

    const QMap<QString, QByteArray> before = folderHashes(data);
    BookRestore restore(data, hostile);
    try {
        restore.check();
        QFAIL("the backup was accepted");
    } catch (const BackupRefused &e) {
        error = e.message();
    }
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("hostile.zip cannot be restored")), qPrintable(error));
    QCOMPARE(folderHashes(data), before);
    QCOMPARE(siblingsLike(data, QStringLiteral("Data.restoring-*")), QStringList());
    QVERIFY(!QFileInfo::exists(home.path() + QStringLiteral("/escaped.jpg")));
}

void TestBookBackup::fullDiskLeavesNoBackupAndTheOldBook()
{
    // The backup goes onto a file system with too little room.
    QTemporaryDir home;
    fillBook(home.path());
    const QString data = home.path() + QStringLiteral("/Data");
    {
        // A picture that no compression makes smaller.
        QByteArray bytes(1536 * 1024, Qt::Uninitialized);
        for (char &c : bytes)
            c = char(QRandomGenerator::global()->bounded(256));
        QFile big(data + QStringLiteral("/Pics/Big.jpg"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(bytes);
    }
    TmpfsMount small(400);
    REQUIRE_MOUNT(small);
    QString error;
    const QString target = small.path() + QStringLiteral("/Mealdeck.zip");
    error = storeFailure([&] { BookBackup::writeBackup(data, target); });
    QVERIFY2(error.contains(QStringLiteral("space")), qPrintable(error));
    QCOMPARE(QDir(small.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // A restore into a book on a full file system leaves the old book as it was.
    const QString file = home.path() + QStringLiteral("/big.zip");
    QVERIFY_THROWS_NO_EXCEPTION(BookBackup::writeBackup(data, file));
    TmpfsMount mount(1024);
    QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(mount.path(), true));
    const QString smallBook = mount.path() + QStringLiteral("/Data");
    const QMap<QString, QByteArray> before = folderHashes(smallBook);
    BookRestore restore(smallBook, file);
    error = storeFailure([&] { restore.check(); });
    QVERIFY2(error.contains(QStringLiteral("space")), qPrintable(error));
    QCOMPARE(folderHashes(smallBook), before);
    QCOMPARE(siblingsLike(smallBook, QStringLiteral("Data.*")), QStringList());
}

void TestBookBackup::killDuringBackupAndRestore()
{
    QTemporaryDir home;
    // Two books, A and B, with different recipes and pictures.
    QDir(home.path()).mkdir(QStringLiteral("a"));
    QDir(home.path()).mkdir(QStringLiteral("b"));
    fillBook(home.path() + QStringLiteral("/a"));
    fillBook(home.path() + QStringLiteral("/b"));
    const QString dataA = home.path() + QStringLiteral("/a/Data");
    const QString dataB = home.path() + QStringLiteral("/b/Data");
    {
        auto recipes = StoreFixture::openIn(dataB, QStringLiteral("Ohje"));
        for (int i = 0; i < 200; ++i)
            addRow(*recipes, QStringLiteral("B recipe %1").arg(i), QStringLiteral("B sub"));
        recipes->apply();
    }
    QFile::remove(dataB + QStringLiteral("/Pics/Picture 3.jpg"));
    QString error;
    const QString fileA = home.path() + QStringLiteral("/a.zip");
    const QString fileB = home.path() + QStringLiteral("/b.zip");
    QVERIFY_THROWS_NO_EXCEPTION(BookBackup::writeBackup(dataA, fileA));
    QVERIFY_THROWS_NO_EXCEPTION(BookBackup::writeBackup(dataB, fileB));
    const QMap<QString, QByteArray> bookA = folderHashes(dataA);
    const QMap<QString, QByteArray> bookB = folderHashes(dataB);
    const QString outputs = home.path() + QStringLiteral("/out");
    QDir().mkpath(outputs);

    int restores = 0;
    int backups = 0;
    for (int round = 0; round < 6; ++round) {
        const bool restoring = round % 2 == 0;
        QProcess child;
        child.setProgram(QStringLiteral(MEALDECK_BACKUP_CHILD));
        child.setArguments(restoring ? QStringList {QStringLiteral("restore"), dataA, fileA, fileB}
                                     : QStringList {QStringLiteral("backup"), dataA, outputs});
        child.start();
        QVERIFY(child.waitForStarted(5000));
        // One operation is let finish, then the kill lands at a random moment
        // of the following ones, however slow the machine is.
        QElapsedTimer clock;
        clock.start();
        QByteArray output;
        while (child.state() == QProcess::Running && !output.contains("done") && clock.elapsed() < 120000) {
            child.waitForReadyRead(50);
            output += child.readAllStandardOutput();
        }
        const quint32 firstTook = quint32(std::max<qint64>(clock.elapsed(), 100));
        QTest::qWait(int(QRandomGenerator::global()->bounded(firstTook)));
        const qint64 pid = child.processId();
        if (child.state() == QProcess::Running && pid > 0)
            ::kill(pid_t(pid), SIGKILL);
        QVERIFY(child.waitForFinished(5000));
        output += child.readAllStandardOutput();
        const QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
        (restoring ? restores : backups) += int(lines.filter(QStringLiteral("done")).size());

        // Data is wholly one of the two books, and opens.
        const QMap<QString, QByteArray> now = folderHashes(dataA);
        QVERIFY2(now == bookA || now == bookB, qPrintable(QStringList(now.keys()).join(QLatin1Char(','))));
        for (const char *table : {"Paaryhma", "Alaryhma", "Ohje"})
            QCOMPARE(queryFile(dataA + QLatin1Char('/') + QLatin1String(table) + QStringLiteral(".db"),
                               QStringLiteral("PRAGMA integrity_check")),
                     QStringList {"ok"});
        // Every backup with its final name is whole.
        for (const QString &name : QDir(outputs).entryList({QStringLiteral("*.zip")}, QDir::Files)) {
            QTemporaryDir unpacked;
            QVERIFY_THROWS_NO_EXCEPTION(BookBackup::unpackBackup(outputs + QLatin1Char('/') + name, unpacked.path()));
            QFile::remove(outputs + QLatin1Char('/') + name);
        }
    }
    qInfo("%d restores and %d backups finished between the kills", restores, backups);
    QVERIFY2(restores > 0 && backups > 0,
             qPrintable(QStringLiteral("%1 restores, %2 backups").arg(restores).arg(backups)));
}

void TestBookBackup::commandLine()
{
    QTemporaryDir home;
    fillBook(home.path());
    const QString data = home.path() + QStringLiteral("/Data");
    QByteArray output;
    QCOMPARE(runTool({QStringLiteral("backup"), home.path(), home.path()}, {}, &output), 0);
    const QString file = home.path() + QLatin1Char('/') + BookBackup::defaultFileName(QDate::currentDate());
    QVERIFY2(QFileInfo(file).isFile(), output.constData());
    // An existing file is not overwritten.
    QCOMPARE(runTool({QStringLiteral("backup"), home.path(), file}, {}, &output), 2);

    const QMap<QString, QByteArray> before = folderHashes(data);
    QCOMPARE(runTool({QStringLiteral("restore"), home.path(), file}, "n\n", &output), 1);
    QVERIFY2(output.contains("Nothing was changed."), output.constData());
    {
        // While the program holds the book, the restore is refused.
        QLockFile lock(data + QStringLiteral("/Mealdeck.lock"));
        QVERIFY(lock.tryLock(0));
        QCOMPARE(runTool({QStringLiteral("restore"), home.path(), file, QStringLiteral("--yes")}, {}, &output), 2);
        QVERIFY2(output.contains("is open in Saffrona's Mealdeck"), output.constData());
    }
    QCOMPARE(folderHashes(data), before);
    QCOMPARE(runTool({QStringLiteral("restore"), home.path(), file, QStringLiteral("--yes")}, {}, &output), 0);
    QVERIFY2(output.contains("The replaced book is kept in"), output.constData());
    QCOMPARE(folderHashes(data), before);
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("/Mealdeck.lock")));
    QCOMPARE(siblingsLike(data, QStringLiteral("Data.before-restore-*")).size(), 1);
}

void TestBookBackup::restoreThroughALinkReplacesTheFolderItPointsTo()
{
    // The book lives in a synced folder; Data beside the program is a link to it.
    QTemporaryDir home;
    const QString synced = home.path() + QStringLiteral("/Synced");
    QVERIFY(QDir().mkpath(synced));
    fillBook(synced);
    const QString folder = synced + QStringLiteral("/Data");
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                              | QFile::ExeGroup));
    const QString data = home.path() + QStringLiteral("/Data");
    QVERIFY(QFile::link(folder, data));
    const QString file = home.path() + QStringLiteral("/b.zip");
    QString error;
    QVERIFY_THROWS_NO_EXCEPTION(BookBackup::writeBackup(data, file));
    const QMap<QString, QByteArray> before = folderHashes(folder);
    QFile::remove(folder + QStringLiteral("/Pics/Picture 0.jpg"));
    const QMap<QString, QByteArray> changed = folderHashes(folder);

    BookRestore restore(data, file);
    QVERIFY_THROWS_NO_EXCEPTION(restore.check());
    QVERIFY_THROWS_NO_EXCEPTION(restore.replace());
    QVERIFY(QFileInfo(data).isSymLink());
    QCOMPARE(QFileInfo(data).symLinkTarget(), folder);
    QCOMPARE(folderHashes(folder), before);
    QCOMPARE(QFileInfo(folder).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                           | QFile::ReadGroup | QFile::ExeGroup);
    // The replaced book is kept beside the folder, in the synced folder.
    QCOMPARE(QFileInfo(restore.keptAs()).absolutePath(), synced);
    QCOMPARE(folderHashes(restore.keptAs()), changed);
    QCOMPARE(siblingsLike(folder, QStringLiteral("Data.restoring-*")), QStringList());
    QCOMPARE(siblingsLike(data, QStringLiteral("Data.*")), QStringList());
}

void TestBookBackup::automaticBackupsKeepSevenDaysApartFromThoseBeforeChanges()
{
    QTemporaryDir home;
    fillBook(home.path());
    const QString data = home.path() + QStringLiteral("/Data");
    const QString folder = BookBackup::backupsFolder(data);
    QDir().mkpath(folder);
    // Files dated `secondsAgo` in the past, as if made or changed then.
    auto age = [](const QString &path, qint64 secondsAgo) {
        const QDateTime then = QDateTime::currentDateTime().addSecs(-secondsAgo);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(then, QFileDevice::FileModificationTime));
    };
    auto ageBook = [&] {
        QDirIterator it(data, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            age(it.next(), 3600);
        for (const QString &dir : {data + QStringLiteral("/Pics"), data + QStringLiteral("/Pics/.trash")})
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(dir).constData(),
                                std::array<timespec, 2>{timespec{0, UTIME_OMIT}, timespec{std::time(nullptr) - 3600, 0}}
                                    .data(),
                                0)
                    == 0);
    };
    QStringList daily;
    for (int day = 1; day <= 8; ++day) {
        daily << QStringLiteral("Mealdeck-2020-01-0%1-120000.zip").arg(day);
        age(folder + QLatin1Char('/') + daily.last(), 1800);
    }
    ageBook();
    QVERIFY(!BookBackup::automaticBackupDue(data)); // nothing changed since

    // A day of imports keeps three backups of its own and evicts no daily one.
    QStringList before;
    QString error;
    for (int i = 0; i < 5; ++i) {
        QVERIFY_THROWS_NO_EXCEPTION(
            before << BookBackup::makeAutomaticBackup(data, {}, QString(), BookBackup::Automatic::BeforeImport));
        QVERIFY(QFileInfo(before.last()).fileName().startsWith(QLatin1String("Mealdeck-before-import-")));
    }
    QVERIFY(!BookBackup::automaticBackupDue(data));
    QStringList expected = daily;
    for (int i = 2; i < 5; ++i)
        expected << QFileInfo(before.at(i)).fileName();
    expected.sort();
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name).mid(8).join(QLatin1Char(' ')), expected.mid(8).join(QLatin1Char(' ')));

    // The day's typing after the import makes the daily backup due.
    {
        auto recipes = StoreFixture::openIn(data, QStringLiteral("Ohje"));
        addRow(*recipes, QStringLiteral("Typed after the import"), QStringLiteral("Soups"));
        recipes->apply();
    }
    QVERIFY(BookBackup::automaticBackupDue(data));
    // A change in the last two seconds before a backup counts as one made
    // after it (file times may be that coarse): the backup comes later.
    QTest::qWait(2100);
    QString first;
    QVERIFY_THROWS_NO_EXCEPTION(first = BookBackup::makeAutomaticBackup(data));
    QVERIFY(!BookBackup::automaticBackupDue(data));
    // A new picture later that day: due again, and its backup replaces the day's first.
    QFile(data + QStringLiteral("/Pics/Later.jpg")).open(QIODevice::WriteOnly);
    QVERIFY(BookBackup::automaticBackupDue(data));
    QString second;
    QVERIFY_THROWS_NO_EXCEPTION(second = BookBackup::makeAutomaticBackup(data));
    QVERIFY(!second.isEmpty() && second != first);
    expected.removeAll(daily.at(0)); // seven days are kept, today's included
    expected.removeAll(daily.at(1));
    expected << QFileInfo(second).fileName();
    expected.sort();
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), expected);
}

QTEST_GUILESS_MAIN(TestBookBackup)
#include "TestBookBackup.moc"
