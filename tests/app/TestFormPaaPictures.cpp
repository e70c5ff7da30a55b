// The main window's recipe pictures against files that move, go away for a
// while, or are not pictures at all: a renamed recipe, a Pics folder that is
// not there yet, a named pipe, a link to /dev/zero, a huge file.
#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormUusi.h"
#include "platform/FileChooser.h"
#include "store/table/PicturePaths.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void selectRow(DataBoundList *list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    QVERIFY(index.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Opens the write end of a named pipe after `seconds` unless stopped first, so
// that a reader stuck in opening the pipe gets free and the test fails instead
// of hanging.
class PipeWatchdog
{
public:
    PipeWatchdog(const QString &pipe, int seconds)
        : m_thread([this, name = QFile::encodeName(pipe), seconds] {
            for (int tenth = 0; tenth < seconds * 10 && !m_stop; ++tenth)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (m_stop)
                return;
            const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        })
    {
    }
    ~PipeWatchdog()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

class TestFormPaaPictures : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

    bool enabled(const char *name) const
    {
        QAction *action = w->menuAction(QLatin1String(name));
        return action && action->isEnabled();
    }
    QLabel *ruokakuva() const { return w->findChild<QLabel *>(QStringLiteral("Ruokakuva")); }

    // Main group Desserts, subgroup Cakes: Apple pie with its picture, Brownies without.
    void selectCakes()
    {
        selectRow(w->DBLLBoxPaaryhma(), 0);
        selectRow(w->DBLLBoxAlaryhma(), 0);
    }

private Q_SLOTS:
    void init()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Desserts"));
        book->addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Desserts"));
        book->addRecipe(QStringLiteral("Apple pie"), QStringLiteral("Cakes"), true, QStringLiteral("Warm"));
        book->addRecipe(QStringLiteral("Brownies"), QStringLiteral("Cakes"));
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        w = book->createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        Dialogs::clearRecord();
    }

    void cleanup()
    {
        book.reset();
        w = nullptr;
        FileChooser::setAnswer({});
    }

    // Change Recipe Name takes the picture file along: the next selection
    // shows the picture and Kuva stays set.
    void renameTakesThePicture()
    {
        const QString oldFile = PicturePaths::pictureFile(QStringLiteral("Apple pie"));
        const QString newFile = PicturePaths::pictureFile(QStringLiteral("Pear pie"));
        const QByteArray picture = fileBytes(oldFile);
        QVERIFY(!picture.isEmpty());
        selectCakes();
        selectRow(w->DBLLBoxLista(), 0);
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormUusi *>(d);
            QVERIFY(dialog);
            dialog->EditUusi->setText(QStringLiteral("Pear pie"));
            dialog->BitBtnOK->click();
        });
        w->menuAction("MenuMuutaResepti")->trigger();

        QCOMPARE(book->storedNames("Ohje"), QStringList({"Pear pie", "Brownies"}));
        QCOMPARE(fileBytes(newFile), picture);
        QVERIFY(!QFile::exists(oldFile));
        QCOMPARE(QDir(book->picsFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{"Pear pie.jpg"});
        selectRow(w->DBLLBoxLista(), 1);
        selectRow(w->DBLLBoxLista(), 0);
        QVERIFY(Dialogs::messages().isEmpty());
        QVERIFY(ruokakuva()->isVisible());
        QVERIFY(enabled("MenuPoistaKuva"));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Pear pie"), QStringLiteral("Kuva")), QStringLiteral("True"));
    }

    // A picture that cannot go with the new name (here: its file is away)
    // refuses the rename with a message; nothing changes.
    void renameRefusedWhenThePictureCannotMove()
    {
        const QString oldFile = PicturePaths::pictureFile(QStringLiteral("Apple pie"));
        const QString parked = book->programFolder() + QStringLiteral("parked.jpg");
        QVERIFY(QFile::rename(oldFile, parked));
        selectCakes();
        selectRow(w->DBLLBoxLista(), 0);
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormUusi *>(d);
            QVERIFY(dialog);
            dialog->EditUusi->setText(QStringLiteral("Pear pie"));
            dialog->BitBtnOK->click();
        });
        w->menuAction("MenuMuutaResepti")->trigger();

        QCOMPARE(Dialogs::messages().size(), 1);
        QVERIFY(Dialogs::messages().first().text.startsWith(
            QStringLiteral("The recipe \"Apple pie\" keeps its name: its picture cannot be moved")));
        QVERIFY(Dialogs::messages().first().text.contains(oldFile));
        QCOMPARE(book->storedNames("Ohje"), QStringList({"Apple pie", "Brownies"}));
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Apple pie"));
        QVERIFY(QDir(book->picsFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QCOMPARE(book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Kuva")), QStringLiteral("True"));
    }

    // A picture folder that is away when the recipe is selected (a share not
    // mounted yet) shows the recipe without picture, says nothing and writes
    // nothing: the picture is back when the folder is.
    void pictureAwayForAMoment()
    {
        const QString pics = QDir::cleanPath(book->picsFolder());
        const QString away = pics + QStringLiteral(".away");
        const QByteArray recipesBefore = fileBytes(book->dataFolder() + QStringLiteral("/Ohje.db"));
        QVERIFY(QDir().rename(pics, away));
        selectCakes();
        selectRow(w->DBLLBoxLista(), 0);
        QCOMPARE(fileBytes(book->dataFolder() + QStringLiteral("/Ohje.db")), recipesBefore);
        QVERIFY(Dialogs::messages().isEmpty());
        QVERIFY(!ruokakuva()->isVisible());
        QVERIFY(w->MemoKuvaus()->isVisible());
        QVERIFY(enabled("MenuPoistaKuva"));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Kuva")), QStringLiteral("True"));

        QVERIFY(QDir().rename(away, pics));
        selectRow(w->DBLLBoxLista(), 1);
        selectRow(w->DBLLBoxLista(), 0);
        QVERIFY(Dialogs::messages().isEmpty());
        QVERIFY(ruokakuva()->isVisible());
        QCOMPARE(ruokakuva()->pixmap().size(), QSize(169, 169));
    }

    // Something in the picture's place that is not a picture file is refused
    // at once with the message naming the file, when the recipe is selected
    // and when it is chosen in Add Picture; nothing is written.
    void notAPictureFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::addRow("named pipe") << "fifo" << "not a regular file (a named pipe)";
        QTest::addRow("link to /dev/zero") << "zero" << "not a regular file (a character device)";
        QTest::addRow("folder") << "folder" << "not a regular file (a folder)";
        QTest::addRow("file over 64 MB") << "huge" << "larger than 64 MB (67108865 bytes)";
    }

    void notAPictureFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const auto makeThing = [&kind](const QString &path) {
            QFile::remove(path);
            if (kind == "fifo") {
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
            } else if (kind == "zero") {
                QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
            } else if (kind == "folder") {
                QVERIFY(QDir().mkpath(path));
            } else {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                QVERIFY(file.resize(64LL * 1024 * 1024 + 1));
            }
        };

        // The stored picture of Apple pie.
        const QString stored = PicturePaths::pictureFile(QStringLiteral("Apple pie"));
        makeThing(stored);
        selectCakes();
        QElapsedTimer clock;
        clock.start();
        {
            PipeWatchdog watchdog(stored, 10);
            selectRow(w->DBLLBoxLista(), 0);
        }
        qInfo("selection refused it in %lld ms", clock.elapsed());
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QStringLiteral("selection took %1 ms").arg(clock.elapsed())));
        QCOMPARE(Dialogs::messages().size(), 1);
        QCOMPARE(Dialogs::messages().first().text, QStringLiteral("The file you tried to open is not a valid image "
                                                                  "file.\n\n\"%1\": %2")
                                                        .arg(stored, reason));
        QVERIFY(!ruokakuva()->isVisible());
        QCOMPARE(book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Kuva")), QStringLiteral("True"));

        // The same thing chosen for Brownies in Add Picture.
        Dialogs::clearRecord();
        const QString chosen = book->programFolder() + QStringLiteral("chosen.png");
        makeThing(chosen);
        selectRow(w->DBLLBoxLista(), 1);
        FileChooser::setAnswer([chosen](const FileChooser::Request &) { return QStringList{chosen}; });
        clock.restart();
        {
            PipeWatchdog watchdog(chosen, 10);
            w->menuAction("MenuLisaaKuva")->trigger();
        }
        qInfo("Add Picture refused it in %lld ms", clock.elapsed());
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QStringLiteral("Add Picture took %1 ms").arg(clock.elapsed())));
        QCOMPARE(Dialogs::messages().size(), 1);
        QCOMPARE(Dialogs::messages().first().text, QStringLiteral("The file you tried to open is not a valid graphic "
                                                                  "file.\n\n\"%1\": %2")
                                                        .arg(chosen, reason));
        QVERIFY(!QFile::exists(PicturePaths::pictureFile(QStringLiteral("Brownies"))));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Kuva")), QString());
        QVERIFY(enabled("MenuLisaaKuva"));
    }
};

QTEST_MAIN(TestFormPaaPictures)
#include "TestFormPaaPictures.moc"
