#include "store/book/Book.h"
#include "store/StoreFixture.h"

#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormUusi.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "recipe/DBMemo.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/FormResepti.h"
#include "settings/SettingsStore.h"
#include "store/table/ProgramPaths.h"
#include "store/book/RecipeBook.h"
#include "support/BookFixture.h"
#include "support/TmpfsMount.h"
#include "support/XServer.h"

#include <QAction>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTest>

#include <csignal>
#include <cstdio>

// The book changed by someone else while the program has it open: a second
// copy of the program, another program writing the table files (here the
// sqlite3 tool), a sync tool renaming a new file over a table file, a disk
// that fills up in the middle of an operation.
namespace {

void answerName(const QString &name)
{
    Dialogs::queueResponse([name](QDialog *d) {
        auto *dialog = qobject_cast<TFormUusi *>(d);
        QVERIFY(dialog);
        dialog->EditUusi->setText(name);
        dialog->BitBtnOK->click();
    });
}

void selectRow(DataBoundList *list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    QVERIFY(index.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

QStringList listNames(DataBoundList *list)
{
    QStringList names;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        names.append(list->model()->index(i, 0).data().toString());
    return names;
}

// Another program changes a table file: the sqlite3 tool, a process of its own.
void otherProgram(const QString &file, const QString &sql)
{
    QProcess tool;
    // It waits, as a careful program would, while the window's index job reads.
    tool.start(QStringLiteral("sqlite3"), {QStringLiteral("-cmd"), QStringLiteral(".timeout 10000"), file, sql});
    QVERIFY2(tool.waitForFinished(10000), "sqlite3 did not finish");
    QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
}

QStringList messageTexts()
{
    QStringList texts;
    for (const Dialogs::Message &m : Dialogs::messages())
        texts << m.text;
    return texts;
}

} // namespace

class TestFaultOutsideChanges : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

    // Desserts: Cakes (Apple pie, Brownies); Soups without subgroups.
    void openBook()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Desserts"));
        book->addMainGroup(QStringLiteral("Soups"));
        book->addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Desserts"));
        book->addRecipe(QStringLiteral("Apple pie"), QStringLiteral("Cakes"));
        book->addRecipe(QStringLiteral("Brownies"), QStringLiteral("Cakes"));
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        w = BookFixture::createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        Dialogs::clearRecord();
    }

    QString table(const char *name) const { return book->dataFolder() + QLatin1Char('/') + QLatin1String(name) + ".db"; }

    void typeDifficulty(const QString &text)
    {
        w->DBEditAste()->clear();
        QTest::keyClicks(w->DBEditAste(), text);
    }

private Q_SLOTS:
    void cleanup()
    {
        book.reset();
        w = nullptr;
    }

