#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/SharedState.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "preview/GmFakePrinterBackend.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "print/FormPrintPrev.h"
#include "print/RecipePrinting.h"
#include "recipe/DBMemo.h"
#include "recipe/FormResepti.h"
#include "settings/SettingsStore.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPainter>
#include <QPicture>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// A device whose engine notes the font and colour of every piece of text
// drawn on it: a recorded sheet is replayed onto it.
class TextFontDevice : public QPaintDevice
{
public:
    struct Text
    {
        QString family;
        qreal pixelSize;
        QColor color;
        bool operator==(const Text &o) const
        {
            return family == o.family && qAbs(pixelSize - o.pixelSize) < 0.01 && color == o.color;
        }
    };

    QPaintEngine *paintEngine() const override { return &m_engine; }
    QList<Text> texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return 4960;
        case PdmHeight:
            return 7016;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 600;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawTextItem(const QPointF &, const QTextItem &item) override
        {
            const QFont font = item.font();
            texts << Text{font.family(), font.pixelSize() > 0 ? qreal(font.pixelSize()) : font.pointSizeF(),
                          painter()->pen().color()};
        }
        Type type() const override { return User; }
        QList<Text> texts;
    };
    mutable Engine m_engine;
};

// The text drawn on the first sheet of a job.
QList<TextFontDevice::Text> firstSheetTexts(const TGmFakePrinterBackend::Job &job)
{
    TextFontDevice device;
    QPainter painter(&device);
    job.Sheets.first().Picture->play(&painter);
    painter.end();
    return device.texts();
}

} // namespace

// The recipe window's Print Preview and Print over a real book and windows.
class TestRecipePrinting : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TGmFakePrinterBackend *printer = nullptr;
    TFormPaa *main = nullptr;
    TFormResepti *recipe = nullptr;

    void openRecipe()
    {
        main->MenuNaytaReseptiClick();
        recipe = windows().FormResepti;
        QVERIFY(recipe && recipe->isVisible());
    }

