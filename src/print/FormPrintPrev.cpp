#include "print/FormPrintPrev.h"

#include "platform/FileChooser.h"
#include "platform/Hints.h"
#include "preview/GmMargins.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmPrinterList.h"
#include "preview/GmQtPrinterBackend.h"
#include "preview/GmRtfPreview.h"
#include "print/PrintPreviewHost.h"
#include "print/RadioGroup.h"
#include "print/UpDown.h"
#include "platform/RecipeStyle.h"
#include "settings/SettingsStore.h"
#include "store/table/ProgramError.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>

#include <functional>

namespace {

// The old toolkit's window text colour, a system colour.
constexpr qint32 windowTextColor = qint32(0x80000008u);

// Space around the preview inside the panel: the control column on the left.
constexpr int previewLeft = 155;
constexpr int previewTop = 8;
constexpr int previewRightGap = 4;
constexpr int previewBottomGap = 11;
constexpr int statusBarHeight = 22;

using Hints::setHint;

// The controls inside a widget without a hint of their own show the widget's.
void inheritHint(QWidget *parent)
{
    for (QWidget *child : parent->findChildren<QWidget *>()) {
        if (child->statusTip().isEmpty() && child->toolTip().isEmpty()) {
            child->setStatusTip(parent->statusTip());
            child->setToolTip(parent->toolTip());
        }
    }
}

// The box's text as an integer, or the conversion error of the old toolkit.
// A box that is complained about is enabled and takes the focus with its text
// selected, so that the user can always put it right.
int boxValue(QLineEdit *box)
{
    bool ok = false;
    const int value = box->text().toInt(&ok);
    if (!ok) {
        box->setEnabled(true);
        box->setFocus();
        box->selectAll();
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(box->text()));
    }
    return value;
}

bool holdsInteger(const QLineEdit *box)
{
    bool ok = false;
    box->text().toInt(&ok);
    return ok;
}

// Print queues show the job under the recipe's name.
QString jobTitle(const PrintPreviewHost *host)
{
    const QString recipe = host ? host->currentRecipe().trimmed() : QString();
    return recipe.isEmpty() ? QStringLiteral("<document>") : recipe;
}

// A button of the preview's tools that runs `onClick`.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QString &hint,
                        const QRect &geometry, const std::function<void()> &onClick)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setDefault(false);
    setHint(button, hint);
    button->setGeometry(geometry);
    QObject::connect(button, &QPushButton::clicked, button, onClick);
    return button;
}

} // namespace

QString TFormPrintPrev::designCaption()
{
    return QStringLiteral("Print Preview");
}

TFormPrintPrev::TFormPrintPrev(PrintPreviewHost *host, QWidget *parent)
    : QDialog(parent)
    , m_host(host)
{
    setObjectName(QStringLiteral("FormPrintPrev"));
    setWindowTitle(designCaption());
    buildWindow();
}

TFormPrintPrev::TFormPrintPrev(std::unique_ptr<PrintPreviewHost> host, QWidget *parent)
    : TFormPrintPrev(host.get(), parent)
{
    m_ownedHost = std::move(host);
}

TFormPrintPrev::~TFormPrintPrev()
{
    // The text flow and the printer list leave the preview before it goes.
    delete m_rtf;
    m_rtf = nullptr;
}

