#pragma once

#include "platform/Dialogs.h"

#include <QDialog>

#include <memory>

class PrintPreviewHost;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class SettingsKey;
class TGmPreview;
class TGmPrinter;
class TGmPrinterList;
class TGmRtfPreview;
class TGmValue;
class TRadioGroup;
class TUpDown;

// The print preview window: the current recipe on pages as they print, with
// paper size, orientation and side margins to choose, page stepping, zoom,
// the printer and Print. The window lays nothing out itself: every change of
// paper or margins clears the preview and flows the recipe window's document
// memo again through GmRtf. Close stores the page layout; closing by the
// frame stores nothing.
class TFormPrintPrev : public QDialog, public ActivationTarget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormPrintPrev)

public:
    explicit TFormPrintPrev(PrintPreviewHost *host, QWidget *parent = nullptr);
    // A window that owns its view of the other windows.
    TFormPrintPrev(std::unique_ptr<PrintPreviewHost> host, QWidget *parent = nullptr);
    ~TFormPrintPrev() override;

    // The caption the window is designed with.
    static QString designCaption();

    TGmPreview *GmPreview() const { return m_preview; }
    TGmRtfPreview *GmRtf() const { return m_rtf; }
    TGmPrinterList *GmPrinterList() const { return m_printerList; }
    QWidget *Panel() const { return m_panel; }
    QStatusBar *StatusBar1() const { return m_statusBar; }
    QPushButton *BBTul() const { return m_bbTul; }
    QPushButton *BBSeur() const { return m_bbSeur; }
    QPushButton *BBEdel() const { return m_bbEdel; }
    QPushButton *BBZoomIn() const { return m_bbZoomIn; }
    QPushButton *BBZoomOut() const { return m_bbZoomOut; }
    QPushButton *BBSulje() const { return m_bbSulje; }
    TRadioGroup *RGSuunta() const { return m_rgSuunta; }
    TRadioGroup *RGKoko() const { return m_rgKoko; }
    QLineEdit *EditLev() const { return m_editLev; }
    QLineEdit *EditKor() const { return m_editKor; }
    QLineEdit *EditVasen() const { return m_editVasen; }
    QLineEdit *EditOikea() const { return m_editOikea; }
    QLineEdit *EditYla() const { return m_editYla; }
    QLineEdit *EditAla() const { return m_editAla; }
    TUpDown *UpDownLev() const { return m_upDownLev; }
    TUpDown *UpDownKor() const { return m_upDownKor; }
    TUpDown *UpDownVas() const { return m_upDownVas; }
    TUpDown *UpDownOik() const { return m_upDownOik; }

    void ApplySmallLayout();
    void ApplyFullLayout();
    // Clears the preview and flows the document memo again from page 1.
    void RefreshDocument();
    void UpdatePageButtons();

    // Prints the document memo on A4 with 25 mm side margins without showing
    // a window, in the current recipe font as the preview takes it.
    static void PrintDirect(PrintPreviewHost *host, QWidget *owner);

    // When the selected printer is the built-in "PDF file" printer, asks for
    // the file to write (default: the recipe's name with ".pdf" in the
    // user's documents folder, or in the home folder when there is no
    // documents folder). False when the question was cancelled.
    static bool choosePdfFile(TGmPrinter *printer, const QString &recipeName, QWidget *parent);
    // Asks for a file to write (object name `objectName`), offering `name`
    // (a '/' made '-') with `suffix` in the user's documents folder, or in the
    // home folder when there is no documents folder; `below` runs its
    // activation afterwards. Empty when the question was cancelled.
    static QString askFileToWrite(ActivationTarget *below, QWidget *parent, const char *objectName,
                                  const QString &caption, const QString &filter, const QString &suffix,
                                  const QString &name);
    // Forgets the chosen file, so that the next print asks again.
    static void forgetPdfFile(TGmPrinter *printer);

    // ActivationTarget
    void runActivation() override { FormActivate(); }

public Q_SLOTS:
    void FormActivate();
    void BBTulClick();
    void BBSeurClick();
    void BBEdelClick();
    void BBZoomInClick();
    void BBZoomOutClick();
    void BBSuljeClick();
    void RGKokoClick();
    void RGSuuntaClick();
    void EditLevChange();
    void EditKorChange();
    void EditVasenChange();
    void EditOikeaChange();

    // Any way of closing: clears the preview and the document memo, result OK.
    void done(int result) override;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void placePreview();
    void applyLayout(QSize window, QSize panel);
    void FormClose();
    void choosePaperSize(bool focusWidth);
    void takeRecipeFont(SettingsKey &key);
    void sizeBoxChanged(QLineEdit *box, TGmValue *length);
    void marginBoxChanged(QLineEdit *box, TGmValue &margin);
    // Prints the preview's pages as the recipe's job, into a file the user
    // chooses when the printer is the PDF printer.
    static void printPages(TGmPreview *preview, PrintPreviewHost *host, QWidget *parent);

    std::unique_ptr<PrintPreviewHost> m_ownedHost;
    PrintPreviewHost *m_host;
    QWidget *m_panel = nullptr;
    TGmPreview *m_preview = nullptr;
    TGmRtfPreview *m_rtf = nullptr;
    TGmPrinterList *m_printerList = nullptr;
    QGroupBox *m_gbTul = nullptr;
    QGroupBox *m_gbKoko = nullptr;
    QGroupBox *m_gbReu = nullptr;
    QPushButton *m_bbTul = nullptr;
    QPushButton *m_bbSeur = nullptr;
    QPushButton *m_bbEdel = nullptr;
    QPushButton *m_bbZoomIn = nullptr;
    QPushButton *m_bbZoomOut = nullptr;
    QPushButton *m_bbSulje = nullptr;
    TRadioGroup *m_rgSuunta = nullptr;
    TRadioGroup *m_rgKoko = nullptr;
    QLineEdit *m_editLev = nullptr;
    QLineEdit *m_editKor = nullptr;
    QLineEdit *m_editVasen = nullptr;
    QLineEdit *m_editOikea = nullptr;
    QLineEdit *m_editYla = nullptr;
    QLineEdit *m_editAla = nullptr;
    TUpDown *m_upDownLev = nullptr;
    TUpDown *m_upDownKor = nullptr;
    TUpDown *m_upDownVas = nullptr;
    TUpDown *m_upDownOik = nullptr;
    TUpDown *m_upDownYla = nullptr;
    TUpDown *m_upDownAla = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QSize m_layoutSize;
    QSize m_panelSize;
    bool m_closing = false;
    // "Define paper size" was chosen while a size box held no number.
    bool m_definePending = false;
};
