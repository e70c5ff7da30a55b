#pragma once

#include "preview/GmPrinterBackend.h"

#include <QList>
#include <QPicture>

#include <memory>
#include <vector>

// One printer of the fake back end, sizes in its device pixels (portrait).
struct TGmFakePrinter
{
    QString Name = QStringLiteral("Fake printer");
    int DpiX = 600;
    int DpiY = 600;
    QSize Physical = QSize(4960, 7016);
    int PrintableHeight = 6816;
    QPoint Offset = QPoint(100, 100);
    TGmDeviceMode Defaults;
    int Copies = 1;
};

// A printer back end for tests and benchmarks: printers with chosen
// resolutions, sizes and offsets, device modes that can be inspected, and
// jobs whose sheets are recorded as pictures in printer pixels.
class TGmFakePrinterBackend : public TGmPrinterBackend
{
public:
    struct Sheet
    {
        bool Landscape = false;
        // The paper asked for, portrait, in hundredths of a millimetre (empty: the printer's own).
        QSize PaperSize;
        std::shared_ptr<QPicture> Picture;
    };
    struct Job
    {
        QString Title;
        int Copies = 1;
        QList<Sheet> Sheets;
        bool Ended = false;
    };

    // No printers at all when `printers` is empty.
    explicit TGmFakePrinterBackend(QList<TGmFakePrinter> printers = {}, int selected = 0);
    ~TGmFakePrinterBackend() override;

    // A back end with one default printer (600 dpi, A4, offsets 100 pixels).
    static std::unique_ptr<TGmFakePrinterBackend> withOnePrinter();

    // The selected printer's device mode, for inspection (-1 when none).
    TGmDeviceMode &deviceMode(int printer = -1);
    const QList<Job> &jobs() const { return m_jobs; }
    // When false, locking the device mode fails.
    void setLockable(bool lockable) { m_lockable = lockable; }
    void setAborted(bool aborted) { m_aborted = aborted; }
    // Makes the next jobs fail to start, or fail to be delivered (and vanish), with this reason.
    void setStartError(const QString &reason) { m_startError = reason; }
    void setSendError(const QString &reason) { m_sendError = reason; }
    // How many times the drawing context was rebuilt from a changed device mode.
    int contextRebuilds() const { return m_rebuilds; }
    int selections() const { return m_selections; }

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
    QString title() const override { return m_title; }
    void setTitle(const QString &title) override { m_title = title; }
    void setPaperSize(const QSize &hundredths) override;
    QPainter *beginJob(const QString &title) override;
    void newSheet() override;
    bool endJob() override;
    QString lastError() const override { return m_error; }
    bool aborted() const override { return m_aborted; }
    QPainter *canvas() override { return m_painter.get(); }
    QPaintDevice *device() override;

private:
    void startSheet();

    QList<TGmFakePrinter> m_printers;
    std::vector<TGmDeviceMode> m_modes;
    int m_selected = -1;
    bool m_lockable = true;
    bool m_aborted = false;
    int m_rebuilds = 0;
    int m_selections = 0;
    QString m_title;
    QSize m_paper;
    QString m_startError;
    QString m_sendError;
    QString m_error;
    QList<Job> m_jobs;
    std::unique_ptr<QPainter> m_painter;
    QPicture m_idleDevice;
};