void TFormPrintPrev::buildWindow()
{
    setMinimumSize(800, 5 + 541 + statusBarHeight);
    resize(800, 5 + 541 + statusBarHeight);
    setFont(RecipeStyle::sansSerif(11));
    RecipeStyle::setTextColor(this, RecipeStyle::Navy);

    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("Panel"));
    m_panel->setGeometry(5, 5, 790, 541);
    m_panel->installEventFilter(this);

    m_preview = new TGmPreview(m_panel);
    m_preview->setObjectName(QStringLiteral("GmPreview"));
    setHint(m_preview, QStringLiteral("|The print preview of the recipe."));
    m_preview->BeginUpdate();
    m_preview->SetGutter(20);
    m_preview->SetMinZoom(10);
    m_preview->SetMaxZoom(400);
    m_preview->SetZoom(41);
    m_preview->SetZoomIncrement(5);
    m_preview->SetOrientation(gmPortrait);
    m_preview->Margins()->SetPen(QPen(QColor(192, 192, 192), 0, Qt::DotLine));
    m_preview->SetTitle(QStringLiteral("<document>"));
    m_preview->EndUpdate();

    m_rtf = new TGmRtfPreview(this);
    m_rtf->setObjectName(QStringLiteral("GmRtf"));
    TGmFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = 12;
    font.Color = windowTextColor;
    m_rtf->SetTextFileFont(font);
    m_rtf->SetPreview(m_preview);

    // Printer group.
    m_gbTul = new QGroupBox(QStringLiteral("Printer"), m_panel);
    m_gbTul->setObjectName(QStringLiteral("GBTul"));
    m_gbTul->setGeometry(4, 4, 147, 162);
    m_printerList = new TGmPrinterList(m_gbTul);
    m_printerList->setObjectName(QStringLiteral("GmPrinterList"));
    m_printerList->SetItemHeight(16);
    m_printerList->setGeometry(8, 18, 131, 22);
    setHint(m_printerList, QStringLiteral("Select Printer|Select printer."));
    m_printerList->SetPreview(m_preview);
    m_bbTul = makeButton(m_gbTul, "BBTul", QStringLiteral("     &Print"),
                         QStringLiteral("|Print the ingredients list and directions."), QRect(8, 44, 131, 25),
                         [this] { BBTulClick(); });
    m_bbTul->setIcon(QIcon(QStringLiteral(":/pictures/print/printer.svg")));
    m_bbSeur = makeButton(m_gbTul, "BBSeur", QStringLiteral("&Next"), QStringLiteral("Next Page|Show the next page."),
                          QRect(8, 72, 64, 25), [this] { BBSeurClick(); });
    m_bbEdel = makeButton(m_gbTul, "BBEdel", QStringLiteral("Pr&evious"),
                          QStringLiteral("Previous Page|Show the previous page."), QRect(75, 72, 64, 25),
                          [this] { BBEdelClick(); });
    m_bbZoomIn
        = makeButton(m_gbTul, "BBZoomIn", QStringLiteral("&Zoom In"), QStringLiteral("|Zoom in the print preview"),
                     QRect(8, 100, 64, 25), [this] { BBZoomInClick(); });
    m_bbZoomOut
        = makeButton(m_gbTul, "BBZoomOut", QStringLiteral("Zoo&m Out"), QStringLiteral("|Zoom out the print preview."),
                     QRect(75, 100, 64, 25), [this] { BBZoomOutClick(); });
    m_bbSulje
        = makeButton(m_gbTul, "BBSulje", QStringLiteral("     &Close"), QStringLiteral("|Close the print preview."),
                     QRect(8, 130, 131, 25), [this] { BBSuljeClick(); });

    // Names a control of the panel, gives it its hint and places it.
    auto place = [](auto *control, const char *name, const QString &hint, const QRect &geometry) {
        control->setObjectName(QLatin1String(name));
        setHint(control, hint);
        control->setGeometry(geometry);
        return control;
    };
    // A radio group with its items in a smaller face, to fit the narrow
    // control column.
    auto radioGroup = [this, place](const QString &caption, const QStringList &items, int columns, const char *name,
                                    const QString &hint, const QRect &geometry) {
        TRadioGroup *group = place(new TRadioGroup(caption, items, columns, m_panel), name, hint, geometry);
        for (int i = 0; i < group->Count(); ++i)
            group->Button(i)->setFont(RecipeStyle::sansSerif(10));
        return group;
    };

    m_rgSuunta = radioGroup(QStringLiteral("Orientation"), {QStringLiteral("P&ortrait"), QStringLiteral("L&andscape")}, 2,
                            "RGSuunta", QStringLiteral("|Set the paper orientation."), QRect(2, 170, 151, 44));
    m_rgKoko = radioGroup(QStringLiteral("Paper size"),
                          {QStringLiteral("A&4   (210 x 297 mm)"), QStringLiteral("A&5   (148 x 210 mm)"),
                           QStringLiteral("&Define paper size")},
                          1, "RGKoko", QStringLiteral("|Set the size of the paper."), QRect(4, 218, 147, 78));

    auto numberBox = [this](QWidget *parent, const char *name, const char *upDownName, const QString &text,
                            int maxLength, int y, const QString &caption, TUpDown *&upDown) {
        auto *label = new QLabel(caption, parent);
        label->setGeometry(8, y + 3, 50, 16);
        auto *box = new QLineEdit(text, parent);
        box->setObjectName(QLatin1String(name));
        box->setGeometry(60, y, 50, 21);
        box->installEventFilter(this);
        label->setBuddy(box);
        upDown = new TUpDown(box, parent);
        upDown->setObjectName(QLatin1String(upDownName));
        upDown->SetRange(0, 100);
        upDown->SetIncrement(1);
        upDown->setGeometry(110, y, 16, 21);
        // The box holds every number its arrows reach, so none is cut short.
        box->setMaxLength(qMax(maxLength, int(QString::number(upDown->Max()).size())));
        return box;
    };

    m_gbKoko = place(new QGroupBox(QStringLiteral("Paper size as millimeters"), m_panel), "GBKoko",
                     QStringLiteral("|Specify the size of the paper when \"Define paper size\" is selected."),
                     QRect(4, 300, 147, 72));
    m_editLev = numberBox(m_gbKoko, "EditLev", "UpDownLev", QStringLiteral("100"), 3, 18, QStringLiteral("&Width:"),
                          m_upDownLev);
    m_editKor = numberBox(m_gbKoko, "EditKor", "UpDownKor", QStringLiteral("100"), 3, 44, QStringLiteral("&Height:"),
                          m_upDownKor);

    m_gbReu = place(new QGroupBox(QStringLiteral("Margins as millimeters"), m_panel), "GBReu",
                    QStringLiteral("|Set the printing area of the page."), QRect(4, 376, 147, 122));
    m_editVasen = numberBox(m_gbReu, "EditVasen", "UpDownVas", QStringLiteral("25"), 2, 18, QStringLiteral("&Left"),
                            m_upDownVas);
    m_editOikea = numberBox(m_gbReu, "EditOikea", "UpDownOik", QStringLiteral("25"), 2, 43, QStringLiteral("&Right"),
                            m_upDownOik);
    m_editYla = numberBox(m_gbReu, "EditYla", "UpDownYla", QStringLiteral("25"), 2, 68, QStringLiteral("&Top"),
                          m_upDownYla);
    m_editAla = numberBox(m_gbReu, "EditAla", "UpDownAla", QStringLiteral("25"), 2, 93, QStringLiteral("&Bottom"),
                          m_upDownAla);
    // The top and bottom of the text come from the text flow, not from these.
    m_editYla->setEnabled(false);
    m_editAla->setEnabled(false);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setFont(RecipeStyle::sansSerif(13));
    RecipeStyle::setTextColor(m_statusBar, RecipeStyle::Navy);

    for (QWidget *group : {static_cast<QWidget *>(m_rgSuunta), static_cast<QWidget *>(m_rgKoko),
                           static_cast<QWidget *>(m_gbKoko), static_cast<QWidget *>(m_gbReu),
                           static_cast<QWidget *>(m_preview)})
        inheritHint(group);

    setTabOrder(m_preview, m_printerList);
    QWidget *chain[] = {m_printerList, m_bbTul, m_bbSeur, m_bbEdel, m_bbZoomIn, m_bbZoomOut, m_bbSulje,
                        m_rgSuunta->Button(0), m_rgSuunta->Button(1), m_rgKoko->Button(0), m_rgKoko->Button(1),
                        m_rgKoko->Button(2), m_editLev, m_editKor, m_editVasen, m_editOikea, m_editYla, m_editAla};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);

    m_rgSuunta->SetItemIndex(0);
    m_rgSuunta->OnClick = [this]() { RGSuuntaClick(); };
    m_rgKoko->OnClick = [this]() { RGKokoClick(); };
    connect(m_editLev, &QLineEdit::textChanged, this, &TFormPrintPrev::EditLevChange);
    connect(m_editKor, &QLineEdit::textChanged, this, &TFormPrintPrev::EditKorChange);
    connect(m_editVasen, &QLineEdit::textChanged, this, &TFormPrintPrev::EditVasenChange);
    connect(m_editOikea, &QLineEdit::textChanged, this, &TFormPrintPrev::EditOikeaChange);

    m_layoutSize = size();
    m_panelSize = m_panel->size();
    placePreview();
}

