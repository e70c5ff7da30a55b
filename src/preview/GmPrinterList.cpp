#include "preview/GmPrinterList.h"

#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace {

constexpr int pictureSize = 16;
constexpr int pictureX = 3;
constexpr int textX = 22;

// Entries of the drop-down drawn by the list itself, at its fixed height.
class EntryDelegate : public QStyledItemDelegate
{
public:
    explicit EntryDelegate(TGmPrinterList *list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        m_list->DrawItem(painter, index.row(), option.rect, option.state & QStyle::State_Selected);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width() + textX, m_list->ItemHeight());
    }

private:
    TGmPrinterList *m_list;
};

} // namespace

TGmPrinterList::TGmPrinterList(QWidget *parent)
    : QComboBox(parent)
    , m_picture(QStringLiteral(":/pictures/print/printer-16.png"))
{
    setEditable(false);
    setItemDelegate(new EntryDelegate(this));
    connect(this, qOverload<int>(&QComboBox::activated), this, &TGmPrinterList::entryChosen);
}

TGmPrinterList::~TGmPrinterList()
{
    if (TGmPreview *preview = Preview())
        preview->RemoveLinkedControl(this);
}

TGmPreview *TGmPrinterList::Preview() const
{
    return static_cast<TGmPreview *>(m_preview.data());
}

void TGmPrinterList::SetPreview(TGmPreview *preview)
{
    if (TGmPreview *old = Preview())
        old->RemoveLinkedControl(this);
    m_preview = preview;
    if (preview) {
        preview->AddLinkedControl(this);
        fillEntries();
    } else {
        clear();
    }
}

void TGmPrinterList::SetItemHeight(int height)
{
    m_itemHeight = height;
    view()->doItemsLayout();
    updateGeometry();
}

void TGmPrinterList::fillEntries()
{
    TGmPreview *preview = Preview();
    const QSignalBlocker blocker(this);
    clear();
    if (!preview || !preview->GmPrinter())
        return;
    TGmPrinter *printer = preview->GmPrinter();
    addItems(printer->PrinterNames());
    setCurrentIndex(printer->PrinterIndex());
}

void TGmPrinterList::entryChosen(int index)
{
    if (TGmPreview *preview = Preview(); preview && preview->GmPrinter()) {
        TGmPrinter *printer = preview->GmPrinter();
        printer->SetPrinterIndex(index);
        if (printer->PrinterIndex() != index) {
            // The printer kept its selection; so does the list.
            const QSignalBlocker blocker(this);
            setCurrentIndex(printer->PrinterIndex());
        }
    }
    if (OnChange)
        OnChange(this);
}

void TGmPrinterList::DrawItem(QPainter *painter, int index, const QRect &rect, bool selected) const
{
    painter->save();
    painter->fillRect(rect, palette().brush(selected ? QPalette::Highlight : QPalette::Base));
    const int offset = (rect.height() - pictureSize) / 2;
    const int y = rect.top() + offset;
    painter->drawPixmap(pictureX, y, m_picture);
    painter->setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(font());
    painter->drawText(QRect(textX, y, qMax(0, rect.right() - textX), rect.bottom() - y + 1),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, itemText(index));
    painter->restore();
}

void TGmPrinterList::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0)
        return;
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    QRect entry(0, field.top() + (field.height() - m_itemHeight) / 2, field.right() + 1, m_itemHeight);
    painter.save();
    painter.setClipRect(field);
    const int offset = (entry.height() - pictureSize) / 2;
    painter.drawPixmap(pictureX, entry.top() + offset, m_picture);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(QRect(textX, entry.top() + offset, qMax(0, field.right() - textX), entry.height() - offset),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, currentText());
    painter.restore();
}
