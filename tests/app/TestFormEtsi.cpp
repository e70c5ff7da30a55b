#include "app/DataBoundList.h"
#include "app/FormEtsi.h"
#include "app/FormPaa.h"
#include "app/FormUusi.h"
#include "app/SharedState.h"
#include "platform/Dialogs.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QFile>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>

// The Find window as a person uses it from the main window.
class TestFormEtsi : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;
    // Holds the indexing thread before its first batch until released.
    QSemaphore gate;

    // Opens Find, types `text` and lets `then` act on the window.
    void find(const QString &text, const std::function<void(TFormEtsi *)> &then)
    {
        Dialogs::queueResponse([text, then](QDialog *d) {
            auto *window = qobject_cast<TFormEtsi *>(d);
            QVERIFY(window);
            auto *edit = window->findChild<QLineEdit *>(QStringLiteral("EditEtsi"));
            QVERIFY(edit);
            QTest::keyClicks(edit, text);
            // The hits follow the typing by themselves.
            QTRY_VERIFY(!window->findChild<QLabel *>(QStringLiteral("LabelTila"))->text().startsWith(
                QStringLiteral("Type")));
            // The book's index is built when the window opens: its answer
            // replaces that of the names.
            QTRY_VERIFY(window->findChild<QLabel *>(QStringLiteral("LabelIndeksointi"))->isHidden());
            then(window);
        });
        w->menuAction(QStringLiteral("MenuEtsi"))->trigger();
    }

    static QStringList hits(TFormEtsi *window)
    {
        QStringList names;
        auto *list = window->findChild<QListWidget *>(QStringLiteral("ListaTulokset"));
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }

    static QString status(TFormEtsi *window)
    {
        return window->findChild<QLabel *>(QStringLiteral("LabelTila"))->text();
    }

    static QString selected(DataBoundList *list)
    {
        return list->currentIndex().data().toString();
    }

