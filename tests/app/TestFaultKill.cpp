#include "store/StoreFixture.h"

#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormRyhmaPois.h"
#include "app/FormUusi.h"
#include "app/TableListModel.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormResepti.h"
#include "recipe/PortionScaling.h"
#include "store/table/JpegCodec.h"
#include "store/table/PicturePaths.h"
#include "store/table/ProgramPaths.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// kill -9 of a process in the middle of the operations that change several
// rows at once: renaming a main group (its subgroups follow), deleting a main
// group with everything under it, and a scaling pass. Afterwards every file
// passes PRAGMA integrity_check and each operation is wholly there or wholly
// absent. The test program is its own child: `--fault-child MODE DATAFOLDER`
// runs the operation over and over through the program's windows until killed.
namespace {

constexpr int Subgroups = 300;
constexpr int MainGroups = 40;
constexpr int SubgroupsEach = 3;
constexpr int RecipesEach = 4;

// Quantities written against their units, as a pass leaves them, so that
// scaling 4 -> 8 -> 4 gives the same text back.
QString ingredientsFor4()
{
    QStringList lines;
    for (int i = 1; i <= 80; ++i)
        lines << QStringLiteral("%1,5dl ingredient %2").arg(i % 9).arg(i);
    return lines.join(QLatin1Char('\n'));
}

QString scaledText(const QString &text, int from, int to)
{
    return PortionScaling::scaleIngredientLines(text.split(QLatin1Char('\n')), from, to).join(QLatin1Char('\n'));
}

void report(const char *what, long n)
{
    std::printf("%s %ld\n", what, n);
    std::fflush(stdout);
}

// ---- The child ------------------------------------------------------------------------------

// The child works the program's own windows on the book, answering their
// dialogs as a person would. Anything the windows report ends it with the
// message on stderr.
void checkNothingReported()
{
    const QList<Dialogs::Message> messages = Dialogs::messages();
    if (!messages.isEmpty()) {
        std::fprintf(stderr, "the window said: %s\n", qPrintable(messages.first().text));
        std::exit(1);
    }
}

void trigger(QAction *action)
{
    if (!action || !action->isEnabled()) {
        std::fprintf(stderr, "%s is not available\n", action ? qPrintable(action->objectName()) : "a command");
        std::exit(1);
    }
    action->trigger();
    checkNothingReported();
}

void clickFirstRow(DataBoundList *list)
{
    list->listModel()->ensureLoaded(0);
    const QModelIndex index = list->model()->index(0, 0);
    if (!index.isValid()) {
        std::fprintf(stderr, "%s is empty\n", qPrintable(list->objectName()));
        std::exit(1);
    }
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    checkNothingReported();
}

// Renames the first row of `list`, named <prefix><k>, to <prefix><k+1> with
// the menu command `menu`, over and over; `current` reads the selected name.
template<typename Current>
void renameOverAndOver(TFormPaa *w, DataBoundList *list, QChar prefix, Current current, const char *menu)
{
    long k = current().mid(1).toLong();
    report("ready", k);
    for (;; ++k) {
        clickFirstRow(list);
        const QString newName = prefix + QString::number(k + 1);
        Dialogs::queueResponse([newName](QDialog *d) {
            auto *dialog = static_cast<TFormUusi *>(d);
            dialog->EditUusi->setText(newName);
            dialog->BitBtnOK->click();
        });
        trigger(w->menuAction(QLatin1String(menu)));
        report("renamed", k + 1);
    }
}

// Renames the main group M<k> to M<k+1> with Change main group, over and over.
void renameForever(TFormPaa *w)
{
    clickFirstRow(w->DBLLBoxPaaryhma());
    renameOverAndOver(w, w->DBLLBoxPaaryhma(), QLatin1Char('M'), [w] { return w->state().CurrentMainGroup; },
                      "MenuMuutaPaa");
}

// Deletes the first main group, with its subgroups and their recipes, until
// none is left.
void cascadeForever(TFormPaa *w)
{
    report("ready", 0);
    for (long deleted = 0; w->DBLLBoxPaaryhma()->count() > 0;) {
        clickFirstRow(w->DBLLBoxPaaryhma());
        Dialogs::queueResponse([](QDialog *d) { static_cast<TFormRyhmaPois *>(d)->BitBtnOK->click(); });
        trigger(w->menuAction(QStringLiteral("MenuPoistaPaa")));
        report("deleted", ++deleted);
    }
    report("done", 0);
    for (;;)
        QTest::qSleep(1000);
}

// Opens the first recipe and scales it between 4 and 8 portions with
// Calculate portions, over and over.
void scaleForever(TFormPaa *w)
{
    clickFirstRow(w->DBLLBoxPaaryhma());
    clickFirstRow(w->DBLLBoxAlaryhma());
    clickFirstRow(w->DBLLBoxLista());
    w->MenuNaytaReseptiClick();
    checkNothingReported();
    TFormResepti *recipe = windows().FormResepti;
    report("ready", 0);
    for (long pass = 1;; ++pass) {
        const QString count = recipe->DBEditAnnos()->text() == QLatin1String("4") ? QStringLiteral("8") : QStringLiteral("4");
        Dialogs::queueResponse([count](QDialog *d) {
            auto *annos = static_cast<TFormAnnos *>(d);
            annos->EditAnnos()->setText(count);
            annos->BitBtnOK()->click();
        });
        trigger(recipe->action(QStringLiteral("MenuLaske")));
        if (recipe->DBEditAnnos()->text() != count) {
            std::fprintf(stderr, "the pass did not store %s portions\n", qPrintable(count));
            return;
        }
        report("scaled", pass);
    }
}

// Renames the recipe R<k>, which has a picture, to R<k+1> with Change recipe
// name, over and over.
void renamePictureForever(TFormPaa *w)
{
    clickFirstRow(w->DBLLBoxPaaryhma());
    clickFirstRow(w->DBLLBoxAlaryhma());
    clickFirstRow(w->DBLLBoxLista());
    renameOverAndOver(w, w->DBLLBoxLista(), QLatin1Char('R'), [w] { return w->state().CurrentRecipe; },
                      "MenuMuutaResepti");
}

int runChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const QString data = QString::fromLocal8Bit(argv[3]);
    Dialogs::setTestMode(true);
    ProgramPaths::setProgramFolder(QFileInfo(data).absolutePath());
    TFormPaa *w = BookFixture::createWindows();
    if (!w->tablesOpened()) {
        std::fprintf(stderr, "the tables did not open\n");
        return 1;
    }
    w->show();
    QApplication::processEvents();
    if (mode == QLatin1String("rename"))
        renameForever(w);
    else if (mode == QLatin1String("cascade"))
        cascadeForever(w);
    else if (mode == QLatin1String("scale"))
        scaleForever(w);
    else if (mode == QLatin1String("picture"))
        renamePictureForever(w);
    return 2;
}

