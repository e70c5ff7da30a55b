#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormRuokalista.h"
#include "app/Windows.h"
#include "preview/GmPreview.h"
#include "preview/GmRtfInformation.h"
#include "preview/GmRtfPreview.h"
#include "print/FormPrintPrev.h"
#include "recipe/FormResepti.h"
#include "platform/Dialogs.h"
#include "store/book/Book.h"
#include "store/book/Menu.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

// The week menu and its shopping list, used through the real main window.
class TestMenuWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuToShoppingList();
};

namespace {

// Answers the portion dialog of Add to Menu with `portions`.
void answerPortions(int portions, int *offered)
{
    Dialogs::queueResponse([portions, offered](QDialog *dialog) {
        auto *spin = dialog->findChild<QSpinBox *>(QStringLiteral("Annokset"));
        *offered = spin ? spin->value() : -1;
        if (spin)
            spin->setValue(portions);
        dialog->accept();
    });
}

} // namespace

void TestMenuWindow::menuToShoppingList()
{
    BookFixture book(true);
    QVERIFY2(book.isValid(), qPrintable(book.error()));
    Dialogs::setResponder([](QDialog *d) { d->close(); });
    TFormPaa *w = BookFixture::createWindows();
    QVERIFY(w && w->tablesOpened());
    w->show();

    // Two recipes added from the main window, each at portions of its own.
    int offered = 0;
    QVERIFY(w->selectRecipe(QStringLiteral("Everyday Cooking"), QStringLiteral("Soups"),
                            QStringLiteral("Green Pea Soup")));
    answerPortions(8, &offered);
    w->menuAction(QStringLiteral("MenuRuokalistalle"))->trigger();
    QCOMPARE(offered, 4);
    QVERIFY(w->selectRecipe(QStringLiteral("Everyday Cooking"), QStringLiteral("Main Courses"),
                            QStringLiteral("Oven Baked Salmon")));
    answerPortions(4, &offered);
    w->menuAction(QStringLiteral("MenuRuokalistalle"))->trigger();

    w->menuAction(QStringLiteral("MenuRuokalista"))->trigger();
    auto *window = w->findChild<TFormRuokalista *>();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Saffrona's Mealdeck   -   Menu"));
    QTableWidget *menu = window->menuTable();
    QCOMPARE(menu->rowCount(), 2);
    QCOMPARE(menu->item(0, 1)->text(), QStringLiteral("Green Pea Soup"));
    QVERIFY(window->listText().contains(QLatin1String("1 kg frozen peas\tGreen Pea Soup\n")));
    // The pantry's salt and water are ticked off: at the end, not in the text.
    QTreeWidget *list = window->shoppingList();
    QCOMPARE(list->topLevelItem(list->topLevelItemCount() - 1)->checkState(0), Qt::Checked);
    QVERIFY(!window->listText().contains(QLatin1String("salt")));
    QVERIFY(!window->listText().contains(QLatin1String("water")));

    // Portions changed in the row: the list follows and the menu file keeps it.
    auto *portions = qobject_cast<QSpinBox *>(menu->cellWidget(0, 2));
    QVERIFY(portions);
    portions->setValue(2);
    QVERIFY(window->listText().contains(QLatin1String("250 g frozen peas\tGreen Pea Soup\n")));
    QVector<Menu::Entry> stored;
    QString error;
    QVERIFY_THROWS_NO_EXCEPTION(stored = Menu::read(book.dataFolder()));
    QCOMPARE(stored.value(0).portions, 2);

    // An item ticked off goes to the end, struck through, and leaves the text.
    QTreeWidgetItem *lemon = list->findItems(QStringLiteral("1 lemon"), Qt::MatchExactly).value(0);
    QVERIFY(lemon);
    lemon->setCheckState(0, Qt::Checked);
    auto struckLemon = [list] {
        QTreeWidgetItem *item = list->findItems(QStringLiteral("1 lemon"), Qt::MatchExactly).value(0);
        return item && item->font(0).strikeOut() ? item : nullptr;
    };
    QTRY_VERIFY(struckLemon());
    lemon = struckLemon();
    for (int i = list->indexOfTopLevelItem(lemon); i < list->topLevelItemCount(); ++i)
        QCOMPARE(list->topLevelItem(i)->checkState(0), Qt::Checked);
    QCOMPARE(window->listText(),
             QStringLiteral("black pepper\tGreen Pea Soup, Oven Baked Salmon\n"
                            "0,5 dl breadcrumbs\tOven Baked Salmon\n"
                            "1-2 tbsp chopped dill\tOven Baked Salmon\n"
                            "0,75 dl crème fraîche\tGreen Pea Soup\n"
                            "0,5-1 tbsp fresh mint\tGreen Pea Soup\n"
                            "250 g frozen peas\tGreen Pea Soup\n"
                            "1,5 tsp oil\tGreen Pea Soup\n"
                            "2 tbsp olive oil\tOven Baked Salmon\n"
                            "0,5 onion\tGreen Pea Soup\n"
                            "600 g salmon fillet\tOven Baked Salmon\n"
                            "0,5 stock cube\tGreen Pea Soup\n"));
    window->copyList();
    QCOMPARE(QApplication::clipboard()->text(), window->listText());

    // Print goes through the preview: the items still to buy, not the ticked.
    QString printed;
    Dialogs::queueResponse([&printed](QDialog *dialog) {
        if (auto *form = qobject_cast<TFormPrintPrev *>(dialog)) {
            if (form->GmPreview()->NumPages() >= 1)
                printed = TGmRtfPreview::textStoreOf(form->GmPreview())->RichEdit()->Text();
            form->BBSulje()->click();
        }
    });
    window->findChild<QPushButton *>(QStringLiteral("TulostaLista"))->click();
    QVERIFY2(printed.startsWith(QLatin1String("Shopping list")), qPrintable(printed));
    QVERIFY(printed.contains(QLatin1String("250 g frozen peas   (for Green Pea Soup)")));
    QVERIFY(!printed.contains(QLatin1String("lemon")));

    // A renamed recipe follows; a deleted one shows as deleted.
    const qint64 salmon = stored.value(1).recipe;
    QVERIFY(w->book()->renameRecipe(salmon, QStringLiteral("Salmon"), &error));
    QTRY_COMPARE(menu->item(1, 1)->text(), QStringLiteral("Salmon"));
    w->book()->deleteRecipe(salmon);
    QTRY_COMPARE(menu->item(1, 1)->text(), QStringLiteral("(deleted)"));
    QVERIFY(!window->listText().contains(QLatin1String("salmon fillet")));
    // Taken back from the trash, it is on the menu again with its lines.
    w->menuAction(QStringLiteral("MenuPeruPoisto"))->trigger();
    window->reload();
    QCOMPARE(menu->item(1, 1)->text(), QStringLiteral("Salmon"));
    QVERIFY(window->listText().contains(QLatin1String("600 g salmon fillet")));

    // Add to Menu in the recipe window adds the recipe it shows.
    QVERIFY(w->selectRecipe(QStringLiteral("Everyday Cooking"), QStringLiteral("Soups"),
                            QStringLiteral("Green Pea Soup")));
    QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Return);
    QVERIFY(windows().FormResepti && windows().FormResepti->isVisible());
    answerPortions(3, &offered);
    QAction *add = windows().FormResepti->action(QStringLiteral("MenuRuokalistalle"));
    QCOMPARE(add->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
    add->trigger();
    QCOMPARE(offered, 4);
    QCOMPARE(menu->rowCount(), 3);
    QCOMPARE(menu->item(2, 1)->text(), QStringLiteral("Green Pea Soup"));
    windows().FormResepti->action(QStringLiteral("MenuTakaisin"))->trigger();

    // Clear Menu asks first.
    Dialogs::queueResponse([](QDialog *d) { d->done(QMessageBox::No); });
    window->clearMenu();
    QCOMPARE(menu->rowCount(), 3);
    Dialogs::queueResponse([](QDialog *d) { d->done(QMessageBox::Yes); });
    window->clearMenu();
    QCOMPARE(menu->rowCount(), 0);
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY_THROWS_NO_EXCEPTION(stored = Menu::read(book.dataFolder()));
    QVERIFY(stored.isEmpty());
}

QTEST_MAIN(TestMenuWindow)
#include "TestMenuWindow.moc"