// ---- Layout ---------------------------------------------------------------------

void TFormPrintPrev::placePreview()
{
    const QSize panel = m_panel->size();
    m_preview->setGeometry(previewLeft, previewTop, panel.width() - previewLeft - previewRightGap,
                           panel.height() - previewTop - previewBottomGap);
    m_statusBar->setGeometry(0, height() - statusBarHeight, width(), statusBarHeight);
}

void TFormPrintPrev::applyLayout(QSize window, QSize panel)
{
    m_layoutSize = window;
    m_panelSize = panel;
    resize(window);
    m_panel->setGeometry(5, 5, panel.width(), panel.height());
    placePreview();
}

// The window sizes of the layout modes are outer sizes, frame included: the
// status bar follows right below the panel.
void TFormPrintPrev::ApplySmallLayout()
{
    applyLayout(QSize(800, 5 + 541 + statusBarHeight), QSize(790, 541));
    if (Dialogs::screenWidth() > 800)
        m_preview->SetZoom(41);
}

void TFormPrintPrev::ApplyFullLayout()
{
    applyLayout(QSize(1020, 5 + 702 + statusBarHeight), QSize(1010, 702));
}

void TFormPrintPrev::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // A size set by a layout mode keeps that mode's panel; any other size
    // keeps the panel's distance to the window's edges.
    if (size() == m_layoutSize)
        m_panel->setGeometry(5, 5, m_panelSize.width(), m_panelSize.height());
    else
        m_panel->setGeometry(5, 5, width() - 10, height() - 5 - (m_layoutSize.height() - 5 - m_panelSize.height()));
    placePreview();
}

