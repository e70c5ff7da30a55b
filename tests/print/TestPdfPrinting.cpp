#include "platform/Dialogs.h"
#include "preview/GmMessages.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmQtPrinterBackend.h"
#include "preview/GmRtfInformation.h"
#include "preview/GmRtfPreview.h"
#include "print/FormPrintPrev.h"
#include "print/PrintPreviewHost.h"
#include "print/RecipeDocument.h"

#include <QFileDialog>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
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
    TGmFont currentRecipeFont() const override { return TGmFont(); }

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
    void init() { Dialogs::clearRecord(); }
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
