#include "app/FormPaa.h"
#include "platform/Dialogs.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmQtPrinterBackend.h"
#include "print/FormPrintPrev.h"
#include "settings/SettingsStore.h"
#include "store/book/CookbookSource.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

// The lines with text of each page of a PDF, spaces simplified and
// ligatures split into their letters.
QList<QStringList> pdfPages(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    QList<QStringList> pages;
    for (const QString &page : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'))) {
        QStringList lines;
        for (const QString &line : page.split(QLatin1Char('\n'))) {
            const QString simple = line.normalized(QString::NormalizationForm_KC).simplified();
            if (!simple.isEmpty())
                lines << simple;
        }
        pages << lines;
    }
    while (!pages.isEmpty() && pages.last().isEmpty())
        pages.removeLast();
    return pages;
}

// "Name ........ 12" or "leek ........ 4, 9" as name and page numbers.
QList<QPair<QString, QString>> entries(const QStringList &lines)
{
    static const QRegularExpression entry(QStringLiteral("^(.*?) ?\\.{3,} ?([0-9][0-9, ]*)$"));
    QList<QPair<QString, QString>> found;
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = entry.match(line);
        if (m.hasMatch())
            found.append({m.captured(1), m.captured(2)});
    }
    return found;
}

// The book the tests print: two main groups, one recipe long enough for
// several pages, pictures, and a leek in both groups.
void fillBook(BookFixture &book)
{
    book.addMainGroup(QStringLiteral("Baking"));
    book.addMainGroup(QStringLiteral("Soups"));
    book.addSubgroup(QStringLiteral("Breads"), QStringLiteral("Baking"));
    book.addSubgroup(QStringLiteral("Pies"), QStringLiteral("Baking"));
    book.addSubgroup(QStringLiteral("Hot soups"), QStringLiteral("Soups"));
    QStringList long_;
    for (int i = 1; i <= 120; ++i)
        long_ << QStringLiteral("%1 dl rye flour of sort %2").arg(i % 4 + 1).arg(i);
    auto fields = [](const QString &ingredients) {
        return QList<QPair<QString, QString>>{{QStringLiteral("Aineet"), ingredients},
                                              {QStringLiteral("Ohje"), QStringLiteral("Mix.\nBake.")},
                                              {QStringLiteral("Annos"), QStringLiteral("4")}};
    };
    book.addRecipe(QStringLiteral("Rye bread"), QStringLiteral("Breads"), true, QStringLiteral("Dark and sour."),
                   fields(long_.join(QLatin1Char('\n'))));
    book.addRecipe(QStringLiteral("Apple pie"), QStringLiteral("Pies"), false, QString(),
                   fields(QStringLiteral("5 apples\n2 dl sugar")));
    book.addRecipe(QStringLiteral("Leek pie"), QStringLiteral("Pies"), true, QString(),
                   fields(QStringLiteral("3 Leeks\n2 dl cream")));
    book.addRecipe(QStringLiteral("Leek soup"), QStringLiteral("Hot soups"), false, QString(),
                   fields(QStringLiteral("2 leek\n1 l water")));
}

struct Run
{
    int code = -1;
    QString error;
};

Run cookbook(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(MEALDECK_DATA_TOOL), QStringList{QStringLiteral("cookbook")} + arguments);
    Run run;
    if (!tool.waitForFinished(120000))
        return run;
    run.code = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.error = QString::fromLocal8Bit(tool.readAllStandardError());
    return run;
}

// Checks a Baking cookbook read back: its recipes and no others, every
// contents and index entry pointing at the page whose first line is that
// recipe's name, and the leek of the index at the leek pie.
void checkBakingBook(const QList<QStringList> &pages)
{
    QVERIFY(pages.size() > 5);
    QVERIFY2(pages.at(0).contains(QStringLiteral("Baking")), qPrintable(pages.at(0).join(u'|')));
    QVERIFY(pages.at(0).contains(QStringLiteral("3 recipes")));
    QString all;
    for (const QStringList &page : pages)
        all += page.join(u'\n') + u'\n';
    QVERIFY(!all.contains(QStringLiteral("Leek soup")));
    QVERIFY(!all.contains(QStringLiteral("water")));

    QMap<QString, int> contents;
    QMap<QString, int> indexed;
    QMap<QString, QString> ingredients;
    bool inIngredients = false;
    for (const QStringList &page : pages) {
        const QString footer = page.value(page.size() - 1);
        if (footer.startsWith(QLatin1String("Contents "))) {
            for (const auto &e : entries(page))
                contents.insert(e.first, e.second.toInt());
        } else if (footer.startsWith(QLatin1String("Index "))) {
            const int split = inIngredients ? 0 : page.indexOf(QStringLiteral("Ingredients"));
            for (const auto &e : entries(split < 0 ? page : page.mid(0, split)))
                indexed.insert(e.first, e.second.toInt());
            for (const auto &e : entries(split < 0 ? QStringList() : page.mid(split)))
                ingredients.insert(e.first, e.second);
            inIngredients = inIngredients || split >= 0;
        }
    }
    const QStringList names{QStringLiteral("Apple pie"), QStringLiteral("Leek pie"), QStringLiteral("Rye bread")};
    QCOMPARE(contents.keys(), names);
    QCOMPARE(indexed, contents);
    for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
        QVERIFY(it.value() >= 1 && it.value() <= pages.size());
        QCOMPARE(pages.at(it.value() - 1).value(0), it.key());
    }
    // The long recipe takes pages of its own, and those that follow count them.
    QVERIFY(contents.value(QStringLiteral("Apple pie")) - contents.value(QStringLiteral("Rye bread")) >= 2);
    QCOMPARE(ingredients.value(QStringLiteral("leeks")), QString::number(contents.value(QStringLiteral("Leek pie"))));
    QCOMPARE(ingredients.value(QStringLiteral("cream")), QString::number(contents.value(QStringLiteral("Leek pie"))));
}

} // namespace

