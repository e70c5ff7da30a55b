#include "app/FormPaa.h"

#include "app/BackupController.h"
#include "app/CookbookPrinting.h"
#include "app/DataBoundList.h"
#include "app/FormRuokalista.h"
#include "app/ImportExportController.h"
#include "app/TrashController.h"
#include "app/Windows.h"
#include "platform/Hints.h"
#include "platform/RecipeStyle.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>

// The main window's widgets, menus, tool bar and size modes, and the
// enabling of its commands.

namespace {

const QColor Navy(0x00, 0x00, 0x80);
const QColor InactivePane(0xEF, 0xEF, 0xEF);

const char *const CommandNames[] = {"MenuLisaaPaa", "MenuPoistaPaa", "MenuMuutaPaa", "MenuLisaaAla",
                                    "MenuPoistaAla", "MenuMuutaAla", "MenuLisaaResepti", "MenuPoistaResepti",
                                    "MenuNaytaResepti", "MenuMuutaResepti", "MenuLisaaKuva", "MenuPoistaKuva"};
const char *const ButtonNames[] = {"TBLisaaPaa", "TBPoistaPaa", "TBLisaaAla", "TBPoistaAla",
                                   "TBLisaaResepti", "TBPoistaResepti", "TBLisaaKuva", "TBPoistaKuva"};

const char *const ToolBarImages[] = {"0-add-main-group", "1-delete-main-group", "2-add-subgroup",
                                     "3-delete-subgroup", "4-add-recipe", "5-delete-recipe",
                                     "6-add-picture", "7-delete-picture", "8-help", "9-exit"};

// The description memo of a shown recipe: beside its picture, or over the
// full width without one (378 wide in the Small mode, not 379).
QRect memoPlace(bool withPicture, bool full)
{
    if (withPicture)
        return full ? QRect(215, 452, 270, 180) : QRect(168, 307, 210, 169);
    return full ? QRect(0, 452, 484, 180) : QRect(0, 307, 378, 169);
}

} // namespace

// ---- Building the window ------------------------------------------------------

