#include "app/FormRuokalista.h"

#include "app/FormPaa.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "platform/Hints.h"
#include "print/FormPrintPrev.h"
#include "print/PrintPreviewHost.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"
#include "store/table/ProgramError.h"
#include "store/table/ProgramPaths.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QStringList defaultPantry()
{
    return {QStringLiteral("salt"), QStringLiteral("pepper"), QStringLiteral("water")};
}

enum Column { DayColumn, RecipeColumn, PortionsColumn };

// A button that runs `onClick`.
QPushButton *namedButton(const QString &caption, const char *objectName, QWidget *parent,
                         const std::function<void()> &onClick)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(objectName));
    QObject::connect(button, &QPushButton::clicked, button, onClick);
    return button;
}

// The print preview's view of a shopping list: its text in a memo of its
// own, in the recipe font the user chose.
class ShoppingListPrintHost : public PrintPreviewHost
{
public:
    explicit ShoppingListPrintHost(const QString &text) { m_memo.setPlainText(text); }

    QPlainTextEdit *Memo1() const override { return &m_memo; }
    bool fullSizeMode() const override { return false; }
    bool smallSizeMode() const override { return false; }
    QString currentRecipe() const override { return QStringLiteral("Shopping list"); }
    TGmFont currentRecipeFont() const override { return m_font; }
    void setCurrentRecipeFont(const TGmFont &font) override { m_font = font; }

private:
    mutable QPlainTextEdit m_memo;
    TGmFont m_font;
};

} // namespace