// ---- The parent -----------------------------------------------------------------------------

// Runs the child on the book, kills it with SIGKILL at a random moment, and
// returns the last number it reported for `what`.
long runAndKill(const QString &mode, const QString &data, const char *what, int minMs, int maxMs)
{
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QStringLiteral("--fault-child"), mode, data});
    child.start();
    if (!child.waitForStarted(5000))
        qFatal("the child did not start");
    // Once the child has finished one operation (so that every round shows
    // progress, also on a slow sanitizer build), the kill falls at a random
    // point of the ones that follow.
    QByteArray out;
    while (!out.contains(QByteArray(what) + ' ') && child.waitForReadyRead(10000))
        out += child.readAllStandardOutput();
    QTest::qWait(minMs + int(QRandomGenerator::global()->bounded(maxMs - minMs)));
    const qint64 pid = child.processId();
    if (child.state() == QProcess::Running && pid > 0)
        ::kill(pid_t(pid), SIGKILL);
    child.waitForFinished(5000);
    out += child.readAllStandardOutput();
    const QByteArray errors = child.readAllStandardError();
    if (!errors.isEmpty())
        qWarning("child: %s", errors.constData());
    long last = 0;
    const QString text = QString::fromUtf8(out);
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!text.endsWith(QLatin1Char('\n')) && !lines.isEmpty())
        lines.removeLast(); // cut by the kill
    for (const QString &line : std::as_const(lines)) {
        if (line.startsWith(QLatin1String(what)))
            last = line.section(QLatin1Char(' '), 1).toLong();
    }
    return last;
}

// Opens the book as the program does (a hot journal is rolled back), then
// checks every file with a connection of its own.
void reopenAndCheck(const StoreFixture &book)
{
    {
        auto a = book.open(QStringLiteral("Paaryhma"));
        auto b = book.open(QStringLiteral("Alaryhma"));
        auto c = book.open(QStringLiteral("Ohje"));
    }
    for (const char *table : {"Paaryhma", "Alaryhma", "Ohje"})
        QCOMPARE(queryFile(book.file(QString::fromLatin1(table)), QStringLiteral("PRAGMA integrity_check")),
                 QStringList{"ok"});
}

QStringList column(const StoreFixture &book, const char *table, const char *sql)
{
    return queryFile(book.file(QString::fromLatin1(table)), QString::fromLatin1(sql));
}

} // namespace

class TestFaultKill : public QObject
{
    Q_OBJECT

private slots:
    void renameWithChildren();
    void cascadeDelete();
    void scalingPass();
    void renameWithPicture();
};

