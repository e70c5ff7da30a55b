#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "store/table/PicturePaths.h"
#include "support/BookFixture.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

// Add Picture with pictures wider or taller than the 10,000 pixels the main
// window takes: they are refused as not valid, whether the format tells its
// size before reading (PNG) or only while reading (GIF).
namespace {

// A GIF whose screen is 16,396 x 12 pixels and whose one frame is 12 x 12.
const char WideGif[] = "R0lGODlhDEAMAPMAAP+5AEaiAF2LUQAAAItdAI0AAAAAAAAAAOgAAP8AAAAgAAAAAAQAAAAh+QQAAAAAACwAAAAADAAMAAAELxDzAADoAAA7";

void selectFirst(DataBoundList *list)
{
    const QModelIndex index = list->model()->index(0, 0);
    QVERIFY(index.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

} // namespace

class TestFaultPictureImport : public QObject
{
    Q_OBJECT

private slots:
    void oversizedPictureIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addRow("PNG 10,001 pixels wide") << "png";
        QTest::addRow("GIF 16,396 pixels wide") << "gif";
    }

    void oversizedPictureIsRefused()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString path;
        if (kind == QLatin1String("png")) {
            path = dir.filePath(QStringLiteral("wide.png"));
            QImage image(10001, 4, QImage::Format_RGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(path));
        } else {
            path = dir.filePath(QStringLiteral("wide.gif"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::fromBase64(WideGif));
        }
        {
            QImageReader reader(path);
            const QImage read = reader.read();
            QVERIFY2(read.width() > 10000, "the picture does not read as oversized");
        }

        BookFixture book;
        QVERIFY2(book.isValid(), qPrintable(book.error()));
        book.addMainGroup(QStringLiteral("Desserts"));
        book.addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Desserts"));
        book.addRecipe(QStringLiteral("Brownies"), QStringLiteral("Cakes"));
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        TFormPaa *w = book.createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        selectFirst(w->DBLLBoxPaaryhma());
        selectFirst(w->DBLLBoxAlaryhma());
        selectFirst(w->DBLLBoxLista());
        Dialogs::clearRecord();

        FileChooser::setAnswer([path](const FileChooser::Request &) { return QStringList{path}; });
        w->menuAction(QStringLiteral("MenuLisaaKuva"))->trigger();
        FileChooser::setAnswer({});

        const bool stored = QFile::exists(PicturePaths::pictureFile(QStringLiteral("Brownies")));
        QVERIFY(!stored);
        QCOMPARE(book.storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Kuva")), QString());
        QCOMPARE(Dialogs::messages().size(), 1);
        QCOMPARE(Dialogs::messages().first().text,
                 QStringLiteral("The file you tried to open is not a valid graphic file."));
    }
};

QTEST_MAIN(TestFaultPictureImport)
#include "TestFaultPictureImport.moc"
