// Every command acts on the recipe or group the user sees, whatever typing,
// questions, failed saves or reloads came before it: the sequences a person
// runs with the mouse and the keyboard, read back from the stored book.
#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormRyhmaPois.h"
#include "app/FormUusi.h"
#include "app/Windows.h"
#include "platform/FileChooser.h"
#include "recipe/DBMemo.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/FormResepti.h"
#include "store/book/Book.h"
#include "store/table/PackTable.h"
#include "store/table/PicturePaths.h"
#include "store/StoreFixture.h"
#include "support/BookFixture.h"
#include "support/TmpfsMount.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace {

void selectRow(DataBoundList *list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    QVERIFY(index.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

QString selectedName(DataBoundList *list)
{
    return list->currentIndex().isValid() ? list->currentIndex().data().toString() : QString();
}

QStringList listNames(DataBoundList *list)
{
    QStringList names;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        names.append(list->model()->index(i, 0).data().toString());
    return names;
}

void typeAtEnd(QPlainTextEdit *memo, const QString &text)
{
    memo->setFocus();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, text);
}

// The save-changes question: Yes (BitBtn1) or No (BitBtn2).
void answerSave(bool yes, QString *asked = nullptr)
{
    Dialogs::queueResponse([yes, asked](QDialog *d) {
        auto *dialog = qobject_cast<TFormMuuttunut *>(d);
        QVERIFY2(dialog, qPrintable(d->objectName()));
        if (asked) {
            for (const QLabel *label : dialog->findChildren<QLabel *>())
                *asked += label->text() + QLatin1Char(' ');
        }
        (yes ? dialog->BitBtn1() : dialog->BitBtn2())->click();
    });
}

void answerName(const QString &name)
{
    Dialogs::queueResponse([name](QDialog *d) {
        auto *dialog = qobject_cast<TFormUusi *>(d);
        QVERIFY2(dialog, qPrintable(d->objectName()));
        dialog->EditUusi->setText(name);
        dialog->BitBtnOK->click();
    });
}

void answerDelete()
{
    Dialogs::queueResponse([](QDialog *d) {
        auto *dialog = qobject_cast<TFormRyhmaPois *>(d);
        QVERIFY2(dialog, qPrintable(d->objectName()));
        dialog->BitBtnOK->click();
    });
}

} // namespace

class TestAimedCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

    // Everyday Cooking: Soups (Creamy Potato Soup, Green Pea Soup, both with
    // pictures), Main Courses (Goulash); Baking: Bread (Rye bread), Cakes.
    void makeBook(BookFixture *fixture)
    {
        fixture->addMainGroup(QStringLiteral("Everyday Cooking"));
        fixture->addMainGroup(QStringLiteral("Baking"));
        fixture->addSubgroup(QStringLiteral("Soups"), QStringLiteral("Everyday Cooking"));
        fixture->addSubgroup(QStringLiteral("Main Courses"), QStringLiteral("Everyday Cooking"));
        fixture->addSubgroup(QStringLiteral("Bread"), QStringLiteral("Baking"));
        fixture->addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Baking"));
        fixture->addRecipe(QStringLiteral("Creamy Potato Soup"), QStringLiteral("Soups"), true,
                           QStringLiteral("Potatoes and cream."));
        fixture->addRecipe(QStringLiteral("Green Pea Soup"), QStringLiteral("Soups"), true,
                           QStringLiteral("Peas and mint."));
        fixture->addRecipe(QStringLiteral("Goulash"), QStringLiteral("Main Courses"));
        fixture->addRecipe(QStringLiteral("Rye bread"), QStringLiteral("Bread"));
    }

    void openWindow()
    {
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        w = BookFixture::createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        Dialogs::clearRecord();
    }

    // Everyday Cooking, Soups, Green Pea Soup, and a word typed at the end of
    // its description.
    void typeIntoGreenPeaSoup()
    {
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        selectRow(w->DBLLBoxLista(), 1);
        QCOMPARE(selectedName(w->DBLLBoxLista()), QStringLiteral("Green Pea Soup"));
        typeAtEnd(w->MemoKuvaus(), QStringLiteral(" Lovely"));
    }

    QString field(const QString &recipe, const char *name) const
    {
        return book->storedRecipeField(recipe, QLatin1String(name));
    }

