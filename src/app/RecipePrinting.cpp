#include "print/RecipePrinting.h"

#include "app/FormPaa.h"
#include "app/SharedState.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "print/FormPrintPrev.h"
#include "print/PrintPreviewHost.h"
#include "print/RecipeDocument.h"
#include "recipe/DBMemo.h"
#include "recipe/FormResepti.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

// The print preview window's view of the recipe window and the main window.
class RecipeWindowPrintHost : public PrintPreviewHost
{
public:
    RecipeWindowPrintHost(TFormResepti *recipe, TFormPaa *main)
        : m_recipe(recipe)
        , m_main(main)
    {
    }

    QPlainTextEdit *Memo1() const override { return m_recipe->Memo1(); }
    bool fullSizeMode() const override { return m_recipe->MenuSuuri()->isChecked(); }
    bool smallSizeMode() const override { return m_recipe->MenuPieni()->isChecked(); }
    QString currentRecipe() const override { return m_main ? m_main->state().CurrentRecipe : QString(); }
    TGmFont currentRecipeFont() const override
    {
        const RecipeFont font = m_recipe->currentFont();
        TGmFont result;
        result.Name = font.name;
        result.Color = font.color;
        result.Size = font.size;
        return result;
    }
    void setCurrentRecipeFont(const TGmFont &font) override
    {
        m_recipe->setCurrentFont(RecipeFont{font.Name, font.Color, font.Size});
    }

private:
    TFormResepti *m_recipe;
    TFormPaa *m_main;
};

void fillMemo(QPlainTextEdit *memo, const QStringList &lines)
{
    memo->setPlainText(lines.join(QLatin1Char('\n')));
}

} // namespace

namespace RecipePrinting {

void showPrintPreview(TFormResepti *recipe, TFormPaa *main)
{
    RecipeWindowPrintHost host(recipe, main);
    fillMemo(recipe->Memo1(),
             RecipeDocument::previewDocument(host.currentRecipe(), recipe->DBEditAnnos()->text(),
                                             main ? main->DBEditAste()->text() : QString(),
                                             main ? main->DBEditAika()->text() : QString(),
                                             recipe->Aineet()->toPlainText(), recipe->Ohje()->toPlainText()));
    auto *form = new TFormPrintPrev(&host, recipe);
    Windows &w = windows();
    TFormPrintPrev *previous = w.FormPrintPrev;
    w.FormPrintPrev = form;
    form->setWindowTitle(TFormPrintPrev::designCaption() + QStringLiteral("   -   ") + host.currentRecipe());
    Dialogs::exec(form, recipe);
    // Each request has its own window; it goes once it has closed.
    w.FormPrintPrev = previous;
    delete form;
}

void printDirect(TFormResepti *recipe, TFormPaa *main)
{
    RecipeWindowPrintHost host(recipe, main);
    fillMemo(recipe->Memo1(), RecipeDocument::directPrintDocument(host.currentRecipe(), recipe->Aineet()->toPlainText(),
                                                                  recipe->Ohje()->toPlainText()));
    Dialogs::guard([&]() { TFormPrintPrev::PrintDirect(&host, recipe); });
    recipe->Memo1()->clear();
}

TFormPrintPrev *install(TFormResepti *recipe, TFormPaa *main)
{
    recipe->setPrintHandlers([recipe, main]() { printDirect(recipe, main); },
                             [recipe, main]() { showPrintPreview(recipe, main); });
    return new TFormPrintPrev(std::make_unique<RecipeWindowPrintHost>(recipe, main), recipe);
}

} // namespace RecipePrinting