TFormRuokalista::TFormRuokalista(const QString &dataFolder, ShowRecipe showRecipe, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dataFolder(dataFolder), m_showRecipe(std::move(showRecipe))
{
    setObjectName(QStringLiteral("FormRuokalista"));
    setWindowTitle(QStringLiteral("Saffrona's Mealdeck   -   Menu"));
    resize(860, 520);

    auto *splitter = new QSplitter(this);
    auto *menuPart = new QWidget(splitter);
    auto *menuLayout = new QVBoxLayout(menuPart);
    menuLayout->setContentsMargins(0, 0, 0, 0);
    menuLayout->addWidget(new QLabel(QStringLiteral("Menu"), menuPart));
    m_menu = new QTableWidget(0, 3, menuPart);
    m_menu->setObjectName(QStringLiteral("RuokalistaTaulu"));
    m_menu->setHorizontalHeaderLabels({QStringLiteral("Day"), QStringLiteral("Recipe"), QStringLiteral("Portions")});
    m_menu->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_menu->setSelectionMode(QAbstractItemView::SingleSelection);
    m_menu->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_menu->verticalHeader()->hide();
    m_menu->horizontalHeader()->setSectionResizeMode(RecipeColumn, QHeaderView::Stretch);
    menuLayout->addWidget(m_menu);
    auto *menuButtons = new QHBoxLayout;
    auto *remove = namedButton(QStringLiteral("&Delete"), "PoistaRivi", menuPart, [this] { deleteEntry(); });
    auto *clear = namedButton(QStringLiteral("C&lear Menu"), "TyhjennaRuokalista", menuPart, [this] { clearMenu(); });
    menuButtons->addWidget(remove);
    menuButtons->addWidget(clear);
    menuButtons->addStretch();
    menuLayout->addLayout(menuButtons);

    auto *listPart = new QWidget(splitter);
    auto *listLayout = new QVBoxLayout(listPart);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(new QLabel(QStringLiteral("Shopping list"), listPart));
    m_list = new QTreeWidget(listPart);
    m_list->setObjectName(QStringLiteral("Ostoslista"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Item"), QStringLiteral("For")});
    m_list->setRootIsDecorated(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    listLayout->addWidget(m_list);
    auto *pantryRow = new QHBoxLayout;
    auto *pantryLabel = new QLabel(QStringLiteral("&What you have:"), listPart);
    m_pantry = new QLineEdit(listPart);
    m_pantry->setObjectName(QStringLiteral("Ruokakomero"));
    m_pantry->setToolTip(QStringLiteral("Ingredients you always have, separated by commas; they are ticked off."));
    pantryLabel->setBuddy(m_pantry);
    pantryRow->addWidget(pantryLabel);
    pantryRow->addWidget(m_pantry);
    listLayout->addLayout(pantryRow);
    auto *listButtons = new QHBoxLayout;
    auto *copy = namedButton(QStringLiteral("&Copy"), "KopioiLista", listPart, [this] { copyList(); });
    auto *save = namedButton(QStringLiteral("&Save as Text..."), "TallennaLista", listPart, [this] { saveList(); });
    auto *print = namedButton(QStringLiteral("&Print..."), "TulostaLista", listPart, [this] { printList(); });
    listButtons->addStretch();
    listButtons->addWidget(print);
    listButtons->addWidget(copy);
    listButtons->addWidget(save);
    listLayout->addLayout(listButtons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter);

    connect(m_pantry, &QLineEdit::editingFinished, this, &TFormRuokalista::pantryEdited);
    connect(m_menu, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { showEntry(row); });
    auto *enter = new QShortcut(QKeySequence(Qt::Key_Return), m_menu, nullptr, nullptr, Qt::WidgetShortcut);
    connect(enter, &QShortcut::activated, this, [this] { showEntry(m_menu->currentRow()); });
    auto *del = new QShortcut(QKeySequence::Delete, m_menu, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, &TFormRuokalista::deleteEntry);
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (m_filling || column != 0)
            return;
        m_ticks.insert(item->data(0, Qt::UserRole).toString(), item->checkState(0) == Qt::Checked);
        // The list is laid out anew once the signal has returned.
        QTimer::singleShot(0, this, [this] { showList(); });
    });

    readPantry();
    reload();
}

void TFormRuokalista::addToMenu(const QString &dataFolder, qint64 recipe, int portions)
{
    QVector<Menu::Entry> entries = Menu::read(dataFolder);
    entries.append({recipe, 0, portions});
    Menu::write(dataFolder, entries);
}

void TFormRuokalista::reload()
{
    Dialogs::guard([this] {
        m_entries.clear();
        m_entries = Menu::read(m_dataFolder);
    });
    Dialogs::guard([this] { m_recipes = Menu::readRecipes(m_dataFolder, m_entries); });
    showMenu();
    showList();
}

void TFormRuokalista::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Another program may have changed the menu or the book meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        reload();
}

void TFormRuokalista::showMenu()
{
    m_filling = true;
    const int current = m_menu->currentRow();
    m_menu->setRowCount(int(m_entries.size()));
    for (int row = 0; row < m_entries.size(); ++row) {
        const Menu::Entry &entry = m_entries.at(row);
        auto *day = new QComboBox(m_menu);
        day->addItem(QStringLiteral("-"));
        for (int d = 1; d <= 7; ++d)
            day->addItem(Menu::dayName(d));
        day->setCurrentIndex(entry.day);
        connect(day, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, row](int index) { changeEntry(row, [index](Menu::Entry &e) { e.day = index; }); });
        m_menu->setCellWidget(row, DayColumn, day);

        const auto recipe = entry.deleted ? m_recipes.constEnd() : m_recipes.constFind(entry.recipe);
        auto *name = new QTableWidgetItem(recipe != m_recipes.constEnd() ? recipe->name : QStringLiteral("(deleted)"));
        m_menu->setItem(row, RecipeColumn, name);

        auto *portions = new QSpinBox(m_menu);
        portions->setRange(1, Menu::MaxPortions);
        portions->setValue(entry.portions);
        connect(portions, qOverload<int>(&QSpinBox::valueChanged), this,
                [this, row](int value) { changeEntry(row, [value](Menu::Entry &e) { e.portions = value; }); });
        m_menu->setCellWidget(row, PortionsColumn, portions);
    }
    if (!m_entries.isEmpty())
        m_menu->setCurrentCell(qBound(0, current, int(m_entries.size()) - 1), RecipeColumn);
    m_filling = false;
}

void TFormRuokalista::changeEntry(int row, const std::function<void(Menu::Entry &)> &change)
{
    // The table's own filling changes nothing.
    if (m_filling || row >= m_entries.size())
        return;
    change(m_entries[row]);
    storeMenu();
}

QString TFormRuokalista::itemKey(const ShoppingList::Item &item) const
{
    return ShoppingList::matchKey(item.ingredient) + u'\n' + (item.amount.isEmpty() ? QString() : u'#' + item.unit);
}