void TestFaultKill::renameWithChildren()
{
    StoreFixture book;
    {
        auto groups = book.open(QStringLiteral("Paaryhma"));
        addRow(*groups, QStringLiteral("M0"));
        groups->apply();
        auto subgroups = book.open(QStringLiteral("Alaryhma"));
        for (int i = 0; i < Subgroups; ++i)
            addRow(*subgroups, QStringLiteral("S%1").arg(i), QStringLiteral("M0"));
        subgroups->apply();
    }
    long total = 0;
    for (int round = 0; round < 6; ++round) {
        const long before = column(book, "Paaryhma", "SELECT Nimi FROM Paaryhma").value(0).mid(1).toLong();
        const long last = qMax(before, runAndKill(QStringLiteral("rename"), book.data, "renamed", 20, 400));
        reopenAndCheck(book);
        if (QTest::currentTestFailed())
            return;
        const QStringList names = column(book, "Paaryhma", "SELECT Nimi FROM Paaryhma");
        QCOMPARE(names.size(), 1);
        const long now = names.first().mid(1).toLong();
        QVERIFY2(now == last || now == last + 1, qPrintable(QStringLiteral("M%1 after M%2").arg(now).arg(last)));
        // Every subgroup follows the name that is there, none the other.
        const QStringList parents = column(book, "Alaryhma", "SELECT DISTINCT Ryhma FROM Alaryhma");
        QCOMPARE(parents, QStringList{names.first()});
        QCOMPARE(column(book, "Alaryhma", "SELECT count(*) FROM Alaryhma"), QStringList{QString::number(Subgroups)});
        total += now - before;
    }
    qInfo("%ld renames committed between the kills", total);
    QVERIFY2(total > 0, "the child never finished a rename");
}

void TestFaultKill::cascadeDelete()
{
    StoreFixture book;
    const QString longText = QStringLiteral("2 dl water\n").repeated(200);
    {
        auto groups = book.open(QStringLiteral("Paaryhma"));
        auto subgroups = book.open(QStringLiteral("Alaryhma"));
        auto recipes = book.open(QStringLiteral("Ohje"));
        for (int g = 0; g < MainGroups; ++g) {
            addRow(*groups, QStringLiteral("G%1").arg(g));
            for (int s = 0; s < SubgroupsEach; ++s) {
                const QString sub = QStringLiteral("G%1S%2").arg(g).arg(s);
                addRow(*subgroups, sub, QStringLiteral("G%1").arg(g));
                for (int r = 0; r < RecipesEach; ++r) {
                    recipes->append();
                    recipes->setFieldText(QStringLiteral("Nimi"), sub + QStringLiteral("R%1").arg(r));
                    recipes->setFieldText(QStringLiteral("Ryhma"), sub);
                    recipes->setFieldText(QStringLiteral("Aineet"), longText);
                    recipes->post();
                }
            }
        }
        groups->apply();
        subgroups->apply();
        recipes->apply();
    }
    long deletedSoFar = 0;
    for (int round = 0; round < 6; ++round) {
        const long last = deletedSoFar + runAndKill(QStringLiteral("cascade"), book.data, "deleted", 20, 300);
        reopenAndCheck(book);
        if (QTest::currentTestFailed())
            return;
        const QStringList groups = column(book, "Paaryhma", "SELECT Nimi FROM Paaryhma ORDER BY id");
        const long deleted = MainGroups - groups.size();
        QVERIFY2(deleted == last || deleted == last + 1,
                 qPrintable(QStringLiteral("%1 deleted after %2 reported").arg(deleted).arg(last)));
        // The main groups still there are the last ones, each with all of its
        // subgroups and recipes; nothing of a deleted one is left.
        for (int g = 0; g < MainGroups; ++g) {
            const bool present = g >= deleted;
            QCOMPARE(groups.contains(QStringLiteral("G%1").arg(g)), present);
        }
        QCOMPARE(column(book, "Alaryhma", "SELECT count(*) FROM Alaryhma"),
                 QStringList{QString::number((MainGroups - deleted) * SubgroupsEach)});
        QCOMPARE(column(book, "Ohje", "SELECT count(*) FROM Ohje"),
                 QStringList{QString::number((MainGroups - deleted) * SubgroupsEach * RecipesEach)});
        const QStringList orphans = queryFile(
            book.file(QStringLiteral("Ohje")),
            QStringLiteral("SELECT Nimi FROM Ohje WHERE CAST(substr(Ryhma, 2, instr(Ryhma, 'S') - 2) AS INTEGER) < %1")
                .arg(deleted));
        QCOMPARE(orphans, QStringList());
        QCOMPARE(column(book, "Ohje", "SELECT count(*) FROM Ohje WHERE length(Aineet) <> 2200"), QStringList{"0"});
        deletedSoFar = deleted;
        if (deleted == MainGroups)
            break;
    }
    qInfo("%ld cascade deletes committed between the kills", deletedSoFar);
    QVERIFY2(deletedSoFar > 0, "the child never finished a delete");
}

