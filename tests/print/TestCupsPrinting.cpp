#include "platform/Dialogs.h"
#include "preview/GmMessages.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmQtPrinterBackend.h"
#include "print/FormPrintPrev.h"
#include "print/PrintPreviewHost.h"
#include "print/RadioGroup.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cups/cups.h>
#include <unistd.h>

namespace {

const QString queueName = QStringLiteral("MealdeckTestPdf");

class Host : public PrintPreviewHost
{
public:
    QPlainTextEdit *Memo1() const override { return memo.get(); }
    bool fullSizeMode() const override { return false; }
    bool smallSizeMode() const override { return false; }
    QString currentRecipe() const override { return recipe; }
    TGmFont currentRecipeFont() const override { return font; }
    void setCurrentRecipeFont(const TGmFont &f) override { font = f; }

    std::unique_ptr<QPlainTextEdit> memo = std::make_unique<QPlainTextEdit>();
    QString recipe;
    TGmFont font;
};

QStringList recipeLines(const QString &name)
{
    QStringList lines{name, QString(), QString()};
    for (int i = 1; i <= 90; ++i)
        lines << QStringLiteral("%1 dl rye flour number %2").arg(i % 5 + 1).arg(i);
    return lines;
}

QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool done = process.waitForFinished(30000);
    if (exitCode)
        *exitCode = done && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The folder where the cups-pdf back end writes the PDFs of a user it does
// not know: the test prints as such a user, so that no home folder is touched.
const char anonymousUser[] = "mealdeck-test-nobody";

QString cupsPdfAnonymousFolder()
{
    QString folder = QStringLiteral("/var/spool/cups-pdf/ANONYMOUS");
    QFile config(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (config.open(QIODevice::ReadOnly)) {
        for (const QString &line : QString::fromUtf8(config.readAll()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("AnonDirName ")))
                folder = line.mid(12).trimmed();
        }
    }
    return folder;
}

// A print service of this test's own, with one queue that writes PDFs
// through cups-pdf; nothing of the machine's own printing is touched.
class CupsServer
{
public:
    CupsServer()
    {
        const QString cupsd = QStringLiteral("/usr/sbin/cupsd");
        if (!QFileInfo(cupsd).isExecutable()) {
            m_why = QStringLiteral("cupsd is not installed (Debian package cups)");
            return;
        }
        if (!QFileInfo::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf"))) {
            m_why = QStringLiteral("the cups-pdf back end is not installed (Debian package printer-driver-cups-pdf)");
            return;
        }
        if (geteuid() != 0) {
            m_why = QStringLiteral("a private print service needs root");
            return;
        }
        QDir root(m_dir.path());
        for (const char *sub : {"etc", "spool", "cache", "state", "tmp", "log"})
            root.mkpath(QLatin1String(sub));
        // The filters run as another user: they must reach the folders.
        QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7755));
        QFile::setPermissions(root.filePath(QStringLiteral("tmp")), QFileDevice::Permissions(0x7777));
        m_socket = root.filePath(QStringLiteral("cups.sock"));
        writeFile(root.filePath(QStringLiteral("etc/cupsd.conf")),
                  QStringLiteral("Listen %1\nLogLevel warn\nBrowsing Off\nWebInterface No\nDefaultAuthType None\n"
                                 "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n")
                      .arg(m_socket));
        writeFile(root.filePath(QStringLiteral("etc/cups-files.conf")),
                  QStringLiteral("ServerRoot %1/etc\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
                                 "TempDir %1/tmp\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                 "PageLog %1/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n")
                      .arg(m_dir.path()));
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), root.filePath(QStringLiteral("etc/cupsd.conf")),
                              QStringLiteral("-s"), root.filePath(QStringLiteral("etc/cups-files.conf"))});
        if (!m_cupsd.waitForStarted(10000)) {
            m_why = QStringLiteral("cupsd did not start");
            return;
        }
        for (int i = 0; i < 100 && !QFileInfo::exists(m_socket); ++i)
            QTest::qWait(100);
        int code = -1;
        run(QStringLiteral("lpadmin"),
            {QStringLiteral("-h"), m_socket, QStringLiteral("-p"), queueName, QStringLiteral("-E"), QStringLiteral("-v"),
             QStringLiteral("cups-pdf:/"), QStringLiteral("-P"), QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd")},
            &code);
        if (code != 0) {
            m_why = QStringLiteral("the private print service did not take the cups-pdf queue: ") +
                QString::fromUtf8(m_cupsd.readAll());
            return;
        }
        m_ready = true;
    }
    ~CupsServer() { stop(); }

    bool ready() const { return m_ready; }
    QString whyNot() const { return m_why; }
    QString socket() const { return m_socket; }
    void stop()
    {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(10000))
                m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
    }

