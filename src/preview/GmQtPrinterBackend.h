#pragma once

#include "preview/GmPrinterBackend.h"

#include <QList>
#include <QPrinterInfo>

#include <memory>

class QPrinter;

// The system's printers: the CUPS printers, then always the built-in printer
// "PDF file" (600 dpi, A4, no unprintable margins), which writes a PDF to the
// file set with setPdfFileName. The selected printer starts as the system's
// default printer, or "PDF file" when there is none.
class TGmQtPrinterBackend : public TGmPrinterBackend
{
public:
    TGmQtPrinterBackend();
    ~TGmQtPrinterBackend() override;

    static QString pdfPrinterName();

    // The file the "PDF file" printer writes; a job without one fails to start.
    void setPdfFileName(const QString &fileName) { m_pdfFileName = fileName; }
    QString pdfFileName() const { return m_pdfFileName; }
    bool pdfSelected() const;
    QPrinter *printer() const { return m_printer.get(); }

    QStringList printerNames() const override;
    int printerIndex() const override { return m_selected; }
    void setPrinterIndex(int index) override;
    void reloadDefaults() override;
    TGmDeviceMode *lockDeviceMode() override;
    void unlockDeviceMode(bool changed) override;
    int dpiX() const override;
    int dpiY() const override;
    QSize physicalSize() const override;
    int printableHeight() const override;
    QPoint physicalOffset() const override;
    bool landscape() const override;
    void setLandscape(bool landscape) override;
    int copies() const override;
    void setCopies(int copies) override;
    QString title() const override;
    void setTitle(const QString &title) override;
    QPainter *beginJob(const QString &title) override;
    void newSheet() override;
    void endJob() override;
    bool aborted() const override;
    QPainter *canvas() override { return m_painter.get(); }
    QPaintDevice *device() override;

private:
    void createPrinter();
    void applyDeviceMode();

    QList<QPrinterInfo> m_system;
    int m_selected = -1;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    TGmDeviceMode m_mode;
    QString m_pdfFileName;
};