void TestFaultKill::scalingPass()
{
    StoreFixture book;
    const QString for4 = ingredientsFor4();
    const QString for8 = scaledText(for4, 4, 8);
    QVERIFY(for8 != for4);
    QCOMPARE(scaledText(for8, 8, 4), for4);
    {
        auto groups = book.open(QStringLiteral("Paaryhma"));
        addRow(*groups, QStringLiteral("Everyday"));
        groups->apply();
        auto subgroups = book.open(QStringLiteral("Alaryhma"));
        addRow(*subgroups, QStringLiteral("Soups"), QStringLiteral("Everyday"));
        subgroups->apply();
        auto recipes = book.open(QStringLiteral("Ohje"));
        recipes->append();
        recipes->setFieldText(QStringLiteral("Nimi"), QStringLiteral("Soup"));
        recipes->setFieldText(QStringLiteral("Ryhma"), QStringLiteral("Soups"));
        recipes->setFieldText(QStringLiteral("Aineet"), for4);
        recipes->setFieldInt(QStringLiteral("Annos"), 4);
        recipes->post();
        recipes->apply();
    }
    long total = 0;
    for (int round = 0; round < 6; ++round) {
        total += runAndKill(QStringLiteral("scale"), book.data, "scaled", 20, 400);
        reopenAndCheck(book);
        if (QTest::currentTestFailed())
            return;
        const QStringList rows = column(book, "Ohje", "SELECT Annos || '|' || Aineet FROM Ohje");
        QCOMPARE(rows.size(), 1);
        const QString count = rows.first().section(QLatin1Char('|'), 0, 0);
        const QString text = rows.first().section(QLatin1Char('|'), 1);
        // The pass is there with its count, or not there at all.
        QVERIFY2(count == QLatin1String("4") || count == QLatin1String("8"), qPrintable(count));
        QCOMPARE(text, count == QLatin1String("4") ? for4 : for8);
    }
    qInfo("%ld scaling passes committed between the kills", total);
    QVERIFY2(total > 0, "the child never finished a pass");
}

void TestFaultKill::renameWithPicture()
{
    StoreFixture book;
    ProgramPaths::setProgramFolder(QFileInfo(book.data).absolutePath());
    {
        auto groups = book.open(QStringLiteral("Paaryhma"));
        addRow(*groups, QStringLiteral("Everyday"));
        groups->apply();
        auto subgroups = book.open(QStringLiteral("Alaryhma"));
        addRow(*subgroups, QStringLiteral("Soups"), QStringLiteral("Everyday"));
        subgroups->apply();
        auto recipes = book.open(QStringLiteral("Ohje"));
        addRow(*recipes, QStringLiteral("R0"), QStringLiteral("Soups"));
        recipes->edit();
        recipes->setFieldBool(QStringLiteral("Kuva"), true);
        recipes->apply();
    }
    QImage picture(169, 169, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QVERIFY_THROWS_NO_EXCEPTION(JpegCodec::encodeFile(picture, PicturePaths::pictureFile(QStringLiteral("R0"))));

    long total = 0;
    for (int round = 0; round < 6; ++round) {
        const long before = column(book, "Ohje", "SELECT Nimi FROM Ohje").value(0).mid(1).toLong();
        const long last = qMax(before, runAndKill(QStringLiteral("picture"), book.data, "renamed", 20, 400));
        reopenAndCheck(book);
        if (QTest::currentTestFailed())
            return;
        const QStringList names = column(book, "Ohje", "SELECT Nimi FROM Ohje");
        QCOMPARE(names.size(), 1);
        const long now = names.first().mid(1).toLong();
        QVERIFY2(now == last || now == last + 1, qPrintable(QStringLiteral("R%1 after R%2").arg(now).arg(last)));
        // Whatever name is stored, its picture is there, whole.
        QCOMPARE(column(book, "Ohje", "SELECT Kuva FROM Ohje"), QStringList{"1"});
        QImage stored;
        QVERIFY_THROWS_NO_EXCEPTION(stored = JpegCodec::decodeFile(PicturePaths::pictureFile(names.first())));
        QCOMPARE(stored.size(), QSize(169, 169));
        total += now - before;
    }
    const QStringList left = QDir(ProgramPaths::picsFolder()).entryList(QDir::Files | QDir::Hidden);
    qInfo("%ld renames committed between the kills; files left in Pics: %s", total, qPrintable(left.join(", ")));
    QVERIFY2(total > 0, "the child never finished a rename");
}

int main(int argc, char *argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "--fault-child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestFaultKill test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestFaultKill.moc"
