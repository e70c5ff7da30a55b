#include "app/CookbookPrinting.h"

#include "app/FormPaa.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Hints.h"
#include "platform/ProgressDialog.h"
#include "preview/GmMargins.h"
#include "preview/GmPageTextStore.h"
#include "preview/GmPreview.h"
#include "print/Cookbook.h"
#include "print/FormPrintPrev.h"
#include "print/PrintPreviewHost.h"
#include "store/book/Book.h"
#include "store/book/CookbookSource.h"
#include "store/table/ProgramError.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace {

// What the user chose in the dialog.
struct Request
{
    CookbookSource::Scope scope = CookbookSource::Scope::WholeBook;
    qint64 group = 0; // the main group's or subgroup's id
    Cookbook::Options options;
};

// The cookbook's pages as the preview draws them.
class CookbookPageStore : public TGmPageTextStore
{
public:
    CookbookPageStore(std::shared_ptr<const Cookbook::Layout> layout, TGmPreview *preview)
        : m_layout(std::move(layout))
        , m_preview(preview)
    {
    }

    bool HasPage(int pageNum) const override { return m_layout && pageNum >= 1 && pageNum <= m_layout->pageCount(); }
    void RenderPage(QPainter *canvas, int pageNum) override
    {
        if (m_layout)
            m_layout->drawPage(canvas, pageNum, m_preview->GmPrinter()->PixelsPerInchY());
    }
    void Clear() override
    {
        m_layout.reset();
        if (OnChange)
            OnChange();
    }

private:
    std::shared_ptr<const Cookbook::Layout> m_layout;
    TGmPreview *m_preview;
};

// The preview window's view of a cookbook: the pages are laid out here for
// the paper and margins the window shows, again whenever they change.
class CookbookPrintHost : public PrintPreviewHost
{
public:
    CookbookPrintHost(QVector<Cookbook::Recipe> recipes, Cookbook::Options options)
        : m_recipes(std::move(recipes))
        , m_options(std::move(options))
    {
    }

    void setWindow(TFormPrintPrev *window)
    {
        m_window = window;
        m_pages = new QLabel(window->StatusBar1());
        m_pages->setObjectName(QStringLiteral("LabelSivuja"));
        window->StatusBar1()->addPermanentWidget(m_pages);
    }

    QPlainTextEdit *Memo1() const override { return m_memo.get(); }
    bool fullSizeMode() const override { return false; }
    bool smallSizeMode() const override { return false; }
    // The print job and the offered PDF file are named after the cookbook.
    QString currentRecipe() const override { return m_options.title; }
    TGmFont currentRecipeFont() const override { return m_font; }
    void setCurrentRecipeFont(const TGmFont &font) override { m_font = font; }

    bool layOutPages(TGmPreview *preview) override
    {
        Cookbook::Paper paper;
        paper.size = QSizeF(qreal(preview->PageWidth()->AsMillimetres()), qreal(preview->PageHeight()->AsMillimetres()));
        paper.left = qreal(preview->Margins()->Left.AsMillimetres());
        paper.right = qreal(preview->Margins()->Right.AsMillimetres());
        const bool same = m_layout && m_layout->paper().size == paper.size && m_layout->paper().left == paper.left
                          && m_layout->paper().right == paper.right && m_laidOutFont == m_font.Name + u'/'
                                                                                               + QString::number(m_font.Size);
        if (!same) {
            m_layout.reset();
            auto layout = std::make_shared<Cookbook::Layout>(m_recipes, m_options, paper, m_font.Name, m_font.Size);
            bool built = false;
            {
                ProgressDialog progress(m_window, QStringLiteral("Laying out the cookbook's pages..."),
                                        QStringLiteral("FormEdistyminen"));
                const int total = int(qMax(1, int(m_recipes.size())));
                built = layout->build([&progress, total](int done, int) { return progress.update(done, total); });
            }
            if (!built) {
                // Nothing to show: the preview goes as soon as it can.
                if (m_window)
                    QTimer::singleShot(0, m_window, [window = m_window] { window->done(QDialog::Rejected); });
                return true;
            }
            m_layout = layout;
            m_laidOutFont = m_font.Name + u'/' + QString::number(m_font.Size);
        }
        preview->Pages()->SetTextStore(std::make_unique<CookbookPageStore>(m_layout, preview));
        preview->BeginUpdate();
        while (preview->NumPages() < m_layout->pageCount())
            preview->NewPage();
        preview->Pages()->setCurrentPageQuietly(1);
        preview->EndUpdate();
        if (m_pages)
            m_pages->setText(m_layout->pageCount() == 1 ? QStringLiteral("1 page")
                                                        : QStringLiteral("%1 pages").arg(m_layout->pageCount()));
        return true;
    }

private:
    QVector<Cookbook::Recipe> m_recipes;
    Cookbook::Options m_options;
    TGmFont m_font;
    std::unique_ptr<QPlainTextEdit> m_memo = std::make_unique<QPlainTextEdit>();
    std::shared_ptr<Cookbook::Layout> m_layout;
    QString m_laidOutFont;
    TFormPrintPrev *m_window = nullptr;
    QLabel *m_pages = nullptr;
};