// ---- Activation -----------------------------------------------------------------

void TFormPrintPrev::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TFormPrintPrev::FormActivate()
{
    Dialogs::guard([this]() {
        if (Dialogs::screenWidth() <= 800) {
            ApplySmallLayout();
        } else {
            if (m_host && m_host->fullSizeMode()) {
                ApplyFullLayout();
                m_preview->SetZoom(58);
            }
            if (m_host && m_host->smallSizeMode()) {
                ApplySmallLayout();
                m_preview->SetZoom(41);
            }
        }
        Dialogs::centreOnDesktop(this);

        SettingsKey key;
        if (key.open()) {
            takeRecipeFont(key);

            auto stored = [&key](const char *name, QLineEdit *box, const QString &otherwise) {
                if (key.valueExists(QLatin1String(name))) {
                    // A stored number is shown whole, however long.
                    const QString text = QString::number(key.readInteger(QLatin1String(name)));
                    box->setMaxLength(qMax(box->maxLength(), int(text.size())));
                    box->setText(text);
                } else if (!otherwise.isNull()) {
                    box->setText(otherwise);
                }
            };
            stored(SettingNames::Lev, m_editLev, QString::number(SettingNames::DefaultLev));
            stored(SettingNames::Kor, m_editKor, QString::number(SettingNames::DefaultKor));
            stored(SettingNames::Vasen, m_editVasen, QString());
            stored(SettingNames::Oikea, m_editOikea, QString());
        }

        m_preview->Clear();
        m_printerList->setEnabled(m_preview->GmPrinter()->PrinterNames().size() >= 2);
        setWindowTitle(QStringLiteral("Esikatselu - ") + (m_host ? m_host->currentRecipe() : QString()));
        m_editLev->setEnabled(false);
        m_editKor->setEnabled(false);
        m_preview->PageWidth()->SetAsMillimetres(210);
        m_preview->PageHeight()->SetAsMillimetres(297);
        m_rgKoko->SetItemIndex(0);

        // The page takes the margins the boxes show.
        auto marginOf = [](const QLineEdit *box) {
            bool ok = false;
            const int value = box->text().toInt(&ok);
            return ok ? value : SettingNames::DefaultMargin;
        };
        m_preview->Margins()->Left.SetAsMillimetres(marginOf(m_editVasen));
        m_preview->Margins()->Right.SetAsMillimetres(marginOf(m_editOikea));
        m_preview->Margins()->SetVisible(false);
        // Flowed from a cleared document, so that no page keeps text of the
        // flows the steps above ran.
        RefreshDocument();
        UpdatePageButtons();
    });
}