    // Edits of rows that another program changed or deleted since they were
    // read: only the changed fields are written, a row changed in the same
    // field is not overwritten, a deleted one is stored again with the edit,
    // and nothing is added under a group that has gone.
    void otherProgramsChangesAreNotOverwritten()
    {
        openBook();
        const QString ohje = table("Ohje");
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        selectRow(w->DBLLBoxLista(), 1);

        // New ingredients saved elsewhere survive a difficulty edit here.
        otherProgram(ohje, QStringLiteral("UPDATE Ohje SET Aineet = '2 eggs' WHERE Nimi = 'Brownies'"));
        typeDifficulty(QStringLiteral("Easy"));
        selectRow(w->DBLLBoxLista(), 0);
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Aste")), QStringLiteral("Easy"));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Aineet")), QStringLiteral("2 eggs"));
        QVERIFY(Dialogs::messages().isEmpty());

        // The same field changed elsewhere: nothing is overwritten, the user
        // is told, the typing stays in the edit.
        selectRow(w->DBLLBoxLista(), 1);
        otherProgram(ohje, QStringLiteral("UPDATE Ohje SET Aste = 'Tricky' WHERE Nimi = 'Brownies'"));
        typeDifficulty(QStringLiteral("Simple"));
        selectRow(w->DBLLBoxLista(), 0);
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Aste")), QStringLiteral("Tricky"));
        QCOMPARE(Dialogs::messages().size(), 1);
        QVERIFY(Dialogs::messages().constFirst().text.contains(QLatin1String("Nothing was overwritten")));
        QCOMPARE(w->DBEditAste()->text(), QStringLiteral("Simple"));
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Brownies"));
        QCoreApplication::processEvents();
        Dialogs::clearRecord();

        // A recipe deleted elsewhere, with its subgroup, while its difficulty
        // is typed here comes back with the typing, under its subgroup.
        selectRow(w->DBLLBoxLista(), 0);
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Apple pie"));
        otherProgram(ohje, QStringLiteral("DELETE FROM Ohje WHERE Nimi = 'Apple pie'"));
        otherProgram(table("Alaryhma"), QStringLiteral("DELETE FROM Alaryhma WHERE Nimi = 'Cakes'"));
        typeDifficulty(QStringLiteral("Medium"));
        selectRow(w->DBLLBoxLista(), 1);
        QCOMPARE(book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Aste")), QStringLiteral("Medium"));
        QCOMPARE(book->storedNames(QStringLiteral("Alaryhma"), QStringLiteral("Desserts")), QStringList{"Cakes"});
        QCOMPARE(Dialogs::messages().size(), 1);
        QVERIFY(Dialogs::messages().constFirst().text.contains(QLatin1String("stored again")));
        QCOMPARE(listNames(w->DBLLBoxLista()), (QStringList{"Apple pie", "Brownies"}));
        Dialogs::clearRecord();

        // A subgroup added under a main group deleted elsewhere is refused.
        selectRow(w->DBLLBoxPaaryhma(), 1);
        otherProgram(table("Paaryhma"), QStringLiteral("DELETE FROM Paaryhma WHERE Nimi = 'Soups'"));
        answerName(QStringLiteral("Broths"));
        w->menuAction(QStringLiteral("MenuLisaaAla"))->trigger();
        QVERIFY(!book->storedNames(QStringLiteral("Alaryhma")).contains(QStringLiteral("Broths")));
        QVERIFY(messageTexts().join('\n').contains(QLatin1String("\"Soups\" was deleted by another program")));
        QCOMPARE(listNames(w->DBLLBoxPaaryhma()), QStringList{"Desserts"});
        QVERIFY(!w->book()->hasPendingChanges());
    }

    // A recipe deleted by another program while its ingredients are typed in
    // the recipe window comes back with them when the window is left; one
    // changed there keeps its change, and the typing stays in the window.
    void recipeWindowEditsOfAChangedRecipe()
    {
        openBook();
        const QString ohje = table("Ohje");
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        selectRow(w->DBLLBoxLista(), 1);
        w->menuAction(QStringLiteral("MenuNaytaResepti"))->trigger();
        TFormResepti *recipe = windows().FormResepti;
        QVERIFY(recipe->isVisible());
        auto saveYes = [] {
            Dialogs::queueResponse([](QDialog *d) {
                auto *question = qobject_cast<TFormMuuttunut *>(d);
                QVERIFY(question);
                question->BitBtn1()->click();
            });
        };

        QTest::keyClicks(recipe->Aineet(), QStringLiteral("3 eggs"));
        otherProgram(ohje, QStringLiteral("UPDATE Ohje SET Aineet = 'flour' WHERE Nimi = 'Brownies'"));
        saveYes();
        QTest::keyClick(recipe->Aineet(), Qt::Key_Escape);
        QVERIFY(recipe->isVisible());
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Aineet")), QStringLiteral("flour"));
        QCOMPARE(recipe->Aineet()->toPlainText(), QStringLiteral("3 eggs"));
        QVERIFY(messageTexts().join('\n').contains(QLatin1String("Nothing was overwritten")));
        Dialogs::clearRecord();

        otherProgram(ohje, QStringLiteral("DELETE FROM Ohje WHERE Nimi = 'Brownies'"));
        saveYes();
        QTest::keyClick(recipe->Aineet(), Qt::Key_Escape);
        QVERIFY(!recipe->isVisible());
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Aineet")), QStringLiteral("3 eggs"));
        QVERIFY(messageTexts().join('\n').contains(QLatin1String("stored again")));
        QCOMPARE(listNames(w->DBLLBoxLista()), (QStringList{"Apple pie", "Brownies"}));
    }

    // A sync tool renames a new table file over the old one while the book is
    // open: the book is opened again, the user is told once, and writes work.
    void replacedTableFileIsOpenedAgain()
    {
        openBook();
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        selectRow(w->DBLLBoxLista(), 1);

        const QString ohje = table("Ohje");
        const QString copy = book->dataFolder() + QStringLiteral("/.Ohje.db.sync");
        QVERIFY(QFile::copy(ohje, copy));
        otherProgram(copy, QStringLiteral("UPDATE Ohje SET Aika = '2 h' WHERE Nimi = 'Brownies'; "
                                          "INSERT INTO Ohje (Nimi, Ryhma) VALUES ('Fudge', 'Cakes')"));
        QCOMPARE(std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(ohje).constData()), 0);

        QTRY_COMPARE(Dialogs::messages().size(), 1);
        QVERIFY(Dialogs::messages().constFirst().text.contains(QLatin1String("changed outside the program")));
        QCOMPARE(listNames(w->DBLLBoxLista()), (QStringList{"Apple pie", "Brownies", "Fudge"}));
        QCOMPARE(w->DBEditAika()->text(), QStringLiteral("2 h"));

        typeDifficulty(QStringLiteral("Easy"));
        selectRow(w->DBLLBoxLista(), 2);
        QCOMPARE(queryFile(ohje, QStringLiteral("SELECT Aste || '/' || Aika FROM Ohje WHERE Nimi = 'Brownies'")),
                 QStringList{"Easy/2 h"});
        QTest::qWait(200);
        QCOMPARE(Dialogs::messages().size(), 1);
        QCOMPARE(Dialogs::messages().constFirst().kind, Dialogs::Message::Information);
    }

    // Disk full while a recipe is added: the user is told, and once there is
    // room again no later edit stores the half-added recipe.
    void failedAddLeavesNothingPending()
    {
        TmpfsMount mount(2048);
        REQUIRE_MOUNT(mount);
        QString error;
        QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(mount.path(), true));
        ProgramPaths::setProgramFolder(mount.path());
        BookFixture::clearSettings();
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        w = BookFixture::createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        const QStringList before = listNames(w->DBLLBoxLista());
        Dialogs::clearRecord();

        QVERIFY(mount.fill(0));
        answerName(QStringLiteral("Flan"));
        w->menuAction(QStringLiteral("MenuLisaaResepti"))->trigger();
        QCOMPARE(Dialogs::messages().size(), 1);
        QCOMPARE(Dialogs::messages().constFirst().kind, Dialogs::Message::Error);
        QCOMPARE(listNames(w->DBLLBoxLista()), before);
        QVERIFY(!w->book()->hasPendingChanges());

        mount.freeSpace();
        selectRow(w->DBLLBoxLista(), 0);
        typeDifficulty(QStringLiteral("Zesty"));
        selectRow(w->DBLLBoxLista(), 1);
        const QString ohje = mount.path() + QStringLiteral("/Data/Ohje.db");
        QCOMPARE(queryFile(ohje, QStringLiteral("SELECT count(*) FROM Ohje WHERE Nimi = 'Flan'")), QStringList{"0"});
        QCOMPARE(queryFile(ohje, QStringLiteral("SELECT count(*) FROM Ohje WHERE Aste = 'Zesty'")), QStringList{"1"});
        QCOMPARE(listNames(w->DBLLBoxLista()), before);

        // The disk fills while the new recipe's portion dialog stores its
        // values; the dialog is closed after the error: the recipe goes again.
        selectRow(w->DBLLBoxAlaryhma(), 0);
        Dialogs::clearRecord();
        answerName(QStringLiteral("Trifle"));
        Dialogs::queueResponse([&mount](QDialog *d) {
            auto *annos = qobject_cast<TFormAnnos *>(d);
            QVERIFY(annos);
            QVERIFY(mount.fill(0));
            annos->EditAnnos()->setText(QStringLiteral("4"));
            annos->BitBtnOK()->click();
            mount.freeSpace();
            annos->close();
        });
        w->menuAction(QStringLiteral("MenuLisaaResepti"))->trigger();
        QCOMPARE(Dialogs::messages().size(), 2);
        QCOMPARE(Dialogs::messages().constFirst().kind, Dialogs::Message::Error);
        QVERIFY(Dialogs::messages().constLast().text.contains(QLatin1String("\"Trifle\" was not added")));
        QCOMPARE(queryFile(ohje, QStringLiteral("SELECT count(*) FROM Ohje WHERE Nimi = 'Trifle'")), QStringList{"0"});
        QVERIFY(!w->book()->hasPendingChanges());
        QCOMPARE(listNames(w->DBLLBoxLista()), before);
        BookFixture::destroyWindows();
        w = nullptr;
    }

    // The real program started twice on one book: the second start brings
    // the first copy's window to the front and ends; a lock left by a killed
    // copy does not block a start; a copy that cannot be reached is named.
    void secondStartBringsTheFirstToFront()
    {
        XServer x(1280, 1024, true);
        REQUIRE_XSERVER(x);
        QTemporaryDir home;
        QString error;
        QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(home.path(), true));
        {
            SettingsKey key;
            QVERIFY(key.open());
            key.writeBool(QLatin1String(SettingNames::About), true);
        }
        QProcessEnvironment env = x.environment();
        env.remove(QStringLiteral("MEALDECK_TEST"));
        auto start = [&](QProcess &copy) {
            copy.setProcessEnvironment(env);
            copy.start(QStringLiteral(MEALDECK_PROGRAM), {QStringLiteral("--home"), home.path()});
            QVERIFY(copy.waitForStarted(10000));
        };
        auto mainWindow = [&](qint64 pid) {
            return x.run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                                                     QStringLiteral("--pid"), QString::number(pid),
                                                     QStringLiteral("--name"), QStringLiteral("Groups")})
                .trimmed();
        };
        auto hidden = [&](const QString &window) {
            return x.run(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_WM_STATE")})
                .contains(QLatin1String("_NET_WM_STATE_HIDDEN"));
        };

        QProcess first;
        start(first);
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = mainWindow(first.processId())).isEmpty(), 20000);
        x.run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), window});
        QTRY_VERIFY_WITH_TIMEOUT(hidden(window), 10000);

        QProcess second;
        start(second);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!hidden(window), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(x.run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).trimmed(),
                                  window, 10000);
        QCOMPARE(first.state(), QProcess::Running);

        // kill -9 leaves the lock file behind; the next start takes it over.
        const QString lockFile = home.path() + QStringLiteral("/Data/Mealdeck.lock");
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(10000));
        QVERIFY(QFile::exists(lockFile));
        QProcess third;
        start(third);
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow(third.processId()).isEmpty(), 20000);
        ::kill(pid_t(third.processId()), SIGKILL);
        QVERIFY(third.waitForFinished(10000));

        // The killed copy's process id now belongs to another program of the
        // same name: the lock is still taken over.
        QTemporaryDir other;
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), other.filePath(QStringLiteral("mealdeck"))));
        QProcess namesake;
        namesake.start(other.filePath(QStringLiteral("mealdeck")), {QStringLiteral("60")});
        QVERIFY(namesake.waitForStarted(10000));
        {
            QFile lock(lockFile);
            QVERIFY(lock.open(QIODevice::ReadOnly));
            QByteArray text = lock.readAll();
            text = QByteArray::number(namesake.processId()) + text.mid(text.indexOf('\n'));
            lock.close();
            QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
            lock.write(text);
        }
        QProcess fifth;
        start(fifth);
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow(fifth.processId()).isEmpty(), 20000);
        ::kill(pid_t(fifth.processId()), SIGKILL);
        QVERIFY(fifth.waitForFinished(10000));
        namesake.kill();
        namesake.waitForFinished(10000);

        // A lock of a copy on another computer sharing the folder, also
        // one that carries this computer's host name: the machine id tells.
        for (const QByteArray &host : {QByteArray("kitchen-laptop.example"), QSysInfo::machineHostName().toUtf8()}) {
            {
                QFile lock(lockFile);
                QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
                lock.write("4242\nmealdeck\n" + host + "\n0123456789abcdef0123456789abcdef\n");
            }
            QProcess fourth;
            start(fourth);
            QByteArray said;
            QTRY_VERIFY_WITH_TIMEOUT((said += fourth.readAllStandardError()).contains(QFile::encodeName(home.path() + "/Data")),
                                     20000);
            QVERIFY2(said.contains("on another computer, \"" + host + "\","), said.constData());
            QString box;
            QTRY_VERIFY_WITH_TIMEOUT(!(box = x.run(QStringLiteral("xdotool"), {QStringLiteral("search"),
                                                                             QStringLiteral("--onlyvisible"),
                                                                             QStringLiteral("--pid"),
                                                                             QString::number(fourth.processId())})
                                                 .trimmed())
                                          .isEmpty(),
                                     20000);
            QVERIFY(mainWindow(fourth.processId()).isEmpty());
            x.run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), box});
            x.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
            QVERIFY(fourth.waitForFinished(20000));
            QCOMPARE(fourth.exitCode(), 1);
        }
    }
};

QTEST_MAIN(TestFaultOutsideChanges)
#include "TestFaultOutsideChanges.moc"
