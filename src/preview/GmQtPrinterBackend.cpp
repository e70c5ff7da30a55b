#include "preview/GmQtPrinterBackend.h"

#include "preview/GmValue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include <cups/cups.h>

TGmQtPrinterBackend::TGmQtPrinterBackend()
    : m_system(QPrinterInfo::availablePrinters())
{
    const QString defaultName = QPrinterInfo::defaultPrinterName();
    m_selected = int(m_system.size()); // "PDF file"
    for (int i = 0; i < m_system.size(); ++i) {
        if (m_system[i].printerName() == defaultName)
            m_selected = i;
    }
    createPrinter();
}

TGmQtPrinterBackend::~TGmQtPrinterBackend()
{
    if (m_painter)
        m_painter->end();
    m_job.reset();
}

QString TGmQtPrinterBackend::pdfPrinterName()
{
    return QStringLiteral("PDF file");
}

bool TGmQtPrinterBackend::pdfSelected() const
{
    return m_selected == m_system.size();
}

QStringList TGmQtPrinterBackend::printerNames() const
{
    QStringList names;
    for (const QPrinterInfo &info : m_system)
        names << info.printerName();
    names << pdfPrinterName();
    return names;
}

void TGmQtPrinterBackend::createPrinter()
{
    const QString title = m_printer ? m_printer->docName() : QString();
    if (pdfSelected()) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setResolution(600);
        m_printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    } else {
        m_printer = std::make_unique<QPrinter>(m_system[m_selected], QPrinter::HighResolution);
    }
    m_printer->setDocName(title);
    m_mode = TGmDeviceMode();
    m_mode.ColorSupported = pdfSelected() || m_system[m_selected].supportedColorModes().contains(QPrinter::Color);
    // Print quality has no counterpart here; it is kept as a stored setting.
    m_mode.QualitySupported = true;
    m_mode.Color = m_printer->colorMode() == QPrinter::Color ? 2 : 1;
    m_mode.Duplex = m_printer->duplex() == QPrinter::DuplexLongSide    ? 2
        : m_printer->duplex() == QPrinter::DuplexShortSide ? 3
                                                           : 1;
    m_mode.Orientation = m_printer->pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
}

void TGmQtPrinterBackend::setPrinterIndex(int index)
{
    if (index < 0 || index > m_system.size() || m_painter)
        return;
    if (index == m_selected) {
        applyDeviceMode();
        return;
    }
    const TGmDeviceMode kept = m_mode;
    m_selected = index;
    createPrinter();
    const bool colour = m_mode.ColorSupported;
    m_mode = kept;
    m_mode.ColorSupported = colour;
    applyDeviceMode();
}

void TGmQtPrinterBackend::reloadDefaults()
{
    if (!m_painter)
        createPrinter();
}

TGmDeviceMode *TGmQtPrinterBackend::lockDeviceMode()
{
    return &m_mode;
}

void TGmQtPrinterBackend::unlockDeviceMode(bool changed)
{
    if (changed)
        applyDeviceMode();
}

void TGmQtPrinterBackend::applyDeviceMode()
{
    if (!m_painter) {
        m_printer->setColorMode(m_mode.Color == 2 ? QPrinter::Color : QPrinter::GrayScale);
        m_printer->setDuplex(m_mode.Duplex == 2 ? QPrinter::DuplexLongSide
                                 : m_mode.Duplex == 3 ? QPrinter::DuplexShortSide
                                                      : QPrinter::DuplexNone);
    }
    const QPageLayout::Orientation orientation =
        m_mode.Orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait;
    m_printer->setPageOrientation(orientation);
    if (m_job)
        m_job->setPageOrientation(orientation);
}

int TGmQtPrinterBackend::dpiX() const
{
    return m_printer->logicalDpiX();
}

int TGmQtPrinterBackend::dpiY() const
{
    return m_printer->logicalDpiY();
}

namespace {

// Millimetres in device pixels; the layout's own pixel rectangles go through
// points and come out a few pixels off at high resolutions.
int mmToPixels(qreal mm, int dpi)
{
    return gmNearest(static_cast<long double>(mm) / 25.4L * dpi);
}

} // namespace

QSize TGmQtPrinterBackend::physicalSize() const
{
    const QRectF full = m_printer->pageLayout().fullRect(QPageLayout::Millimeter);
    return QSize(mmToPixels(full.width(), dpiX()), mmToPixels(full.height(), dpiY()));
}

int TGmQtPrinterBackend::printableHeight() const
{
    return mmToPixels(m_printer->pageLayout().paintRect(QPageLayout::Millimeter).height(), dpiY());
}

QPoint TGmQtPrinterBackend::physicalOffset() const
{
    const QRectF paint = m_printer->pageLayout().paintRect(QPageLayout::Millimeter);
    return QPoint(mmToPixels(paint.left(), dpiX()), mmToPixels(paint.top(), dpiY()));
}

bool TGmQtPrinterBackend::landscape() const
{
    return m_mode.Orientation == 2;
}

void TGmQtPrinterBackend::setLandscape(bool landscape)
{
    m_mode.Orientation = landscape ? 2 : 1;
    applyDeviceMode();
}

int TGmQtPrinterBackend::copies() const
{
    return m_printer->copyCount();
}