private:
    static void writeFile(const QString &name, const QString &text)
    {
        QFile file(name);
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }

    QTemporaryDir m_dir;
    QProcess m_cupsd;
    QString m_socket;
    QString m_why;
    bool m_ready = false;
};

// The PDF that cups-pdf wrote for the job titled `title`, once the queue
// has finished every job.
QString waitForOutput(const QString &folder, const QString &title)
{
    for (int i = 0; i < 600; ++i) {
        cups_job_t *jobs = nullptr;
        const int active = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queueName.toUtf8().constData(), 0,
                                        CUPS_WHICHJOBS_ACTIVE);
        cupsFreeJobs(active, jobs);
        if (active == 0)
            break;
        QTest::qWait(100);
    }
    QString prefix = title;
    prefix.replace(QLatin1Char(' '), QLatin1Char('_'));
    const QStringList found = QDir(folder).entryList({prefix + QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
    return found.isEmpty() ? QString() : QDir(folder).filePath(found.first());
}

// Page sizes of a PDF in millimetres, as pdfinfo gives them; the first
// entry holds the page count as its width.
QList<QSizeF> pdfPageSizes(const QString &file, int pages)
{
    QList<QSizeF> sizes{QSizeF()};
    const QRegularExpression pageSize(QStringLiteral("^Page +\\d+ size: +([0-9.]+) x ([0-9.]+) pts"));
    const QString info = run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                         QString::number(pages), file});
    for (const QString &line : info.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Pages:")))
            sizes.first().setWidth(line.mid(6).trimmed().toInt());
        const QRegularExpressionMatch m = pageSize.match(line);
        if (m.hasMatch())
            sizes << QSizeF(m.captured(1).toDouble() * 25.4 / 72, m.captured(2).toDouble() * 25.4 / 72);
    }
    return sizes;
}

} // namespace

