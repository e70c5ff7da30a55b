#include "platform/Dialogs.h"
#include "preview/GmFakePrinterBackend.h"
#include "preview/GmMargins.h"
#include "preview/GmMessages.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmPrinterList.h"
#include "preview/GmRtfInformation.h"
#include "preview/GmRtfPreview.h"
#include "print/FormPrintPrev.h"
#include "print/PrintPreviewHost.h"
#include "print/RadioGroup.h"
#include "print/UpDown.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("Line %1 of the recipe").arg(i);
    return lines.join(QLatin1Char('\n'));
}

// Lines of numberedLines() that fill one A4 page with 25 mm sides in the
// window's design font on the 600 dpi fake printer.
int linesPerPage()
{
    TGmPreview preview;
    preview.Margins()->Left.SetAsMillimetres(25);
    preview.Margins()->Right.SetAsMillimetres(25);
    TGmRichEdit edit;
    const QString text = numberedLines(500);
    edit.SetText(text);
    edit.SetFont(TGmFont());
    const int end = edit.FormatRange(nullptr, 600, MeasureTextArea(&preview, 600, 1, 1).toTwips(600), 0, -1);
    return int(text.left(end).count(QLatin1Char('\n')));
}

// Lines that fill two pages and part of a third.
int threePages()
{
    return 2 * linesPerPage() + 5;
}

class FakeHost : public PrintPreviewHost
{
public:
    QPlainTextEdit *Memo1() const override { return memo.get(); }
    bool fullSizeMode() const override { return full; }
    bool smallSizeMode() const override { return small; }
    QString currentRecipe() const override { return recipe; }
    TGmFont currentRecipeFont() const override { return font; }
    void setCurrentRecipeFont(const TGmFont &f) override { font = f; }

    std::unique_ptr<QPlainTextEdit> memo = std::make_unique<QPlainTextEdit>();
    bool full = false;
    bool small = false;
    QString recipe = QStringLiteral("Pancakes");
    TGmFont font;
};

void installPrinters(int count)
{
    QList<TGmFakePrinter> printers;
    for (int i = 0; i < count; ++i) {
        TGmFakePrinter p;
        p.Name = QStringLiteral("Printer %1").arg(i + 1);
        printers << p;
    }
    TGmPrinter::install(std::make_unique<TGmFakePrinterBackend>(printers, 0));
}

void storeInteger(const char *name, int value)
{
    SettingsKey key;
    QVERIFY(key.open());
    key.writeInteger(QLatin1String(name), value);
}

bool stored(const char *name)
{
    SettingsKey key;
    return key.open() && key.valueExists(QLatin1String(name));
}

int storedInteger(const char *name)
{
    SettingsKey key;
    key.open();
    return key.readInteger(QLatin1String(name));
}

// A window over a fake recipe window, shown (offscreen) so that it activates.
struct Window
{
    explicit Window(int lines = 10)
    {
        host.memo->setPlainText(numberedLines(lines));
        form = std::make_unique<TFormPrintPrev>(&host);
    }
    ~Window()
    {
        if (form)
            form->hide();
    }
    void show() { form->show(); }
    TGmPreview *preview() const { return form->GmPreview(); }
    const TGmRichEdit *flowText() const { return TGmRtfPreview::textStoreOf(preview())->RichEdit(); }

    FakeHost host;
    std::unique_ptr<TFormPrintPrev> form;
};