private Q_SLOTS:
    void init()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Desserts"));
        book->addMainGroup(QStringLiteral("Soups"));
        book->addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Desserts"));
        book->addSubgroup(QStringLiteral("Puddings"), QStringLiteral("Desserts"));
        book->addSubgroup(QStringLiteral("Cold soups"), QStringLiteral("Soups"));
        book->addRecipe(QStringLiteral("Apple pie"), QStringLiteral("Cakes"), false, QStringLiteral("Warm and sweet"));
        book->addRecipe(QStringLiteral("Brownies"), QStringLiteral("Cakes"));
        book->addRecipe(QStringLiteral("Crème brûlée"), QStringLiteral("Puddings"), false,
                        QStringLiteral("Sweet custard under burnt sugar"));
        book->addRecipe(QStringLiteral("Rice pudding"), QStringLiteral("Puddings"));
        book->addRecipe(QStringLiteral("Gazpacho"), QStringLiteral("Cold soups"), false,
                        QStringLiteral("Tomatoes, not sweet"));
        book->addRecipe(QStringLiteral("Flatbread"), QStringLiteral("Cakes"), false, QString(),
                        {{QStringLiteral("Ohje"), QStringLiteral("Knead and bake on a hot griddle.")}});
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        w = book->createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        Dialogs::clearRecord();
    }

    void cleanup()
    {
        gate.release(1000);
        RecipeSearch::setBatchHook({});
        book.reset();
        w = nullptr;
    }

    void namesAnswerWhileTheIndexIsBuilt()
    {
        find(QStringLiteral("griddle"), [](TFormEtsi *window) {
            QCOMPARE(hits(window), QStringList{"Flatbread"});
            window->reject();
        });
        // The index goes; Find builds it anew, held before its first batch.
        RecipeSearch::setBatchHook([this](qint64, qint64) {
            gate.acquire();
            gate.release();
        });
        const QString index = book->dataFolder() + QStringLiteral("/Haku.db");
        QVERIFY(QFile::remove(index));
        Dialogs::queueResponse([this](QDialog *d) {
            auto *window = qobject_cast<TFormEtsi *>(d);
            QVERIFY(window);
            auto *edit = window->findChild<QLineEdit *>(QStringLiteral("EditEtsi"));
            auto *indexing = window->findChild<QLabel *>(QStringLiteral("LabelIndeksointi"));
            QVERIFY(!indexing->isHidden());
            QCOMPARE(indexing->text(), QStringLiteral("Only the recipe names are searched: still indexing, 0%."));
            QTest::keyClicks(edit, QStringLiteral("CREME BRU"));
            QTRY_COMPARE(hits(window), QStringList{"Crème brûlée"});
            edit->clear();
            QTest::keyClicks(edit, QStringLiteral("griddle"));
            QTRY_COMPARE(status(window), QStringLiteral("No recipe matches."));
            QVERIFY(!indexing->isHidden());
            gate.release(1000);
            // Asked again with the index once it is ready.
            QTRY_VERIFY(indexing->isHidden());
            QCOMPARE(hits(window), QStringList{"Flatbread"});
            window->reject();
        });
        w->menuAction(QStringLiteral("MenuEtsi"))->trigger();
        QVERIFY(QFile::exists(index));
    }

    void menuSitsBetweenRecipeAndWindow()
    {
        QStringList titles;
        for (QAction *menu : w->menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles.mid(titles.indexOf(QStringLiteral("&Recipe")), 3),
                 (QStringList{"&Recipe", "&Book", "&Window"}));
        QAction *find = w->menuAction(QStringLiteral("MenuEtsi"));
        QCOMPARE(find->text(), QStringLiteral("&Find Recipes..."));
        QCOMPARE(find->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        QVERIFY(find->isEnabled());
    }

    void enterSelectsTheHitInTheMainWindow()
    {
        find(QStringLiteral("SWEET"), [](TFormEtsi *window) {
            // Name matches first, then by name: all three match elsewhere.
            QCOMPARE(hits(window), (QStringList{"Apple pie", "Crème brûlée", "Gazpacho"}));
            QCOMPARE(status(window), QStringLiteral("3 recipes match."));
            auto *edit = window->findChild<QLineEdit *>(QStringLiteral("EditEtsi"));
            QTest::keyClick(edit, Qt::Key_Down);
            QTest::keyClick(edit, Qt::Key_Down);
            QTest::keyClick(edit, Qt::Key_Up);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QCOMPARE(selected(w->DBLLBoxPaaryhma()), QStringLiteral("Desserts"));
        QCOMPARE(selected(w->DBLLBoxAlaryhma()), QStringLiteral("Puddings"));
        QCOMPARE(selected(w->DBLLBoxLista()), QStringLiteral("Crème brûlée"));
        QCOMPARE(w->state().CurrentMainGroup, QStringLiteral("Desserts"));
        QCOMPARE(w->state().CurrentSubgroup, QStringLiteral("Puddings"));
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Crème brûlée"));
        QCOMPARE(w->MemoKuvaus()->toPlainText(), QStringLiteral("Sweet custard under burnt sugar"));
        QVERIFY(w->menuAction(QStringLiteral("MenuPoistaResepti"))->isEnabled());
        QVERIFY(w->menuAction(QStringLiteral("MenuNaytaResepti"))->isEnabled());
    }

    void doubleClickInAnotherMainGroup()
    {
        find(QStringLiteral("tomato"), [](TFormEtsi *window) {
            QCOMPARE(hits(window), QStringList{"Gazpacho"});
            QCOMPARE(status(window), QStringLiteral("1 recipe matches."));
            auto *list = window->findChild<QListWidget *>(QStringLiteral("ListaTulokset"));
            QTRY_VERIFY(list->visualItemRect(list->item(0)).height() > 0);
            const QRect rect = list->visualItemRect(list->item(0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        });
        QCOMPARE(selected(w->DBLLBoxPaaryhma()), QStringLiteral("Soups"));
        QCOMPARE(selected(w->DBLLBoxAlaryhma()), QStringLiteral("Cold soups"));
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Gazpacho"));
    }

    void escapeClosesAndChangesShowAtOnce()
    {
        find(QStringLiteral("pudding"), [](TFormEtsi *window) {
            QCOMPARE(hits(window), QStringList{"Rice pudding"});
            QTest::keyClick(window->findChild<QLineEdit *>(QStringLiteral("EditEtsi")), Qt::Key_Escape);
        });
        QVERIFY(w->state().CurrentRecipe.isEmpty());
        // Renamed through the main window: found by the new name at once.
        find(QStringLiteral("rice"), [](TFormEtsi *window) {
            QTest::keyClick(window->findChild<QLineEdit *>(QStringLiteral("EditEtsi")), Qt::Key_Return);
        });
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormUusi *>(d);
            QVERIFY(dialog);
            dialog->EditUusi->setText(QStringLiteral("Risalamande"));
            dialog->BitBtnOK->click();
        });
        w->menuAction(QStringLiteral("MenuMuutaResepti"))->trigger();
        find(QStringLiteral("risala"), [](TFormEtsi *window) {
            QCOMPARE(hits(window), QStringList{"Risalamande"});
            window->reject();
        });
        find(QStringLiteral("rice pud"), [](TFormEtsi *window) {
            QCOMPARE(hits(window), QStringList{});
            QCOMPARE(status(window), QStringLiteral("No recipe matches."));
            QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("BitBtnNayta"))->isEnabled());
            window->reject();
        });
    }
};

QTEST_MAIN(TestFormEtsi)
#include "TestFormEtsi.moc"
