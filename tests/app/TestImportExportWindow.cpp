// Import and export as a person runs them from the main window's Book menu:
// the file dialog, the import dialog, the summary window (saved as text) and
// the lists afterwards; Cancel in the import dialog changes nothing.
#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/ImportExportCommands.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
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
        setImportExportFileChooser([](QWidget *, bool, const QString &, const QString &) {
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
        setImportExportFileChooser({});
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