// Reads the stored recipe font into the current recipe font that the recipe
// window shares, and sets the text in it. The preview and direct printing
// both take it here, so that both print the recipe alike.
void TFormPrintPrev::takeRecipeFont(SettingsKey &key)
{
    TGmFont recipeFont = m_host ? m_host->currentRecipeFont() : m_rtf->TextFileFont();
    if (key.valueExists(QLatin1String(SettingNames::FontName)))
        recipeFont.Name = key.readString(QLatin1String(SettingNames::FontName));
    if (key.valueExists(QLatin1String(SettingNames::FontColor)))
        recipeFont.Color = key.readInteger(QLatin1String(SettingNames::FontColor));
    if (key.valueExists(QLatin1String(SettingNames::FontSize)))
        recipeFont.Size = key.readInteger(QLatin1String(SettingNames::FontSize));
    if (m_host)
        m_host->setCurrentRecipeFont(recipeFont);
    TGmFont font = m_rtf->TextFileFont();
    if (!recipeFont.Name.isEmpty())
        font.Name = recipeFont.Name;
    font.Color = recipeFont.Color;
    font.Size = recipeFont.Size;
    m_rtf->SetTextFileFont(font);
}

// ---- Document -------------------------------------------------------------------

void TFormPrintPrev::RefreshDocument()
{
    m_preview->Clear();
    if (m_host && m_host->layOutPages(m_preview))
        return;
    m_rtf->LoadFromMemo(m_host ? m_host->Memo1() : nullptr);
}

void TFormPrintPrev::UpdatePageButtons()
{
    const int current = m_preview->CurrentPage();
    const int count = m_preview->NumPages();
    if (count > 1 && current == 1) {
        m_bbSeur->setEnabled(true);
        m_bbEdel->setEnabled(false);
    }
    if (current > 1 && current < count) {
        m_bbSeur->setEnabled(true);
        m_bbEdel->setEnabled(true);
    }
    if (current == count) {
        m_bbSeur->setEnabled(false);
        m_bbEdel->setEnabled(true);
    }
    if (count < 2) {
        m_bbSeur->setEnabled(false);
        m_bbEdel->setEnabled(false);
    }
}

void TFormPrintPrev::RGKokoClick()
{
    choosePaperSize(true);
}

void TFormPrintPrev::choosePaperSize(bool focusWidth)
{
    Dialogs::guard([this, focusWidth]() {
        int width = 210;
        int height = 297;
        switch (m_rgKoko->ItemIndex()) {
        case 0:
        case 1:
            if (m_rgKoko->ItemIndex() == 1) {
                width = 148;
                height = 210;
            }
            m_definePending = false;
            m_rgSuunta->setEnabled(true);
            m_editLev->setEnabled(false);
            m_editKor->setEnabled(false);
            break;
        case 2:
            // Both boxes can be put right when one of them is not a number;
            // the paper is then defined once they both hold one.
            m_editLev->setEnabled(true);
            m_editKor->setEnabled(true);
            m_definePending = true;
            width = boxValue(m_editLev);
            height = boxValue(m_editKor);
            m_definePending = false;
            m_rgSuunta->setEnabled(false);
            m_editLev->setEnabled(true);
            m_editKor->setEnabled(true);
            if (focusWidth)
                m_editLev->setFocus();
            break;
        default:
            return;
        }
        m_preview->PageWidth()->SetAsMillimetres(width);
        m_preview->PageHeight()->SetAsMillimetres(height);
        if (m_rgSuunta->ItemText(m_rgSuunta->ItemIndex()) == QLatin1String("L&andscape"))
            m_rgSuunta->SetItemIndex(0);
        RefreshDocument();
        UpdatePageButtons();
    });
}

