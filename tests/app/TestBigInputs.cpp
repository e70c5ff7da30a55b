#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormRyhmaPois.h"
#include "app/FormUusi.h"
#include "app/TableListModel.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmQtPrinterBackend.h"
#include "preview/GmRtfInformation.h"
#include "preview/GmRtfPreview.h"
#include "print/FormPrintPrev.h"
#include "print/RecipePrinting.h"
#include "recipe/DBMemo.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormResepti.h"
#include "settings/SettingsStore.h"
#include "store/table/PackTable.h"
#include "store/table/PicturePaths.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Big books and big recipes driven through the program's own windows: the
// results must be the same as for small ones, and nothing may be lost.

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int Scale = 4; // the sanitizers run several times slower
#else
constexpr int Scale = 1;
#endif

// A little over 1 MB of ingredients and 10,000 lines of directions (a quarter
// of that under the sanitizers is still far beyond any real recipe).
constexpr int IngredientBytes = (1 << 20) / Scale;
constexpr int DirectionLines = 10000 / Scale;
constexpr int ManySubgroups = 10000 / Scale;
constexpr int ManyRecipes = 5000 / Scale;

// Ingredient lines as stored for 4 portions, and the same lines for 6.
struct ScaledLine
{
    const char *for4;
    const char *for6;
};
const ScaledLine IngredientForms[] = {
    {"1,5      dl       sugar", "2,25dl       sugar"},
    {"1-2      tp       baking powder", "1,5-3      tp       baking powder"},
    {"250 g butter", "375g butter"},
    {"12,5 g yeast", "19g yeast"},
    {"7 dl water", "11dl water"},
    {"2 - 3 dl milk", "3-4,5 dl milk"},
    {"  coarce sugar", "coarce sugar"},
};

// The big ingredient list for 4 portions and what it becomes for 6; each line
// carries its number so that a lost, doubled or moved line shows.
void bigIngredients(QString *for4, QString *for6)
{
    QStringList lines4, lines6;
    int bytes = 0;
    for (int i = 0; bytes < IngredientBytes; ++i) {
        const ScaledLine &form = IngredientForms[i % std::size(IngredientForms)];
        const QString tail = QStringLiteral(" (part %1)").arg(i);
        lines4 << QLatin1String(form.for4) + tail;
        lines6 << QLatin1String(form.for6) + tail;
        bytes += int(lines4.last().size()) + 1;
    }
    *for4 = lines4.join(QLatin1Char('\n'));
    *for6 = lines6.join(QLatin1Char('\n'));
}

QString bigDirections()
{
    QStringList lines;
    for (int i = 1; i <= DirectionLines; ++i)
        lines << QStringLiteral("Step %1: stir the pot slowly and taste it again.").arg(i);
    return lines.join(QLatin1Char('\n'));
}

// Rows added into a table in one apply.
void addRows(const QString &dataFolder, const QString &table, const QString &parent, const QStringList &names)
{
    TPackTable t;
    t.setDatabaseName(dataFolder);
    t.setTableName(table);
    t.open();
    for (const QString &name : names) {
        t.append();
        t.setFieldText(QStringLiteral("Nimi"), name);
        t.setFieldText(QStringLiteral("Ryhma"), parent);
    }
    t.apply();
}

QString storedField(const QString &dataFolder, const QString &recipe, const QString &field)
{
    TPackTable t;
    t.setDatabaseName(dataFolder);
    t.setTableName(QStringLiteral("Ohje"));
    t.open();
    for (t.first(); !t.eof(); t.next())
        if (t.fieldText(QStringLiteral("Nimi")) == recipe)
            return t.fieldText(field);
    return QString();
}

