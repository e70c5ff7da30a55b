#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormRoskakori.h"
#include "app/FormRyhmaPois.h"
#include "settings/SettingsStore.h"
#include "store/table/PicturePaths.h"
#include "store/table/ProgramPaths.h"
#include "store/book/Trash.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

void answerDelete(bool yes)
{
    Dialogs::queueResponse([yes](QDialog *d) {
        auto *dialog = qobject_cast<TFormRyhmaPois *>(d);
        QVERIFY(dialog);
        (yes ? dialog->BitBtnOK : dialog->BitBtnCancel)->click();
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

QStringList trashNames(QTreeWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(0);
    return names;
}

} // namespace

class TestFormRoskakori : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

private Q_SLOTS:
    void init()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Desserts"));
        book->addMainGroup(QStringLiteral("Soups"));
        book->addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Desserts"));
        book->addSubgroup(QStringLiteral("Puddings"), QStringLiteral("Desserts"));
        book->addRecipe(QStringLiteral("Apple pie"), QStringLiteral("Cakes"), true, QStringLiteral("Warm and sweet"));
        book->addRecipe(QStringLiteral("Brownies"), QStringLiteral("Cakes"));
        book->addRecipe(QStringLiteral("Rice pudding"), QStringLiteral("Puddings"));
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        w = book->createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        Dialogs::clearRecord();
    }

    void cleanup()
    {
        book.reset();
        w = nullptr;
    }

    void ctrlZRestoresTheLastDeletion()
    {
        const QString picture = PicturePaths::pictureFile(QStringLiteral("Apple pie"));
        const QByteArray pictureBytes = [&] {
            QFile f(picture);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
        answerDelete(true);
        QTest::keyClick(w->DBLLBoxAlaryhma(), Qt::Key_Delete);
        QCOMPARE(book->storedNames("Alaryhma"), QStringList{"Puddings"});
        QVERIFY(!QFile::exists(picture));

        QTest::keyClick(w->DBLLBoxAlaryhma(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(book->storedNames("Ohje", QStringLiteral("Cakes")), (QStringList{"Apple pie", "Brownies"}));
        // The user sees it back, selected where it was.
        QCOMPARE(listNames(w->DBLLBoxAlaryhma()), (QStringList{"Cakes", "Puddings"}));
        QCOMPARE(w->state().CurrentSubgroup, QStringLiteral("Cakes"));
        QCOMPARE(listNames(w->DBLLBoxLista()), (QStringList{"Apple pie", "Brownies"}));
        QFile restored(picture);
        QVERIFY(restored.open(QIODevice::ReadOnly));
        QCOMPARE(restored.readAll(), pictureBytes);

        // Ctrl+Z in an edit undoes the typing there, not a deletion.
        selectRow(w->DBLLBoxLista(), 1);
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(SettingNames::KysResPoi, true);
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Delete);
        QCOMPARE(book->storedNames("Ohje", QStringLiteral("Cakes")), QStringList{"Apple pie"});
        selectRow(w->DBLLBoxLista(), 0);
        QLineEdit *aste = w->DBEditAste();
        aste->setFocus();
        QTest::keyClicks(aste, QStringLiteral("Easy"));
        QTest::keyClick(aste, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(aste->text().isEmpty());
        QCOMPARE(book->storedNames("Ohje", QStringLiteral("Cakes")), QStringList{"Apple pie"});

        // Nothing left to restore after the last one came back.
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(book->storedNames("Ohje", QStringLiteral("Cakes")), (QStringList{"Apple pie", "Brownies"}));
        Dialogs::clearRecord();
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Dialogs::messages().size(), 1);
        QVERIFY(Dialogs::messages().first().text.contains(QStringLiteral("trash is empty")));
    }

    void trashWindowRestoresAndEmpties()
    {
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(SettingNames::KysRyh, true);
        key.writeBool(SettingNames::KysResPoi, true);
        selectRow(w->DBLLBoxPaaryhma(), 1);
        QTest::keyClick(w->DBLLBoxPaaryhma(), Qt::Key_Delete);
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 1);
        selectRow(w->DBLLBoxLista(), 0);
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Delete);
        QCOMPARE(book->storedNames("Paaryhma"), QStringList{"Desserts"});
        QVERIFY(book->storedNames("Ohje", QStringLiteral("Puddings")).isEmpty());

        bool shown = false;
        Dialogs::queueResponse([&](QDialog *d) {
            auto *window = qobject_cast<TFormRoskakori *>(d);
            QVERIFY(window);
            QCOMPARE(window->windowTitle(), QStringLiteral("Saffrona's Mealdeck   -   Trash"));
            shown = true;
            auto *list = window->findChild<QTreeWidget *>(QStringLiteral("ListaRoskat"));
            QCOMPARE(trashNames(list), (QStringList{"Rice pudding", "Soups"}));
            // The main group comes back into the main window's list.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(1)).center());
            window->findChild<QPushButton *>(QStringLiteral("BBPalauta"))->click();
            QCOMPARE(trashNames(list), QStringList{"Rice pudding"});
            QCOMPARE(listNames(w->DBLLBoxPaaryhma()), (QStringList{"Desserts", "Soups"}));
            QCOMPARE(w->state().CurrentMainGroup, QStringLiteral("Soups"));

            // Empty Trash asks first; No keeps everything.
            auto *empty = window->findChild<QPushButton *>(QStringLiteral("BBTyhjenna"));
            for (const bool yes : {false, true}) {
                Dialogs::queueResponse([yes](QDialog *question) {
                    auto *box = qobject_cast<QMessageBox *>(question);
                    QVERIFY(box);
                    box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
                });
                empty->click();
                QCOMPARE(trashNames(list).size(), yes ? 0 : 1);
            }
            QVERIFY(!empty->isEnabled());
            window->findChild<QPushButton *>(QStringLiteral("BBSulje"))->click();
        });
        w->menuAction(QStringLiteral("MenuRoskakori"))->trigger();
        QVERIFY(shown);
        QCOMPARE(Dialogs::pendingResponses(), 0);
        QCOMPARE(book->storedNames("Paaryhma"), (QStringList{"Desserts", "Soups"}));
        QVERIFY(book->storedNames("Ohje", QStringLiteral("Puddings")).isEmpty());
        RecipeBook::Trash trash(ProgramPaths::dataFolder(), ProgramPaths::picsFolder());
        QVERIFY(trash.entries().isEmpty());
        QVERIFY(QDir(RecipeBook::Trash::pictureFolder(ProgramPaths::picsFolder()))
                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                    .isEmpty());
    }
};

QTEST_MAIN(TestFormRoskakori)
#include "TestFormRoskakori.moc"
