#include "preview/GmPrinter.h"

#include "preview/GmDrawing.h"
#include "preview/GmPrinterBackend.h"
#include "preview/GmQtPrinterBackend.h"

#include <QCoreApplication>
#include <QPrintDialog>

namespace {

const QString applicationClass = QStringLiteral("TApplication");

std::unique_ptr<TGmPrinter> &processPrinter()
{
    static std::unique_ptr<TGmPrinter> printer;
    // The printer goes with the application object, before the toolkit that
    // its back end uses is torn down.
    static bool releaseRegistered = false;
    if (!releaseRegistered && QCoreApplication::instance()) {
        qAddPostRoutine(&TGmPrinter::release);
        releaseRegistered = true;
    }
    return printer;
}

} // namespace

TGmPrinter::TGmPrinter(std::unique_ptr<TGmPrinterBackend> backend, QObject *parent)
    : QObject(parent)
    , m_backend(std::move(backend))
{
    m_hasPrinter = !m_backend->printerNames().isEmpty() && m_backend->printerIndex() != -1;
    m_printQuality = gmMedium;
    SetPrintColor(gmMonochrome);
    if (m_hasPrinter)
        m_backend->setPrinterIndex(m_backend->printerIndex());
    SetTitle(QStringLiteral("<document>"));
    m_showPrintDialog = true;
}

TGmPrinter::~TGmPrinter()
{
    if (m_printing)
        m_backend->endJob();
    disconnect(m_dialogConnection);
}

TGmPrinter *TGmPrinter::instance()
{
    if (!processPrinter())
        processPrinter() = std::make_unique<TGmPrinter>(std::make_unique<TGmQtPrinterBackend>());
    return processPrinter().get();
}

TGmPrinter *TGmPrinter::install(std::unique_ptr<TGmPrinterBackend> backend)
{
    processPrinter() = std::make_unique<TGmPrinter>(std::move(backend));
    return processPrinter().get();
}

void TGmPrinter::release()
{
    processPrinter().reset();
}

bool TGmPrinter::PrintersInstalled() const
{
    return !m_backend->printerNames().isEmpty();
}

bool TGmPrinter::BeginDoc()
{
    if (!m_hasPrinter) {
        ShowEngineError(applicationClass, QStringLiteral("No printer selected"));
        return false;
    }
    if (m_printing) {
        ShowEngineError(applicationClass, QStringLiteral("Unable to initialise printer... Printing in progress."));
        return false;
    }
    if (!m_backend->beginJob(m_backend->title())) {
        ShowEngineError(applicationClass, QStringLiteral("Unable to start the print job on \"%1\": %2")
                                              .arg(printerName(), failureReason()));
        return false;
    }
    m_printing = true;
    return true;
}

bool TGmPrinter::EndDoc()
{
    if (!m_printing)
        return true;
    m_printing = false;
    if (!m_backend->endJob()) {
        ShowEngineError(applicationClass, QStringLiteral("Unable to send the print job \"%1\" to \"%2\": %3")
                                              .arg(m_backend->title(), printerName(), failureReason()));
        return false;
    }
    return true;
}

QString TGmPrinter::printerName() const
{
    return m_backend->printerNames().value(m_backend->printerIndex());
}

QString TGmPrinter::failureReason() const
{
    const QString reason = m_backend->lastError();
    return reason.isEmpty() ? QStringLiteral("the printer gave no reason") : reason;
}

void TGmPrinter::SetPaperSize(const QSize &hundredths)
{
    if (m_hasPrinter && !m_printing)
        m_backend->setPaperSize(hundredths);
}

void TGmPrinter::NewSheet(TGmOrientation orientation)
{
    if (!m_hasPrinter || !m_printing)
        return;
    if (TGmDeviceMode *mode = m_backend->lockDeviceMode()) {
        mode->OrientationSet = true;
        mode->Orientation = orientation == gmLandscape ? 2 : 1;
        m_backend->unlockDeviceMode(true);
    }
    m_backend->newSheet();
}

bool TGmPrinter::Aborted() const
{
    return m_printing && m_backend->aborted();
}

QPainter *TGmPrinter::Canvas()
{
    return m_hasPrinter && m_printing ? m_backend->canvas() : nullptr;
}