void clickRow(DataBoundList *list, int row)
{
    list->listModel()->ensureLoaded(row);
    const QModelIndex index = list->model()->index(row, 0);
    QVERIFY(index.isValid());
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

QString rowName(DataBoundList *list, int row)
{
    list->listModel()->ensureLoaded(row);
    return list->model()->index(row, 0).data().toString();
}

// Types the name into the name dialog, one key per character (a surrogate
// pair is one key), and presses OK.
void answerName(const QString &name)
{
    Dialogs::queueResponse([name](QDialog *d) {
        auto *dialog = qobject_cast<TFormUusi *>(d);
        QVERIFY(dialog);
        dialog->EditUusi->clear();
        for (int i = 0; i < name.size(); ++i) {
            const int length = name.at(i).isHighSurrogate() ? 2 : 1;
            QTest::sendKeyEvent(QTest::Click, dialog->EditUusi, Qt::Key_unknown, name.mid(i, length), Qt::NoModifier);
            i += length - 1;
        }
        dialog->BitBtnOK->click();
    });
}

// The name dialog warns about every change of a name longer than its level
// allows, and says nothing else.
QString otherThanLengthWarnings()
{
    for (const Dialogs::Message &m : Dialogs::messages())
        if (m.kind != Dialogs::Message::Information || !m.text.startsWith(QLatin1String("The name may include not more than")))
            return m.text;
    return QString();
}

void answerDelete()
{
    Dialogs::queueResponse([](QDialog *d) {
        auto *dialog = qobject_cast<TFormRyhmaPois *>(d);
        QVERIFY(dialog);
        dialog->BitBtnOK->click();
    });
}

// Exactly 75 UTF-16 units: `chars` over and over, then ASCII letters where a
// surrogate pair would be cut.
QString name75(const QString &chars, QChar first)
{
    QString name(first);
    for (int i = 0; name.size() < TFormUusi::MaxFieldLength; ++i) {
        const QChar c = chars.at(i % chars.size());
        if (c.isHighSurrogate()) {
            if (name.size() + 2 > TFormUusi::MaxFieldLength) {
                name += QLatin1Char('x');
                continue;
            }
            name += c;
            name += chars.at((i + 1) % chars.size());
            ++i;
        } else {
            name += c;
        }
    }
    return name;
}

QStringList pdfPages(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace

class TestBigInputs : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

    void openWindows()
    {
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        w = book->createWindows();
        QVERIFY(w && w->tablesOpened());
        windows().FormPrintPrev = RecipePrinting::install(windows().FormResepti, w);
        w->show();
        Dialogs::clearRecord();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The built-in "PDF file" printer is the selected one.
        auto backend = std::make_unique<TGmQtPrinterBackend>();
        const int pdf = int(backend->printerNames().indexOf(TGmQtPrinterBackend::pdfPrinterName()));
        QVERIFY(pdf >= 0);
        TGmPrinter *printer = TGmPrinter::install(std::move(backend));
        if (printer->PrinterIndex() != pdf)
            printer->SetPrinterIndex(pdf);
    }
    void cleanupTestCase() { TGmPrinter::release(); }

    void init()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(QLatin1String(SettingNames::Aines), true);
        key.writeBool(QLatin1String(SettingNames::About), true);
    }

    void cleanup()
    {
        if (windows().FormResepti)
            windows().FormResepti->hide();
        book.reset();
        w = nullptr;
        FileChooser::setAnswer({});
    }

    // A megabyte of ingredients and 10,000 lines of directions: shown whole,
    // edited, scaled, previewed and printed.
    void bigRecipe()
    {
        QString for4, for6;
        bigIngredients(&for4, &for6);
        QString directions = bigDirections();
        book->addMainGroup(QStringLiteral("Feasts"));
        book->addSubgroup(QStringLiteral("Banquets"), QStringLiteral("Feasts"));
        {
            TPackTable t;
            t.setDatabaseName(book->dataFolder());
            t.setTableName(QStringLiteral("Ohje"));
            t.open();
            t.append();
            t.setFieldText(QStringLiteral("Nimi"), QStringLiteral("Wedding soup"));
            t.setFieldText(QStringLiteral("Ryhma"), QStringLiteral("Banquets"));
            t.setFieldText(QStringLiteral("Annos"), QStringLiteral("4"));
            t.setFieldText(QStringLiteral("Aineet"), for4);
            t.setFieldText(QStringLiteral("Ohje"), directions);
            t.apply();
        }
        openWindows();
        for (DataBoundList *list : {w->DBLLBoxPaaryhma(), w->DBLLBoxAlaryhma(), w->DBLLBoxLista()})
            clickRow(list, 0);
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Wedding soup"));

        w->MenuNaytaReseptiClick();
        TFormResepti *recipe = windows().FormResepti;
        QVERIFY(recipe->isVisible());
        QCOMPARE(recipe->Aineet()->toPlainText(), for4);
        QCOMPARE(recipe->Ohje()->toPlainText(), directions);
        QCOMPARE(recipe->DBEditAnnos()->text(), QStringLiteral("4"));

        // An edit at the end of the directions is pending, then stored with
        // the scaling pass.
        recipe->FocusDirections();
        recipe->Ohje()->moveCursor(QTextCursor::End);
        QTest::keyClicks(recipe->Ohje(), QStringLiteral(" Done"));
        directions += QStringLiteral(" Done");
        QVERIFY(recipe->Ohje()->Modified());

        Dialogs::queueResponse([](QDialog *dialog) {
            auto *annos = static_cast<TFormAnnos *>(dialog);
            annos->EditAnnos()->setText(QStringLiteral("6"));
            annos->BitBtnOK()->click();
        });
        recipe->action(QStringLiteral("MenuLaske"))->trigger();
        QCOMPARE(Dialogs::pendingResponses(), 0);
        QVERIFY(Dialogs::messages().isEmpty());
        QCOMPARE(recipe->Aineet()->toPlainText(), for6);
        QCOMPARE(recipe->DBEditAnnos()->text(), QStringLiteral("6"));
        QCOMPARE(storedField(book->dataFolder(), QStringLiteral("Wedding soup"), QStringLiteral("Aineet")), for6);
        QCOMPARE(storedField(book->dataFolder(), QStringLiteral("Wedding soup"), QStringLiteral("Annos")),
                 QStringLiteral("6"));
        QCOMPARE(storedField(book->dataFolder(), QStringLiteral("Wedding soup"), QStringLiteral("Ohje")), directions);

        // The preview: consecutive pages that cover the whole document, the
        // last of them ending with the last step.
        int pages = 0;
        QString coverage;
        Dialogs::clearRecord();
        Dialogs::queueResponse([&](QDialog *dialog) {
            auto *form = qobject_cast<TFormPrintPrev *>(dialog);
            QVERIFY(form);
            pages = form->GmPreview()->NumPages();
            TGmRtfInformation *store = TGmRtfPreview::textStoreOf(form->GmPreview());
            const QString text = store->RichEdit()->Text();
            int next = 0;
            for (int page = 1; page <= pages; ++page) {
                const TGmRtfOffset *r = store->FindPage(page);
                if (!r || r->StartChar != next) {
                    coverage = QStringLiteral("page %1 does not follow the one before").arg(page);
                    break;
                }
                next = r->EndChar < 0 ? int(text.size()) : r->EndChar;
            }
            if (coverage.isEmpty() && next != text.size())
                coverage = QStringLiteral("the pages end at %1 of %2").arg(next).arg(text.size());
            if (coverage.isEmpty() && !text.trimmed().endsWith(directions.right(30)))
                coverage = QStringLiteral("the document does not end with the directions");
            form->BBSulje()->click();
        });
        recipe->action(QStringLiteral("MenuEsik"))->trigger();
        QCOMPARE(Dialogs::shownDialogs(), QStringList{"FormPrintPrev"});
        QVERIFY2(coverage.isEmpty(), qPrintable(coverage));
        const int lineCount = int(for6.count(QLatin1Char('\n')) + directions.count(QLatin1Char('\n')) + 2);
        // However tall a page, it holds fewer than 200 lines of this font.
        QVERIFY2(pages > lineCount / 200, qPrintable(QString::number(pages)));

        // Print goes to a PDF file: every line of the recipe is in it, in order.
        QTemporaryDir out;
        const QString file = out.filePath(QStringLiteral("wedding.pdf"));
        Dialogs::clearRecord();
        Dialogs::queueResponse([&](QDialog *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(files);
            files->selectFile(file);
            static_cast<QDialog *>(files)->accept();
        });
        recipe->action(QStringLiteral("MenuTulosta"))->trigger();
        QCOMPARE(Dialogs::shownDialogs(), QStringList{"PdfFileDialog"});
        QVERIFY(Dialogs::messages().isEmpty());
        QVERIFY(QFileInfo(file).size() > 0);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed (Debian package poppler-utils); the PDF's text cannot be read");
        QStringList printed;
        const QStringList pdf = pdfPages(file);
        QVERIFY(pdf.size() > 1);
        for (const QString &page : pdf)
            for (const QString &line : page.split(QLatin1Char('\n')))
                if (!line.simplified().isEmpty())
                    printed << line.simplified();
        QStringList expected{QStringLiteral("Wedding soup")};
        for (const QString &text : {for6, directions})
            for (const QString &line : text.split(QLatin1Char('\n')))
                expected << line.simplified();
        QCOMPARE(printed.size(), expected.size());
        QCOMPARE(printed.first(), expected.first());
        QCOMPARE(printed.last(), expected.last());
        QCOMPARE(printed, expected);
    }

    // Names as long as the name field takes, made of every kind of character
    // it takes: added, renamed, selected and given a picture at every level.
    void longNames_data()
    {
        QTest::addColumn<QString>("main");
        QTest::addColumn<QString>("sub");
        QTest::addColumn<QString>("recipe");
        const QString ascii = QStringLiteral(" !\"#$%&'()*+,-./0123456789:;<=>?@ABCXYZ[\\]^_`abcxyz{|}~");
        QTest::addRow("printable ascii") << name75(ascii, 'A') << name75(ascii, 'B') << name75(ascii, 'C');
        const QString paths = QStringLiteral("/../\\..\\:*?\"<>|%2F%00~$HOME");
        QTest::addRow("path and shell characters")
            << name75(paths, '.') << name75(paths, '/') << name75(paths, '~');
        const QString sql = QStringLiteral("'; DROP TABLE Ohje; -- \"' OR '1'='1");
        QTest::addRow("quotes") << name75(sql, '\'') << name75(sql, '"') << name75(sql, ';');
        const QString latin = QStringLiteral("ÄÅÖäåöÉéÜüßÑñçÇ´`¨½§£€µ×÷¡¿«»°±© ");
        QTest::addRow("accents and signs")
            << name75(latin, QChar(0xe4)) << name75(latin, QChar(0xf6)) << name75(latin, QChar(0xe5));
        const QString wide = QStringLiteral("煮込み料理 Борщ 🍲🥘 عدس ‏ ‎ ​");
        QTest::addRow("wide, right-to-left and astral")
            << name75(wide, QChar(0x716e)) << name75(wide, QChar(0x0411)) << name75(wide, QChar(0x0639));
    }

    void longNames()
    {
        QFETCH(QString, main);
        QFETCH(QString, sub);
        QFETCH(QString, recipe);
        book->addMainGroup(QStringLiteral("Everyday"));
        openWindows();
        // Typing makes the first letter upper case.
        auto asStored = [](QString name) {
            name[0] = name.at(0).toUpper();
            return name;
        };
        // A name renamed is written backwards after a "Q", without its last
        // character (surrogate pairs kept whole).
        auto backwards = [](const QString &name) {
            QString result;
            for (int i = 0; i < name.size(); ++i) {
                if (name.at(i).isHighSurrogate() && i + 1 < name.size()) {
                    result.prepend(name.mid(i, 2));
                    ++i;
                } else {
                    result.prepend(name.at(i));
                }
            }
            const int last = result.at(0).isHighSurrogate() ? 2 : 1;
            return QStringLiteral("Q") + result.mid(last) + QString(last - 1, QLatin1Char('q'));
        };
        QCOMPARE(main.size(), 75);

        answerName(main);
        w->menuAction("MenuLisaaPaa")->trigger();
        QVERIFY(!Dialogs::messages().isEmpty());
        QCOMPARE(otherThanLengthWarnings(), QString());
        QVERIFY2(book->storedNames("Paaryhma").contains(asStored(main)), qPrintable(book->storedNames("Paaryhma").join('|')));
        int row = -1;
        for (int i = 0; i < w->DBLLBoxPaaryhma()->model()->rowCount(); ++i)
            if (rowName(w->DBLLBoxPaaryhma(), i) == asStored(main))
                row = i;
        QVERIFY(row >= 0);
        clickRow(w->DBLLBoxPaaryhma(), row);
        QCOMPARE(w->state().CurrentMainGroup, asStored(main));

        answerName(sub);
        w->menuAction("MenuLisaaAla")->trigger();
        QCOMPARE(book->storedNames("Alaryhma", asStored(main)), QStringList{asStored(sub)});
        clickRow(w->DBLLBoxAlaryhma(), 0);
        QCOMPARE(w->state().CurrentSubgroup, asStored(sub));
        answerName(recipe);
        w->menuAction("MenuLisaaResepti")->trigger();
        QCOMPARE(book->storedNames("Ohje", asStored(sub)), QStringList{asStored(recipe)});

        // Renamed from the bottom up; the children follow every new name.
        clickRow(w->DBLLBoxAlaryhma(), 0);
        clickRow(w->DBLLBoxLista(), 0);
        QCOMPARE(w->state().CurrentRecipe, asStored(recipe));
        const QString recipe2 = backwards(asStored(recipe));
        Dialogs::queueResponse([recipe2](QDialog *d) {
            auto *dialog = qobject_cast<TFormUusi *>(d);
            QVERIFY(dialog);
            dialog->EditUusi->setText(recipe2);
            dialog->BitBtnOK->click();
        });
        w->menuAction("MenuMuutaResepti")->trigger();
        QCOMPARE(book->storedNames("Ohje", asStored(sub)), QStringList{recipe2});

        clickRow(w->DBLLBoxPaaryhma(), row);
        clickRow(w->DBLLBoxAlaryhma(), 0);
        const QString sub2 = backwards(asStored(sub));
        Dialogs::queueResponse([sub2](QDialog *d) {
            qobject_cast<TFormUusi *>(d)->EditUusi->setText(sub2);
            qobject_cast<TFormUusi *>(d)->BitBtnOK->click();
        });
        w->menuAction("MenuMuutaAla")->trigger();
        QCOMPARE(book->storedNames("Alaryhma", asStored(main)), QStringList{sub2});
        QCOMPARE(book->storedNames("Ohje", sub2), QStringList{recipe2});

        clickRow(w->DBLLBoxPaaryhma(), row);
        const QString main2 = backwards(asStored(main));
        Dialogs::queueResponse([main2](QDialog *d) {
            qobject_cast<TFormUusi *>(d)->EditUusi->setText(main2);
            qobject_cast<TFormUusi *>(d)->BitBtnOK->click();
        });
        w->menuAction("MenuMuutaPaa")->trigger();
        QVERIFY2(book->storedNames("Paaryhma").contains(main2), qPrintable(book->storedNames("Paaryhma").join("|") + "\n" + main2 + "\n" + w->state().CurrentMainGroup));
        QVERIFY(!book->storedNames("Paaryhma").contains(asStored(main)));
        QCOMPARE(book->storedNames("Alaryhma", main2), QStringList{sub2});
        QCOMPARE(otherThanLengthWarnings(), QString());
        Dialogs::clearRecord();

        // Selected again under its new names, the recipe takes a picture,
        // whose file lies directly inside the picture folder.
        row = int(book->storedNames("Paaryhma").indexOf(main2));
        QCOMPARE(rowName(w->DBLLBoxPaaryhma(), row), main2);
        clickRow(w->DBLLBoxPaaryhma(), row);
        clickRow(w->DBLLBoxAlaryhma(), 0);
        clickRow(w->DBLLBoxLista(), 0);
        QCOMPARE(w->state().CurrentMainGroup, main2);
        QCOMPARE(w->state().CurrentSubgroup, sub2);
        QCOMPARE(w->state().CurrentRecipe, recipe2);
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("in.png"));
        QVERIFY(QImage(60, 40, QImage::Format_RGB32).save(png));
        FileChooser::setAnswer([png](const FileChooser::Request &) { return QStringList{png}; });
        w->menuAction("MenuLisaaKuva")->trigger();
        QVERIFY(Dialogs::messages().isEmpty());
        const QString file = PicturePaths::pictureFile(recipe2);
        QVERIFY2(QFile::exists(file), qPrintable(file));
        QCOMPARE(QFileInfo(file).absolutePath() + QLatin1Char('/'), book->picsFolder());
        QCOMPARE(QDir(book->picsFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
        QCOMPARE(book->storedRecipeField(recipe2, QStringLiteral("Kuva")), QStringLiteral("True"));

        // Deleting the main group takes everything with it, the picture too.
        clickRow(w->DBLLBoxPaaryhma(), row);
        answerDelete();
        w->menuAction("MenuPoistaPaa")->trigger();
        QCOMPARE(book->storedNames("Paaryhma"), QStringList{"Everyday"});
        QVERIFY(book->storedNames("Alaryhma").isEmpty());
        QVERIFY(book->storedNames("Ohje").isEmpty());
        QVERIFY(!QFile::exists(file));
    }

    // A main group with 10,000 subgroups, and a subgroup with 5,000 recipes:
    // selected at the far end, scrolled, added to and deleted from.
    void longLists_data()
    {
        QTest::addColumn<bool>("recipes");
        QTest::addColumn<int>("count");
        QTest::addRow("subgroups of one main group") << false << ManySubgroups;
        QTest::addRow("recipes of one subgroup") << true << ManyRecipes;
    }

    void longLists()
    {
        QFETCH(bool, recipes);
        QFETCH(int, count);
        book->addMainGroup(QStringLiteral("Everything"));
        book->addMainGroup(QStringLiteral("Nothing"));
        QStringList names;
        for (int i = 1; i <= count; ++i)
            names << QStringLiteral("%1 %2").arg(recipes ? "Recipe" : "Subgroup").arg(i, 5, 10, QLatin1Char('0'));
        if (recipes) {
            book->addSubgroup(QStringLiteral("All"), QStringLiteral("Everything"));
            addRows(book->dataFolder(), QStringLiteral("Ohje"), QStringLiteral("All"), names);
        } else {
            addRows(book->dataFolder(), QStringLiteral("Alaryhma"), QStringLiteral("Everything"), names);
        }
        openWindows();
        clickRow(w->DBLLBoxPaaryhma(), 0);
        if (recipes)
            clickRow(w->DBLLBoxAlaryhma(), 0);
        DataBoundList *list = recipes ? w->DBLLBoxLista() : w->DBLLBoxAlaryhma();
        QString &current = recipes ? w->state().CurrentRecipe : w->state().CurrentSubgroup;
        const QString level = recipes ? QStringLiteral("Ohje") : QStringLiteral("Alaryhma");
        const QString parent = recipes ? QStringLiteral("All") : QStringLiteral("Everything");
        QCOMPARE(list->listModel()->totalRows(), count);

        // Scrolled down, the list reads more rows each time it reaches its
        // end, until the last rows are drawn with their names.
        for (int i = 0; i <= count && list->model()->rowCount() < count; ++i)
            list->scrollToBottom();
        QCOMPARE(list->model()->rowCount(), count);
        list->scrollToBottom();
        QApplication::processEvents();
        const QModelIndex last = list->model()->index(count - 1, 0);
        QVERIFY(list->viewport()->rect().contains(list->visualRect(last)));
        QCOMPARE(last.data().toString(), names.last());
        // The click that gives the list the focus selects the row under the
        // mouse, far from the list's current row.
        QVERIFY(!list->hasFocus());
        clickRow(list, count - 1);
        QCOMPARE(current, names.last());
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(current, names.at(count - 2));
        clickRow(list, count / 2);
        QCOMPARE(current, names.at(count / 2));
        QCOMPARE(rowName(list, count / 2), names.at(count / 2));

        // A new one comes last, in the list and on disk.
        clickRow(recipes ? w->DBLLBoxAlaryhma() : w->DBLLBoxPaaryhma(), 0);
        answerName(QStringLiteral("Zz newest"));
        w->menuAction(recipes ? "MenuLisaaResepti" : "MenuLisaaAla")->trigger();
        QVERIFY(Dialogs::messages().isEmpty());
        names << QStringLiteral("Zz newest");
        QCOMPARE(book->storedNames(level, parent), names);
        if (recipes)
            clickRow(w->DBLLBoxAlaryhma(), 0);
        QCOMPARE(list->listModel()->totalRows(), count + 1);
        QCOMPARE(rowName(list, count), names.last());
        clickRow(list, count);
        QCOMPARE(current, names.last());

        // One from the middle goes, and only that one.
        clickRow(list, count / 3);
        QCOMPARE(current, names.at(count / 3));
        answerDelete();
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(Dialogs::pendingResponses(), 0);
        names.removeAt(count / 3);
        QCOMPARE(book->storedNames(level, parent), names);
        if (recipes) {
            clickRow(w->DBLLBoxAlaryhma(), 0);
        } else {
            clickRow(w->DBLLBoxPaaryhma(), 0);
        }
        QCOMPARE(list->listModel()->totalRows(), count);
        QCOMPARE(rowName(list, count / 3), names.at(count / 3));
        QCOMPARE(rowName(list, count - 1), names.last());

        // The other main group still shows none of them.
        clickRow(w->DBLLBoxPaaryhma(), 1);
        QCOMPARE(w->DBLLBoxAlaryhma()->listModel()->totalRows(), 0);
    }
};

QTEST_MAIN(TestBigInputs)
#include "TestBigInputs.moc"
