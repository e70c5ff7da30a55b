// Import and export as a person runs them from the main window's Book menu:
// the file dialog, the import dialog, the summary window (saved as text) and
// the lists afterwards; Cancel in the import dialog changes nothing.
#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "platform/FileChooser.h"
#include "support/BookFixture.h"
#include "support/LocalWebServer.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
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

// The answers of the next file dialogs, in order; none left is Cancel.
QStringList chosenFiles;

void chooseFile(const QString &path)
{
    chosenFiles << path;
}

QString mm(const QString &amount, const QString &unit, const QString &text)
{
    return QStringLiteral("%1 %2 %3").arg(amount, 7).arg(unit, -2).arg(text);
}

} // namespace

class TestImportExportWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;
    QString mmf;

private Q_SLOTS:
    void init()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Desserts"));
        book->addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Desserts"));
        book->addRecipe(QStringLiteral("Apple pie"), QStringLiteral("Cakes"));
        book->addMainGroup(QStringLiteral("Mains"));
        mmf = book->programFolder() + QStringLiteral("/in.mmf");
        QFile file(mmf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QStringList lines{QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05"),
                                QStringLiteral("      Title: Carrot cake"), QStringLiteral(" Categories: Cakes"),
                                QString(), mm(QStringLiteral("1 1/2"), QStringLiteral("c"), QStringLiteral("carrots")),
                                QStringLiteral("MMMMM"), QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05"),
                                QStringLiteral("      Title: Pea soup"), QStringLiteral(" Categories: Soups"),
                                QStringLiteral("MMMMM"), QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05"),
                                QStringLiteral(" Categories: Soups"), QStringLiteral("MMMMM")};
        file.write(lines.join(QLatin1Char('\n')).toUtf8());
        file.close();
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        chosenFiles.clear();
        FileChooser::setAnswer([](const FileChooser::Request &) {
            return chosenFiles.isEmpty() ? QStringList() : QStringList{chosenFiles.takeFirst()};
        });
        w = book->createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        selectRow(w->DBLLBoxPaaryhma(), 0);
        Dialogs::clearRecord();
    }

    void cleanup()
    {
        book.reset();
        w = nullptr;
        FileChooser::setAnswer({});
    }

    void importShowsTheSummaryAndTheNewRows()
    {
        const QString saved = book->programFolder() + QStringLiteral("/summary.txt");
        chooseFile(mmf);
        Dialogs::queueResponse([](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("FormTuonti"));
            d->findChild<QComboBox *>(QStringLiteral("ComboPaaryhma"))->setCurrentText(QStringLiteral("Desserts"));
            d->findChild<QPushButton *>(QStringLiteral("BitBtnOK"))->click();
        });
        QString shown;
        Dialogs::queueResponse([&](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("FormYhteenveto"));
            shown = d->findChild<QPlainTextEdit *>(QStringLiteral("MemoYhteenveto"))->toPlainText();
            chooseFile(saved);
            d->findChild<QPushButton *>(QStringLiteral("BitBtnTallenna"))->click();
            d->findChild<QPushButton *>(QStringLiteral("BitBtnSulje"))->click();
        });
        w->menuAction(QStringLiteral("MenuTuo"))->trigger();

        QVERIFY2(shown.startsWith(QStringLiteral("2 recipes imported.\n  1 into \"Cakes\"\n  1 into \"Soups\" (new, in "
                                                 "\"Desserts\")\n")),
                 qPrintable(shown));
        QVERIFY2(shown.contains(mmf + QStringLiteral(":11: the recipe has no title")), qPrintable(shown + mmf));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), shown);
        QCOMPARE(book->storedNames(QStringLiteral("Alaryhma")), (QStringList{"Cakes", "Soups"}));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Carrot cake"), QStringLiteral("Aineet")),
                 QStringLiteral("1,5 c carrots"));
        // The lists show the new rows at once.
        QCOMPARE(w->DBLLBoxAlaryhma()->model()->rowCount(), 2);
        QVERIFY(Dialogs::messages().isEmpty());
    }

    void cancelChangesNothing()
    {
        chooseFile(mmf);
        Dialogs::queueResponse([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("BitBtnCancel"))->click(); });
        w->menuAction(QStringLiteral("MenuTuo"))->trigger();
        QCOMPARE(book->storedNames(QStringLiteral("Ohje")), QStringList{"Apple pie"});
        QCOMPARE(Dialogs::shownDialogs(), QStringList{"FormTuonti"});
    }

    // Book > Import Recipe from Web Page...: the address, the import dialog,
    // the page fetched from a server on 127.0.0.1, the summary, and the new
    // recipe selected and shown.
    void webPageImportSelectsTheRecipe()
    {
        LocalWebServer server;
        server.answer("/stew", {200, "text/html",
                                "<script type=application/ld+json>{\"@type\":\"Recipe\",\"name\":\"Beef stew\","
                                "\"recipeCategory\":\"Stews\",\"recipeIngredient\":[\"beef\"]}</script>",
                                {}, 0, false});
        const QString address = server.address("/stew");
        Dialogs::queueResponse([&](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("FormWebSivu"));
            d->findChild<QLineEdit *>(QStringLiteral("EditOsoite"))->setText(address);
            d->findChild<QPushButton *>(QStringLiteral("BitBtnOK"))->click();
        });
        Dialogs::queueResponse([](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("FormTuonti"));
            d->findChild<QPushButton *>(QStringLiteral("BitBtnOK"))->click();
        });
        QString shown;
        Dialogs::queueResponse([&](QDialog *d) {
            shown = d->findChild<QPlainTextEdit *>(QStringLiteral("MemoYhteenveto"))->toPlainText();
            d->accept();
        });
        w->menuAction(QStringLiteral("MenuTuoWeb"))->trigger();
        QVERIFY2(shown.startsWith(QStringLiteral("1 recipe imported.\n  1 into \"Stews\" (new, in \"Imported "
                                                 "recipes\")")),
                 qPrintable(shown));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Beef stew"), QStringLiteral("Ohje")),
                 QStringLiteral("Source: ") + address);
        QCOMPARE(selectedName(w->DBLLBoxLista()), QStringLiteral("Beef stew"));
        QCOMPARE(w->shownRecipeId(), w->selection().recipe);
        QVERIFY(w->shownRecipeId() != 0);
    }

    // A link and a recipe file dropped on the window are imported together.
    void droppedLinkAndFileAreImported()
    {
        LocalWebServer server;
        server.answer("/soup", {200, "text/html",
                                "<div itemscope itemtype=http://schema.org/Recipe><b itemprop=name>Leek soup</b></div>",
                                {}, 0, false});
        QMimeData data;
        data.setUrls({QUrl(server.address("/soup")), QUrl::fromLocalFile(mmf),
                      QUrl::fromLocalFile(book->programFolder() + QStringLiteral("/notes.odt"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(w, &enter);
        QVERIFY(enter.isAccepted());
        Dialogs::queueResponse([](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("FormTuonti"));
            d->findChild<QPushButton *>(QStringLiteral("BitBtnOK"))->click();
        });
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(w, &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(Dialogs::shownDialogs().size(), 2);
        QCOMPARE(book->storedNames(QStringLiteral("Ohje")),
                 (QStringList{"Apple pie", "Leek soup", "Carrot cake", "Pea soup"}));
        QCOMPARE(selectedName(w->DBLLBoxLista()), QStringLiteral("Leek soup"));
    }

    void exportTheWholeBook()
    {
        const QString out = book->programFolder() + QStringLiteral("/book.zip");
        Dialogs::queueResponse([](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("FormVienti"));
            d->findChild<QRadioButton *>(QStringLiteral("RBKirja"))->setChecked(true);
            d->findChild<QComboBox *>(QStringLiteral("ComboMuoto"))->setCurrentIndex(1);
            d->findChild<QPushButton *>(QStringLiteral("BitBtnOK"))->click();
        });
        chooseFile(out);
        w->menuAction(QStringLiteral("MenuVie"))->trigger();
        QCOMPARE(Dialogs::messages().size(), 1);
        QCOMPARE(Dialogs::messages().at(0).text, QStringLiteral("1 recipe exported to book.zip."));
        QVERIFY2(QFile(out).size() > 0, qPrintable(out));
    }

    // The choices offered are the rows the lists show selected, never a
    // subgroup of another main group; the format chosen last is chosen again.
    void exportOffersTheShownSelection()
    {
        exportTheWholeBook();
        selectRow(w->DBLLBoxPaaryhma(), 1);
        QStringList offered;
        int format = -1;
        Dialogs::queueResponse([&](QDialog *d) {
            for (QRadioButton *b : d->findChildren<QRadioButton *>())
                if (b->isEnabled())
                    offered << b->text();
            format = d->findChild<QComboBox *>(QStringLiteral("ComboMuoto"))->currentIndex();
            d->findChild<QPushButton *>(QStringLiteral("BitBtnCancel"))->click();
        });
        w->menuAction(QStringLiteral("MenuVie"))->trigger();
        QCOMPARE(offered, (QStringList{QStringLiteral("the main group \"Mains\""), QStringLiteral("the whole book")}));
        QCOMPARE(format, 1);
    }
};

QTEST_MAIN(TestImportExportWindow)
#include "TestImportExportWindow.moc"
