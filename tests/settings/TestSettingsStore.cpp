#include "settings/SettingsStore.h"
#include "store/table/ProgramError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The values stored under the program's key, straight from the file.
QJsonObject storedValues()
{
    return QJsonDocument::fromJson(readAll(SettingsStore::filePath())).object().value("Software\\Mealdeck").toObject();
}

QByteArray storeWith(const QByteArray &valuesJson)
{
    return "{\"Software\\\\Mealdeck\": {" + valuesJson + "}}";
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void filePathFollowsXdg_data();
    void filePathFollowsXdg();
    void openCreatesKey();
    void openWithoutCreateLeavesStoreAlone();
    void missingValueDiffersFromStoredFalse();
    void roundTrip_data();
    void roundTrip();
    void anyNonZeroFlagReadsTrue_data();
    void anyNonZeroFlagReadsTrue();
    void wrongKindFails_data();
    void wrongKindFails();
    void missingValues();
    void otherKeysAndValuesSurviveWrites();
    void twoKeysOpenAtOnceKeepBothWrites();
    void writesLeaveNoTemporaryFiles();
    void unparsableFileIsKeptAside_data();
    void unparsableFileIsKeptAside();
    void unwritableStoreFailsOpen();
    void failedWriteThrowsAndKeepsFile();
    void restoreSecurityQueriesCreatesNothing();
    void restoreSecurityQueriesClearsEverySwitch();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_savedConfig;
};

void TestSettingsStore::init()
{
    m_savedConfig = qgetenv("XDG_CONFIG_HOME");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
}

void TestSettingsStore::cleanup()
{
    qputenv("XDG_CONFIG_HOME", m_savedConfig);
    m_dir.reset();
}

void TestSettingsStore::filePathFollowsXdg_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("expected");
    QTest::addRow("absolute") << QByteArray("/tmp/cfg") << "/tmp/cfg/Mealdeck/registry.json";
    QTest::addRow("empty") << QByteArray() << QDir::homePath() + "/.config/Mealdeck/registry.json";
    QTest::addRow("relative ignored") << QByteArray("cfg") << QDir::homePath() + "/.config/Mealdeck/registry.json";
}

void TestSettingsStore::filePathFollowsXdg()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, expected);
    qputenv("XDG_CONFIG_HOME", config);
    QCOMPARE(SettingsStore::filePath(), expected);
}

void TestSettingsStore::openCreatesKey()
{
    QVERIFY(!QFile::exists(SettingsStore::filePath()));
    SettingsKey key;
    QVERIFY(key.open());
    QVERIFY(key.isOpen());
    const QJsonObject root = QJsonDocument::fromJson(readAll(SettingsStore::filePath())).object();
    QVERIFY(root.contains("Software\\Mealdeck"));
    QVERIFY(root.value("Software\\Mealdeck").toObject().isEmpty());
}

void TestSettingsStore::openWithoutCreateLeavesStoreAlone()
{
    SettingsKey key;
    QVERIFY(!key.open(false));
    QVERIFY(!key.errorString().isEmpty());
    QVERIFY(!QFile::exists(SettingsStore::filePath()));
    QVERIFY(!key.valueExists("Koko"));
}

void TestSettingsStore::missingValueDiffersFromStoredFalse()
{
    SettingsKey key;
    QVERIFY(key.open());
    QVERIFY(!key.valueExists(SettingNames::Koko));
    key.writeBool(SettingNames::Koko, false);

    SettingsKey again;
    QVERIFY(again.open());
    QVERIFY(again.valueExists(SettingNames::Koko));
    QCOMPARE(again.readBool(SettingNames::Koko), false);
    QVERIFY(!again.valueExists(SettingNames::Auto));
    QCOMPARE(storedValues().value("Koko").toObject().value("data").toInt(-1), 0);
}