void TGmQtPrinterBackend::setCopies(int copies)
{
    if (!m_painter)
        m_printer->setCopyCount(copies);
}

QString TGmQtPrinterBackend::title() const
{
    return m_printer->docName();
}

void TGmQtPrinterBackend::setTitle(const QString &title)
{
    m_printer->setDocName(title);
}

void TGmQtPrinterBackend::setPaperSize(const QSize &hundredths)
{
    if (m_painter || hundredths.width() <= 0 || hundredths.height() <= 0)
        return;
    const QSizeF millimetres(hundredths.width() / 100.0, hundredths.height() / 100.0);
    m_printer->setPageSize(QPageSize(millimetres, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
}

QPainter *TGmQtPrinterBackend::beginJob(const QString &title)
{
    if (m_painter)
        return nullptr;
    m_error.clear();
    if (pdfSelected()) {
        if (m_pdfFileName.isEmpty()) {
            m_error = QStringLiteral("no file was chosen");
            return nullptr;
        }
        // The PDF writer says nothing of why it cannot write: ask the file.
        QFile file(m_pdfFileName);
        if (!file.open(QIODevice::WriteOnly)) {
            m_error = QStringLiteral("cannot write \"%1\": %2")
                          .arg(QDir::toNativeSeparators(m_pdfFileName), file.errorString());
            return nullptr;
        }
        file.close();
        m_printer->setOutputFileName(m_pdfFileName);
    } else {
        m_jobFolder = std::make_unique<QTemporaryDir>();
        if (!m_jobFolder->isValid()) {
            m_error = QStringLiteral("cannot make a temporary folder for the job: %1").arg(m_jobFolder->errorString());
            m_jobFolder.reset();
            return nullptr;
        }
        m_job = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_job->setOutputFormat(QPrinter::PdfFormat);
        m_job->setResolution(m_printer->resolution());
        m_job->setPageLayout(m_printer->pageLayout());
        m_job->setColorMode(m_printer->colorMode());
        m_job->setOutputFileName(m_jobFolder->filePath(QStringLiteral("job.pdf")));
    }
    m_printer->setDocName(title);
    target()->setDocName(title);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(target())) {
        m_error = pdfSelected() ? QStringLiteral("cannot write \"%1\"").arg(QDir::toNativeSeparators(m_pdfFileName))
                                : QStringLiteral("cannot write the job's file");
        m_job.reset();
        m_jobFolder.reset();
        return nullptr;
    }
    m_painter = std::move(painter);
    return m_painter.get();
}

void TGmQtPrinterBackend::newSheet()
{
    if (m_painter)
        target()->newPage();
}

bool TGmQtPrinterBackend::endJob()
{
    if (!m_painter)
        return true;
    m_painter->end();
    m_painter.reset();
    if (pdfSelected()) {
        if (QFileInfo(m_pdfFileName).size() > 0)
            return true;
        m_error = QStringLiteral("\"%1\" was not written").arg(QDir::toNativeSeparators(m_pdfFileName));
        return false;
    }
    const QString file = m_job ? m_job->outputFileName() : QString();
    m_job.reset();
    const bool sent = sendToQueue(file);
    m_jobFolder.reset();
    return sent;
}

// Hands the job's PDF to the selected CUPS queue with the paper, orientation,
// copies, sides and colour of the printer's settings.
bool TGmQtPrinterBackend::sendToQueue(const QString &file)
{
    if (file.isEmpty() || QFileInfo(file).size() == 0) {
        m_error = QStringLiteral("the job's file was not written");
        return false;
    }
    // A printer instance ("queue/instance") prints on its queue.
    const QByteArray queue = m_system[m_selected].printerName().section(QLatin1Char('/'), 0, 0).toUtf8();
    const QPageLayout layout = m_printer->pageLayout();
    const QPageSize paper = layout.pageSize();
    QByteArray media;
    if (paper.id() != QPageSize::Custom) {
        media = paper.key().toUtf8();
    } else {
        const QSizeF mm = paper.size(QPageSize::Millimeter);
        media = QStringLiteral("Custom.%1x%2mm").arg(mm.width()).arg(mm.height()).toUtf8();
    }
    int count = 0;
    cups_option_t *options = nullptr;
    count = cupsAddOption("media", media.constData(), count, &options);
    if (m_printer->copyCount() > 1)
        count = cupsAddOption("copies", QByteArray::number(m_printer->copyCount()).constData(), count, &options);
    const char *sides = m_printer->duplex() == QPrinter::DuplexLongSide ? "two-sided-long-edge"
        : m_printer->duplex() == QPrinter::DuplexShortSide              ? "two-sided-short-edge"
                                                                        : "one-sided";
    count = cupsAddOption("sides", sides, count, &options);
    count = cupsAddOption("print-color-mode", m_printer->colorMode() == QPrinter::Color ? "color" : "monochrome", count,
                          &options);
    const QByteArray title = m_printer->docName().toUtf8();
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(), QFile::encodeName(file).constData(),
                                   title.constData(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0) {
        m_error = QString::fromUtf8(cupsLastErrorString());
        return false;
    }
    return true;
}

bool TGmQtPrinterBackend::aborted() const
{
    return target()->printerState() == QPrinter::Aborted;
}

QPaintDevice *TGmQtPrinterBackend::device()
{
    return target();
}
