#include "platform/Dialogs.h"
#include "preview/GmMessages.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmQtPrinterBackend.h"
#include "preview/GmRtfInformation.h"
#include "preview/GmRtfPreview.h"
#include "print/FormPrintPrev.h"
#include "print/PrintPreviewHost.h"
#include "print/RadioGroup.h"
#include "print/RecipeDocument.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class Host : public PrintPreviewHost
{
public:
    QPlainTextEdit *Memo1() const override { return memo.get(); }
    bool fullSizeMode() const override { return false; }
    bool smallSizeMode() const override { return false; }
    QString currentRecipe() const override { return QStringLiteral("Rye bread"); }
    TGmFont currentRecipeFont() const override { return font; }
    void setCurrentRecipeFont(const TGmFont &f) override { font = f; }

    TGmFont font;

    std::unique_ptr<QPlainTextEdit> memo = std::make_unique<QPlainTextEdit>();
};

QStringList recipeLines()
{
    QStringList ingredients;
    for (int i = 1; i <= 45; ++i)
        ingredients << QStringLiteral("%1 dl rye flour number %2").arg(i % 5 + 1).arg(i);
    QStringList directions;
    for (int i = 1; i <= 40; ++i)
        directions << QStringLiteral("Step %1: knead the dough and let it rise").arg(i);
    return RecipeDocument::previewDocument(QStringLiteral("Rye bread"), QStringLiteral("4"), QStringLiteral("3"),
                                           QStringLiteral("90 min"), ingredients.join(QLatin1Char('\n')),
                                           directions.join(QLatin1Char('\n')));
}

// Lines with text, spaces simplified and ligatures the font drew (a PDF
// reader gives back "\uFB02" for "fl") split into their letters.
QStringList nonBlank(const QStringList &lines)
{
    QStringList result;
    for (const QString &line : lines) {
        const QString simple = line.normalized(QString::NormalizationForm_KC).simplified();
        if (!simple.isEmpty())
            result << simple;
    }
    return result;
}

// The text of each page of a PDF.
QStringList pdfPages(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The first line of text of each preview page.
QStringList previewPageStarts(TGmPreview *preview)
{
    TGmRtfInformation *store = TGmRtfPreview::textStoreOf(preview);
    const QString text = store->RichEdit()->Text();
    QStringList starts;
    for (int page = 1; page <= preview->NumPages(); ++page) {
        const TGmRtfOffset *r = store->FindPage(page);
        if (!r)
            return {};
        const int end = r->EndChar < 0 ? int(text.size()) : r->EndChar;
        starts << nonBlank(text.mid(r->StartChar, end - r->StartChar).split(QLatin1Char('\n'))).value(0);
    }
    return starts;
}

// Answers the file question with `file` and presses Print; returns the file offered.
QString printTo(TFormPrintPrev &form, const QString &file)
{
    QString offered;
    Dialogs::queueResponse([&](QDialog *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(files);
        offered = files->selectedFiles().value(0);
        if (file.isEmpty()) {
            dialog->reject();
            return;
        }
        files->selectFile(file);
        static_cast<QDialog *>(files)->accept();
    });
    form.BBTul()->click();
    return offered;
}

// Page sizes of a PDF in millimetres, as pdfinfo gives them.
QList<QSizeF> pdfPageSizes(const QString &file, int pages)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"),
                  {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QString::number(pages), file});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    QList<QSizeF> sizes;
    const QRegularExpression pageSize(QStringLiteral("^Page +\\d+ size: +([0-9.]+) x ([0-9.]+) pts"));
    for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = pageSize.match(line);
        if (m.hasMatch())
            sizes << QSizeF(m.captured(1).toDouble() * 25.4 / 72, m.captured(2).toDouble() * 25.4 / 72);
    }
    return sizes;
}

} // namespace