void TestSettingsStore::roundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addRow("flag true") << "flag" << QVariant(true);
    QTest::addRow("flag false") << "flag" << QVariant(false);
    QTest::addRow("integer navy") << "integer" << QVariant(0x800000);
    QTest::addRow("integer negative") << "integer" << QVariant(-25);
    QTest::addRow("integer min") << "integer" << QVariant(std::numeric_limits<int>::min());
    QTest::addRow("integer max") << "integer" << QVariant(std::numeric_limits<int>::max());
    QTest::addRow("text") << "text" << QVariant(QStringLiteral("MS Sans Serif"));
    QTest::addRow("text empty") << "text" << QVariant(QString());
    QTest::addRow("text awkward") << "text" << QVariant(QStringLiteral("Äiti's \"keittiö\" \\ 100% \n 🍲"));
}

void TestSettingsStore::roundTrip()
{
    QFETCH(QString, kind);
    QFETCH(QVariant, value);
    {
        SettingsKey key;
        QVERIFY(key.open());
        if (kind == "flag")
            key.writeBool("V", value.toBool());
        else if (kind == "integer")
            key.writeInteger("V", value.toInt());
        else
            key.writeString("V", value.toString());
    }
    SettingsKey key;
    QVERIFY(key.open());
    QVERIFY(key.valueExists("V"));
    if (kind == "flag")
        QCOMPARE(key.readBool("V"), value.toBool());
    else if (kind == "integer")
        QCOMPARE(key.readInteger("V"), value.toInt());
    else
        QCOMPARE(key.readString("V"), value.toString());
}

void TestSettingsStore::anyNonZeroFlagReadsTrue_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("expected");
    QTest::addRow("one") << QByteArray("{\"kind\":\"flag\",\"data\":1}") << true;
    QTest::addRow("five") << QByteArray("{\"kind\":\"flag\",\"data\":5}") << true;
    QTest::addRow("minus one") << QByteArray("{\"kind\":\"flag\",\"data\":-1}") << true;
    QTest::addRow("zero") << QByteArray("{\"kind\":\"flag\",\"data\":0}") << false;
    QTest::addRow("integer kind") << QByteArray("{\"kind\":\"integer\",\"data\":7}") << true;
}

void TestSettingsStore::anyNonZeroFlagReadsTrue()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, expected);
    writeFile(SettingsStore::filePath(), storeWith("\"Auto\":" + stored));
    SettingsKey key;
    QVERIFY(key.open());
    QCOMPARE(key.readBool("Auto"), expected);
}

void TestSettingsStore::wrongKindFails_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("readAs");
    QTest::addRow("text as flag") << QByteArray("{\"kind\":\"text\",\"data\":\"1\"}") << "flag";
    QTest::addRow("text as integer") << QByteArray("{\"kind\":\"text\",\"data\":\"200\"}") << "integer";
    QTest::addRow("flag as text") << QByteArray("{\"kind\":\"flag\",\"data\":1}") << "text";
    QTest::addRow("integer as text") << QByteArray("{\"kind\":\"integer\",\"data\":8}") << "text";
    QTest::addRow("unknown kind") << QByteArray("{\"kind\":\"binary\",\"data\":1}") << "integer";
    QTest::addRow("fraction") << QByteArray("{\"kind\":\"integer\",\"data\":1.5}") << "integer";
    QTest::addRow("beyond 32 bits") << QByteArray("{\"kind\":\"integer\",\"data\":4294967296}") << "integer";
    QTest::addRow("string data under flag") << QByteArray("{\"kind\":\"flag\",\"data\":\"yes\"}") << "flag";
    QTest::addRow("not an entry") << QByteArray("3") << "integer";
    QTest::addRow("number data under text") << QByteArray("{\"kind\":\"text\",\"data\":3}") << "text";
}

void TestSettingsStore::wrongKindFails()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, readAs);
    writeFile(SettingsStore::filePath(), storeWith("\"FontSize\":" + stored));
    SettingsKey key;
    QVERIFY(key.open());
    QVERIFY(key.valueExists("FontSize"));
    try {
        if (readAs == "flag")
            key.readBool("FontSize");
        else if (readAs == "integer")
            key.readInteger("FontSize");
        else
            key.readString("FontSize");
        QFAIL("no error");
    } catch (const ProgramError &e) {
        QCOMPARE(e.message(), QStringLiteral("Invalid data type for 'FontSize'"));
    }
}

