#pragma once

#include <QComboBox>
#include <QPixmap>
#include <QPointer>

#include <functional>

class TGmPreview;

// A drop-down list of the installed printers, each entry drawn with a small
// printer picture. Linked to a preview, it lists the preview printer's names
// in the system's order (an entry's index is the printer's index), shows the
// selected printer and selects the entry the user chooses.
class TGmPrinterList : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TGmPrinterList)

public:
    explicit TGmPrinterList(QWidget *parent = nullptr);
    ~TGmPrinterList() override;

    TGmPreview *Preview() const;
    // Leaves the old preview's linked components; with a preview, joins its
    // linked components, lists its printer's names and selects its printer.
    void SetPreview(TGmPreview *preview);

    // The fixed height of every entry, in pixels (16 at creation).
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height);

    const QPixmap &PrinterPicture() const { return m_picture; }

    // Draws entry `index` in `rect`: the brush of its state, the picture at
    // x 3 and the text at x 22 of the list, both (height - 16) / 2 below the
    // entry's top.
    void DrawItem(QPainter *painter, int index, const QRect &rect, bool selected) const;

    // After the user chose an entry (and the printer was selected).
    std::function<void(TGmPrinterList *sender)> OnChange;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void fillEntries();
    void entryChosen(int index);

    QPointer<QObject> m_preview;
    QPixmap m_picture;
    int m_itemHeight = 16;
};
