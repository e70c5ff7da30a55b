#include "store/table/JpegCodec.h"
#include "store/table/ProgramError.h"
#include "store/StoreFixture.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

namespace {

QImage testPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, width / 2, height, QColor(200, 30, 30));
    p.fillRect(width / 2, 0, width - width / 2, height, QColor(30, 60, 210));
    return image;
}

struct FrameInfo
{
    int startOfFrame = -1; // the SOFn marker number
    int components = 0;
};

// Reads the start-of-frame header of a JPEG stream.
FrameInfo frameOf(const QByteArray &jpeg)
{
    FrameInfo info;
    int i = 2;
    while (i + 4 <= jpeg.size()) {
        if (uchar(jpeg[i]) != 0xFF)
            break;
        const int marker = uchar(jpeg[i + 1]);
        const int length = (uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            info.startOfFrame = marker - 0xC0;
            if (i + 9 < jpeg.size())
                info.components = uchar(jpeg[i + 9]);
            return info;
        }
        i += 2 + length;
    }
    return info;
}

int colourDistance(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}

} // namespace

class TestJpegCodec : public QObject
{
    Q_OBJECT

private slots:
    void roundTripIsBaselineColour_data();
    void roundTripIsBaselineColour();
    void badDataGivesNullImage_data();
    void badDataGivesNullImage();
    void encodeFileReplacesAtomically();
    void hugeClaimedSizeIsRefusedBeforeAllocating();
};

void TestJpegCodec::roundTripIsBaselineColour_data()
{
    QTest::addColumn<int>("format");
    QTest::addRow("RGB32") << int(QImage::Format_RGB32);
    QTest::addRow("ARGB32") << int(QImage::Format_ARGB32);
    QTest::addRow("grey input still colour") << int(QImage::Format_Grayscale8);
    QTest::addRow("indexed") << int(QImage::Format_Indexed8);
}

void TestJpegCodec::roundTripIsBaselineColour()
{
    QFETCH(int, format);
    const QImage source = testPicture(169, 169).convertToFormat(QImage::Format(format));
    QByteArray jpeg;
    QVERIFY_THROWS_NO_EXCEPTION(jpeg = JpegCodec::encode(source, 90));
    QCOMPARE(uchar(jpeg[0]), uchar(0xFF));
    QCOMPARE(uchar(jpeg[1]), uchar(0xD8));
    const FrameInfo frame = frameOf(jpeg);
    QCOMPARE(frame.startOfFrame, 0); // baseline, not progressive (2)
    QCOMPARE(frame.components, 3);

    QImage decoded;
    QVERIFY_THROWS_NO_EXCEPTION(decoded = JpegCodec::decode(jpeg));
    QCOMPARE(decoded.size(), QSize(169, 169));
    for (const QPoint p : {QPoint(20, 20), QPoint(150, 150), QPoint(40, 160)})
        QVERIFY(colourDistance(decoded.pixel(p), source.convertToFormat(QImage::Format_RGB32).pixel(p)) < 30);
}

void TestJpegCodec::badDataGivesNullImage_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray good = JpegCodec::encode(testPicture(64, 48));
    QTest::addRow("empty") << QByteArray();
    QTest::addRow("text") << QByteArray("this is not a picture");
    QTest::addRow("only the start marker") << good.left(2);
    QTest::addRow("header only") << good.left(200);
    QTest::addRow("cut in the image data") << good.left(good.size() * 2 / 3);
    QTest::addRow("cut before the end marker") << good.left(good.size() - 2);
    QByteArray damaged = good;
    for (int i = 20; i < 60; ++i)
        damaged[i] = char(0xFF);
    QTest::addRow("damaged tables") << damaged;
    QByteArray hugeSize = good;
    // Claims 65535 x 65535 pixels in the frame header.
    const int sof = good.indexOf(QByteArray("\xFF\xC0", 2));
    hugeSize[sof + 5] = char(0xFF);
    hugeSize[sof + 6] = char(0xFF);
    hugeSize[sof + 7] = char(0xFF);
    hugeSize[sof + 8] = char(0xFF);
    QTest::addRow("absurd size") << hugeSize;
}

void TestJpegCodec::badDataGivesNullImage()
{
    QFETCH(QByteArray, data);
    QVERIFY(!storeFailure([&] { JpegCodec::decode(data); }).isEmpty());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.jpg"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();
    QVERIFY_THROWS_EXCEPTION(StoreError, JpegCodec::decodeFile(path));
}

void TestJpegCodec::encodeFileReplacesAtomically()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Pea soup.jpg"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old picture");
    old.close();

    QVERIFY_THROWS_NO_EXCEPTION(JpegCodec::encodeFile(testPicture(400, 200).scaled(169, 169), path));
    const QImage back = JpegCodec::decodeFile(path);
    QCOMPARE(back.size(), QSize(169, 169));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A missing folder fails with a reason and writes nothing.
    QVERIFY(!storeFailure([&] { JpegCodec::encodeFile(testPicture(10, 10), dir.filePath(QStringLiteral("Pics/x.jpg"))); })
                 .isEmpty());
    // An empty image is refused and the existing file stays.
    const QByteArray kept = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QVERIFY_THROWS_EXCEPTION(StoreError, JpegCodec::encodeFile(QImage(), path));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), kept);
}

namespace {

long peakMemoryKilobytes()
{
    struct rusage usage
    {
    };
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

// A 312-byte CMYK file in several scans that claims 65,015 x 10,760 pixels:
// the decoder would hold the coefficients of the whole picture, gigabytes,
// before the size was looked at.
void TestJpegCodec::hugeClaimedSizeIsRefusedBeforeAllocating()
{
    const QByteArray data = QByteArray::fromBase64(
        "/9j/4AAQSkZJRgABAW9iZQBkAAAAAAL/2wBDAAMCAgICAgMCAgIDAwMDBAYEBAQEBAgGBgUGCQgKAQAAAAoJDwwKCw4LCQkNEQ0BAAABDg8QEBEQ"
        "CgwSExIQEw8QEBD/2wBDAQMDAwQDBAgEBAgQCwkLEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBBV/8AA"
        "FAgqCP33BAERAAIRAQMRAQQRAP8AAAAAAAAAAAAAAAAICf/EABQRAQAAAAAAAAAAAAAAAAAAAAAAAAME/8QAFREBAQAAAAAAAAAAAAAAAAAAABL/"
        "2gAMAwEAAhEDEUA/QQuGhoaGhoaGhoaGhoaGhoaGhoaGhoaGhoaGhoaGhoaGwQhS8oQLwFEqgJKAAP/Z");
    QCOMPARE(data.size(), 312);
    const long before = peakMemoryKilobytes();
    QCOMPARE(storeFailure([&] { JpegCodec::decode(data); }), QStringLiteral("the picture is too large"));
    const long grown = peakMemoryKilobytes() - before;
    QVERIFY2(grown < 100 * 1024, qPrintable(QStringLiteral("decoding took %1 MB").arg(grown / 1024)));
}

QTEST_GUILESS_MAIN(TestJpegCodec)
#include "TestJpegCodec.moc"