void TFormPrintPrev::RGSuuntaClick()
{
    Dialogs::guard([this]() {
        m_preview->SetOrientation(m_rgSuunta->ItemIndex() == 1 ? gmLandscape : gmPortrait);
        // The turned paper has another text area: flow the text again so
        // that no line falls off the shorter page.
        RefreshDocument();
        UpdatePageButtons();
    });
}

void TFormPrintPrev::EditLevChange()
{
    sizeBoxChanged(m_editLev, m_preview->PageWidth());
}

void TFormPrintPrev::EditKorChange()
{
    sizeBoxChanged(m_editKor, m_preview->PageHeight());
}

void TFormPrintPrev::sizeBoxChanged(QLineEdit *box, TGmValue *length)
{
    Dialogs::guard([this, box, length]() {
        const int index = m_rgKoko->ItemIndex();
        // "Define paper size" that stopped at a box is completed as soon as
        // both boxes hold numbers.
        if (index == 2 && m_definePending && holdsInteger(m_editLev) && holdsInteger(m_editKor)) {
            choosePaperSize(false);
            return;
        }
        // Outside "Define paper size" the boxes only keep the size for later:
        // a box opened to be put right does not resize an A4 or A5 page.
        if (!box->text().isEmpty() && (index == 2 || index < 0))
            length->SetAsMillimetres(boxValue(box));
        RefreshDocument();
        UpdatePageButtons();
    });
}

void TFormPrintPrev::EditVasenChange()
{
    marginBoxChanged(m_editVasen, m_preview->Margins()->Left);
}

void TFormPrintPrev::EditOikeaChange()
{
    marginBoxChanged(m_editOikea, m_preview->Margins()->Right);
}

void TFormPrintPrev::marginBoxChanged(QLineEdit *box, TGmValue &margin)
{
    Dialogs::guard([this, box, &margin]() {
        if (!box->text().isEmpty())
            margin.SetAsMillimetres(boxValue(box));
        m_preview->Margins()->SetVisible(false);
        RefreshDocument();
        UpdatePageButtons();
    });
}