void TFormPaa::buildWindow()
{
    QFont listFont(QStringLiteral("MS Sans Serif"));
    listFont.setPixelSize(11);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(central);

    m_panelTyokalu = new QWidget(central);
    m_panelTyokalu->setObjectName(QStringLiteral("PanelTyokalu"));

    m_panel2 = new QWidget(central);
    m_panel2->setObjectName(QStringLiteral("Panel2"));
    auto *panel2Layout = new QHBoxLayout(m_panel2);
    panel2Layout->setContentsMargins(6, 2, 4, 2);
    m_label4 = new QLabel(QStringLiteral("&Difficulty:"), m_panel2);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_editAste = new QLineEdit(m_panel2);
    m_editAste->setObjectName(QStringLiteral("DBEditAste"));
    m_editAste->setMaxLength(20);
    Hints::setHint(m_editAste, QStringLiteral("|Degree of difficulty of the recipe."));
    m_label4->setBuddy(m_editAste);
    m_label5 = new QLabel(QStringLiteral("Pr&eparation time:"), m_panel2);
    m_label5->setObjectName(QStringLiteral("Label5"));
    m_editAika = new QLineEdit(m_panel2);
    m_editAika->setObjectName(QStringLiteral("DBEditAika"));
    m_editAika->setMaxLength(18);
    Hints::setHint(m_editAika, QStringLiteral("|Preparation time of the recipe."));
    m_label5->setBuddy(m_editAika);
    panel2Layout->addWidget(m_label4);
    panel2Layout->addWidget(m_editAste, 1);
    panel2Layout->addSpacing(8);
    panel2Layout->addWidget(m_label5);
    panel2Layout->addWidget(m_editAika, 1);

    m_panel1 = new QWidget(central);
    m_panel1->setObjectName(QStringLiteral("Panel1"));

    auto makeTitle = [this](const char *name, const QString &text) {
        auto *label = new QLabel(text, m_panel1);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        QPalette palette = label->palette();
        RecipeStyle::setEnabledColor(palette, QPalette::WindowText, Navy);
        label->setPalette(palette);
        return label;
    };
    m_label1 = makeTitle("Label1", QStringLiteral("MAIN GROUP"));
    m_label2 = makeTitle("Label2", QStringLiteral("SUBGROUP"));
    m_label3 = makeTitle("Label3", QStringLiteral("RECIPE"));

    // The decorative pictures lie lowest, so that the memo and the recipe's
    // picture cover them whatever a size mode shows.
    m_kuva = new QLabel(m_panel1);
    m_kuva->setObjectName(QStringLiteral("Kuva"));
    m_kuva->setPixmap(QPixmap(QStringLiteral(":/pictures/kuva.jpg")));
    m_kuva->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_kuva2 = new QLabel(m_panel1);
    m_kuva2->setObjectName(QStringLiteral("Kuva2"));
    m_kuva2->setPixmap(QPixmap(QStringLiteral(":/pictures/kuva2.jpg")));
    m_kuva2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto makeList = [&](const char *name, const QString &hint) {
        auto *list = new DataBoundList(m_panel1);
        list->setObjectName(QLatin1String(name));
        list->setFont(listFont);
        Hints::setHint(list, hint);
        list->setMouseTracking(true);
        list->viewport()->setMouseTracking(true);
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
        return list;
    };
    m_listPaa = makeList("DBLLBoxPaaryhma", QStringLiteral("|Click the main group that you want to select."));
    m_listAla = makeList("DBLLBoxAlaryhma", QStringLiteral("|Click the subgroup that you want to select."));
    m_listResepti = makeList(
        "DBLLBoxLista",
        QStringLiteral("|Click the recipe that you want to select. Double-click to view the ingredients and directions."));

    m_ruokakuva = new QLabel(m_panel1);
    m_ruokakuva->setObjectName(QStringLiteral("Ruokakuva"));
    m_ruokakuva->setAlignment(Qt::AlignCenter);
    Hints::setHint(m_ruokakuva, QStringLiteral("|Picture of the selected recipe."));

    m_memoKuvaus = new QPlainTextEdit(m_panel1);
    m_memoKuvaus->setObjectName(QStringLiteral("MemoKuvaus"));
    m_memoKuvaus->setTabChangesFocus(false);
    m_memoKuvaus->setFont(listFont);
    Hints::setHint(m_memoKuvaus, QStringLiteral("|Write here a short description of the selected recipe."));
    m_memoKuvaus->installEventFilter(this);
    m_memoKuvaus->viewport()->installEventFilter(this);
    m_memoKuvaus->viewport()->setMouseTracking(true);
    m_editAste->installEventFilter(this);
    m_editAika->installEventFilter(this);

    for (QWidget *pane : {static_cast<QWidget *>(m_listPaa), static_cast<QWidget *>(m_listAla),
                          static_cast<QWidget *>(m_listResepti), static_cast<QWidget *>(m_memoKuvaus),
                          static_cast<QWidget *>(m_editAste), static_cast<QWidget *>(m_editAika)}) {
        QPalette palette = pane->palette();
        RecipeStyle::setEnabledColor(palette, QPalette::Text, Navy);
        palette.setColor(QPalette::Base, InactivePane);
        pane->setPalette(palette);
    }

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    QFont statusFont = status->font();
    statusFont.setPixelSize(13);
    status->setFont(statusFont);
    QPalette statusPalette = status->palette();
    RecipeStyle::setEnabledColor(statusPalette, QPalette::WindowText, Navy);
    status->setPalette(statusPalette);
    setStatusBar(status);

    connect(m_listPaa, &DataBoundList::rowClicked, this, [this] { runGuarded([this] { DBLLBoxPaaryhmaClick(); }); });
    connect(m_listAla, &DataBoundList::rowClicked, this, [this] { runGuarded([this] { DBLLBoxAlaryhmaClick(); }); });
    connect(m_listResepti, &DataBoundList::rowClicked, this, [this] { runGuarded([this] { DBLLBoxListaClick(); }); });
    connect(m_listResepti, &QAbstractItemView::doubleClicked, this, [this] { runCommand("MenuNaytaResepti"); });

    connect(m_memoKuvaus, &QPlainTextEdit::textChanged, this, [this] {
        // MemoKuvausChange: only the user's edits count as a modification.
        // Text put in by the program (also by the recipe window) replaces the
        // document and leaves nothing to undo; an edit by the user does.
        if (!m_loadingEdits && m_memoKuvaus->document()->isUndoAvailable())
            m_state.DescriptionModified = true;
    });
    connect(m_editAste, &QLineEdit::textEdited, this, [this] { m_asteModified = true; });
    connect(m_editAika, &QLineEdit::textEdited, this, [this] { m_aikaModified = true; });

    // The design layout, until a size mode is applied: the Small geometry
    // with the design fonts.
    setFixedSize(SmallWidth, 580);
    m_panelTyokalu->setGeometry(0, 0, 379, 29);
    m_panel2->setGeometry(379, 0, 413, 29);
    m_panel1->setGeometry(0, 29, 795, 501);
    m_listPaa->setGeometry(0, 17, 169, 290);
    m_listAla->setGeometry(169, 17, 210, 290);
    m_listResepti->setGeometry(379, 17, 413, 459);
    m_ruokakuva->setGeometry(0, 307, 169, 169);
    m_kuva->setGeometry(5, 307, 480, 167);
    m_kuva2->setGeometry(5, 307, 374, 167);
    m_memoKuvaus->setGeometry(0, 307, 379, 169);
    m_label1->setGeometry(0, 0, 169, 17);
    m_label2->setGeometry(169, 0, 210, 17);
    m_label3->setGeometry(379, 0, 413, 17);
    m_kuva->hide();
}