QPaintDevice *TGmPrinter::PrinterHandle() const
{
    return m_hasPrinter ? m_backend->device() : nullptr;
}

int TGmPrinter::PixelsPerInchX()
{
    if (m_ppiX == 0)
        m_ppiX = m_hasPrinter ? m_backend->dpiX() : 360;
    return m_ppiX;
}

int TGmPrinter::PixelsPerInchY()
{
    if (m_ppiY == 0)
        m_ppiY = m_hasPrinter ? m_backend->dpiY() : 360;
    return m_ppiY;
}

QPoint TGmPrinter::PhysicalOffset() const
{
    return m_hasPrinter ? m_backend->physicalOffset() : QPoint(0, 0);
}

TGmOrientation TGmPrinter::PrinterOrientation() const
{
    return m_hasPrinter && m_backend->landscape() ? gmLandscape : gmPortrait;
}

void TGmPrinter::SetPrinterOrientation(TGmOrientation orientation)
{
    if (m_hasPrinter && orientation != PrinterOrientation())
        m_backend->setLandscape(orientation == gmLandscape);
}

bool TGmPrinter::SupportsColor() const
{
    const std::optional<TGmDeviceMode> mode = readDeviceMode();
    return mode && mode->ColorSupported;
}

int TGmPrinter::PrinterIndex() const
{
    return m_hasPrinter ? m_backend->printerIndex() : -1;
}

void TGmPrinter::SetPrinterIndex(int index)
{
    if (!m_hasPrinter) {
        ShowEngineError(applicationClass, QStringLiteral("No printer selected"));
        return;
    }
    if (index == m_backend->printerIndex() || index < 0 || index >= m_backend->printerNames().size())
        return;
    m_backend->setPrinterIndex(index);
    AfterPrinterChanged();
    if (OnChangePrinter)
        OnChangePrinter(this);
}

void TGmPrinter::AfterPrinterChanged()
{
    if (!m_hasPrinter)
        return;
    m_backend->reloadDefaults();
    m_ppiX = 0;
    m_ppiY = 0;
}

const QStringList &TGmPrinter::PrinterNames()
{
    m_printerNames = m_backend->printerNames();
    return m_printerNames;
}

TGmValue *TGmPrinter::PhysicalWidth()
{
    m_scratch.SetRaw(0);
    if (m_hasPrinter)
        m_scratch.SetAsPixels(PixelsPerInchX(), m_backend->physicalSize().width());
    return &m_scratch;
}

TGmValue *TGmPrinter::PhysicalHeight()
{
    m_scratch.SetRaw(0);
    if (m_hasPrinter)
        m_scratch.SetAsPixels(PixelsPerInchY(), m_backend->physicalSize().height());
    return &m_scratch;
}

TGmValue *TGmPrinter::PrintableHeight()
{
    m_scratch.SetRaw(0);
    if (m_hasPrinter)
        m_scratch.SetAsPixels(PixelsPerInchY(), m_backend->printableHeight());
    return &m_scratch;
}

TGmValue *TGmPrinter::PrinterMargin(int side)
{
    m_scratch.SetRaw(0);
    if (!m_hasPrinter)
        return &m_scratch;
    const QPoint offset = m_backend->physicalOffset();
    switch (side) {
    case 0:
    case 2:
        // The right margin is taken as the left one, as the printer reports no
        // separate right offset.
        m_scratch.SetAsPixels(PixelsPerInchX(), offset.x());
        break;
    case 1:
        m_scratch.SetAsPixels(PixelsPerInchY(), offset.y());
        break;
    case 3:
        m_scratch.SetAsPixels(PixelsPerInchY(),
                              m_backend->physicalSize().height() - m_backend->printableHeight() - offset.y());
        break;
    default:
        break;
    }
    return &m_scratch;
}

TGmValueRect *TGmPrinter::PrinterMargins()
{
    if (!m_printerMargins)
        m_printerMargins = std::make_unique<TGmValueRect>();
    m_printerMargins->Left.SetRaw(PrinterMargin(0)->Raw());
    m_printerMargins->Top.SetRaw(PrinterMargin(1)->Raw());
    m_printerMargins->Right.SetRaw(PrinterMargin(2)->Raw());
    m_printerMargins->Bottom.SetRaw(PrinterMargin(3)->Raw());
    return m_printerMargins.get();
}