// Number boxes take digits and backspace; other typed characters are dropped.
bool TFormPrintPrev::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panel && event->type() == QEvent::Resize) {
        placePreview();
        return false;
    }
    if (event->type() == QEvent::KeyPress
        && (watched == m_editLev || watched == m_editKor || watched == m_editVasen || watched == m_editOikea)) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            return false;
        default:
            break;
        }
        const QString text = key->text();
        if (text.isEmpty())
            return false;
        const QChar c = text.at(0);
        if (c == QChar(8) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return false;
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Commands -------------------------------------------------------------------

void TFormPrintPrev::BBTulClick()
{
    Dialogs::guard([this]() { printPages(m_preview, m_host, this); });
}

void TFormPrintPrev::BBSeurClick()
{
    m_preview->NextPage();
    UpdatePageButtons();
}

void TFormPrintPrev::BBEdelClick()
{
    m_preview->PrevPage();
    UpdatePageButtons();
}

void TFormPrintPrev::BBZoomInClick()
{
    m_preview->ZoomIn();
}

void TFormPrintPrev::BBZoomOutClick()
{
    m_preview->ZoomOut();
}

void TFormPrintPrev::BBSuljeClick()
{
    Dialogs::guard([this]() {
        SettingsKey key;
        if (key.open()) {
            key.writeInteger(QLatin1String(SettingNames::Lev), boxValue(m_editLev));
            key.writeInteger(QLatin1String(SettingNames::Kor), boxValue(m_editKor));
            key.writeInteger(QLatin1String(SettingNames::Vasen), boxValue(m_editVasen));
            key.writeInteger(QLatin1String(SettingNames::Oikea), boxValue(m_editOikea));
        }
        m_preview->Clear();
        if (m_host && m_host->Memo1())
            m_host->Memo1()->clear();
        done(QDialog::Accepted);
    });
}

void TFormPrintPrev::FormClose()
{
    m_preview->Clear();
    if (m_host && m_host->Memo1())
        m_host->Memo1()->clear();
}

void TFormPrintPrev::done(int)
{
    if (m_closing)
        return;
    m_closing = true;
    FormClose();
    QDialog::done(QDialog::Accepted);
    m_closing = false;
}

void TFormPrintPrev::keyPressEvent(QKeyEvent *event)
{
    // Esc is the Next button's: it shows the next page, it does not close.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_bbSeur->isEnabled())
            m_bbSeur->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFormPrintPrev::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        m_statusBar->showMessage(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

// ---- Printing without the window ------------------------------------------------

void TFormPrintPrev::PrintDirect(PrintPreviewHost *host, QWidget *owner)
{
    TFormPrintPrev form(host, owner);
    SettingsKey key;
    if (key.open())
        form.takeRecipeFont(key);
    TGmPreview *preview = form.m_preview;
    preview->Clear();
    preview->PageWidth()->SetAsMillimetres(210);
    preview->PageHeight()->SetAsMillimetres(297);
    preview->Margins()->Left.SetAsMillimetres(25);
    preview->Margins()->Right.SetAsMillimetres(25);
    preview->Margins()->SetVisible(false);
    form.m_rtf->LoadFromMemo(host ? host->Memo1() : nullptr);
    printPages(preview, host, owner);
}

void TFormPrintPrev::printPages(TGmPreview *preview, PrintPreviewHost *host, QWidget *parent)
{
    preview->SetTitle(jobTitle(host));
    TGmPrinter *printer = preview->GmPrinter();
    if (!choosePdfFile(printer, host ? host->currentRecipe() : QString(), parent))
        return;
    preview->Print();
    forgetPdfFile(printer);
}

bool TFormPrintPrev::choosePdfFile(TGmPrinter *printer, const QString &recipeName, QWidget *parent)
{
    auto *backend = printer ? dynamic_cast<TGmQtPrinterBackend *>(printer->backend()) : nullptr;
    if (!backend || !backend->pdfSelected())
        return true;
    // The preview's own activation must not run again after this question:
    // it would reset the paper the user chose.
    const QString file = askFileToWrite(nullptr, parent, "PdfFileDialog", QStringLiteral("Print to PDF file"),
                                        QStringLiteral("PDF files (*.pdf)"), QStringLiteral("pdf"), recipeName);
    if (file.isEmpty())
        return false;
    backend->setPdfFileName(file);
    return true;
}

QString TFormPrintPrev::askFileToWrite(ActivationTarget *below, QWidget *parent, const char *objectName,
                                       const QString &caption, const QString &filter, const QString &suffix,
                                       const QString &name)
{
    QString fileName = name.trimmed();
    fileName.replace(QLatin1Char('/'), QLatin1Char('-'));
    if (fileName.isEmpty() || fileName.startsWith(QLatin1Char('.')))
        fileName.prepend(QStringLiteral("Recipe"));
    // The documents folder the desktop names, when it exists; else the home folder.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    FileChooser::Request request;
    request.mode = FileChooser::Mode::SaveFile;
    request.parent = parent;
    request.below = below;
    request.caption = caption;
    request.start = QDir(folder).filePath(fileName + u'.' + suffix);
    request.filter = filter;
    request.suffix = suffix;
    request.objectName = QLatin1String(objectName);
    return FileChooser::chooseOne(request);
}

void TFormPrintPrev::forgetPdfFile(TGmPrinter *printer)
{
    if (auto *backend = printer ? dynamic_cast<TGmQtPrinterBackend *>(printer->backend()) : nullptr)
        backend->setPdfFileName(QString());
}