// The recipes of the request, or nothing (after saying why).
bool readRecipes(TFormPaa *form, const Request &request, QVector<Cookbook::Recipe> *recipes)
{
    RecipeBook::Book *book = form->book();
    if (!book)
        return false;
    QString group;
    if (request.scope != CookbookSource::Scope::WholeBook) {
        const std::optional<QString> name = request.scope == CookbookSource::Scope::MainGroup
                                                ? book->mainGroupName(request.group)
                                                : book->subgroupName(request.group);
        if (!name) {
            Dialogs::information(QStringLiteral("The group is no longer in the book."));
            return false;
        }
        group = *name;
    }
    // What was typed into the recipe window belongs in the book first.
    form->postModifiedRecipeMemos();
    try {
        *recipes = CookbookSource::read(form->book()->dataFolder(), form->book()->picsFolder(), request.scope, group);
    } catch (const StoreError &e) {
        // A choice too large or a group gone is told as news.
        Dialogs::information(e.message());
        return false;
    }
    return true;
}

void showPreview(TFormPaa *form, const Request &request)
{
    QVector<Cookbook::Recipe> recipes;
    if (!readRecipes(form, request, &recipes))
        return;
    CookbookPrintHost host(std::move(recipes), request.options);
    TFormPrintPrev window(&host, form);
    window.setObjectName(QStringLiteral("FormPrintCookbook"));
    host.setWindow(&window);
    Windows &w = windows();
    TFormPrintPrev *previous = w.FormPrintPrev;
    w.FormPrintPrev = &window;
    Dialogs::exec(&window, form);
    w.FormPrintPrev = previous;
}

void saveWebPage(TFormPaa *form, const Request &request)
{
    QVector<Cookbook::Recipe> recipes;
    if (!readRecipes(form, request, &recipes))
        return;
    const QString file = TFormPrintPrev::askFileToWrite(form, form, "HtmlFileDialog", QStringLiteral("Save as Web Page"),
                                                        QStringLiteral("Web pages (*.html)"), QStringLiteral("html"),
                                                        request.options.title);
    if (file.isEmpty())
        return;
    QString error;
    if (!Cookbook::writeHtml(recipes, request.options, file, &error))
        Dialogs::information(error);
}

} // namespace

