#pragma once

#include "preview/GmPrinterBackend.h"

#include <QList>
#include <QPrinterInfo>

#include <memory>

class QPrinter;
class QTemporaryDir;

// The system's printers: the CUPS printers, then always the built-in printer
// "PDF file" (600 dpi, A4, no unprintable margins), which writes a PDF to the
// file set with setPdfFileName. The selected printer starts as the system's
// default printer, or "PDF file" when there is none. A job for a CUPS printer
// is drawn into a PDF on the printer's paper and layout and then sent to its
// queue, so that a queue that refuses it is known and can be reported.
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
    void setPaperSize(const QSize &hundredths) override;
    QPainter *beginJob(const QString &title) override;
    void newSheet() override;
    bool endJob() override;
    QString lastError() const override { return m_error; }
    bool aborted() const override;
    QPainter *canvas() override { return m_painter.get(); }
    QPaintDevice *device() override;

private:
    void createPrinter();
    void applyDeviceMode();
    // The printer drawn on: the job's PDF while a CUPS job is open.
    QPrinter *target() const { return m_job ? m_job.get() : m_printer.get(); }
    bool sendToQueue(const QString &file);

    QList<QPrinterInfo> m_system;
    int m_selected = -1;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    TGmDeviceMode m_mode;
    QString m_pdfFileName;
    std::unique_ptr<QTemporaryDir> m_jobFolder;
    std::unique_ptr<QPrinter> m_job;
    QString m_error;
};