QPoint TGmPrinter::ToPrinterPixels(const QPoint &hundredths)
{
    return QPoint(gmNearest(hundredths.x() / 100.0L / 25.4L * PixelsPerInchX()),
                  gmNearest(hundredths.y() / 100.0L / 25.4L * PixelsPerInchY()));
}

void TGmPrinter::Assign(const TGmPrinter *source)
{
    if (!source)
        return;
    SetDitherType(source->DitherType());
    SetDuplex(source->Duplex());
    SetPrintColor(source->PrintColor());
    SetPrintQuality(source->PrintQuality());
}

int TGmPrinter::PrintCopies() const
{
    return m_hasPrinter ? m_backend->copies() : 0;
}

void TGmPrinter::SetPrintCopies(int copies)
{
    if (m_hasPrinter)
        m_backend->setCopies(copies);
}

std::optional<TGmDeviceMode> TGmPrinter::readDeviceMode() const
{
    if (!m_hasPrinter)
        return std::nullopt;
    const TGmDeviceMode *mode = m_backend->lockDeviceMode();
    if (!mode)
        return std::nullopt;
    const TGmDeviceMode copy = *mode;
    m_backend->unlockDeviceMode(false);
    return copy;
}

template<typename F>
void TGmPrinter::writeDeviceMode(F &&write)
{
    if (!m_hasPrinter)
        return;
    m_backend->setPrinterIndex(m_backend->printerIndex());
    TGmDeviceMode *mode = m_backend->lockDeviceMode();
    if (!mode)
        return;
    write(*mode);
    m_backend->unlockDeviceMode(true);
}

TGmDitherType TGmPrinter::DitherType() const
{
    const std::optional<TGmDeviceMode> mode = readDeviceMode();
    if (!mode)
        return gmNone;
    switch (mode->DitherType) {
    case 2:
        return gmCourse;
    case 3:
        return gmFine;
    case 4:
        return gmLineArt;
    case 10:
        return gmGrayScale;
    default:
        return gmNone;
    }
}

void TGmPrinter::SetDitherType(TGmDitherType type)
{
    static const int codes[] = {1, 2, 3, 4, 10};
    writeDeviceMode([&](TGmDeviceMode &mode) { mode.DitherType = codes[type]; });
}

TGmDuplexType TGmPrinter::Duplex() const
{
    const std::optional<TGmDeviceMode> mode = readDeviceMode();
    if (!mode)
        return gmSimplex;
    const int value = mode->Duplex;
    return value == 3 ? gmHorzDuplex : value == 2 ? gmVertDuplex : gmSimplex;
}

void TGmPrinter::SetDuplex(TGmDuplexType duplex)
{
    writeDeviceMode([&](TGmDeviceMode &mode) {
        mode.Duplex = duplex == gmHorzDuplex ? 3 : duplex == gmVertDuplex ? 2 : 1;
    });
}

void TGmPrinter::SetPrintColor(TGmPrintColor color)
{
    writeDeviceMode([&](TGmDeviceMode &mode) {
        if (color == gmMonochrome)
            mode.Color = 1;
        else if (mode.ColorSupported)
            mode.Color = 2;
        m_printColor = color;
    });
}

void TGmPrinter::SetPrintQuality(TGmPrintQuality quality)
{
    static const int codes[] = {-1, -2, -3, -4};
    bool written = false;
    writeDeviceMode([&](TGmDeviceMode &mode) {
        if (!mode.QualitySupported)
            return;
        mode.PrintQuality = codes[quality];
        m_printQuality = quality;
        written = true;
    });
    if (written) {
        m_ppiX = m_backend->dpiX();
        m_ppiY = m_backend->dpiY();
    }
}

QString TGmPrinter::Title() const
{
    return m_hasPrinter ? m_backend->title() : QString();
}

void TGmPrinter::SetTitle(const QString &title)
{
    if (m_hasPrinter && !m_printing)
        m_backend->setTitle(title);
}

void TGmPrinter::SetPrintDialog(QPrintDialog *dialog)
{
    disconnect(m_dialogConnection);
    m_printDialog = dialog;
    if (dialog)
        m_dialogConnection = connect(dialog, &QObject::destroyed, this, [this]() { m_printDialog = nullptr; });
}
