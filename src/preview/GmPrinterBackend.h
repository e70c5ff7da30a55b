#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

class QPaintDevice;
class QPainter;

// The device-mode record of the selected printer: its settings with the
// integer codes of the old printing interface, and which fields the printer
// supports.
struct TGmDeviceMode
{
    bool ColorSupported = false;
    bool QualitySupported = false;
    bool OrientationSet = false;
    int DitherType = 0;      // 1 none, 2 coarse, 3 fine, 4 line art, 10 grey scale
    int Duplex = 1;          // 1 simplex, 2 vertical, 3 horizontal
    int Color = 1;           // 1 monochrome, 2 colour
    int PrintQuality = -3;   // -1 draft, -2 low, -3 medium, -4 high
    int Orientation = 1;     // 1 portrait, 2 landscape
};

// What TGmPrinter needs of the system's printer: the list of printers, the
// selected one with its device mode and sizes, and print jobs. Sizes and
// offsets are in device pixels of the selected printer.
class TGmPrinterBackend
{
public:
    virtual ~TGmPrinterBackend() = default;

    virtual QStringList printerNames() const = 0;
    // Index of the selected printer in printerNames(), -1 when none.
    virtual int printerIndex() const = 0;
    // Selects a printer, keeping the device mode it had.
    virtual void setPrinterIndex(int index) = 0;
    // Selects the current printer again with no device mode, loading its defaults.
    virtual void reloadDefaults() = 0;

    // The device mode for reading or changing; null when it cannot be locked.
    virtual TGmDeviceMode *lockDeviceMode() = 0;
    // Ends a lock; `changed` makes the printer rebuild its drawing context
    // from the record.
    virtual void unlockDeviceMode(bool changed) = 0;

    virtual int dpiX() const = 0;
    virtual int dpiY() const = 0;
    virtual QSize physicalSize() const = 0;
    virtual int printableHeight() const = 0;
    virtual QPoint physicalOffset() const = 0;

    virtual bool landscape() const = 0;
    virtual void setLandscape(bool landscape) = 0;
    virtual int copies() const = 0;
    virtual void setCopies(int copies) = 0;
    virtual QString title() const = 0;
    virtual void setTitle(const QString &title) = 0;

    // The paper of the next job, its width and height in hundredths of a
    // millimetre as it lies in portrait; the device mode's orientation turns
    // it. A printer without that paper takes the nearest one it has.
    virtual void setPaperSize(const QSize &hundredths) = 0;

    // Starts a job with its first sheet; returns the sheet's canvas, or null
    // when the job could not be started (lastError() says why).
    virtual QPainter *beginJob(const QString &title) = 0;
    // Ends the current sheet and starts a new one in the device mode's
    // current orientation.
    virtual void newSheet() = 0;
    // Ends the job and hands it to the printer; false when it could not be
    // delivered (lastError() says why).
    virtual bool endJob() = 0;
    // Why the last job could not be started or delivered.
    virtual QString lastError() const = 0;
    virtual bool aborted() const = 0;
    // The canvas and the paint device of the open job, null without one.
    virtual QPainter *canvas() = 0;
    virtual QPaintDevice *device() = 0;
};