void TestSettingsStore::missingValues()
{
    SettingsKey key;
    QVERIFY(key.open());
    QCOMPARE(key.readString(SettingNames::FontName), QString());
    QVERIFY_THROWS_EXCEPTION(ProgramError, key.readBool(SettingNames::About));
    QVERIFY_THROWS_EXCEPTION(ProgramError, key.readInteger(SettingNames::Lev));
    // Reading creates nothing.
    QVERIFY(storedValues().isEmpty());

    SettingsKey closed;
    QVERIFY_THROWS_EXCEPTION(ProgramError, closed.writeBool(SettingNames::About, true));
    QVERIFY(storedValues().isEmpty());
}

void TestSettingsStore::otherKeysAndValuesSurviveWrites()
{
    writeFile(SettingsStore::filePath(),
              "{\"Software\\\\Other\": {\"X\": {\"kind\":\"text\",\"data\":\"keep\"}},"
              " \"Software\\\\Mealdeck\": {\"Lev\": {\"kind\":\"integer\",\"data\":210},"
              " \"Odd\": {\"kind\":\"future\",\"data\":[1,2]}}}");
    SettingsKey key;
    QVERIFY(key.open());
    key.writeInteger(SettingNames::Kor, 297);
    const QJsonObject root = QJsonDocument::fromJson(readAll(SettingsStore::filePath())).object();
    QCOMPARE(root.value("Software\\Other").toObject().value("X").toObject().value("data").toString(), "keep");
    QCOMPARE(key.readInteger(SettingNames::Lev), 210);
    QCOMPARE(key.readInteger(SettingNames::Kor), 297);
    QVERIFY(storedValues().contains("Odd"));

    SettingsKey other("Software\\Other");
    QVERIFY(other.open(false));
    QCOMPARE(other.readString("X"), "keep");
    QVERIFY(!other.valueExists("Lev"));
}

void TestSettingsStore::twoKeysOpenAtOnceKeepBothWrites()
{
    SettingsKey first;
    SettingsKey second;
    QVERIFY(first.open());
    QVERIFY(second.open());
    first.writeBool(SettingNames::KysLop, true);
    second.writeInteger(SettingNames::FontSize, 12);
    first.writeString(SettingNames::FontName, "Arial");
    QVERIFY(second.readBool(SettingNames::KysLop));
    QCOMPARE(first.readInteger(SettingNames::FontSize), 12);
    QCOMPARE(second.readString(SettingNames::FontName), "Arial");
}

void TestSettingsStore::writesLeaveNoTemporaryFiles()
{
    SettingsKey key;
    QVERIFY(key.open());
    for (int i = 0; i < 5; ++i)
        key.writeInteger(SettingNames::Vasen, i);
    const QStringList entries = QDir(QFileInfo(SettingsStore::filePath()).absolutePath())
                                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(entries, QStringList{"registry.json"});
}

void TestSettingsStore::unparsableFileIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("garbage") << QByteArray("not json at all \x01\x02");
    QTest::addRow("empty") << QByteArray();
    QTest::addRow("truncated") << QByteArray("{\"Software\\\\Mealdeck\": {\"Koko\": {\"kind\":\"fl");
    QTest::addRow("array") << QByteArray("[1, 2, 3]");
    QTest::addRow("key not an object") << QByteArray("{\"Software\\\\Mealdeck\": 5}");
}

