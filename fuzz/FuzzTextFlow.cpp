// The text flow of the print preview with random text, fonts and margins on
// the fake printer. The page ranges must run from the first character to the
// last without gaps or overlaps, each page moving on, and every page must draw.

#include "FuzzSupport.h"

#include "preview/GmFakePrinterBackend.h"
#include "preview/GmMargins.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmRtfInformation.h"
#include "preview/GmRtfPreview.h"

#include <QPainter>
#include <QPicture>

#include <cstdint>

namespace {

const char *const fontNames[] = {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono", "Arial", "No Such Font", ""};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::ensureWidgetApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    TGmFakePrinter printer;
    const int dpis[] = {72, 150, 300, 600};
    printer.DpiX = printer.DpiY = dpis[data[0] & 3];
    printer.Physical = QSize(printer.DpiX * 827 / 100, printer.DpiY * 1169 / 100);
    printer.PrintableHeight = printer.Physical.height() - printer.DpiY / 6;
    printer.Offset = QPoint(printer.DpiX / 12, printer.DpiY / 12);
    TGmPrinter::install(std::make_unique<TGmFakePrinterBackend>(QList<TGmFakePrinter>{printer}, 0));

    TGmFont font;
    font.Name = QString::fromLatin1(fontNames[data[1] % (sizeof fontNames / sizeof *fontNames)]);
    font.Size = 1 + data[2] % 96;
    font.Bold = data[3] & 1;
    font.Italic = data[3] & 2;
    font.Underline = data[3] & 4;
    font.StrikeOut = data[3] & 8;
    font.Color = qint32(data[3]) * 65793;
    const int sides = data[4] % 120;  // mm
    const int topBottom = data[5] % 6; // inches

    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 6), qsizetype(size - 6));
    {
        TGmPreview preview;
        TGmRtfPreview rtf;
        rtf.SetPreview(&preview);
        rtf.SetTextFileFont(font);
        preview.Margins()->Left.SetAsMillimetres(sides);
        preview.Margins()->Right.SetAsMillimetres(sides);
        rtf.TopMargin().SetAsInches(topBottom * 0.5L);
        rtf.BottomMargin().SetAsInches(topBottom * 0.25L);
        rtf.LoadFromText(text);

        TGmRtfInformation *store = TGmRtfPreview::textStoreOf(&preview);
        const int length = store->RichEdit() ? store->RichEdit()->TextLength() : 0;
        int expected = 0;
        for (int i = 0; i < store->Count(); ++i) {
            const TGmRtfOffset &page = store->Items(i);
            Fuzz::check(page.StartChar == expected, "a gap or overlap between pages");
            const int end = page.EndChar < 0 ? length : page.EndChar;
            Fuzz::check(end >= page.StartChar && end <= length, "a page range outside the text");
            Fuzz::check(end > page.StartChar || length == 0 || i == store->Count() - 1, "a page that does not move on");
            expected = end;
            if (i < 3) {
                QPicture picture;
                QPainter painter(&picture);
                store->RenderPage(&painter, page.PageNum);
            }
        }
        Fuzz::check(store->Count() == 0 ? length == 0 : expected == length, "text left unflowed");
    }
    TGmPrinter::release();
    return 0;
}
