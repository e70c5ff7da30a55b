#include "preview/GmFakePrinterBackend.h"

#include <QPainter>

TGmFakePrinterBackend::TGmFakePrinterBackend(QList<TGmFakePrinter> printers, int selected)
    : m_printers(std::move(printers))
{
    for (const TGmFakePrinter &p : m_printers)
        m_modes.push_back(p.Defaults);
    m_selected = m_printers.isEmpty() ? -1 : qBound(-1, selected, int(m_printers.size()) - 1);
}

TGmFakePrinterBackend::~TGmFakePrinterBackend()
{
    if (m_painter)
        m_painter->end();
}

std::unique_ptr<TGmFakePrinterBackend> TGmFakePrinterBackend::withOnePrinter()
{
    return std::make_unique<TGmFakePrinterBackend>(QList<TGmFakePrinter>{TGmFakePrinter()});
}

TGmDeviceMode &TGmFakePrinterBackend::deviceMode(int printer)
{
    return m_modes.at(printer < 0 ? m_selected : printer);
}

QStringList TGmFakePrinterBackend::printerNames() const
{
    QStringList names;
    for (const TGmFakePrinter &p : m_printers)
        names << p.Name;
    return names;
}

void TGmFakePrinterBackend::setPrinterIndex(int index)
{
    if (index < 0 || index >= m_printers.size())
        return;
    m_selected = index;
    ++m_selections;
}

void TGmFakePrinterBackend::reloadDefaults()
{
    if (m_selected >= 0)
        m_modes[m_selected] = m_printers[m_selected].Defaults;
}

TGmDeviceMode *TGmFakePrinterBackend::lockDeviceMode()
{
    if (!m_lockable || m_selected < 0)
        return nullptr;
    return &m_modes[m_selected];
}

void TGmFakePrinterBackend::unlockDeviceMode(bool changed)
{
    if (changed)
        ++m_rebuilds;
}

int TGmFakePrinterBackend::dpiX() const
{
    return m_selected < 0 ? 0 : m_printers[m_selected].DpiX;
}

int TGmFakePrinterBackend::dpiY() const
{
    return m_selected < 0 ? 0 : m_printers[m_selected].DpiY;
}

QSize TGmFakePrinterBackend::physicalSize() const
{
    if (m_selected < 0)
        return QSize();
    const QSize size = m_printers[m_selected].Physical;
    return landscape() ? size.transposed() : size;
}

int TGmFakePrinterBackend::printableHeight() const
{
    if (m_selected < 0)
        return 0;
    const TGmFakePrinter &p = m_printers[m_selected];
    // Turned paper keeps the same unprintable strips along its new height.
    return landscape() ? p.Physical.width() - 2 * p.Offset.x() : p.PrintableHeight;
}

QPoint TGmFakePrinterBackend::physicalOffset() const
{
    return m_selected < 0 ? QPoint() : m_printers[m_selected].Offset;
}

bool TGmFakePrinterBackend::landscape() const
{
    return m_selected >= 0 && m_modes[m_selected].Orientation == 2;
}

void TGmFakePrinterBackend::setLandscape(bool landscape)
{
    if (m_selected >= 0)
        m_modes[m_selected].Orientation = landscape ? 2 : 1;
}

int TGmFakePrinterBackend::copies() const
{
    return m_selected < 0 ? 0 : m_printers[m_selected].Copies;
}

void TGmFakePrinterBackend::setCopies(int copies)
{
    if (m_selected >= 0)
        m_printers[m_selected].Copies = copies;
}

void TGmFakePrinterBackend::setPaperSize(const QSize &hundredths)
{
    m_paper = hundredths;
}

QPainter *TGmFakePrinterBackend::beginJob(const QString &title)
{
    if (m_selected < 0 || m_painter)
        return nullptr;
    m_error.clear();
    if (!m_startError.isEmpty()) {
        m_error = m_startError;
        return nullptr;
    }
    Job job;
    job.Title = title;
    job.Copies = copies();
    m_jobs.append(job);
    startSheet();
    return m_painter.get();
}

void TGmFakePrinterBackend::startSheet()
{
    Sheet sheet;
    sheet.Landscape = landscape();
    sheet.PaperSize = m_paper;
    sheet.Picture = std::make_shared<QPicture>();
    sheet.Picture->setBoundingRect(QRect(QPoint(0, 0), physicalSize()));
    m_jobs.last().Sheets.append(sheet);
    if (!m_painter)
        m_painter = std::make_unique<QPainter>();
    m_painter->begin(sheet.Picture.get());
}

void TGmFakePrinterBackend::newSheet()
{
    if (!m_painter)
        return;
    m_painter->end();
    startSheet();
}

bool TGmFakePrinterBackend::endJob()
{
    if (!m_painter)
        return true;
    m_painter->end();
    m_painter.reset();
    m_jobs.last().Ended = true;
    if (!m_sendError.isEmpty()) {
        m_error = m_sendError;
        m_jobs.removeLast();
        return false;
    }
    return true;
}

QPaintDevice *TGmFakePrinterBackend::device()
{
    if (m_selected < 0)
        return nullptr;
    if (m_painter && !m_jobs.isEmpty())
        return m_jobs.last().Sheets.last().Picture.get();
    return &m_idleDevice;
}
