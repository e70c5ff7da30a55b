#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "platform/ProgressDialog.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

class Below : public QWidget, public ActivationTarget
{
public:
    void runActivation() override { ++activations; }
    int activations = 0;
};

} // namespace

class TestWorkDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Dialogs::setTestMode(true); }
    void cleanup()
    {
        FileChooser::setAnswer({});
        Dialogs::clearRecord();
    }

    // Short work shows nothing; work past half a second shows the dialog with
    // the program's title, and its Cancel stops the work at the next step.
    void progressShowsAfterHalfASecondAndCancels()
    {
        QWidget window;
        window.show();
        ProgressDialog progress(&window, QStringLiteral("Importing recipes..."), QStringLiteral("FormEdistyminen"));
        auto *dialog = window.findChild<QProgressDialog *>(QStringLiteral("FormEdistyminen"));
        QVERIFY(dialog);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(progress.update(1, 100));
        QVERIFY(!dialog->isVisible());
        int step = 1;
        while (clock.elapsed() < ProgressDialog::ShowAfterMs - 200) {
            QVERIFY(progress.update(++step, 100));
            QTest::qWait(10);
        }
        QVERIFY(!dialog->isVisible());
        // A step that reaches the end closes nothing while the work goes on.
        QTRY_VERIFY_WITH_TIMEOUT((progress.update(100, 100), dialog->isVisible()), 2000);
        QCOMPARE(dialog->windowTitle(), Dialogs::applicationTitle());
        QCOMPARE(dialog->maximum(), 1000);
        QCOMPARE(dialog->value(), 1000);
        // Work of unknown length shows a busy bar.
        QVERIFY(progress.busy());
        QCOMPARE(dialog->maximum(), 0);
        auto *cancel = dialog->findChild<QPushButton *>();
        QVERIFY(cancel);
        cancel->click();
        QVERIFY(!progress.busy());
        QVERIFY(!progress.update(50, 100));
    }

    // A test's answer replaces the dialog; a file to save gets the suffix it
    // lacks, and one-file requests take one file.
    void answerStandsInForTheDialog()
    {
        QList<FileChooser::Mode> asked;
        FileChooser::setAnswer([&](const FileChooser::Request &request) {
            asked << request.mode;
            return QStringList {QStringLiteral("/tmp/list"), QStringLiteral("/tmp/other.txt")};
        });
        FileChooser::Request save;
        save.mode = FileChooser::Mode::SaveFile;
        save.suffix = QStringLiteral("txt");
        QCOMPARE(FileChooser::choose(save), QStringList {QStringLiteral("/tmp/list.txt")});
        FileChooser::Request open;
        open.mode = FileChooser::Mode::OpenFiles;
        QCOMPARE(FileChooser::choose(open).size(), 2);
        QCOMPARE(asked, (QList<FileChooser::Mode> {FileChooser::Mode::SaveFile, FileChooser::Mode::OpenFiles}));
        QVERIFY(Dialogs::shownDialogs().isEmpty());
    }

    // Without an answer the real file dialog is shown, named for the tests,
    // starting at the offered file; the window below runs its activation.
    void dialogWithoutAnswer()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        Below below;
        QString offered;
        Dialogs::queueResponse([&](QDialog *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(files);
            QCOMPARE(files->acceptMode(), QFileDialog::AcceptSave);
            offered = files->selectedFiles().value(0);
            files->selectFile(folder.filePath(QStringLiteral("Soups")));
            dialog->accept();
        });
        FileChooser::Request request;
        request.mode = FileChooser::Mode::SaveFile;
        request.parent = &below;
        request.below = &below;
        request.start = folder.filePath(QStringLiteral("Recipes.pdf"));
        request.filter = QStringLiteral("PDF files (*.pdf)");
        request.suffix = QStringLiteral("pdf");
        request.objectName = QStringLiteral("PdfFileDialog");
        QCOMPARE(FileChooser::chooseOne(request), folder.filePath(QStringLiteral("Soups.pdf")));
        QCOMPARE(offered, folder.filePath(QStringLiteral("Recipes.pdf")));
        QCOMPARE(Dialogs::shownDialogs(), QStringList {QStringLiteral("PdfFileDialog")});
        QCOMPARE(below.activations, 1);

        // A folder is chosen in a dialog that offers folders only.
        Dialogs::queueResponse([&](QDialog *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(files);
            QCOMPARE(files->fileMode(), QFileDialog::Directory);
            QVERIFY(files->testOption(QFileDialog::ShowDirsOnly));
            files->selectFile(folder.path());
            dialog->accept();
        });
        FileChooser::Request choose;
        choose.mode = FileChooser::Mode::Folder;
        choose.start = folder.path();
        QCOMPARE(FileChooser::chooseOne(choose), folder.path());
    }
};

QTEST_MAIN(TestWorkDialogs)
#include "TestWorkDialogs.moc"