QAction *TFormPaa::addCommand(QMenu *menu, const char *objectName, const QString &caption, const QString &hint,
                              void (TFormPaa::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QLatin1String(objectName));
    action->setStatusTip(Hints::longHint(hint));
    action->setToolTip(Hints::shortHint(hint).isEmpty() ? Hints::longHint(hint) : Hints::shortHint(hint));
    menu->addAction(action);
    connect(action, &QAction::triggered, this, [this, action, handler](bool checked) {
        // The handlers set check marks themselves; Full and Small leave them
        // alone on a narrow screen.
        if (action->isCheckable())
            action->setChecked(!checked);
        runGuarded([this, handler] { (this->*handler)(); });
    });
    return action;
}

void TFormPaa::buildMenus()
{
    QMenuBar *bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("MainMenuPaa"));
    setMenuBar(bar);

    QMenu *program = bar->addMenu(QStringLiteral("&Program"));
    program->setObjectName(QStringLiteral("MenuProgram"));
    m_menuAutorun = addCommand(program, "MenuAutorun", QStringLiteral("&Start When Windows Starts"),
                               QStringLiteral("|Check this if you want the program to run automatically when Windows starts."),
                               &TFormPaa::MenuAutorunClick);
    m_menuAutorun->setCheckable(true);
    addCommand(program, "MenuQueries", QStringLiteral("&Restore Security Queries"),
               QStringLiteral("|Restore all data security queries."), &TFormPaa::MenuQueriesClick);
    program->addSeparator();
    m_menuSulje = addCommand(program, "MenuSulje", QStringLiteral("&Exit"), QStringLiteral("|Quit Saffrona's Mealdeck."),
                             &TFormPaa::MenuSuljeClick);

    QMenu *group = bar->addMenu(QStringLiteral("&Group"));
    group->setObjectName(QStringLiteral("MenuGroup"));
    addCommand(group, "MenuLisaaPaa", QStringLiteral("&Add New Main Group..."), QStringLiteral("|Add a new main group."),
               &TFormPaa::MenuLisaaPaaClick);
    addCommand(group, "MenuPoistaPaa", QStringLiteral("&Delete Main Group"),
               QStringLiteral("|Delete the selected main group and it's possible subgroups and recipes."),
               &TFormPaa::MenuPoistaPaaClick);
    addCommand(group, "MenuMuutaPaa", QStringLiteral("&Change Main Group Name..."),
               QStringLiteral("|Change the name of the selected main group."), &TFormPaa::MenuMuutaPaaClick);
    group->addSeparator();
    addCommand(group, "MenuLisaaAla", QStringLiteral("Add &New Subgroup..."),
               QStringLiteral("|Add a new subgroup into the selected main group."), &TFormPaa::MenuLisaaAlaClick);
    addCommand(group, "MenuPoistaAla", QStringLiteral("Delete &Subgroup"),
               QStringLiteral("|Delete the selected subgroup and it's possible recipes."), &TFormPaa::MenuPoistaAlaClick);
    addCommand(group, "MenuMuutaAla", QStringLiteral("C&hange Subgroup Name..."),
               QStringLiteral("|Change the name of the selected subgroup."), &TFormPaa::MenuMuutaAlaClick);

    QMenu *recipe = bar->addMenu(QStringLiteral("&Recipe"));
    recipe->setObjectName(QStringLiteral("MenuRecipe"));
    addCommand(recipe, "MenuLisaaResepti", QStringLiteral("&Add New Recipe..."),
               QStringLiteral("|Add a new recipe into the selected subgroup."), &TFormPaa::MenuLisaaReseptiClick);
    addCommand(recipe, "MenuPoistaResepti", QStringLiteral("&Delete Recipe"), QStringLiteral("|Delete the selected recipe."),
               &TFormPaa::MenuPoistaReseptiClick);
    addCommand(recipe, "MenuMuutaResepti", QStringLiteral("&Change Recipe Name..."),
               QStringLiteral("|Change the name of the selected recipe."), &TFormPaa::MenuMuutaReseptiClick);
    recipe->addSeparator();
    addCommand(recipe, "MenuNaytaResepti", QStringLiteral("&View Recipe"),
               QStringLiteral("View the ingredients and directions of the selected recipe."),
               &TFormPaa::MenuNaytaReseptiClick);
    recipe->addSeparator();
    addCommand(recipe, "MenuLisaaKuva", QStringLiteral("Add &Picture..."),
               QStringLiteral("|Add a picture into the selected recipe."), &TFormPaa::MenuLisaaKuvaClick);
    addCommand(recipe, "MenuPoistaKuva", QStringLiteral("D&elete Picture"),
               QStringLiteral("|Delete the picture of the selected recipe."), &TFormPaa::MenuPoistaKuvaClick);

    m_menuKirja = bar->addMenu(QStringLiteral("&Book"));
    m_menuKirja->setObjectName(QStringLiteral("MenuKirja"));
    buildFindCommands();
    new ImportExportController(this, m_menuKirja);
    new BackupController(this, m_menuKirja);
    new TrashController(this, m_menuKirja);
    addMenuCommands(this, recipe, m_menuKirja);
    CookbookPrinting::addCommand(this, m_menuKirja);

    m_menuIkkuna = bar->addMenu(QStringLiteral("&Window"));
    m_menuIkkuna->setObjectName(QStringLiteral("MenuIkkuna"));
    m_menuSuuri = addCommand(m_menuIkkuna, "MenuSuuri", QStringLiteral("&Full"), QStringLiteral("|Full screen window."),
                             &TFormPaa::MenuSuuriClick);
    m_menuSuuri->setCheckable(true);
    m_menuPieni = addCommand(m_menuIkkuna, "MenuPieni", QStringLiteral("&Small"), QStringLiteral("|Small window."),
                             &TFormPaa::MenuPieniClick);
    m_menuPieni->setCheckable(true);

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    addCommand(help, "MenuOhjeet", QStringLiteral("&Help"), QStringLiteral("Help to use the program."),
               &TFormPaa::MenuOhjeetClick);
    addCommand(help, "MenuAbout", QStringLiteral("&About..."), QStringLiteral("Program information."),
               &TFormPaa::MenuAboutClick);
}