private Q_SLOTS:
    void init()
    {
        auto backend = std::make_unique<TGmFakePrinterBackend>(QList<TGmFakePrinter>{TGmFakePrinter()}, 0);
        printer = backend.get();
        TGmPrinter::install(std::move(backend));
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Breads"));
        book->addSubgroup(QStringLiteral("Rye"), QStringLiteral("Breads"));
        book->addRecipe(QStringLiteral("Rye bread"), QStringLiteral("Rye"));
        {
            SettingsKey key;
            QVERIFY(key.open());
            key.writeBool(QLatin1String(SettingNames::Aines), true);
            key.writeBool(QLatin1String(SettingNames::About), true);
        }
        main = book->createWindows();
        QVERIFY(main && main->tablesOpened());
        windows().FormPrintPrev = RecipePrinting::install(windows().FormResepti, main);
        main->show();
        Dialogs::clearRecord();
        for (DataBoundList *list : {main->DBLLBoxPaaryhma(), main->DBLLBoxAlaryhma(), main->DBLLBoxLista()}) {
            const QModelIndex index = list->model()->index(0, 0);
            QVERIFY(index.isValid());
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        }
        QCOMPARE(main->state().CurrentRecipe, QStringLiteral("Rye bread"));
        openRecipe();
    }
    void cleanup()
    {
        if (recipe)
            recipe->hide();
        book->destroyWindows();
        book.reset();
        TGmPrinter::release();
    }

    void commandsFollowTheMemos()
    {
        recipe->Aineet()->clear();
        recipe->Ohje()->clear();
        QVERIFY(!recipe->action(QStringLiteral("MenuEsik"))->isEnabled());
        QVERIFY(!recipe->action(QStringLiteral("MenuTulosta"))->isEnabled());
        recipe->Ohje()->setPlainText(QStringLiteral("Bake."));
        QVERIFY(recipe->action(QStringLiteral("MenuEsik"))->isEnabled());
        QVERIFY(recipe->action(QStringLiteral("MenuTulosta"))->isEnabled());
    }

    void previewShowsTheRecipeDocument()
    {
        recipe->Aineet()->setPlainText(QStringLiteral("2 dl rye flour\n1 tsp salt"));
        recipe->Ohje()->setPlainText(QStringLiteral("Knead.\nBake."));
        recipe->DBEditAnnos()->setText(QStringLiteral("4"));
        main->DBEditAste()->setText(QStringLiteral("3"));
        main->DBEditAika()->setText(QStringLiteral("90 min"));
        TFormPrintPrev *startUp = windows().FormPrintPrev;
        QString caption;
        QString document;
        bool current = false;
        Dialogs::queueResponse([&](QDialog *dialog) {
            auto *form = qobject_cast<TFormPrintPrev *>(dialog);
            QVERIFY(form);
            current = windows().FormPrintPrev == form;
            caption = form->windowTitle();
            document = recipe->Memo1()->toPlainText();
            QCOMPARE(form->GmPreview()->NumPages(), 1);
            form->BBSulje()->click();
        });
        recipe->action(QStringLiteral("MenuEsik"))->trigger();
        QCOMPARE(Dialogs::shownDialogs(), QStringList{"FormPrintPrev"});
        QVERIFY(current);
        QCOMPARE(caption, QStringLiteral("Esikatselu - Rye bread"));
        QCOMPARE(document, QStringLiteral("Rye bread\n\n\n"
                                          "Portion number = 4   Degree of difficulty = 3   Preparation time = 90 min"
                                          "\n\n\n\n\n2 dl rye flour\n1 tsp salt\n\n\nKnead.\nBake."));
        QVERIFY(recipe->Memo1()->toPlainText().isEmpty());
        QCOMPARE(windows().FormPrintPrev, startUp);
    }

    // Print and the preview's Print set the recipe in the same current
    // recipe font, also when none is stored.
    void printAndPreviewPrintAlike()
    {
        recipe->Aineet()->setPlainText(QStringLiteral("2 dl rye flour\n1 tsp salt"));
        recipe->Ohje()->setPlainText(QStringLiteral("Knead.\nBake."));
        recipe->action(QStringLiteral("MenuTulosta"))->trigger();
        Dialogs::queueResponse([](QDialog *dialog) {
            auto *form = qobject_cast<TFormPrintPrev *>(dialog);
            QVERIFY(form);
            form->BBTul()->click();
            form->BBSulje()->click();
        });
        recipe->action(QStringLiteral("MenuEsik"))->trigger();
        QCOMPARE(printer->jobs().size(), 2);
        const QList<TextFontDevice::Text> direct = firstSheetTexts(printer->jobs().at(0));
        const QList<TextFontDevice::Text> previewed = firstSheetTexts(printer->jobs().at(1));
        QVERIFY(!direct.isEmpty());
        QVERIFY(!previewed.isEmpty());
        for (const TextFontDevice::Text &text : direct + previewed)
            QVERIFY2(text == direct.first(), qPrintable(QStringLiteral("%1 %2 %3 / %4 %5 %6")
                                                           .arg(text.family)
                                                           .arg(text.pixelSize)
                                                           .arg(text.color.name(), direct.first().family)
                                                           .arg(direct.first().pixelSize)
                                                           .arg(direct.first().color.name())));
        QCOMPARE(printer->jobs().at(0).Title, QStringLiteral("Rye bread"));
        QCOMPARE(printer->jobs().at(1).Title, QStringLiteral("Rye bread"));
    }

    void printSendsThePagesToThePrinter()
    {
        QStringList ingredients;
        for (int i = 1; i <= 70; ++i)
            ingredients << QStringLiteral("%1 dl rye flour").arg(i);
        recipe->Aineet()->setPlainText(ingredients.join(QLatin1Char('\n')));
        recipe->Ohje()->setPlainText(QStringLiteral("Knead.\nBake."));
        recipe->action(QStringLiteral("MenuTulosta"))->trigger();
        QVERIFY(Dialogs::shownDialogs().isEmpty());
        QCOMPARE(printer->jobs().size(), 1);
        QCOMPARE(printer->jobs().first().Sheets.size(), 2);
        QVERIFY(printer->jobs().first().Ended);
    }
};

QTEST_MAIN(TestRecipePrinting)
#include "TestRecipePrinting.moc"