void TFormRuokalista::showList()
{
    m_items = ShoppingList::build(Menu::shoppingEntries(m_entries, m_recipes));
    QVector<const ShoppingList::Item *> open;
    QVector<const ShoppingList::Item *> ticked;
    for (const ShoppingList::Item &item : m_items) {
        const QString key = itemKey(item);
        const auto byHand = m_ticks.constFind(key);
        const bool isTicked = byHand != m_ticks.constEnd() ? *byHand
                                                           : m_pantryKeys.contains(ShoppingList::matchKey(item.ingredient));
        (isTicked ? ticked : open).append(&item);
    }
    m_filling = true;
    m_list->clear();
    auto add = [this](const ShoppingList::Item &item, bool isTicked) {
        auto *row = new QTreeWidgetItem(m_list, {item.text(), item.recipes.join(QStringLiteral(", "))});
        row->setData(0, Qt::UserRole, itemKey(item));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, isTicked ? Qt::Checked : Qt::Unchecked);
        row->setToolTip(0, QStringLiteral("for ") + item.recipes.join(QStringLiteral(", ")));
        if (isTicked) {
            QFont font = row->font(0);
            font.setStrikeOut(true);
            row->setFont(0, font);
            row->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
        }
    };
    for (const ShoppingList::Item *item : open)
        add(*item, false);
    for (const ShoppingList::Item *item : ticked)
        add(*item, true);
    m_filling = false;
}

void TFormRuokalista::storeMenu()
{
    Dialogs::guard([this] { Menu::write(m_dataFolder, m_entries); });
    showList();
}

void TFormRuokalista::showEntry(int row)
{
    if (row < 0 || row >= m_entries.size() || !m_showRecipe)
        return;
    const Menu::Entry &entry = m_entries.at(row);
    const auto recipe = entry.deleted ? m_recipes.constEnd() : m_recipes.constFind(entry.recipe);
    if (recipe != m_recipes.constEnd())
        m_showRecipe(*recipe);
}

void TFormRuokalista::deleteEntry()
{
    const int row = m_menu->currentRow();
    if (row < 0 || row >= m_entries.size())
        return;
    m_entries.remove(row);
    showMenu();
    storeMenu();
}

void TFormRuokalista::clearMenu()
{
    if (m_entries.isEmpty())
        return;
    QMessageBox box(QMessageBox::Question, Dialogs::applicationTitle(),
                    QStringLiteral("Remove every recipe from the menu?"), QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("TyhjennaKysymys"));
    box.setDefaultButton(QMessageBox::No);
    if (Dialogs::exec(&box) != QMessageBox::Yes)
        return;
    m_entries.clear();
    showMenu();
    storeMenu();
}

QString TFormRuokalista::listText() const
{
    QString text;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = m_list->topLevelItem(i);
        if (row->checkState(0) != Qt::Checked)
            text += row->text(0) + u'\t' + row->text(1) + u'\n';
    }
    return text;
}

void TFormRuokalista::copyList()
{
    QApplication::clipboard()->setText(listText());
}

void TFormRuokalista::printList()
{
    // A line to tick off in the shop for each item, and where it is used.
    QString text = QStringLiteral("Shopping list\n\n");
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = m_list->topLevelItem(i);
        if (row->checkState(0) != Qt::Checked)
            text += QStringLiteral("[  ]  ") + row->text(0) + QStringLiteral("   (for ") + row->text(1) + QStringLiteral(")\n");
    }
    ShoppingListPrintHost host(text);
    TFormPrintPrev preview(&host, this);
    preview.setWindowTitle(TFormPrintPrev::designCaption() + QStringLiteral("   -   ") + host.currentRecipe());
    Dialogs::exec(&preview);
}

void TFormRuokalista::saveList()
{
    FileChooser::Request request;
    request.mode = FileChooser::Mode::SaveFile;
    request.parent = this;
    request.caption = QStringLiteral("Save Shopping List");
    request.filter = QStringLiteral("Text files (*.txt);;All files (*)");
    const QString file = FileChooser::chooseOne(request);
    if (file.isEmpty())
        return;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(listText().toUtf8()) < 0 || !out.commit())
        Dialogs::error(QStringLiteral("Cannot write %1: %2").arg(file, out.errorString()));
}