private Q_SLOTS:
    void init()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        makeBook(book.get());
    }

    void cleanup()
    {
        BookFixture::destroyWindows();
        w = nullptr;
        book.reset();
        FileChooser::setAnswer({});
    }

    // Rename, delete and delete picture right after typing a description:
    // the question about the typing moves nothing; the command changes the
    // recipe it named.
    void commandsAfterTypingHitTheShownRecipe()
    {
        openWindow();
        typeIntoGreenPeaSoup();
        QString asked;
        answerSave(true, &asked);
        answerName(QStringLiteral("Pea Soup Deluxe"));
        w->menuAction(QStringLiteral("MenuMuutaResepti"))->trigger();
        QVERIFY2(asked.contains(QLatin1String("Green Pea Soup")), qPrintable(asked));
        QCOMPARE(book->storedNames(QStringLiteral("Ohje"), QStringLiteral("Soups")),
                 (QStringList{"Creamy Potato Soup", "Pea Soup Deluxe"}));
        QCOMPARE(field(QStringLiteral("Pea Soup Deluxe"), "Kuvaus"), QStringLiteral("Peas and mint. Lovely"));
        QCOMPARE(field(QStringLiteral("Creamy Potato Soup"), "Kuvaus"), QStringLiteral("Potatoes and cream."));
        QCOMPARE(selectedName(w->DBLLBoxLista()), QStringLiteral("Pea Soup Deluxe"));

        // Difficulty typed, then Delete Picture: the picture of the shown
        // recipe goes, the other keeps its own.
        typeAtEnd(w->MemoKuvaus(), QStringLiteral(" Again"));
        answerSave(true);
        Dialogs::queueResponse([](QDialog *d) { qobject_cast<TFormMuuttunut *>(d)->BitBtn1()->click(); });
        w->menuAction(QStringLiteral("MenuPoistaKuva"))->trigger();
        QCOMPARE(field(QStringLiteral("Pea Soup Deluxe"), "Kuva"), QStringLiteral("False"));
        QCOMPARE(field(QStringLiteral("Creamy Potato Soup"), "Kuva"), QStringLiteral("True"));
        QVERIFY(QFile::exists(book->picsFolder() + PicturePaths::pictureFileName(QStringLiteral("Creamy Potato Soup"))));
        QCOMPARE(field(QStringLiteral("Pea Soup Deluxe"), "Kuvaus"), QStringLiteral("Peas and mint. Lovely Again"));
        // The recipe whose picture went stays the selected one.
        QCOMPARE(selectedName(w->DBLLBoxLista()), QStringLiteral("Pea Soup Deluxe"));
        QCOMPARE(w->shownRecipeId(), w->DBLLBoxLista()->currentId());

        // Delete Recipe after typing: the recipe goes into the trash with the
        // typing, and no question about it comes afterwards.
        selectRow(w->DBLLBoxLista(), 1);
        typeAtEnd(w->MemoKuvaus(), QStringLiteral("!"));
        answerDelete();
        w->menuAction(QStringLiteral("MenuPoistaResepti"))->trigger();
        QCOMPARE(book->storedNames(QStringLiteral("Ohje"), QStringLiteral("Soups")),
                 QStringList{"Creamy Potato Soup"});
        QCOMPARE(field(QStringLiteral("Creamy Potato Soup"), "Kuvaus"), QStringLiteral("Potatoes and cream."));
        QCOMPARE(queryFile(book->dataFolder() + QStringLiteral("/Roskakori.db"),
                           QStringLiteral("SELECT Kuvaus FROM RoskaOhje")),
                 QStringList{"Peas and mint. Lovely Again!"});
        Dialogs::clearRecord();
        selectRow(w->DBLLBoxLista(), 0);
        QCOMPARE(Dialogs::shownDialogs(), QStringList());
    }

    // A deleted subgroup takes its recipes off the recipe list; Restore Last
    // Deletion (Ctrl+Z) brings both back, selected.
    void deletedSubgroupLeavesNoRecipeListed()
    {
        openWindow();
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 1);
        QCOMPARE(listNames(w->DBLLBoxLista()), QStringList{"Goulash"});
        answerDelete();
        w->menuAction(QStringLiteral("MenuPoistaAla"))->trigger();
        QCOMPARE(book->storedNames(QStringLiteral("Ohje"), QStringLiteral("Main Courses")), QStringList());
        QCOMPARE(listNames(w->DBLLBoxAlaryhma()), QStringList{"Soups"});
        QCOMPARE(listNames(w->DBLLBoxLista()), QStringList());
        w->findChild<QAction *>(QStringLiteral("MenuPeruPoisto"))->trigger();
        QCOMPARE(selectedName(w->DBLLBoxAlaryhma()), QStringLiteral("Main Courses"));
        QCOMPARE(listNames(w->DBLLBoxLista()), QStringList{"Goulash"});
    }

    // After a visit to the recipe window, a difficulty typed, then the
    // subgroup renamed: the typing is stored in its recipe, and no editor
    // stays on screen for a recipe that is no longer listed.
    void typingBeforeASubgroupRenameIsStoredInItsRecipe()
    {
        openWindow();
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        selectRow(w->DBLLBoxLista(), 1);
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Return);
        QVERIFY(windows().FormResepti->isVisible());
        windows().FormResepti->action(QStringLiteral("MenuTakaisin"))->trigger();
        QVERIFY(w->isVisible());
        w->DBEditAste()->clear();
        QTest::keyClicks(w->DBEditAste(), QStringLiteral("Tricky"));
        selectRow(w->DBLLBoxAlaryhma(), 0);
        answerName(QStringLiteral("Soups and Stews"));
        w->menuAction(QStringLiteral("MenuMuutaAla"))->trigger();
        QCOMPARE(book->storedNames(QStringLiteral("Ohje"), QStringLiteral("Soups and Stews")),
                 (QStringList{"Creamy Potato Soup", "Green Pea Soup"}));
        QCOMPARE(field(QStringLiteral("Green Pea Soup"), "Aste"), QStringLiteral("Tricky"));
        QCOMPARE(field(QStringLiteral("Creamy Potato Soup"), "Aste"), QString());
        QCOMPARE(listNames(w->DBLLBoxLista()), QStringList());
        QVERIFY(!w->MemoKuvaus()->isVisible());
        QVERIFY(!w->DBEditAste()->isVisible());
    }

    // An import, and another program's change that makes the book open again:
    // the three lists keep one consistent selection.
    void selectionSurvivesImportAndReopen()
    {
        const QString mmf = book->programFolder() + QStringLiteral("/in.mmf");
        {
            QFile file(mmf);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("MMMMM----- Recipe via Meal-Master (tm) v8.05\n      Title: Apple cake\n"
                       " Categories: Apples\n\nMMMMM\n");
        }
        openWindow();
        selectRow(w->DBLLBoxPaaryhma(), 1);
        selectRow(w->DBLLBoxAlaryhma(), 1);
        QCOMPARE(selectedName(w->DBLLBoxAlaryhma()), QStringLiteral("Cakes"));

        FileChooser::setAnswer([mmf](const FileChooser::Request &) { return QStringList{mmf}; });
        Dialogs::queueResponse([](QDialog *d) {
            d->findChild<QComboBox *>(QStringLiteral("ComboPaaryhma"))->setCurrentText(QStringLiteral("Everyday Cooking"));
            d->findChild<QPushButton *>(QStringLiteral("BitBtnOK"))->click();
        });
        w->menuAction(QStringLiteral("MenuTuo"))->trigger();
        QCOMPARE(book->storedNames(QStringLiteral("Ohje"), QStringLiteral("Apples")), QStringList{"Apple cake"});
        QCOMPARE(selectedName(w->DBLLBoxPaaryhma()), QStringLiteral("Baking"));
        QCOMPARE(listNames(w->DBLLBoxAlaryhma()), (QStringList{"Bread", "Cakes"}));
        QCOMPARE(selectedName(w->DBLLBoxAlaryhma()), QStringLiteral("Cakes"));
        QCOMPARE(w->book()->subgroupName(w->selection().subgroup), std::optional<QString>(QStringLiteral("Cakes")));

        // Another program replaces the subgroup file with a copy holding one
        // more row; the book is opened again and Baking keeps its subgroups.
        const QString alaryhma = book->dataFolder() + QStringLiteral("/Alaryhma.db");
        const QString copy = book->dataFolder() + QStringLiteral("/copy.tmp");
        QVERIFY(QFile::copy(alaryhma, copy));
        QVERIFY(QProcess::execute(QStringLiteral("sqlite3"),
                                  {copy, QStringLiteral("INSERT INTO Alaryhma (Nimi, Ryhma) VALUES ('Pies', 'Baking')")})
                == 0);
        QVERIFY(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(alaryhma).constData()) == 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        QTRY_COMPARE(listNames(w->DBLLBoxAlaryhma()), (QStringList{"Bread", "Cakes", "Pies"}));
        QCOMPARE(selectedName(w->DBLLBoxPaaryhma()), QStringLiteral("Baking"));
        QCOMPARE(listNames(w->DBLLBoxLista()), QStringList{"Rye bread"});
    }

    // The disk fills while a description is saved; after the error the typing
    // stays, and when it is stored at last it goes into its own recipe, even
    // though another subgroup was clicked meanwhile.
    void failedSaveLandsInItsOwnRecipe()
    {
        TmpfsMount mount(2048);
        REQUIRE_MOUNT(mount);
        BookFixture onDisk(mount.path());
        QVERIFY2(onDisk.isValid(), qPrintable(onDisk.error()));
        makeBook(&onDisk);
        openWindow();
        typeIntoGreenPeaSoup();

        QVERIFY(mount.fill(0));
        answerSave(true);
        selectRow(w->DBLLBoxLista(), 0);
        QVERIFY(!Dialogs::messages().isEmpty());
        mount.freeSpace();
        QCOMPARE(onDisk.storedRecipeField(QStringLiteral("Green Pea Soup"), QStringLiteral("Kuvaus")),
                 QStringLiteral("Peas and mint."));
        QVERIFY(w->MemoKuvaus()->toPlainText().endsWith(QLatin1String("Lovely")));

        answerSave(true);
        selectRow(w->DBLLBoxAlaryhma(), 1);
        QCOMPARE(onDisk.storedRecipeField(QStringLiteral("Green Pea Soup"), QStringLiteral("Kuvaus")),
                 QStringLiteral("Peas and mint. Lovely"));
        QCOMPARE(onDisk.storedRecipeField(QStringLiteral("Creamy Potato Soup"), QStringLiteral("Kuvaus")),
                 QStringLiteral("Potatoes and cream."));
        QCOMPARE(onDisk.storedRecipeField(QStringLiteral("Goulash"), QStringLiteral("Kuvaus")), QString());
    }

    // The recipe window opened on Green Pea Soup; meanwhile the main window
    // selects Creamy Potato Soup and Green Pea Soup is renamed through the
    // book. What is typed in the recipe window, and the portion count added
    // there, go into Green Pea Soup under its new name; the question names
    // it; Creamy Potato Soup stays as it was.
    void recipeWindowTypingStaysWithItsRecipe()
    {
        openWindow();
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        selectRow(w->DBLLBoxLista(), 1);
        const qint64 pea = w->shownRecipeId();
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Return);
        TFormResepti *recipe = windows().FormResepti;
        QVERIFY(recipe->isVisible());

        selectRow(w->DBLLBoxLista(), 0);
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Creamy Potato Soup"));
        QVERIFY(w->shownRecipeId() != pea);
        QString reason;
        QVERIFY(w->book()->renameRecipe(pea, QStringLiteral("Pea Soup Deluxe"), &reason));

        typeAtEnd(recipe->Aineet(), QStringLiteral("2 dl peas"));
        Dialogs::queueResponse([](QDialog *d) {
            auto *annos = qobject_cast<TFormAnnos *>(d);
            QVERIFY2(annos, qPrintable(d->objectName()));
            annos->EditAnnos()->setText(QStringLiteral("4"));
            annos->BitBtnOK()->click();
        });
        recipe->action(QStringLiteral("MenuLisaaAnnos"))->trigger();
        QCOMPARE(recipe->DBEditAnnos()->text(), QStringLiteral("4"));
        QString asked;
        answerSave(true, &asked);
        QTest::keyClick(recipe->Aineet(), Qt::Key_Escape);
        QVERIFY(!recipe->isVisible());
        QVERIFY2(asked.contains(QLatin1String("Pea Soup Deluxe")), qPrintable(asked));
        QCOMPARE(field(QStringLiteral("Pea Soup Deluxe"), "Aineet"), QStringLiteral("2 dl peas"));
        QCOMPARE(field(QStringLiteral("Pea Soup Deluxe"), "Annos"), QStringLiteral("4"));
        QCOMPARE(field(QStringLiteral("Creamy Potato Soup"), "Aineet"), QString());
        QCOMPARE(field(QStringLiteral("Creamy Potato Soup"), "Annos"), QString());
        QCOMPARE(field(QStringLiteral("Creamy Potato Soup"), "Nimi"), QStringLiteral("Creamy Potato Soup"));
    }

    // Rows another program wrote (no name, a 10,000-character name, a second
    // row of a name, NUL bytes, right-to-left text and emoji, bytes that are
    // not UTF-8, a portion count of 2^63-1 or of text, a picture mark
    // "maybe"): each is listed, selecting it shows its details and opening it
    // shows the recipe window; the book stays as it was.
    void rowsOfAnotherProgramCanAllBeSelectedAndOpened()
    {
        const QString ohje = book->dataFolder() + QStringLiteral("/Ohje.db");
        const QString rows = QStringLiteral(
            "INSERT INTO Ohje (Nimi, Ryhma, Kuvaus) VALUES (NULL, 'Bread', 'no name');"
            "INSERT INTO Ohje (Nimi, Ryhma) VALUES (printf('%.10000c', 'x'), 'Bread');"
            "INSERT INTO Ohje (Nimi, Ryhma) VALUES ('Rye bread', 'Bread');"
            "INSERT INTO Ohje (Nimi, Ryhma, Kuvaus) VALUES ('Nul' || char(0) || 'byte', 'Bread', 'a' || char(0) || 'b');"
            "INSERT INTO Ohje (Nimi, Ryhma) VALUES ('\u05e9\u05dc\u05d5\u05dd \U0001f372', 'Bread');"
            "INSERT INTO Ohje (Nimi, Ryhma, Kuvaus) VALUES (CAST(X'C3284142' AS TEXT), 'Bread', CAST(X'FFFE41' AS TEXT));"
            "INSERT INTO Ohje (Nimi, Ryhma, Annos, Aineet) VALUES ('Huge', 'Bread', 9223372036854775807, '2 dl milk');"
            "INSERT INTO Ohje (Nimi, Ryhma, Annos) VALUES ('Text count', 'Bread', 'four');"
            "INSERT INTO Ohje (Nimi, Ryhma, Kuva) VALUES ('Maybe picture', 'Bread', 'maybe');");
        QCOMPARE(QProcess::execute(QStringLiteral("sqlite3"), {ohje, rows}), 0);
        const QString before = queryFile(ohje, QStringLiteral("SELECT group_concat(quote(Nimi) || quote(Kuvaus) || "
                                                              "quote(Annos) || quote(Kuva)) FROM Ohje"))
                                   .value(0);
        openWindow();
        selectRow(w->DBLLBoxPaaryhma(), 1);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        QCOMPARE(w->DBLLBoxLista()->model()->rowCount(), 10);
        for (int row = 0; row < 10; ++row) {
            selectRow(w->DBLLBoxLista(), row);
            QCOMPARE(w->DBLLBoxLista()->currentIndex().row(), row);
            QVERIFY(w->shownRecipeId() != 0);
            QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Return);
            QVERIFY2(windows().FormResepti->isVisible(), qPrintable(QString::number(row)));
            windows().FormResepti->action(QStringLiteral("MenuTakaisin"))->trigger();
            QVERIFY(w->isVisible());
        }
        QCOMPARE(queryFile(ohje, QStringLiteral("SELECT group_concat(quote(Nimi) || quote(Kuvaus) || quote(Annos) || "
                                                "quote(Kuva)) FROM Ohje"))
                     .value(0),
                 before);
    }
};

QTEST_MAIN(TestAimedCommands)
#include "TestAimedCommands.moc"