// Clicks an arrow of an up-down as the user does.
void clickArrow(TUpDown *upDown, Qt::ArrowType arrow)
{
    for (QToolButton *button : upDown->findChildren<QToolButton *>()) {
        if (button->arrowType() == arrow) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
    QFAIL("no such arrow");
}

// Puts the text cursor in a box and replaces its text by typing.
void retype(QLineEdit *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

QStringList errors()
{
    QStringList texts;
    for (const Dialogs::Message &m : Dialogs::messages())
        texts << m.text;
    return texts;
}

} // namespace

class TestFormPrintPrev : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        installPrinters(2);
        QFile::remove(SettingsStore::filePath());
        Dialogs::clearRecord();
        GmMessages::clearRecorded();
    }
    void cleanupTestCase() { TGmPrinter::release(); }

    void firstActivationWithoutStoredValues()
    {
        Window w;
        w.show();
        TFormPrintPrev *f = w.form.get();
        QCOMPARE(f->EditLev()->text(), QStringLiteral("200"));
        QCOMPARE(f->EditKor()->text(), QStringLiteral("300"));
        QCOMPARE(f->EditVasen()->text(), QStringLiteral("25"));
        QCOMPARE(f->EditOikea()->text(), QStringLiteral("25"));
        QCOMPARE(f->RGKoko()->ItemIndex(), 0);
        QCOMPARE(w.preview()->PageWidth()->Raw(), 21000);
        QCOMPARE(w.preview()->PageHeight()->Raw(), 29700);
        QCOMPARE(w.preview()->Margins()->Left.Raw(), 2500);
        QCOMPARE(w.preview()->Margins()->Right.Raw(), 2500);
        QVERIFY(!w.preview()->Margins()->Visible());
        QCOMPARE(f->windowTitle(), QStringLiteral("Esikatselu - Pancakes"));
        QVERIFY(!f->EditLev()->isEnabled());
        QVERIFY(!f->EditKor()->isEnabled());
        QVERIFY(!f->UpDownLev()->isEnabled());
        QVERIFY(f->RGSuunta()->isEnabled());
        QCOMPARE(w.preview()->Zoom(), 41);
        QCOMPARE(w.preview()->Title(), QStringLiteral("<document>"));
        QVERIFY(w.flowText());
        QCOMPARE(w.flowText()->Text(), w.host.memo->toPlainText());
    }

    void captionsAndHints_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("statusTip");
        QTest::addRow("BBTul") << "BBTul" << "     &Print" << "" << "Print the ingredients list and directions.";
        QTest::addRow("BBSeur") << "BBSeur" << "&Next" << "Next Page" << "Show the next page.";
        QTest::addRow("BBEdel") << "BBEdel" << "Pr&evious" << "Previous Page" << "Show the previous page.";
        QTest::addRow("BBZoomIn") << "BBZoomIn" << "&Zoom In" << "" << "Zoom in the print preview";
        QTest::addRow("BBZoomOut") << "BBZoomOut" << "Zoo&m Out" << "" << "Zoom out the print preview.";
        QTest::addRow("BBSulje") << "BBSulje" << "     &Close" << "" << "Close the print preview.";
        QTest::addRow("GBTul") << "GBTul" << "Printer" << "" << "";
        QTest::addRow("RGSuunta") << "RGSuunta" << "Orientation" << "" << "Set the paper orientation.";
        QTest::addRow("RGKoko") << "RGKoko" << "Paper size" << "" << "Set the size of the paper.";
        QTest::addRow("GBKoko") << "GBKoko" << "Paper size as millimeters" << ""
                                << "Specify the size of the paper when \"Define paper size\" is selected.";
        QTest::addRow("GBReu") << "GBReu" << "Margins as millimeters" << "" << "Set the printing area of the page.";
        QTest::addRow("GmPrinterList") << "GmPrinterList" << "" << "Select Printer" << "Select printer.";
        QTest::addRow("GmPreview") << "GmPreview" << "" << "" << "The print preview of the recipe.";
    }
    void captionsAndHints()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, tooltip);
        QFETCH(QString, statusTip);
        Window w;
        QWidget *control = w.form->findChild<QWidget *>(name);
        QVERIFY(control);
        if (auto *button = qobject_cast<QPushButton *>(control))
            QCOMPARE(button->text(), caption);
        if (auto *group = qobject_cast<QGroupBox *>(control))
            QCOMPARE(group->title(), caption);
        QCOMPARE(control->toolTip(), tooltip);
        QCOMPARE(control->statusTip(), statusTip);
    }

    void itemsOfTheRadioGroups()
    {
        Window w;
        QCOMPARE(w.form->RGSuunta()->ItemText(0), QStringLiteral("P&ortrait"));
        QCOMPARE(w.form->RGSuunta()->ItemText(1), QStringLiteral("L&andscape"));
        QCOMPARE(w.form->RGKoko()->ItemText(0), QStringLiteral("A&4   (210 x 297 mm)"));
        QCOMPARE(w.form->RGKoko()->ItemText(1), QStringLiteral("A&5   (148 x 210 mm)"));
        QCOMPARE(w.form->RGKoko()->ItemText(2), QStringLiteral("&Define paper size"));
        // Before activation the boxes hold their designed texts.
        QCOMPARE(w.form->EditLev()->text(), QStringLiteral("100"));
        QCOMPARE(w.form->EditKor()->text(), QStringLiteral("100"));
        QCOMPARE(w.form->EditLev()->maxLength(), 3);
        QCOMPARE(w.form->EditVasen()->maxLength(), 3);
        QVERIFY(!w.form->EditYla()->isEnabled());
        QVERIFY(!w.form->EditAla()->isEnabled());
    }

    void printerBoxNeedsTwoPrinters_data()
    {
        QTest::addColumn<int>("printers");
        QTest::addColumn<bool>("enabled");
        QTest::addRow("one printer") << 1 << false;
        QTest::addRow("two printers") << 2 << true;
    }
    void printerBoxNeedsTwoPrinters()
    {
        QFETCH(int, printers);
        QFETCH(bool, enabled);
        installPrinters(printers);
        Window w;
        w.show();
        QCOMPARE(w.form->GmPrinterList()->isEnabled(), enabled);
        QCOMPARE(w.form->GmPrinterList()->count(), printers);
    }

    void pageButtons_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("nextClicks");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("next");
        QTest::addColumn<bool>("previous");
        QTest::addRow("one page") << 10 << 0 << 1 << false << false;
        QTest::addRow("three pages, page 1") << threePages() << 0 << 1 << true << false;
        QTest::addRow("three pages, page 2") << threePages() << 1 << 2 << true << true;
        QTest::addRow("three pages, page 3") << threePages() << 2 << 3 << false << true;
        QTest::addRow("three pages, past the end") << threePages() << 3 << 3 << false << true;
    }
    void pageButtons()
    {
        QFETCH(int, lines);
        QFETCH(int, nextClicks);
        QFETCH(int, page);
        QFETCH(bool, next);
        QFETCH(bool, previous);
        Window w(lines);
        w.show();
        for (int i = 0; i < nextClicks; ++i)
            w.form->BBSeurClick();
        QCOMPARE(w.preview()->NumPages(), lines > 10 ? 3 : 1);
        QCOMPARE(w.preview()->CurrentPage(), page);
        QCOMPARE(w.form->BBSeur()->isEnabled(), next);
        QCOMPARE(w.form->BBEdel()->isEnabled(), previous);
    }

    void escapeShowsTheNextPage()
    {
        Window w(threePages());
        w.show();
        QTest::keyClick(w.form.get(), Qt::Key_Escape);
        QCOMPARE(w.preview()->CurrentPage(), 2);
        QVERIFY(w.form->isVisible());
        QTest::keyClick(w.form->EditVasen(), Qt::Key_Escape);
        QCOMPARE(w.preview()->CurrentPage(), 3);
        QTest::keyClick(w.form.get(), Qt::Key_Escape);
        QCOMPARE(w.preview()->CurrentPage(), 3);
        QVERIFY(w.form->isVisible());
    }

    void a5TurnsLandscapeBackToPortrait()
    {
        Window w;
        w.show();
        w.form->RGSuunta()->Button(1)->click();
        QCOMPARE(w.preview()->Orientation(), gmLandscape);
        w.form->RGKoko()->Button(1)->click();
        QCOMPARE(w.form->RGSuunta()->ItemIndex(), 0);
        QCOMPARE(w.preview()->Orientation(), gmPortrait);
        QCOMPARE(w.preview()->PageWidth()->Raw(), 14800);
        QCOMPARE(w.preview()->PageHeight()->Raw(), 21000);
    }

    void definedPaperSize()
    {
        Window w;
        w.show();
        TFormPrintPrev *f = w.form.get();
        f->RGKoko()->Button(2)->click();
        QVERIFY(!f->RGSuunta()->isEnabled());
        QVERIFY(f->EditLev()->isEnabled());
        QVERIFY(f->EditKor()->isEnabled());
        QVERIFY(f->UpDownKor()->isEnabled());
        QCOMPARE(f->focusWidget(), f->EditLev());
        QCOMPARE(w.preview()->PageWidth()->Raw(), 20000);
        QCOMPARE(w.preview()->PageHeight()->Raw(), 30000);

        const TGmRichEdit *before = w.flowText();
        f->EditLev()->setText(QStringLiteral("150"));
        QCOMPARE(w.preview()->PageWidth()->Raw(), 15000);
        QVERIFY(w.flowText() != before);
        f->UpDownKor()->stepUp();
        QCOMPARE(f->EditKor()->text(), QStringLiteral("300"));
        f->UpDownKor()->stepDown();
        QCOMPARE(f->EditKor()->text(), QStringLiteral("299"));
        QCOMPARE(w.preview()->PageHeight()->Raw(), 29900);

        // A paper without room for text keeps its text for a wider one.
        f->EditLev()->setText(QStringLiteral("0"));
        QCOMPARE(w.preview()->NumPages(), 1);
        QCOMPARE(TGmRtfPreview::textStoreOf(w.preview())->FindPage(1)->EndChar, -1);
        f->EditLev()->setText(QStringLiteral("210"));
        QCOMPARE(TGmRtfPreview::textStoreOf(w.preview())->FindPage(1)->EndChar,
                 int(w.host.memo->toPlainText().size()));
    }

    void definedPaperSizeWithBadBox()
    {
        Window w;
        w.show();
        TFormPrintPrev *f = w.form.get();
        f->EditKor()->setText(QStringLiteral("3x"));
        Dialogs::clearRecord();
        f->RGKoko()->Button(2)->click();
        QCOMPARE(errors(), QStringList{"'3x' is not a valid integer value"});
        QVERIFY(f->RGSuunta()->isEnabled());
        QCOMPARE(w.preview()->PageWidth()->Raw(), 21000);
    }

    void marginBoxes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("left");
        QTest::addColumn<bool>("reflowed");
        QTest::addColumn<QString>("error");
        QTest::addRow("number") << "10" << 1000 << true << QString();
        QTest::addRow("cleared") << "" << 2500 << true << QString();
        QTest::addRow("pasted text") << "1;" << 2500 << false << "'1;' is not a valid integer value";
    }
    void marginBoxes()
    {
        QFETCH(QString, text);
        QFETCH(int, left);
        QFETCH(bool, reflowed);
        QFETCH(QString, error);
        Window w;
        w.show();
        w.preview()->Margins()->SetVisible(true);
        const TGmRichEdit *before = w.flowText();
        w.form->EditVasen()->setText(text);
        QCOMPARE(w.preview()->Margins()->Left.Raw(), left);
        QCOMPARE(w.flowText() != before, reflowed);
        QCOMPARE(errors(), error.isEmpty() ? QStringList() : QStringList{error});
        if (reflowed)
            QVERIFY(!w.preview()->Margins()->Visible());
    }

    void numberBoxesTakeDigitsOnly()
    {
        Window w;
        w.show();
        QLineEdit *box = w.form->EditVasen();
        box->clear();
        QTest::keyClicks(box, QStringLiteral("1a.-2"));
        QCOMPARE(box->text(), QStringLiteral("12"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("1"));
        QTest::keyClicks(box, QStringLiteral("234"));
        QCOMPARE(box->text(), QStringLiteral("123"));
    }

    // The arrows reach 100 and the box shows it whole: the margin is never
    // cut to "10".
    void marginArrowsReachAHundred()
    {
        {
            Window w;
            w.show();
            retype(w.form->EditVasen(), QStringLiteral("99"));
            clickArrow(w.form->UpDownVas(), Qt::UpArrow);
            QCOMPARE(w.form->EditVasen()->text(), QStringLiteral("100"));
            QCOMPARE(w.preview()->Margins()->Left.Raw(), 10000);
            clickArrow(w.form->UpDownVas(), Qt::UpArrow);
            QCOMPARE(w.form->EditVasen()->text(), QStringLiteral("100"));
            retype(w.form->EditOikea(), QStringLiteral("1"));
            clickArrow(w.form->UpDownOik(), Qt::DownArrow);
            clickArrow(w.form->UpDownOik(), Qt::DownArrow);
            QCOMPARE(w.form->EditOikea()->text(), QStringLiteral("0"));
            QCOMPARE(w.preview()->Margins()->Right.Raw(), 0);
            w.form->BBSulje()->click();
            QVERIFY(errors().isEmpty());
        }
        QCOMPARE(storedInteger(SettingNames::Vasen), 100);
        Window next;
        next.show();
        QCOMPARE(next.form->EditVasen()->text(), QStringLiteral("100"));
        QCOMPARE(next.preview()->Margins()->Left.Raw(), 10000);
    }

    // A size box emptied and then complained about is opened for the user
    // to put right; once it holds a number, Close closes and stores it.
    void emptiedSizeBoxCanBePutRight_data()
    {
        QTest::addColumn<bool>("defineAgain");
        QTest::addRow("define paper size again") << true;
        QTest::addRow("close") << false;
    }
    void emptiedSizeBoxCanBePutRight()
    {
        QFETCH(bool, defineAgain);
        Window w;
        w.show();
        QApplication::setActiveWindow(w.form.get());
        TFormPrintPrev *f = w.form.get();
        QTest::mouseClick(f->RGKoko()->Button(2), Qt::LeftButton);
        retype(f->EditKor(), QString());
        QCOMPARE(f->EditKor()->text(), QString());
        QTest::mouseClick(f->RGKoko()->Button(0), Qt::LeftButton);
        QVERIFY(!f->EditKor()->isEnabled());
        Dialogs::clearRecord();
        if (defineAgain)
            QTest::mouseClick(f->RGKoko()->Button(2), Qt::LeftButton);
        else
            f->BBSulje()->click();
        QCOMPARE(errors(), QStringList{"'' is not a valid integer value"});
        QVERIFY(f->isVisible());
        QVERIFY(f->EditKor()->isEnabled());
        QVERIFY(f->UpDownKor()->isEnabled());
        QCOMPARE(f->focusWidget(), f->EditKor());

        Dialogs::clearRecord();
        QTest::keyClicks(f->EditKor(), QStringLiteral("250"));
        QCOMPARE(f->EditKor()->text(), QStringLiteral("250"));
        QCOMPARE(f->focusWidget(), f->EditKor());
        if (defineAgain) {
            // The paper is defined as soon as the box holds a number.
            QVERIFY(!f->RGSuunta()->isEnabled());
            QCOMPARE(w.preview()->PageWidth()->Raw(), 20000);
            QCOMPARE(w.preview()->PageHeight()->Raw(), 25000);
        } else {
            QCOMPARE(f->RGKoko()->ItemIndex(), 0);
            QCOMPARE(w.preview()->PageWidth()->Raw(), 21000);
            QCOMPARE(w.preview()->PageHeight()->Raw(), 29700);
        }
        f->BBSulje()->click();
        QVERIFY(errors().isEmpty());
        QVERIFY(!f->isVisible());
        QCOMPARE(storedInteger(SettingNames::Kor), 250);
        QCOMPARE(storedInteger(SettingNames::Oikea), 25);
    }

    // Each radio group is one tab stop; the arrow keys choose within it.
    void radioGroupsAreOneTabStopEach()
    {
        Window w;
        w.show();
        QApplication::setActiveWindow(w.form.get());
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        TFormPrintPrev *f = w.form.get();
        f->BBSulje()->setFocus();
        auto tab = [f]() {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            return QApplication::focusWidget();
        };
        QCOMPARE(tab(), f->RGSuunta()->Button(0));
        QCOMPARE(tab(), f->RGKoko()->Button(0));
        QCOMPARE(tab(), static_cast<QWidget *>(f->EditVasen()));

        f->RGSuunta()->Button(0)->setFocus();
        QTest::keyClick(f->RGSuunta()->Button(0), Qt::Key_Right);
        QCOMPARE(f->RGSuunta()->ItemIndex(), 1);
        QCOMPARE(w.preview()->Orientation(), gmLandscape);
        QCOMPARE(QApplication::focusWidget(), f->RGSuunta()->Button(1));
        QTest::keyClick(f->RGSuunta()->Button(1), Qt::Key_Down);
        QCOMPARE(f->RGSuunta()->ItemIndex(), 0);
        QCOMPARE(w.preview()->Orientation(), gmPortrait);

        QCOMPARE(tab(), f->RGKoko()->Button(0));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(f->RGKoko()->ItemIndex(), 1);
        QCOMPARE(w.preview()->PageWidth()->Raw(), 14800);
        QCOMPARE(QApplication::focusWidget(), f->RGKoko()->Button(1));
        // Backwards from the margins comes back to the chosen item.
        f->EditVasen()->setFocus();
        QTest::keyClick(f->EditVasen(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), f->RGKoko()->Button(1));
        QTest::keyClick(f->RGKoko()->Button(1), Qt::Key_Up);
        QCOMPARE(f->RGKoko()->ItemIndex(), 0);
        QCOMPARE(w.preview()->PageWidth()->Raw(), 21000);
    }

    void zoomLimits_data()
    {
        QTest::addColumn<bool>("in");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addRow("out from 41") << false << 41 << 11;
        QTest::addRow("in from 58") << true << 58 << 398;
    }
    void zoomLimits()
    {
        QFETCH(bool, in);
        QFETCH(int, start);
        QFETCH(int, end);
        Window w;
        w.show();
        w.preview()->SetZoom(start);
        for (int i = 0; i < 100; ++i)
            (in ? w.form->BBZoomIn() : w.form->BBZoomOut())->click();
        QCOMPARE(w.preview()->Zoom(), end);
    }

    void closeStoresTheLayoutForTheNextPreview()
    {
        {
            Window w;
            w.show();
            w.form->EditVasen()->setText(QStringLiteral("30"));
            w.form->EditOikea()->setText(QStringLiteral("15"));
            w.form->BBSulje()->click();
            QVERIFY(!w.form->isVisible());
            QCOMPARE(w.form->result(), int(QDialog::Accepted));
            QVERIFY(w.host.memo->toPlainText().isEmpty());
        }
        QCOMPARE(storedInteger(SettingNames::Lev), 200);
        QCOMPARE(storedInteger(SettingNames::Kor), 300);
        QCOMPARE(storedInteger(SettingNames::Vasen), 30);
        QCOMPARE(storedInteger(SettingNames::Oikea), 15);

        Window next;
        next.show();
        QCOMPARE(next.form->EditVasen()->text(), QStringLiteral("30"));
        QCOMPARE(next.form->EditOikea()->text(), QStringLiteral("15"));
        // The page takes the margins its boxes show.
        QCOMPARE(next.preview()->Margins()->Left.Raw(), 3000);
        QCOMPARE(next.preview()->Margins()->Right.Raw(), 1500);
        const TGmTextArea area = MeasureTextArea(next.preview(), 600, 1, 1);
        QCOMPARE(area.Left, gmTruncate(30 / 25.4L * 600));
    }

    void storedSizesShowInTheBoxes()
    {
        storeInteger(SettingNames::Lev, 180);
        storeInteger(SettingNames::Kor, 250);
        Window w;
        w.show();
        QCOMPARE(w.form->EditLev()->text(), QStringLiteral("180"));
        QCOMPARE(w.form->EditKor()->text(), QStringLiteral("250"));
        QCOMPARE(w.preview()->PageWidth()->Raw(), 21000);
        w.form->RGKoko()->Button(2)->click();
        QCOMPARE(w.preview()->PageWidth()->Raw(), 18000);
        QCOMPARE(w.preview()->PageHeight()->Raw(), 25000);
    }

    void closeStopsAtABadBox()
    {
        Window w;
        w.show();
        w.form->EditVasen()->setText(QString());
        Dialogs::clearRecord();
        w.form->BBSulje()->click();
        QCOMPARE(errors(), QStringList{"'' is not a valid integer value"});
        QVERIFY(w.form->isVisible());
        QVERIFY(stored(SettingNames::Lev));
        QVERIFY(stored(SettingNames::Kor));
        QVERIFY(!stored(SettingNames::Vasen));
        QVERIFY(!stored(SettingNames::Oikea));
    }

    void frameCloseStoresNothing()
    {
        Window w;
        w.show();
        w.form->EditVasen()->setText(QStringLiteral("30"));
        w.form->close();
        QVERIFY(!w.form->isVisible());
        QCOMPARE(w.form->result(), int(QDialog::Accepted));
        QVERIFY(!stored(SettingNames::Vasen));
        QVERIFY(!stored(SettingNames::Lev));
        QVERIFY(w.host.memo->toPlainText().isEmpty());
        QCOMPARE(w.preview()->NumPages(), 1);
    }

    void recipeFontFromTheSettings()
    {
        SettingsKey key;
        QVERIFY(key.open());
        key.writeString(QLatin1String(SettingNames::FontName), QStringLiteral("DejaVu Serif"));
        key.writeInteger(QLatin1String(SettingNames::FontSize), 20);
        Window w;
        w.host.font.Name = QStringLiteral("DejaVu Sans");
        w.host.font.Color = 0x800000;
        w.host.font.Size = 9;
        w.show();
        const TGmFont &font = w.form->GmRtf()->TextFileFont();
        QCOMPARE(font.Name, QStringLiteral("DejaVu Serif"));
        QCOMPARE(font.Size, 20);
        QCOMPARE(font.Color, 0x800000);
    }

    // Turning the paper flows the text again, so every page's range fits the
    // turned page.
    void landscapeFlowsTheTextAgain()
    {
        Window w(linesPerPage() - 2);
        w.show();
        QCOMPARE(w.preview()->NumPages(), 1);
        w.form->RGSuunta()->Button(1)->click();
        QCOMPARE(w.preview()->Orientation(), gmLandscape);
        QCOMPARE(w.preview()->NumPages(), 2);
        TGmRtfInformation *store = TGmRtfPreview::textStoreOf(w.preview());
        QCOMPARE(store->Count(), 2);
        QCOMPARE(store->Items(1).EndChar, int(w.host.memo->toPlainText().size()));
    }

    void layoutModes_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<QSize>("preview");
        QTest::addColumn<int>("zoom");
        QTest::addRow("full") << true << QSize(1020, 729) << QSize(1010, 702) << QSize(851, 683) << 58;
        QTest::addRow("small") << false << QSize(800, 568) << QSize(790, 541) << QSize(631, 522) << 41;
    }
    void layoutModes()
    {
        QFETCH(bool, full);
        QFETCH(QSize, window);
        QFETCH(QSize, panel);
        QFETCH(QSize, preview);
        QFETCH(int, zoom);
        Window w;
        w.host.full = full;
        w.host.small = !full;
        w.show();
        QCOMPARE(w.form->size(), window);
        QCOMPARE(w.form->Panel()->size(), panel);
        QCOMPARE(w.preview()->size(), preview);
        QCOMPARE(w.preview()->Zoom(), zoom);
    }

    void directPrintUsesA4And25mm()
    {
        storeInteger(SettingNames::Vasen, 40);
        auto backend = std::make_unique<TGmFakePrinterBackend>(QList<TGmFakePrinter>{TGmFakePrinter()}, 0);
        TGmFakePrinterBackend *fake = backend.get();
        TGmPrinter::install(std::move(backend));
        FakeHost host;
        host.memo->setPlainText(numberedLines(threePages()));
        TFormPrintPrev::PrintDirect(&host, nullptr);
        QCOMPARE(fake->jobs().size(), 1);
        QCOMPARE(fake->jobs().first().Sheets.size(), 3);
        QCOMPARE(fake->jobs().first().Title, QStringLiteral("Pancakes"));
        QVERIFY(fake->jobs().first().Ended);
    }

    // The job carries the recipe's name; its sheets are the preview's paper.
    void printAsksForThePreviewsPaper()
    {
        auto backend = std::make_unique<TGmFakePrinterBackend>(QList<TGmFakePrinter>{TGmFakePrinter()}, 0);
        TGmFakePrinterBackend *fake = backend.get();
        TGmPrinter::install(std::move(backend));
        Window w(threePages());
        w.show();
        TFormPrintPrev *f = w.form.get();
        f->RGKoko()->Button(1)->click();
        f->RGSuunta()->Button(1)->click();
        f->BBTul()->click();
        QCOMPARE(fake->jobs().size(), 1);
        const TGmFakePrinterBackend::Job &job = fake->jobs().first();
        QCOMPARE(job.Title, QStringLiteral("Pancakes"));
        QCOMPARE(job.Sheets.size(), w.preview()->NumPages());
        for (const TGmFakePrinterBackend::Sheet &sheet : job.Sheets) {
            QCOMPARE(sheet.PaperSize, QSize(14800, 21000));
            QVERIFY(sheet.Landscape);
        }
        QVERIFY(GmMessages::recorded().isEmpty());
    }

    // A job that cannot start, or that the printer does not take, is
    // reported with the printer's name and the reason.
    void failedJobsAreReported()
    {
        auto backend = std::make_unique<TGmFakePrinterBackend>(QList<TGmFakePrinter>{TGmFakePrinter()}, 0);
        TGmFakePrinterBackend *fake = backend.get();
        TGmPrinter::install(std::move(backend));
        Window w;
        w.show();
        fake->setStartError(QStringLiteral("the queue is paused"));
        w.form->BBTul()->click();
        QCOMPARE(GmMessages::recorded(), QStringList{"TApplication Error...\n\nUnable to start the print job on "
                                                     "\"Fake printer\": the queue is paused"});
        GmMessages::clearRecorded();
        fake->setStartError(QString());
        fake->setSendError(QStringLiteral("The printer or class does not exist."));
        w.form->BBTul()->click();
        QCOMPARE(GmMessages::recorded(), QStringList{"TApplication Error...\n\nUnable to send the print job "
                                                     "\"Pancakes\" to \"Fake printer\": The printer or class "
                                                     "does not exist."});
        QVERIFY(!w.preview()->GmPrinter()->Printing());
        QVERIFY(w.form->isVisible());
    }
};

int main(int argc, char *argv[])
{
    // A screen wide enough for both layout modes.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (file.open(QIODevice::WriteOnly))
        file.write(R"({"screens":[{"name":"s1","x":0,"y":0,"width":1280,"height":1024,"logicalDpi":96}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.toLocal8Bit());
    QApplication app(argc, argv);
    Dialogs::setTestMode(true);
    GmMessages::setTestMode(true);
    TestFormPrintPrev test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestFormPrintPrev.moc"