namespace CookbookPrinting {

void addCommand(TFormPaa *form, QMenu *bookMenu)
{
    const QString hint = QStringLiteral("|Print the book, a main group or a subgroup as a cookbook with contents and "
                                        "an index, or save it as a web page.");
    bookMenu->addSeparator();
    QAction *action
        = Hints::addMenuCommand(form, bookMenu, "MenuKeittokirja", QStringLiteral("&Print Cookbook..."), hint);
    QObject::connect(action, &QAction::triggered, form, [form] { Dialogs::guard([form] { printCookbook(form); }); });
}

void printCookbook(TFormPaa *form)
{
    RecipeBook::Book *book = form->book();
    if (!book)
        return;
    const TFormPaa::Selection selected = form->selection();
    const std::optional<QString> mainGroup = book->mainGroupName(selected.mainGroup);
    const std::optional<QString> subgroup = book->subgroupName(selected.subgroup);

    QDialog dialog(form);
    QVBoxLayout *layout
        = Dialogs::columnLayout(&dialog, "FormKeittokirja", QStringLiteral("Saffrona's Mealdeck   -   Print Cookbook"));
    auto *what = new QGroupBox(QStringLiteral("Print"), &dialog);
    auto *whatLayout = new QVBoxLayout(what);
    auto *wholeBook = new QRadioButton(QStringLiteral("the whole book"), what);
    wholeBook->setObjectName(QStringLiteral("RBKirja"));
    auto *mainGroupButton =
        new QRadioButton(QStringLiteral("the main group \"%1\"").arg(mainGroup.value_or(QString())), what);
    mainGroupButton->setObjectName(QStringLiteral("RBPaaryhma"));
    mainGroupButton->setVisible(mainGroup.has_value());
    auto *subgroupButton =
        new QRadioButton(QStringLiteral("the subgroup \"%1\"").arg(subgroup.value_or(QString())), what);
    subgroupButton->setObjectName(QStringLiteral("RBAlaryhma"));
    subgroupButton->setVisible(subgroup.has_value());
    for (QRadioButton *button : {wholeBook, mainGroupButton, subgroupButton})
        whatLayout->addWidget(button);
    layout->addWidget(what);

    auto *form2 = new QFormLayout;
    auto *title = new QLineEdit(&dialog);
    title->setObjectName(QStringLiteral("EditOtsikko"));
    form2->addRow(QStringLiteral("&Title:"), title);
    layout->addLayout(form2);
    auto option = [&](const char *name, const QString &caption) {
        auto *box = new QCheckBox(caption, &dialog);
        box->setObjectName(QLatin1String(name));
        box->setChecked(true);
        layout->addWidget(box);
        return box;
    };
    QCheckBox *pictures = option("CBKuvat", QStringLiteral("&Pictures"));
    QCheckBox *newPage = option("CBSivut", QStringLiteral("Each recipe on a &new page"));
    QCheckBox *contents = option("CBSisallys", QStringLiteral("&Contents"));
    QCheckBox *index = option("CBHakemisto", QStringLiteral("&Index"));
    layout->addWidget(new QLabel(QStringLiteral("A cookbook holds at most %1 recipes.")
                                     .arg(QLocale(QLocale::English).toString(CookbookSource::MaxRecipes)),
                                 &dialog));

    // The title follows the choice until the user writes one.
    bool titleEdited = false;
    auto chosenName = [&]() -> QString {
        if (subgroupButton->isChecked())
            return subgroup.value_or(QString());
        if (mainGroupButton->isChecked())
            return mainGroup.value_or(QString());
        return QStringLiteral("Recipes");
    };
    for (QRadioButton *button : {wholeBook, mainGroupButton, subgroupButton}) {
        QObject::connect(button, &QRadioButton::toggled, &dialog, [&](bool on) {
            if (on && !titleEdited)
                title->setText(chosenName());
        });
    }
    QObject::connect(title, &QLineEdit::textEdited, &dialog, [&titleEdited] { titleEdited = true; });
    (mainGroup ? mainGroupButton : wholeBook)->setChecked(true);
    title->setText(chosenName());

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Pre&view"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BitBtnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BitBtnCancel"));
    QPushButton *web = buttons->addButton(QStringLiteral("Save as &Web Page..."), QDialogButtonBox::ActionRole);
    web->setObjectName(QStringLiteral("BitBtnWeb"));
    bool toWebPage = false;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(web, &QPushButton::clicked, &dialog, [&] {
        toWebPage = true;
        dialog.accept();
    });
    layout->addWidget(buttons);
    if (Dialogs::exec(&dialog, form) != QDialog::Accepted)
        return;

    Request request;
    if (subgroupButton->isChecked()) {
        request.scope = CookbookSource::Scope::Subgroup;
        request.group = selected.subgroup;
    } else if (mainGroupButton->isChecked()) {
        request.scope = CookbookSource::Scope::MainGroup;
        request.group = selected.mainGroup;
    }
    request.options.title = title->text().trimmed().isEmpty() ? chosenName() : title->text().trimmed();
    request.options.date = QDate::currentDate();
    request.options.pictures = pictures->isChecked();
    request.options.newPagePerRecipe = newPage->isChecked();
    request.options.contents = contents->isChecked();
    request.options.index = index->isChecked();
    if (toWebPage)
        saveWebPage(form, request);
    else
        showPreview(form, request);
}

} // namespace CookbookPrinting
