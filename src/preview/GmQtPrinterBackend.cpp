#include "preview/GmQtPrinterBackend.h"

#include "preview/GmValue.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

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
    m_printer->setPageOrientation(m_mode.Orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
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

QPainter *TGmQtPrinterBackend::beginJob(const QString &title)
{
    if (m_painter)
        return nullptr;
    if (pdfSelected()) {
        if (m_pdfFileName.isEmpty())
            return nullptr;
        m_printer->setOutputFileName(m_pdfFileName);
    }
    m_printer->setDocName(title);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_printer.get()))
        return nullptr;
    m_painter = std::move(painter);
    return m_painter.get();
}

void TGmQtPrinterBackend::newSheet()
{
    if (m_painter)
        m_printer->newPage();
}

void TGmQtPrinterBackend::endJob()
{
    if (!m_painter)
        return;
    m_painter->end();
    m_painter.reset();
}

bool TGmQtPrinterBackend::aborted() const
{
    return m_printer->printerState() == QPrinter::Aborted;
}

QPaintDevice *TGmQtPrinterBackend::device()
{
    return m_printer.get();
}