class TestCookbook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed (Debian package poppler-utils); the PDF's text cannot be read");
    }

    // mealdeck-data cookbook of one main group: the group's recipes on A5
    // pages, contents and index pointing at the right pages.
    void mainGroupToPdf()
    {
        BookFixture book;
        QVERIFY2(book.isValid(), qPrintable(book.error()));
        fillBook(book);
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("baking.pdf"));
        const Run run = cookbook({book.programFolder(), pdf, QStringLiteral("--main-group"), QStringLiteral("Baking"),
                                  QStringLiteral("--paper"), QStringLiteral("A5")});
        QVERIFY2(run.code == 0, qPrintable(run.error));
        const QList<QStringList> pages = pdfPages(pdf);
        checkBakingBook(pages);

        QProcess info;
        info.start(QStringLiteral("pdfinfo"),
                   {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("999"), pdf});
        QVERIFY(info.waitForFinished(30000));
        const QRegularExpression size(QStringLiteral("^Page +\\d+ size: +([0-9.]+) x ([0-9.]+) pts"),
                                      QRegularExpression::MultilineOption);
        int a5 = 0;
        for (auto it = size.globalMatch(QString::fromUtf8(info.readAllStandardOutput())); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            a5 += qAbs(m.captured(1).toDouble() * 25.4 / 72 - 148) < 1 && qAbs(m.captured(2).toDouble() * 25.4 / 72 - 210) < 1;
        }
        QCOMPARE(a5, pages.size());
    }

    // Unknown groups, files that cannot be written and books above the
    // limit are refused with exit 2; the web page holds its pictures and
    // links only to itself.
    void refusalsAndWebPage()
    {
        BookFixture book;
        QVERIFY2(book.isValid(), qPrintable(book.error()));
        fillBook(book);
        QTemporaryDir out;
        const QString dir = book.programFolder();

        Run run = cookbook({dir, out.filePath(QStringLiteral("a.pdf")), QStringLiteral("--subgroup"),
                            QStringLiteral("Cakes")});
        QCOMPARE(run.code, 2);
        QVERIFY2(run.error.contains(QStringLiteral("No subgroup named \"Cakes\"")), qPrintable(run.error));
        run = cookbook({dir, out.filePath(QStringLiteral("missing/a.pdf"))});
        QCOMPARE(run.code, 2);
        QVERIFY2(run.error.contains(QStringLiteral("Cannot write")), qPrintable(run.error));
        QVERIFY(!QFileInfo::exists(out.filePath(QStringLiteral("a.pdf"))));

        const QString html = out.filePath(QStringLiteral("pies.html"));
        run = cookbook({dir, html, QStringLiteral("--subgroup"), QStringLiteral("Pies")});
        QVERIFY2(run.code == 0, qPrintable(run.error));
        QFile file(html);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(file.readAll());
        QVERIFY(page.contains(QStringLiteral("<meta name=\"viewport\" content=\"width=device-width")));
        QVERIFY(page.contains(QStringLiteral("<title>Pies</title>")));
        QVERIFY(page.contains(QStringLiteral("Leek pie")));
        QVERIFY(!page.contains(QStringLiteral("Rye bread")));
        // The artwork and the leek pie's picture, inside the page.
        QCOMPARE(page.count(QStringLiteral("<img src=\"data:image/jpeg;base64,")), 2);
        const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
        int links = 0;
        for (auto it = link.globalMatch(page); it.hasNext(); ++links)
            QVERIFY(page.contains(QStringLiteral("id=\"%1\"").arg(it.next().captured(1))));
        QVERIFY(links >= 4);
        QVERIFY(!page.contains(QStringLiteral("src=\"http")) && !page.contains(QStringLiteral("src=\"file")));

        // One recipe more than a cookbook takes.
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open((book.dataFolder() + QStringLiteral("/Ohje.db")).toUtf8().constData(), &db), SQLITE_OK);
        const QByteArray fill = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                               "WHERE i < %1) INSERT INTO Ohje (Nimi, Ryhma) SELECT 'Bun ' || i, "
                                               "'Breads' FROM n")
                                    .arg(CookbookSource::MaxRecipes - 3)
                                    .toUtf8();
        QCOMPARE(sqlite3_exec(db, fill.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        run = cookbook({dir, out.filePath(QStringLiteral("all.pdf"))});
        QCOMPARE(run.code, 2);
        QVERIFY2(run.error.contains(QStringLiteral("5,001 recipes")) && run.error.contains(QStringLiteral("5,000")),
                 qPrintable(run.error));
        QVERIFY(!QFileInfo::exists(out.filePath(QStringLiteral("all.pdf"))));
    }

    // Book -> Print Cookbook... on the selected main group, through the
    // preview to a PDF file.
    void printCookbookFromTheWindow()
    {
        auto backend = std::make_unique<TGmQtPrinterBackend>();
        const int pdfPrinter = int(backend->printerNames().indexOf(TGmQtPrinterBackend::pdfPrinterName()));
        QVERIFY(pdfPrinter >= 0);
        TGmPrinter *printer = TGmPrinter::install(std::move(backend));
        if (printer->PrinterIndex() != pdfPrinter)
            printer->SetPrinterIndex(pdfPrinter);

        BookFixture book;
        QVERIFY2(book.isValid(), qPrintable(book.error()));
        fillBook(book);
        {
            SettingsKey key;
            QVERIFY(key.open());
            key.writeBool(QLatin1String(SettingNames::Aines), true);
            key.writeBool(QLatin1String(SettingNames::About), true);
        }
        TFormPaa *main = BookFixture::createWindows();
        QVERIFY(main && main->tablesOpened());
        main->show();
        Dialogs::clearRecord();
        QVERIFY(main->selectRecipe(QStringLiteral("Baking"), QStringLiteral("Pies"), QStringLiteral("Apple pie")));
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("cookbook.pdf"));

        QString title;
        Dialogs::queueResponse([&](QDialog *dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("FormKeittokirja"));
            QVERIFY(dialog->findChild<QRadioButton *>(QStringLiteral("RBPaaryhma"))->isChecked());
            title = dialog->findChild<QLineEdit *>(QStringLiteral("EditOtsikko"))->text();
            dialog->findChild<QPushButton *>(QStringLiteral("BitBtnOK"))->click();
        });
        int previewPages = 0;
        QString pageLabel;
        QString offered;
        Dialogs::queueResponse([&](QDialog *dialog) {
            auto *form = qobject_cast<TFormPrintPrev *>(dialog);
            QVERIFY(form);
            previewPages = form->GmPreview()->NumPages();
            pageLabel = form->findChild<QLabel *>(QStringLiteral("LabelSivuja"))->text();
            Dialogs::queueResponse([&](QDialog *files) {
                offered = static_cast<QFileDialog *>(files)->selectedFiles().value(0);
                static_cast<QFileDialog *>(files)->selectFile(pdf);
                files->accept();
            });
            form->BBTul()->click();
            form->BBSulje()->click();
        });
        main->menuAction(QStringLiteral("MenuKeittokirja"))->trigger();
        QCOMPARE(Dialogs::shownDialogs(),
                 (QStringList{QStringLiteral("FormKeittokirja"), QStringLiteral("FormPrintCookbook"),
                              QStringLiteral("PdfFileDialog")}));
        QCOMPARE(title, QStringLiteral("Baking"));
        QVERIFY2(offered.endsWith(QStringLiteral("/Baking.pdf")), qPrintable(offered));
        const QList<QStringList> pages = pdfPages(pdf);
        QCOMPARE(previewPages, pages.size());
        QCOMPARE(pageLabel, QStringLiteral("%1 pages").arg(pages.size()));
        checkBakingBook(pages);

        // The selected subgroup as a web page; the title follows the choice.
        const QString html = out.filePath(QStringLiteral("pies.html"));
        Dialogs::queueResponse([&](QDialog *dialog) {
            dialog->findChild<QRadioButton *>(QStringLiteral("RBAlaryhma"))->click();
            title = dialog->findChild<QLineEdit *>(QStringLiteral("EditOtsikko"))->text();
            dialog->findChild<QPushButton *>(QStringLiteral("BitBtnWeb"))->click();
        });
        Dialogs::queueResponse([&](QDialog *files) {
            static_cast<QFileDialog *>(files)->selectFile(html);
            files->accept();
        });
        main->menuAction(QStringLiteral("MenuKeittokirja"))->trigger();
        QCOMPARE(title, QStringLiteral("Pies"));
        QFile file(html);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(file.readAll());
        QVERIFY(page.contains(QStringLiteral("<h1>Pies</h1>")));
        QVERIFY(page.contains(QStringLiteral("Apple pie")) && page.contains(QStringLiteral("Leek pie")));
        QVERIFY(!page.contains(QStringLiteral("Rye bread")));
        BookFixture::destroyWindows();
        TGmPrinter::release();
    }
};

QTEST_MAIN(TestCookbook)
#include "TestCookbook.moc"