// Printing through a real CUPS queue: a print service of the test's own with
// a cups-pdf queue, whose PDFs are read back.
class TestCupsPrinting : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CupsServer> server;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdfinfo is not installed (Debian package poppler-utils)");
        server = std::make_unique<CupsServer>();
        if (!server->ready())
            QSKIP(qPrintable(QStringLiteral("No CUPS queue to print to: ") + server->whyNot()));
        // Before the first use of the print service in this process.
        qputenv("CUPS_SERVER", server->socket().toLocal8Bit());
        cupsSetUser(anonymousUser);
        auto backend = std::make_unique<TGmQtPrinterBackend>();
        const int queue = int(backend->printerNames().indexOf(queueName));
        QVERIFY2(queue >= 0, qPrintable(backend->printerNames().join(QLatin1String(", "))));
        TGmPrinter *printer = TGmPrinter::install(std::move(backend));
        if (printer->PrinterIndex() != queue)
            printer->SetPrinterIndex(queue);
        QCOMPARE(printer->PrinterIndex(), queue);
    }
    void init()
    {
        Dialogs::clearRecord();
        GmMessages::clearRecorded();
    }
    void cleanupTestCase()
    {
        TGmPrinter::release();
        server.reset();
    }

    // The queue receives the preview's paper on every page, as many pages as
    // the preview shows, under the recipe's name (cups-pdf names its file
    // after the job). Its PDFs hold the text as drawings, so the text itself
    // is compared on the "PDF file" printer.
    void queuePrintsThePreviewsPaper_data()
    {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSizeF>("millimetres");
        QTest::addRow("A4") << 0 << 0 << QSizeF(210, 297);
        QTest::addRow("A5") << 1 << 0 << QSizeF(148, 210);
        QTest::addRow("A4 landscape") << 0 << 1 << QSizeF(297, 210);
        QTest::addRow("150 x 300 mm") << 2 << 0 << QSizeF(150, 300);
    }
    void queuePrintsThePreviewsPaper()
    {
        QFETCH(int, paper);
        QFETCH(int, orientation);
        QFETCH(QSizeF, millimetres);
        Host host;
        host.recipe = QStringLiteral("Rye bread %1 %2").arg(QCoreApplication::applicationPid()).arg(QTest::currentDataTag());
        host.recipe.replace(QLatin1Char('.'), QLatin1Char(' '));
        host.memo->setPlainText(recipeLines(host.recipe).join(QLatin1Char('\n')));
        TFormPrintPrev form(&host);
        form.show();
        form.EditLev()->setText(QStringLiteral("150"));
        form.EditKor()->setText(QStringLiteral("300"));
        form.RGKoko()->Button(paper)->click();
        form.RGSuunta()->Button(orientation)->click();
        TGmPreview *preview = form.GmPreview();
        const int pageCount = preview->NumPages();
        QVERIFY2(pageCount >= 2, qPrintable(QString::number(pageCount)));
        form.BBTul()->click();
        QVERIFY2(GmMessages::recorded().isEmpty(), qPrintable(GmMessages::recorded().join(QLatin1Char('\n'))));
        const QString file = waitForOutput(cupsPdfAnonymousFolder(), host.recipe);
        QVERIFY2(!file.isEmpty(), qPrintable(cupsPdfAnonymousFolder()));
        QList<QSizeF> sizes = pdfPageSizes(file, pageCount);
        QFile::remove(file);
        QVERIFY(!sizes.isEmpty());
        QCOMPARE(int(sizes.takeFirst().width()), pageCount);
        QCOMPARE(sizes.size(), pageCount);
        // A landscape page reaches the queue's printer on the paper it
        // names, turned: cups-pdf writes it as that paper with the page
        // turned on it.
        const QSizeF turned = millimetres.transposed();
        for (const QSizeF &size : sizes) {
            auto near = [&size](const QSizeF &mm) {
                return qAbs(size.width() - mm.width()) < 1 && qAbs(size.height() - mm.height()) < 1;
            };
            QVERIFY2(near(millimetres) || (orientation == 1 && near(turned)),
                     qPrintable(QStringLiteral("%1 x %2 mm").arg(size.width()).arg(size.height())));
        }
    }

    // With the print service gone the job is not reported as printed: the
    // user is told which printer refused it and why.
    void serviceGoneIsReported()
    {
        Host host;
        host.recipe = QStringLiteral("Rye bread unsent");
        host.memo->setPlainText(recipeLines(host.recipe).join(QLatin1Char('\n')));
        TFormPrintPrev form(&host);
        form.show();
        server->stop();
        form.BBTul()->click();
        const QStringList messages = GmMessages::recorded();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(QStringLiteral("TApplication Error...\n\nUnable to send the print job "
                                                            "\"Rye bread unsent\" to \"%1\": ")
                                                 .arg(queueName)),
                 qPrintable(messages.first()));
        QVERIFY(!messages.first().endsWith(QLatin1String(": ")));
        QVERIFY(!form.GmPreview()->GmPrinter()->Printing());
    }
};

QTEST_MAIN(TestCupsPrinting)
#include "TestCupsPrinting.moc"