QAction *TFormPaa::addButton(const char *objectName, int image, const QString &hint, void (TFormPaa::*handler)())
{
    auto *action = new QAction(QIcon(QStringLiteral(":/icons/paa/%1.svg").arg(QLatin1String(ToolBarImages[image]))),
                               Hints::shortHint(hint), this);
    action->setObjectName(QLatin1String(objectName));
    action->setToolTip(Hints::shortHint(hint));
    action->setStatusTip(Hints::longHint(hint));
    m_toolBar->addAction(action);
    if (QWidget *button = m_toolBar->widgetForAction(action)) {
        button->setObjectName(QLatin1String(objectName));
        button->setFixedSize(34, 26);
    }
    connect(action, &QAction::triggered, this, [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); });
    return action;
}

void TFormPaa::buildToolBar()
{
    m_toolBar = new QToolBar(m_panelTyokalu);
    m_toolBar->setObjectName(QStringLiteral("ToolBarPaa"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setContentsMargins(0, 0, 0, 0);
    m_toolBar->layout()->setSpacing(0);
    m_toolBar->layout()->setContentsMargins(0, 0, 0, 0);
    m_toolBar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));

    addButton("TBLisaaPaa", 0, QStringLiteral("Add Main Group|Add a new main group."), &TFormPaa::MenuLisaaPaaClick);
    addButton("TBPoistaPaa", 1,
              QStringLiteral("Delete Main Group|Delete the selected main group and it's possible subgroups and recipes."),
              &TFormPaa::MenuPoistaPaaClick);
    m_toolBar->addSeparator();
    addButton("TBLisaaAla", 2, QStringLiteral("Add Subgroup|Add a new subgroup."), &TFormPaa::MenuLisaaAlaClick);
    addButton("TBPoistaAla", 3, QStringLiteral("Delete Subgroup|Delete the selected subgroup and it's possible recipes."),
              &TFormPaa::MenuPoistaAlaClick);
    m_toolBar->addSeparator();
    addButton("TBLisaaResepti", 4, QStringLiteral("Add Recipe|Add a new recipe."), &TFormPaa::MenuLisaaReseptiClick);
    addButton("TBPoistaResepti", 5, QStringLiteral("Delete Recipe|Delete the selected recipe."),
              &TFormPaa::MenuPoistaReseptiClick);
    m_toolBar->addSeparator();
    addButton("TBLisaaKuva", 6, QStringLiteral("Add Picture|Add a picture into the selected recipe."),
              &TFormPaa::MenuLisaaKuvaClick);
    addButton("TBPoistaKuva", 7, QStringLiteral("Delete Picture|Delete the picture of the selected recipe."),
              &TFormPaa::MenuPoistaKuvaClick);
    m_toolBar->addSeparator();
    addButton("TBOhje", 8, QStringLiteral("Help"), &TFormPaa::MenuOhjeetClick);
    addButton("TBSulje", 9, QStringLiteral("Exit|Exit Saffrona's Mealdeck."), &TFormPaa::MenuSuljeClick);
    m_toolBar->setGeometry(0, 1, m_toolBar->sizeHint().width(), 28);
}