void TestSettingsStore::unparsableFileIsKeptAside()
{
    QFETCH(QByteArray, bytes);
    const QString path = SettingsStore::filePath();
    writeFile(path, bytes);

    SettingsKey key;
    QVERIFY(key.open());
    QVERIFY(!key.valueExists(SettingNames::Koko));
    key.writeBool(SettingNames::Koko, true);

    const QDir folder = QFileInfo(path).absoluteDir();
    const QStringList aside = folder.entryList({"registry.json.corrupt-*"}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readAll(folder.filePath(aside.first())), bytes);
    QVERIFY(key.readBool(SettingNames::Koko));

    // A second bad file is kept as well, beside the first.
    writeFile(path, bytes);
    QVERIFY(key.open());
    QCOMPARE(folder.entryList({"registry.json.corrupt-*"}, QDir::Files).size(), 2);
}

void TestSettingsStore::unwritableStoreFailsOpen()
{
    // The settings folder is taken by a plain file, so nothing can be written.
    writeFile(m_dir->filePath("Mealdeck"), "in the way");
    SettingsKey key;
    QVERIFY(!key.open());
    QVERIFY(!key.isOpen());
    QVERIFY(!key.errorString().isEmpty());
    QVERIFY(!key.valueExists(SettingNames::Koko));
    QVERIFY(!SettingsStore::restoreSecurityQueries());
    QCOMPARE(readAll(m_dir->filePath("Mealdeck")), QByteArray("in the way"));
}

void TestSettingsStore::failedWriteThrowsAndKeepsFile()
{
    SettingsKey key;
    QVERIFY(key.open());
    key.writeBool(SettingNames::KysLop, true);
    const QString path = SettingsStore::filePath();
    const QByteArray before = readAll(path);

    // The replacement file cannot be created when the target is a folder.
    QVERIFY(QFile::rename(path, path + ".moved"));
    QVERIFY(QDir().mkpath(path));
    QVERIFY(QFile::rename(path + ".moved", path + "/inside"));
    try {
        key.writeBool(SettingNames::KysLop, false);
        QFAIL("no error");
    } catch (const ProgramError &e) {
        QVERIFY2(e.message().startsWith("Failed to set data for 'KysLop'"), qPrintable(e.message()));
    }
    QCOMPARE(readAll(path + "/inside"), before);
}

void TestSettingsStore::restoreSecurityQueriesCreatesNothing()
{
    writeFile(SettingsStore::filePath(), storeWith("\"KysLop\": {\"kind\":\"flag\",\"data\":1}"));
    QVERIFY(SettingsStore::restoreSecurityQueries());
    const QJsonObject values = storedValues();
    QCOMPARE(values.keys(), QStringList{"KysLop"});
    QCOMPARE(values.value("KysLop").toObject().value("data").toInt(-1), 0);

    // On an empty store only the key appears.
    QVERIFY(QFile::remove(SettingsStore::filePath()));
    QVERIFY(SettingsStore::restoreSecurityQueries());
    QVERIFY(QFile::exists(SettingsStore::filePath()));
    QVERIFY(storedValues().isEmpty());
}

void TestSettingsStore::restoreSecurityQueriesClearsEverySwitch()
{
    const QStringList switches{"KuvMuu", "KysRyh", "KysResPoi", "KysKuvPoi", "KysLop", "Aines", "AnnosMuuttunut",
                               "KysOhMuu"};
    {
        SettingsKey key;
        QVERIFY(key.open());
        for (const QString &name : switches)
            key.writeBool(name, true);
        key.writeBool(SettingNames::Koko, true);
        key.writeBool(SettingNames::Auto, true);
        key.writeBool(SettingNames::About, true);
        key.writeInteger(SettingNames::FontSize, 14);
    }
    QVERIFY(SettingsStore::restoreSecurityQueries());
    SettingsKey key;
    QVERIFY(key.open());
    for (const QString &name : switches) {
        QVERIFY2(key.valueExists(name), qPrintable(name));
        QVERIFY2(!key.readBool(name), qPrintable(name));
    }
    QVERIFY(key.readBool(SettingNames::Koko));
    QVERIFY(key.readBool(SettingNames::Auto));
    QVERIFY(key.readBool(SettingNames::About));
    QCOMPARE(key.readInteger(SettingNames::FontSize), 14);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