void TFormRuokalista::readPantry()
{
    QStringList pantry = defaultPantry();
    Dialogs::guard([&pantry] {
        SettingsKey key;
        if (key.open() && key.valueExists(QLatin1String(Ruokakomero)))
            pantry = key.readString(QLatin1String(Ruokakomero)).split(u',', Qt::SkipEmptyParts);
    });
    QStringList shown;
    m_pantryKeys.clear();
    for (const QString &item : pantry) {
        if (!item.trimmed().isEmpty()) {
            shown << item.trimmed();
            m_pantryKeys << ShoppingList::matchKey(item);
        }
    }
    m_pantry->setText(shown.join(QStringLiteral(", ")));
}

void TFormRuokalista::pantryEdited()
{
    const QString text = m_pantry->text();
    Dialogs::guard([&text] {
        SettingsKey key;
        if (key.open())
            key.writeString(QLatin1String(Ruokakomero), text);
    });
    readPantry();
    showList();
}

bool addRecipeToMenu(QWidget *parent, RecipeBook::Book *book, qint64 recipeId)
{
    const std::optional<RecipeBook::Book::Recipe> recipe = book ? book->recipe(recipeId) : std::nullopt;
    if (!recipe)
        return false;
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("MenuAnnokset"));
    dialog.setWindowTitle(QStringLiteral("Add to Menu"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(QStringLiteral("Portions of %1:").arg(recipe->name), &dialog);
    auto *portions = new QSpinBox(&dialog);
    portions->setObjectName(QStringLiteral("Annokset"));
    portions->setRange(1, Menu::MaxPortions);
    const int own = recipe->portions.trimmed().toInt();
    portions->setValue(own >= 1 && own <= Menu::MaxPortions ? own : 4);
    label->setBuddy(portions);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(portions);
    layout->addWidget(buttons);
    if (Dialogs::exec(&dialog, dynamic_cast<ActivationTarget *>(parent)) != QDialog::Accepted)
        return false;
    TFormRuokalista::addToMenu(ProgramPaths::dataFolder(), recipe->id, portions->value());
    for (QWidget *shown : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<TFormRuokalista *>(shown))
            window->reload();
    }
    return true;
}

void addMenuCommands(TFormPaa *form, QMenu *recipeMenu, QMenu *bookMenu)
{
    auto addAction = [form](QMenu *menu, const char *objectName, const QString &caption, const QString &hint,
                            const QKeySequence &key) {
        QAction *action = Hints::addMenuCommand(form, menu, objectName, caption, hint);
        action->setShortcut(key);
        return action;
    };
    recipeMenu->addSeparator();
    bookMenu->addSeparator();
    // One window for the main window, made when first asked for.
    auto window = std::make_shared<QPointer<TFormRuokalista>>();

    QAction *add = addAction(recipeMenu, "MenuRuokalistalle", QStringLiteral("Add to &Menu..."),
                             QStringLiteral("|Add the selected recipe to the week menu."),
                             QKeySequence(Qt::CTRL | Qt::Key_M));
    QObject::connect(add, &QAction::triggered, form,
                     [form] { Dialogs::guard([form] { addRecipeToMenu(form, form->book(), form->shownRecipeId()); }); });

    QAction *open = addAction(bookMenu, "MenuRuokalista", QStringLiteral("Menu and Shopping &List..."),
                              QStringLiteral("|The week menu and one shopping list for all of its recipes."),
                              QKeySequence(Qt::CTRL | Qt::Key_L));
    QObject::connect(open, &QAction::triggered, form, [form, window] {
        if (!*window) {
            *window = new TFormRuokalista(
                ProgramPaths::dataFolder(),
                [form](const Menu::Recipe &recipe) {
                    Dialogs::guard([&] { form->selectRecipe(recipe.mainGroup, recipe.subgroup, recipe.name, recipe.id); });
                    form->raise();
                    form->activateWindow();
                },
                form);
            (*window)->setAttribute(Qt::WA_DeleteOnClose);
            Dialogs::centreOnDesktop(*window);
            // The names and lines follow every change to the book.
            TFormRuokalista *shown = *window;
            auto later = [shown] {
                QTimer::singleShot(0, shown, [shown] { shown->reload(); });
            };
            if (RecipeBook::Book *book = form->book()) {
                QObject::connect(book, &RecipeBook::Book::recipeChanged, shown, later);
                QObject::connect(book, &RecipeBook::Book::recipesChanged, shown, later);
                QObject::connect(book, &RecipeBook::Book::bookReplaced, shown, later);
            }
        } else {
            (*window)->reload();
        }
        (*window)->show();
        (*window)->raise();
        (*window)->activateWindow();
    });
}