QAction *TFormPaa::menuAction(const QString &objectName) const
{
    const QList<QAction *> all = findChildren<QAction *>(objectName);
    return all.isEmpty() ? nullptr : all.constFirst();
}

// ---- Commands, layouts, panes -----------------------------------------------------

void TFormPaa::DisableCommands()
{
    for (const char *name : CommandNames)
        if (QAction *a = menuAction(QLatin1String(name)))
            a->setEnabled(false);
    for (const char *name : ButtonNames)
        if (QAction *a = menuAction(QLatin1String(name)))
            a->setEnabled(false);
}

void TFormPaa::enableCommands(std::initializer_list<const char *> objectNames)
{
    for (const char *name : objectNames) {
        // View Recipe stays disabled while there is no recipe window to show.
        if (qstrcmp(name, "MenuNaytaResepti") == 0 && !windows().FormResepti)
            continue;
        if (QAction *a = menuAction(QLatin1String(name)))
            a->setEnabled(true);
    }
}

void TFormPaa::runCommand(const char *objectName)
{
    QAction *action = menuAction(QLatin1String(objectName));
    if (action && action->isEnabled())
        action->trigger();
}

void TFormPaa::fitWindowToLists(int width, int listsBottom)
{
    // The window sizes of the size modes are outer sizes, frame included: the
    // client area ends just below the lists, with the menu bar above and the
    // status bar below.
    QMenuBar *bar = menuBar();
    const int menuHeight = bar->hasHeightForWidth() ? bar->heightForWidth(width) : bar->sizeHint().height();
    setFixedSize(width, menuHeight + m_panel1->y() + listsBottom + 2 + statusBar()->sizeHint().height());
}

