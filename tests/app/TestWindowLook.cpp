#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormRyhmaPois.h"
#include "app/FormUusi.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "preview/GmFakePrinterBackend.h"
#include "preview/GmPrinter.h"
#include "print/FormPrintPrev.h"
#include "print/RecipePrinting.h"
#include "recipe/DBMemo.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/FormResepti.h"
#include "recipe/RecipeFlags.h"
#include "settings/FormAbout.h"
#include "settings/FormAinesohje.h"
#include "settings/FormPikaohje.h"
#include "settings/FormPoistu.h"
#include "settings/SettingsStore.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

// How the program's windows look on a 1280 x 1024 and a 1000 x 800 screen:
// where they open, that their controls fill them without being cut off, and
// that a disabled control looks disabled.
class TestWindowLook : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

    static QPoint desktopCentre() { return QGuiApplication::primaryScreen()->availableGeometry().center(); }

    static bool wideScreen() { return QGuiApplication::primaryScreen()->geometry().width() >= 1024; }

    static void verifyCentred(const QWidget *window)
    {
        QVERIFY2(QGuiApplication::primaryScreen()->availableGeometry().contains(window->frameGeometry()),
                 qPrintable(window->objectName() + QStringLiteral(" does not fit the screen")));
        const QPoint offset = window->geometry().center() - desktopCentre();
        QVERIFY2(qAbs(offset.x()) <= 1 && qAbs(offset.y()) <= 1,
                 qPrintable(window->objectName() + QStringLiteral(" is off the desktop centre by %1, %2")
                                                       .arg(offset.x())
                                                       .arg(offset.y())));
    }

    // The lowest edge of the visible children of `parent`, in `window` coordinates.
    static int lowestChild(const QWidget *parent, const QWidget *window)
    {
        int bottom = 0;
        for (const QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(window))
                bottom = qMax(bottom, child->mapTo(window, QPoint(0, child->height())).y());
        }
        return bottom;
    }

    void click(DataBoundList *list, int row)
    {
        const QModelIndex index = list->model()->index(row, 0);
        QVERIFY(index.isValid());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }

    void openMainWindow(bool full)
    {
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(SettingNames::About, true);
        key.writeBool(SettingNames::Koko, full);
        w = book->createWindows();
        QVERIFY(w && w->tablesOpened());
        windows().FormPrintPrev = RecipePrinting::install(windows().FormResepti, w);
        w->show();
        click(w->DBLLBoxPaaryhma(), 0);
        click(w->DBLLBoxAlaryhma(), 0);
        click(w->DBLLBoxLista(), 0);
    }

    // Counts the pixels of `widget` drawn in navy (text of an enabled control).
    static int navyPixels(QWidget *widget)
    {
        const QImage image = widget->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.blue() > 90 && c.red() < 50 && c.green() < 50)
                    ++count;
            }
        }
        return count;
    }

    // Every control of `window` with navy text keeps the style's own colours
    // for its disabled state.
    static void verifyDisabledColours(QWidget *window)
    {
        const QColor navy(0, 0, 128);
        QList<QWidget *> widgets = window->findChildren<QWidget *>();
        widgets.prepend(window);
        for (QWidget *widget : widgets) {
            for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
                if (widget->palette().color(QPalette::Active, role) != navy)
                    continue;
                QVERIFY2(widget->palette().color(QPalette::Disabled, role) != navy,
                         qPrintable(window->objectName() + QLatin1Char('/') + widget->objectName()
                                    + QStringLiteral(" draws navy text when disabled")));
            }
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        TGmPrinter::install(std::make_unique<TGmFakePrinterBackend>(QList<TGmFakePrinter> {TGmFakePrinter()}, 0));
    }

    void cleanupTestCase() { TGmPrinter::release(); }

    void init()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Mains"));
        book->addSubgroup(QStringLiteral("Fish"), QStringLiteral("Mains"));
        book->addRecipe(QStringLiteral("Salmon"), QStringLiteral("Fish"), true);
        Dialogs::setResponder([](QDialog *d) { d->close(); });
    }

    void cleanup()
    {
        BookFixture::destroyWindows();
        book.reset();
        w = nullptr;
        Dialogs::setResponder({});
    }

    void windowsOpenCentred()
    {
        // A restart in the Full mode; the recipe has no ingredients yet, so
        // the ingredient tip comes before the recipe window.
        openMainWindow(true);
        verifyCentred(w);
        TFormResepti *recipe = windows().FormResepti;
        QStringList seen;
        Dialogs::setResponder([&](QDialog *dialog) {
            seen << dialog->objectName();
            verifyCentred(dialog);
            dialog->close();
        });
        w->menuAction(QStringLiteral("MenuNaytaResepti"))->trigger();
        QVERIFY(recipe->isVisible());
        QCOMPARE(seen, QStringList {QStringLiteral("FormAinesohje")});
        verifyCentred(recipe);

        // Small, then Full: the window stays in the middle.
        recipe->action(QStringLiteral("MenuPieni"))->trigger();
        verifyCentred(recipe);
        recipe->action(QStringLiteral("MenuSuuri"))->trigger();
        verifyCentred(recipe);

        // Dialogs open in the middle of the desktop, not over their window.
        recipe->move(0, 0);
        recipe->action(QStringLiteral("MenuAbout"))->trigger();
        recipe->action(QStringLiteral("MenuLisaaAnnos"))->trigger();
        QCOMPARE(seen.mid(1), (QStringList {QStringLiteral("FormAbout"), QStringLiteral("FormAnnos")}));
    }

    void controlsFillTheirWindows_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addRow("Full") << true;
        QTest::addRow("Small") << false;
    }

    void controlsFillTheirWindows()
    {
        QFETCH(bool, full);
        openMainWindow(full);
        // A screen narrower than 1024 pixels always has the Small mode.
        full = full && wideScreen();
        QCOMPARE(w->MenuSuuri()->isChecked(), full);

        // The main window: the lists reach its right edge, and the status bar
        // follows right below them.
        const int statusTop = w->statusBar()->geometry().top();
        const int listsBottom = lowestChild(w->DBLLBoxPaaryhma()->parentWidget(), w);
        QVERIFY2(statusTop - listsBottom >= 0 && statusTop - listsBottom <= 4,
                 qPrintable(QStringLiteral("lists end at %1, the status bar starts at %2").arg(listsBottom).arg(statusTop)));
        QCOMPARE(w->DBLLBoxLista()->mapTo(w, QPoint(w->DBLLBoxLista()->width(), 0)).x(), w->width() - (full ? 1 : 0));

        // The recipe window: the memos are whole inside the body panel, which
        // fills the window between the tool bar and the status bar.
        TFormResepti *recipe = windows().FormResepti;
        w->menuAction(QStringLiteral("MenuNaytaResepti"))->trigger();
        QVERIFY(recipe->isVisible());
        QCOMPARE(recipe->MenuSuuri()->isChecked(), full);
        auto *panel = recipe->findChild<QWidget *>(QStringLiteral("Panel1"));
        QVERIFY(panel);
        for (QWidget *memo : {static_cast<QWidget *>(recipe->Aineet()), static_cast<QWidget *>(recipe->Ohje())}) {
            const QRect inPanel = memo->geometry();
            QVERIFY2(panel->contentsRect().contains(inPanel), qPrintable(memo->objectName() + QStringLiteral(" is cut off")));
            QCOMPARE(panel->height() - inPanel.bottom() - 1, 1);
        }
        QCOMPARE(panel->width(), recipe->centralWidget()->width());
        QCOMPARE(panel->mapTo(recipe, QPoint(0, panel->height())).y(), recipe->statusBar()->geometry().top());
        QCOMPARE(recipe->Aineet()->width(), full ? 505 : 394);

        // The print preview of a recipe window in this mode fits the screen.
        recipe->Aineet()->setPlainText(QStringLiteral("2 dl milk"));
        QSize previewSize;
        Dialogs::setResponder([&](QDialog *dialog) {
            previewSize = dialog->size();
            verifyCentred(dialog);
            dialog->close();
        });
        recipe->action(QStringLiteral("MenuEsik"))->trigger();
        QCOMPARE(previewSize, full ? QSize(1020, 729) : QSize(800, 568));
    }

    void dialogsFitTheirContents()
    {
        // The ingredient tip shows its whole memo.
        TFormAinesohje tip;
        auto *memo = tip.findChild<QPlainTextEdit *>(QStringLiteral("MemoAineetOhje"));
        QCOMPARE(memo->width(), 252);
        QVERIFY(tip.rect().contains(memo->geometry()));
        for (QWidget *child : tip.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            QVERIFY2(tip.rect().contains(child->geometry()), qPrintable(child->objectName()));
    }

    void disabledControlsLookDisabled()
    {
        openMainWindow(true);
        TFormResepti *recipe = windows().FormResepti;
        w->menuAction(QStringLiteral("MenuNaytaResepti"))->trigger();
        recipe->Aineet()->setPlainText(QStringLiteral("2 dl milk"));

        // The print preview of a one-page recipe with one printer: Next,
        // Previous and the printer box are disabled and drawn grey; Close is
        // enabled and drawn navy. "Define paper size" disables the
        // orientation group.
        bool checked = false;
        Dialogs::setResponder([&](QDialog *dialog) {
            auto *preview = static_cast<TFormPrintPrev *>(dialog);
            verifyDisabledColours(preview);
            auto *next = preview->findChild<QPushButton *>(QStringLiteral("BBSeur"));
            auto *previous = preview->findChild<QPushButton *>(QStringLiteral("BBEdel"));
            auto *close = preview->findChild<QPushButton *>(QStringLiteral("BBSulje"));
            auto *printers = preview->findChild<QWidget *>(QStringLiteral("GmPrinterList"));
            QVERIFY(!next->isEnabled());
            QVERIFY(!previous->isEnabled());
            QVERIFY(!printers->isEnabled());
            QVERIFY(close->isEnabled());
            QVERIFY(navyPixels(close) > 20);
            QCOMPARE(navyPixels(next), 0);
            QCOMPARE(navyPixels(previous), 0);
            QCOMPARE(navyPixels(printers), 0);
            auto *define = preview->findChild<QWidget *>(QStringLiteral("RGKoko"))->findChildren<QRadioButton *>().at(2);
            QTest::mouseClick(define, Qt::LeftButton, {}, QPoint(6, define->height() / 2));
            auto *portrait = preview->findChild<QWidget *>(QStringLiteral("RGSuunta"))->findChildren<QRadioButton *>().at(0);
            QVERIFY(!portrait->isEnabled());
            QCOMPARE(navyPixels(portrait), 0);
            checked = true;
            dialog->close();
        });
        recipe->action(QStringLiteral("MenuEsik"))->trigger();
        QVERIFY(checked);

        // The other windows and dialogs set navy text the same way.
        verifyDisabledColours(w);
        verifyDisabledColours(recipe);
        RecipeFlags flags;
        TFormMuuttunut question(w->state(), &flags);
        TFormRyhmaPois deletion(w->state(), w);
        TFormAinesohje tip;
        TFormPikaohje guide;
        TFormPoistu exitQuestion(w);
        for (QWidget *window : std::initializer_list<QWidget *> {windows().FormUusi, windows().FormAnnos,
                                                                 windows().FormAbout, &question, &deletion, &tip,
                                                                 &guide, &exitQuestion})
            verifyDisabledColours(window);
    }
};

QTEST_MAIN(TestWindowLook)
#include "TestWindowLook.moc"