class TestPdfPrinting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        auto backend = std::make_unique<TGmQtPrinterBackend>();
        const int pdf = int(backend->printerNames().indexOf(TGmQtPrinterBackend::pdfPrinterName()));
        QVERIFY(pdf >= 0);
        TGmPrinter *printer = TGmPrinter::install(std::move(backend));
        if (printer->PrinterIndex() != pdf)
            printer->SetPrinterIndex(pdf);
        QCOMPARE(printer->PrinterIndex(), pdf);
    }
    void init()
    {
        Dialogs::clearRecord();
        GmMessages::clearRecorded();
    }
    void cleanupTestCase() { TGmPrinter::release(); }

    // Printing the recipe to the "PDF file" printer writes one page per
    // preview page, the recipe's lines in order, broken where the preview
    // breaks them.
    void longRecipeToPdf()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed (Debian package poppler-utils); the PDF's text cannot be read");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("rye.pdf"));
        const QStringList lines = recipeLines();
        Host host;
        host.memo->setPlainText(lines.join(QLatin1Char('\n')));
        TFormPrintPrev form(&host);
        form.show();
        TGmPreview *preview = form.GmPreview();
        // The page count depends on the fonts of the machine; the recipe is
        // long enough for several pages with any of them.
        const int pageCount = preview->NumPages();
        QVERIFY2(pageCount >= 2, qPrintable(QString::number(pageCount)));

        // The first line of each preview page.
        TGmRtfInformation *store = TGmRtfPreview::textStoreOf(preview);
        const QString text = store->RichEdit()->Text();
        QStringList pageStarts;
        for (int page = 1; page <= pageCount; ++page) {
            const TGmRtfOffset *r = store->FindPage(page);
            QVERIFY(r);
            const int end = r->EndChar < 0 ? int(text.size()) : r->EndChar;
            pageStarts << nonBlank(text.mid(r->StartChar, end - r->StartChar).split(QLatin1Char('\n'))).value(0);
        }

        QString offered;
        Dialogs::queueResponse([&](QDialog *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(files);
            offered = files->selectedFiles().value(0);
            files->selectFile(file);
            static_cast<QDialog *>(files)->accept();
        });
        form.BBTul()->click();
        QCOMPARE(Dialogs::shownDialogs(), QStringList{"PdfFileDialog"});
        QVERIFY2(offered.endsWith(QStringLiteral("/Rye bread.pdf")), qPrintable(offered));
        QVERIFY(QFileInfo::exists(file));

        const QStringList pages = pdfPages(file);
        QCOMPARE(pages.size(), pageCount);
        QStringList printed;
        for (int page = 0; page < pageCount; ++page) {
            const QStringList pageLines = nonBlank(pages.at(page).split(QLatin1Char('\n')));
            QCOMPARE(pageLines.value(0), pageStarts.at(page));
            printed << pageLines;
        }
        QCOMPARE(printed, nonBlank(lines));
        QVERIFY(form.isVisible());
    }

    // The PDF has the preview's paper and orientation on every page, and
    // each page starts where the preview's page starts.
    void pdfHasThePreviewsPaper_data()
    {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSizeF>("millimetres");
        QTest::addRow("A5") << 1 << 0 << QSizeF(148, 210);
        QTest::addRow("A4 landscape") << 0 << 1 << QSizeF(297, 210);
        QTest::addRow("150 x 300 mm") << 2 << 0 << QSizeF(150, 300);
    }
    void pdfHasThePreviewsPaper()
    {
        QFETCH(int, paper);
        QFETCH(int, orientation);
        QFETCH(QSizeF, millimetres);
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdfinfo is not installed (Debian package poppler-utils); the PDF's pages cannot be read");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("paper.pdf"));
        Host host;
        host.memo->setPlainText(recipeLines().join(QLatin1Char('\n')));
        TFormPrintPrev form(&host);
        form.show();
        form.EditLev()->setText(QStringLiteral("150"));
        form.EditKor()->setText(QStringLiteral("300"));
        form.RGKoko()->Button(paper)->click();
        form.RGSuunta()->Button(orientation)->click();
        const int pageCount = form.GmPreview()->NumPages();
        QVERIFY2(pageCount >= 2, qPrintable(QString::number(pageCount)));
        const QStringList starts = previewPageStarts(form.GmPreview());

        printTo(form, file);
        QVERIFY(GmMessages::recorded().isEmpty());
        const QList<QSizeF> sizes = pdfPageSizes(file, pageCount);
        QCOMPARE(sizes.size(), pageCount);
        for (const QSizeF &size : sizes) {
            QVERIFY2(qAbs(size.width() - millimetres.width()) < 0.5 && qAbs(size.height() - millimetres.height()) < 0.5,
                     qPrintable(QStringLiteral("%1 x %2 mm").arg(size.width()).arg(size.height())));
        }
        const QStringList pages = pdfPages(file);
        QCOMPARE(pages.size(), pageCount);
        for (int page = 0; page < pageCount; ++page)
            QCOMPARE(nonBlank(pages.at(page).split(QLatin1Char('\n'))).value(0), starts.at(page));
    }

    // The file is offered in the documents folder when there is one, else in
    // the home folder; a file that cannot be written is named with the reason.
    void pdfFileFolderAndFailure()
    {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        Host host;
        host.memo->setPlainText(QStringLiteral("Rye bread\n\n\nFlour"));
        TFormPrintPrev form(&host);
        form.show();
        const QString inHome = printTo(form, QString());
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Documents")));
        const QString inDocuments = printTo(form, QString());
        // A folder that goes away between the question and the printing.
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Stick")));
        const QString missing = home.filePath(QStringLiteral("Stick/Rye bread.pdf"));
        Dialogs::queueResponse([&](QDialog *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(files);
            files->selectFile(missing);
            static_cast<QDialog *>(files)->accept();
            QVERIFY(QDir(home.path()).rmdir(QStringLiteral("Stick")));
        });
        form.BBTul()->click();
        qputenv("HOME", oldHome);

        QCOMPARE(inHome, QDir(home.path()).filePath(QStringLiteral("Rye bread.pdf")));
        QCOMPARE(inDocuments, QDir(home.path()).filePath(QStringLiteral("Documents/Rye bread.pdf")));
        QCOMPARE(GmMessages::recorded(),
                 QStringList{QStringLiteral("TApplication Error...\n\nUnable to start the print job on \"PDF file\": "
                                            "cannot write \"%1\": No such file or directory")
                                 .arg(missing)});
        QVERIFY(!form.GmPreview()->GmPrinter()->Printing());
        QVERIFY(form.isVisible());
    }

    void cancelledQuestionPrintsNothing()
    {
        QTemporaryDir dir;
        Host host;
        host.memo->setPlainText(QStringLiteral("Rye bread\n\n\nFlour"));
        TFormPrintPrev form(&host);
        form.show();
        Dialogs::queueResponse([](QDialog *dialog) { dialog->reject(); });
        form.BBTul()->click();
        QCOMPARE(Dialogs::shownDialogs(), QStringList{"PdfFileDialog"});
        QVERIFY(!form.GmPreview()->GmPrinter()->Printing());
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
        QVERIFY(GmMessages::recorded().isEmpty());
    }

    void directPrintAsksForTheFileToo()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("direct.pdf"));
        Host host;
        host.memo->setPlainText(RecipeDocument::directPrintDocument(QStringLiteral("Rye bread"), QStringLiteral("Flour"),
                                                                    QStringLiteral("Bake."))
                                    .join(QLatin1Char('\n')));
        Dialogs::queueResponse([&](QDialog *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(files);
            files->selectFile(file);
            static_cast<QDialog *>(files)->accept();
        });
        TFormPrintPrev::PrintDirect(&host, nullptr);
        QVERIFY(QFileInfo(file).size() > 0);
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            const QStringList pages = pdfPages(file);
            QCOMPARE(pages.size(), 1);
            QCOMPARE(nonBlank(pages.first().split(QLatin1Char('\n'))), (QStringList{"Rye bread", "Flour", "Bake."}));
        }
    }
};

QTEST_MAIN(TestPdfPrinting)
#include "TestPdfPrinting.moc"