void TFormPaa::ApplyFullLayout()
{
    QFont windowFont = font();
    windowFont.setPointSize(10);
    setFont(windowFont);
    QPalette palette = this->palette();
    RecipeStyle::setEnabledColor(palette, QPalette::WindowText, Navy);
    setPalette(palette);

    m_panel1->setGeometry(0, 29, 1014, 658);
    m_panelTyokalu->setGeometry(0, 0, 485, 29);
    m_panel2->setGeometry(485, 0, 530, 29);
    m_listPaa->setGeometry(1, 20, 214, 436);
    m_listAla->setGeometry(215, 20, 270, 436);
    m_listResepti->setGeometry(485, 20, 530, 615);
    m_ruokakuva->setGeometry(1, 452, 214, 177);
    m_kuva->setGeometry(5, 454, 480, 177);
    // While a recipe is shown its memo covers the decorative picture, which
    // would otherwise peek out beside it.
    m_kuva->setVisible(m_memoKuvaus->isHidden());
    m_kuva2->hide();
    m_memoKuvaus->setGeometry(0, 452, 484, 180);
    m_label1->setGeometry(m_label1->x(), m_label1->y(), 214, 20);
    m_label2->setGeometry(215, m_label2->y(), 270, 20);
    m_label3->setGeometry(485, m_label3->y(), 530, 20);
    m_menuSuuri->setChecked(true);
    m_menuPieni->setChecked(false);
    keepRecipePlacement(true);
    for (QWidget *w : {static_cast<QWidget *>(m_listPaa), static_cast<QWidget *>(m_listAla),
                       static_cast<QWidget *>(m_listResepti), static_cast<QWidget *>(m_memoKuvaus)})
        w->setFont(windowFont);
    fitWindowToLists(FullWidth, 20 + 615);
}

void TFormPaa::ApplySmallLayout()
{
    QFont windowFont = font();
    windowFont.setPointSize(8);
    setFont(windowFont);
    QPalette palette = this->palette();
    RecipeStyle::setEnabledColor(palette, QPalette::WindowText, Navy);
    setPalette(palette);

    m_panel1->setGeometry(0, 29, 795, 501);
    m_panelTyokalu->setGeometry(0, 0, 379, 29);
    m_panel2->setGeometry(379, 0, 413, 29);
    m_listPaa->setGeometry(0, 17, 169, 290);
    m_listAla->setGeometry(169, 17, 210, 290);
    m_listResepti->setGeometry(379, 17, 413, 459);
    m_ruokakuva->setGeometry(0, 307, 169, 169);
    m_kuva2->setGeometry(5, 307, 374, 167);
    m_kuva2->setVisible(m_memoKuvaus->isHidden());
    m_kuva->hide();
    m_memoKuvaus->setGeometry(0, 307, 379, 169);
    m_label1->setGeometry(m_label1->x(), m_label1->y(), 169, 17);
    m_label2->setGeometry(169, m_label2->y(), 210, 17);
    m_label3->setGeometry(379, m_label3->y(), 413, 17);
    m_menuPieni->setChecked(true);
    m_menuSuuri->setChecked(false);
    keepRecipePlacement(false);
    for (QWidget *w : {static_cast<QWidget *>(m_listPaa), static_cast<QWidget *>(m_listAla),
                       static_cast<QWidget *>(m_listResepti), static_cast<QWidget *>(m_memoKuvaus)})
        w->setFont(windowFont);
    fitWindowToLists(SmallWidth, 17 + 459);
}

void TFormPaa::keepRecipePlacement(bool full)
{
    // While a recipe is shown its memo keeps its place beside the picture (or
    // over the full width without one), in whichever mode; the layouts run
    // after every dialog and must not slide the memo over the picture.
    if (!m_memoKuvaus->isHidden())
        m_memoKuvaus->setGeometry(memoPlace(!m_ruokakuva->isHidden(), full));
}

bool TFormPaa::isFullChecked() const
{
    return m_menuSuuri->isChecked();
}

void TFormPaa::FocusPane(QWidget *pane)
{
    for (QWidget *w : {static_cast<QWidget *>(m_listPaa), static_cast<QWidget *>(m_listAla),
                       static_cast<QWidget *>(m_listResepti), static_cast<QWidget *>(m_memoKuvaus),
                       static_cast<QWidget *>(m_editAste), static_cast<QWidget *>(m_editAika)}) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::Base, w == pane ? QApplication::palette().color(QPalette::Base) : InactivePane);
        w->setPalette(palette);
    }
    if (pane && pane->isEnabled())
        pane->setFocus(Qt::OtherFocusReason);
}

void TFormPaa::centreOnDesktop()
{
    Dialogs::centreOnDesktop(this);
}

void TFormPaa::showDecorativePicture()
{
    const bool full = width() == FullWidth;
    m_kuva->setVisible(full);
    m_kuva2->setVisible(!full);
}

void TFormPaa::placeMemo(bool withPicture)
{
    m_memoKuvaus->setGeometry(memoPlace(withPicture, screenWidth() >= 1024 && isFullChecked()));
}
