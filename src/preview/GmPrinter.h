#pragma once

#include "preview/GmValue.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QPaintDevice;
class QPainter;
class QPrintDialog;
class TGmPrinterBackend;
struct TGmDeviceMode;

enum TGmOrientation { gmPortrait, gmLandscape };
enum TGmDitherType { gmNone, gmCourse, gmFine, gmLineArt, gmGrayScale };
enum TGmDuplexType { gmSimplex, gmHorzDuplex, gmVertDuplex };
enum TGmPrintColor { gmColor, gmMonochrome };
enum TGmPrintQuality { gmDraft, gmLow, gmMedium, gmHigh };

// The engine's printer: the print settings of the previews and the questions
// the engine asks about the selected printer, over a printer back end. One
// exists per process (TGmPrinter::instance()); previews refer to it without
// owning it. Without a printer every query gives its neutral value and every
// setting write is ignored. The size and margin queries return one scratch
// value, overwritten by the next query: read or copy it at once.
class TGmPrinter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TGmPrinter)

public:
    explicit TGmPrinter(std::unique_ptr<TGmPrinterBackend> backend, QObject *parent = nullptr);
    ~TGmPrinter() override;

    // The process's printer; created with the Qt back end on first use
    // unless install() gave it one.
    static TGmPrinter *instance();
    // Replaces the process's printer by one over `backend` (program start, tests).
    static TGmPrinter *install(std::unique_ptr<TGmPrinterBackend> backend);
    // Frees the process's printer (program end).
    static void release();

    TGmPrinterBackend *backend() const { return m_backend.get(); }

    bool HasPrinter() const { return m_hasPrinter; }
    bool Printing() const { return m_printing; }
    bool PrintersInstalled() const;

    // Starts a job titled Title with its first sheet. Reports "No printer
    // selected", "Printing in progress" or, naming the printer, why the job
    // could not start; returns whether a job began.
    bool BeginDoc();
    // Ends the job and hands it to the printer; reports, naming the printer,
    // why it could not be delivered, and returns false then.
    bool EndDoc();
    // The paper of the next job in hundredths of a millimetre, as it lies in
    // portrait; the printer's orientation turns it. Ignored while Printing.
    void SetPaperSize(const QSize &hundredths);
    void NewSheet(TGmOrientation orientation);
    bool Aborted() const;

    // The job's canvas while Printing, else null.
    QPainter *Canvas();
    // The printer's paint device, null without a printer.
    QPaintDevice *PrinterHandle() const;

    int PixelsPerInchX();
    int PixelsPerInchY();
    QPoint PhysicalOffset() const;
    TGmOrientation PrinterOrientation() const;
    void SetPrinterOrientation(TGmOrientation orientation);
    bool SupportsColor() const;

    int PrinterIndex() const;
    void SetPrinterIndex(int index);
    void AfterPrinterChanged();
    const QStringList &PrinterNames();

    TGmValue *PhysicalWidth();
    TGmValue *PhysicalHeight();
    TGmValue *PrintableHeight();
    // side 0 left, 1 top, 2 right, 3 bottom
    TGmValue *PrinterMargin(int side);
    TGmValueRect *PrinterMargins();
    // A point in hundredths of a millimetre in printer pixels.
    QPoint ToPrinterPixels(const QPoint &hundredths);

    void Assign(const TGmPrinter *source);

    int PrintCopies() const;
    void SetPrintCopies(int copies);
    TGmDitherType DitherType() const;
    void SetDitherType(TGmDitherType type);
    TGmDuplexType Duplex() const;
    void SetDuplex(TGmDuplexType duplex);
    TGmPrintColor PrintColor() const { return m_printColor; }
    void SetPrintColor(TGmPrintColor color);
    TGmPrintQuality PrintQuality() const { return m_printQuality; }
    void SetPrintQuality(TGmPrintQuality quality);
    QString Title() const;
    void SetTitle(const QString &title);

    // Shown by the print loop before printing when ShowPrintDialog is on;
    // not owned, cleared when the dialog is destroyed.
    QPrintDialog *PrintDialog() const { return m_printDialog; }
    void SetPrintDialog(QPrintDialog *dialog);
    bool ShowPrintDialog() const { return m_showPrintDialog; }
    void SetShowPrintDialog(bool show) { m_showPrintDialog = show; }

    // Fired after the selected printer changed.
    std::function<void(TGmPrinter *sender)> OnChangePrinter;

private:
    QString printerName() const;
    QString failureReason() const;
    // A copy of the current printer's device mode; none without a printer or
    // when it cannot be locked.
    std::optional<TGmDeviceMode> readDeviceMode() const;
    // Runs `write` on the locked device mode of the current printer.
    template<typename F>
    void writeDeviceMode(F &&write);

    std::unique_ptr<TGmPrinterBackend> m_backend;
    bool m_hasPrinter = false;
    bool m_printing = false;
    int m_ppiX = 0;
    int m_ppiY = 0;
    TGmPrintColor m_printColor = gmMonochrome;
    TGmPrintQuality m_printQuality = gmMedium;
    QPrintDialog *m_printDialog = nullptr;
    QMetaObject::Connection m_dialogConnection;
    bool m_showPrintDialog = true;
    QStringList m_printerNames;
    std::unique_ptr<TGmValueRect> m_printerMargins;
    TGmValue m_scratch;
};
