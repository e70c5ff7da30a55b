#include "preview/GmRtfPreview.h"

#include "preview/GmDrawing.h"
#include "preview/GmMargins.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinterBackend.h"
#include "preview/GmRtfInformation.h"

#include <QCoreApplication>
#include <QPlainTextEdit>

QRect TGmTextArea::toTwips(int dpi) const
{
    auto twips = [dpi](int side) { return gmNearest(static_cast<long double>(side) * 1440 / dpi); };
    return QRect(QPoint(twips(Left), twips(Top)), QPoint(twips(Right), twips(Bottom)));
}

bool TGmTextArea::operator==(const TGmTextArea &other) const
{
    return Left == other.Left && Top == other.Top && Right == other.Right && Bottom == other.Bottom;
}

TGmTextArea MeasureTextArea(const TGmPreview *preview, int dpi, long double topInches, long double bottomInches)
{
    const TGmMargins *margins = preview->Margins();
    TGmTextArea area;
    area.Left = gmTruncate(margins->Left.AsInches() * dpi);
    area.Top = gmNearest(topInches * dpi);
    area.Right = gmNearest(preview->PageWidth()->AsInches() * dpi) - gmTruncate(margins->Right.AsInches() * dpi);
    area.Bottom = gmNearest(preview->PageHeight()->AsInches() * dpi) - gmNearest(bottomInches * dpi);
    return area;
}

TGmTextArea RenderTextArea(const TGmPreview *preview, int dpi, long double topInches, long double bottomInches)
{
    const TGmMargins *margins = preview->Margins();
    TGmTextArea area;
    area.Left = margins->Left.AsPixels(dpi);
    area.Top = gmNearest(topInches * dpi);
    area.Right = gmNearest(preview->PageWidth()->AsInches() * dpi) - margins->Right.AsPixels(dpi);
    area.Bottom = gmNearest(preview->PageHeight()->AsInches() * dpi) - gmNearest(bottomInches * dpi);
    return area;
}

void RenderTextRange(QPainter *canvas, TGmRichEdit *richEdit, TGmPreview *preview, int start, int end,
                     long double topInches, long double bottomInches)
{
    if (canvas && richEdit && preview) {
        const int dpi = preview->GmPrinter()->PixelsPerInchY();
        if (dpi > 0) {
            const QRect area = RenderTextArea(preview, dpi, topInches, bottomInches).toTwips(dpi);
            richEdit->FormatRange(canvas, dpi, area, start, end);
        }
    }
    QCoreApplication::processEvents();
}

TGmRtfPreview::TGmRtfPreview(QObject *parent)
    : QObject(parent)
{
    m_topMargin.SetRaw(2540);
    m_bottomMargin.SetRaw(2540);
}

TGmRtfPreview::~TGmRtfPreview()
{
    if (m_preview)
        m_preview->RemoveLinkedControl(this);
}

void TGmRtfPreview::SetPreview(TGmPreview *preview)
{
    if (m_preview)
        m_preview->RemoveLinkedControl(this);
    m_preview = preview;
    if (preview) {
        preview->AddLinkedControl(this);
        textStoreOf(preview);
    }
}

TGmRtfInformation *TGmRtfPreview::textStoreOf(TGmPreview *preview)
{
    if (auto *store = dynamic_cast<TGmRtfInformation *>(preview->TextStore()))
        return store;
    preview->Pages()->SetTextStore(std::make_unique<TGmRtfInformation>(preview));
    return static_cast<TGmRtfInformation *>(preview->TextStore());
}

void TGmRtfPreview::LoadFromMemo(const QPlainTextEdit *memo)
{
    LoadFromText(memo ? memo->toPlainText() : QString());
}

void TGmRtfPreview::LoadFromText(const QString &text)
{
    if (!m_preview) {
        ShowEngineError(this, QStringLiteral("There is no preview assigned to this component"));
        return;
    }
    TGmPrinter *printer = m_preview->GmPrinter();
    if (!printer || !printer->PrintersInstalled()) {
        ShowEngineError(this, QStringLiteral("You need to have a printer driver installed to preview text or rich text"));
        return;
    }
    TGmPreview *preview = m_preview;
    preview->BeginUpdate();
    const int returnPage = preview->CurrentPage();
    int page = returnPage;

    const int dpi = printer->HasPrinter() ? printer->backend()->dpiX() : printer->PixelsPerInchX();
    const QRect area =
        MeasureTextArea(preview, dpi, m_topMargin.AsInches(), m_bottomMargin.AsInches()).toTwips(dpi);

    TGmRtfInformation *store = textStoreOf(preview);
    TGmRichEdit *richEdit = store->NewRichEdit();
    richEdit->SetText(text);
    richEdit->SetFont(m_font);
    const int total = richEdit->TextLength();
    richEdit->DiscardLayout();

    bool first = true;
    int start = 0;
    int pos = 0;
    auto finish = [&]() {
        if (!first)
            NewPage();
        store->Add(page, m_topMargin.AsInches(), m_bottomMargin.AsInches(), start, pos);
        richEdit->DiscardLayout();
        if (preview->CurrentPage() != returnPage)
            preview->SetCurrentPage(returnPage);
        preview->EndUpdate();
    };
    try {
        do {
            start = pos;
            pos = richEdit->FormatRange(nullptr, dpi, area, start, total);
            if (pos < total && pos != -1) {
                store->Add(page, m_topMargin.AsInches(), m_bottomMargin.AsInches(), start, pos);
                ++page;
                if (!first)
                    NewPage();
                first = false;
            }
        } while (pos < total && pos != -1);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TGmRtfPreview::NewPage()
{
    if (BeforeNewPage)
        BeforeNewPage(this, m_topMargin, m_bottomMargin);
    if (m_preview->CurrentPage() == m_preview->NumPages())
        m_preview->NewPage();
    else
        m_preview->NextPage();
    if (OnNewPage)
        OnNewPage(this, m_topMargin, m_bottomMargin);
}
