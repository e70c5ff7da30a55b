#include "app/FormPaa.h"

#include "app/DataBoundList.h"
#include "app/FormUusi.h"
#include "app/ImportExportCommands.h"
#include "app/Windows.h"
#include "platform/AutoRunner.h"
#include "platform/HelpViewer.h"
#include "recipe/DBMemo.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/FormResepti.h"
#include "recipe/RecipeStyle.h"
#include "settings/FormAbout.h"
#include "settings/FormPikaohje.h"
#include "settings/SettingsStore.h"
#include "store/Book.h"
#include "store/PackTable.h"
#include "store/JpegCodec.h"
#include "store/PictureFiles.h"
#include "store/PicturePaths.h"
#include "store/ProgramPaths.h"
#include "store/RecipeBook.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

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

int screenWidth()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 1024;
}

// The short part of a hint (before "|") is the tooltip, the long part the
// status bar text; a hint without "|" serves as both.
QString shortHint(const QString &hint)
{
    const int bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

QString longHint(const QString &hint)
{
    const int bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

void setHint(QWidget *widget, const QString &hint)
{
    widget->setStatusTip(longHint(hint));
    widget->setToolTip(shortHint(hint));
}

// Names of `count` rows of a table's view from the 0-based row `from`, read
// with the current row kept.
QStringList viewNames(TPackTable *table, int from, int count)
{
    if (!table->Active())
        return {};
    return table->fieldTexts(QStringLiteral("Nimi"), from + 1, count);
}

int viewCount(TPackTable *table)
{
    return table->Active() ? table->recordCount() : 0;
}

// The description memo of a shown recipe: beside its picture, or over the
// full width without one (378 wide in the Small mode, not 379).
QRect memoPlace(bool withPicture, bool full)
{
    if (withPicture)
        return full ? QRect(215, 452, 270, 180) : QRect(168, 307, 210, 169);
    return full ? QRect(0, 452, 484, 180) : QRect(0, 307, 378, 169);
}

bool walkable(TPackTable *table)
{
    const TPackTable::State state = table->state();
    return state == TPackTable::State::Browse || state == TPackTable::State::Inactive;
}

} // namespace

TFormPaa::PictureChooser &pictureChooser()
{
    static TFormPaa::PictureChooser chooser = [](QWidget *parent, const QString &filter) {
        QFileDialog dialog(parent);
        dialog.setObjectName(QStringLiteral("OpenPictureDialog"));
        dialog.setNameFilter(filter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.selectFile(QString());
        if (Dialogs::exec(&dialog, dynamic_cast<ActivationTarget *>(parent)) != QDialog::Accepted
            || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    };
    return chooser;
}

TFormPaa::TFormPaa(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormPaa"));
    setWindowTitle(QStringLiteral("Saffrona's Mealdeck   -   Groups"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    m_autoRunner = new TAutoRunner(QStringLiteral("Ruokalon Ateriapino"), this);
    m_autoRunner->setObjectName(QStringLiteral("AutoRunner"));

    buildWindow();
    buildMenus();
    buildToolBar();
    fitWindowToLists(SmallWidth, 17 + 459);

    // Window creation: the tables, then the size mode from the settings.
    m_state.DescriptionModified = false;
    m_state.ReturnedFromRecipe = false;
    openTables();
    if (!m_tablesOpened)
        return;

    if (screenWidth() < 1024) {
        ApplySmallLayout();
        m_menuIkkuna->setEnabled(false);
    } else {
        SettingsKey key;
        if (key.open()) {
            Dialogs::guard([&] {
                if (key.valueExists(SettingNames::Koko)) {
                    if (key.readBool(SettingNames::Koko))
                        ApplyFullLayout();
                    else
                        ApplySmallLayout();
                } else {
                    key.writeBool(SettingNames::Koko, false);
                }
                if (key.valueExists(SettingNames::Auto) && key.readBool(SettingNames::Auto))
                    m_menuAutorun->setChecked(true);
            });
        }
    }
}

TFormPaa::~TFormPaa()
{
    TPackTable::setReopenedHandler(nullptr);
    if (windows().FormPaa == this)
        windows().FormPaa = nullptr;
}

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
    setHint(m_editAste, QStringLiteral("|Degree of difficulty of the recipe."));
    m_label4->setBuddy(m_editAste);
    m_label5 = new QLabel(QStringLiteral("Pr&eparation time:"), m_panel2);
    m_label5->setObjectName(QStringLiteral("Label5"));
    m_editAika = new QLineEdit(m_panel2);
    m_editAika->setObjectName(QStringLiteral("DBEditAika"));
    m_editAika->setMaxLength(18);
    setHint(m_editAika, QStringLiteral("|Preparation time of the recipe."));
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
        setHint(list, hint);
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
    setHint(m_ruokakuva, QStringLiteral("|Picture of the selected recipe."));

    m_memoKuvaus = new QPlainTextEdit(m_panel1);
    m_memoKuvaus->setObjectName(QStringLiteral("MemoKuvaus"));
    m_memoKuvaus->setTabChangesFocus(false);
    m_memoKuvaus->setFont(listFont);
    setHint(m_memoKuvaus, QStringLiteral("|Write here a short description of the selected recipe."));
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
    action->setStatusTip(longHint(hint));
    action->setToolTip(shortHint(hint).isEmpty() ? longHint(hint) : shortHint(hint));
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
    addImportExportCommands(this, m_menuKirja);

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
                               shortHint(hint), this);
    action->setObjectName(QLatin1String(objectName));
    action->setToolTip(shortHint(hint));
    action->setStatusTip(longHint(hint));
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

// ---- The tables -----------------------------------------------------------------

void TFormPaa::openTables()
{
    m_book = std::make_unique<RecipeBook::Book>(ProgramPaths::dataFolder(), ProgramPaths::picsFolder());
    m_table1 = &m_book->mainGroups();
    m_table2 = &m_book->subgroups();
    m_table3 = &m_book->recipes();
    try {
        m_table1->open();
        m_table2->open();
        m_table3->open();
    } catch (const StoreError &) {
        m_table1->close();
        m_table2->close();
        m_table3->close();
        Dialogs::fatal(QStringLiteral("Database not found"),
                       QStringLiteral("Database files not found.\nIf you have made a backup of the \"Data\" -folder,\n"
                                      "restore it or reinstall the program."));
        return;
    }
    m_tablesOpened = true;
    // Closed before the lists are bound, so that nothing reads their
    // unfiltered rows.
    m_table2->close();
    m_table3->close();

    for (const auto &[list, table] : {std::pair{m_listPaa, m_table1}, std::pair{m_listAla, m_table2},
                                      std::pair{m_listResepti, m_table3}}) {
        DataBoundList *l = list;
        connect(table, &TPackTable::viewChanged, l, &DataBoundList::markDirty);
        connect(table, &TPackTable::rowDataChanged, l, &DataBoundList::markDirty);
    }

    auto bindList = [](DataBoundList *list, TPackTable *table) {
        list->bind({[table] { return viewCount(table); },
                    [table](int from, int count) { return viewNames(table, from, count); },
                    [table] { return walkable(table); },
                    [table] { return table->Active() ? table->RecNo() - 1 : -1; },
                    [table](int row) { table->setRecNo(row + 1); }});
    };
    bindList(m_listPaa, m_table1);
    bindList(m_listAla, m_table2);
    // Moving to another recipe first stores what was edited on the one left.
    m_listResepti->bind({[this] { return viewCount(m_table3); },
                         [this](int from, int count) { return viewNames(m_table3, from, count); },
                         [this] { return walkable(m_table3); },
                         [this] { return m_table3->Active() ? m_table3->RecNo() - 1 : -1; },
                         [this](int row) { moveToRecipe(row); }});

    // The edits follow the recipe row unless the user has typed into them.
    connect(m_table3, &TPackTable::currentRowChanged, this, [this] { bindEdits(); });
    connect(m_table3, &TPackTable::rowDataChanged, this, [this](int recNo) {
        if (recNo == m_table3->RecNo())
            bindEdits();
    });
    connect(m_table3, &TPackTable::viewChanged, this, [this] { bindEdits(); });

    enableCommands({"MenuLisaaPaa", "TBLisaaPaa"});
    m_ruokakuva->hide();
    m_memoKuvaus->hide();
    m_panel2->hide();
    refreshLists();
    watchDataFolder();
}

void TFormPaa::watchDataFolder()
{
    // The store reopens the book itself when it meets a replaced file; the
    // user hears of it once, after the store call that noticed it.
    TPackTable::setReopenedHandler([this](const QString &) {
        if (m_reopenNoticeQueued)
            return;
        m_reopenNoticeQueued = true;
        QMetaObject::invokeMethod(this, [this] { bookReopened(); }, Qt::QueuedConnection);
    });
    // A file renamed over a table file shows in the folder at once, so that
    // the lists need not wait for the next command to be read again.
    auto *watcher = new QFileSystemWatcher(this);
    watcher->addPath(ProgramPaths::dataFolder());
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!isVisible() || m_activating || QApplication::activeModalWidget() || !m_table1->Active())
            return;
        try {
            m_table1->reopenIfReplaced();
        } catch (const ProgramError &) {
            // The next command that uses the table reports it.
        }
    });
}

void TFormPaa::bookReopened()
{
    m_reopenNoticeQueued = false;
    Dialogs::guard([this] {
        for (DataBoundList *list : {m_listPaa, m_listAla, m_listResepti})
            list->markDirty();
        refreshLists();
        bindEdits();
    });
    Dialogs::information(QStringLiteral("The recipe book was changed outside the program, so it has been opened "
                                        "again. The lists show it as it is stored now."));
}

void TFormPaa::runGuarded(const std::function<void()> &body)
{
    Dialogs::guard([&] {
        try {
            body();
        } catch (const StoreConflict &) {
            settleConflict();
        } catch (...) {
            dropPendingChanges();
            throw;
        }
    });
}

void TFormPaa::dropPendingChanges()
{
    for (TPackTable *table : {m_table1, m_table2, m_table3}) {
        // Discarding also reads the rows anew.
        if (table && table->Active())
            table->discard();
    }
    m_state.NameAccepted = m_state.NameRejected = m_state.NameCancelled = false;
    m_state.RenameMode = m_state.RecipeMode = false;
    m_state.DeleteConfirmed = m_state.DeletingRecipe = m_state.DeletingSubgroup = false;
    m_state.DeletePictureConfirmed = false;
    refreshLists();
}

void TFormPaa::settleConflict()
{
    // What another program deleted while the user changed it is stored again
    // with the change; anything else it changed is left as it is, and the
    // user's typing stays in the window.
    bool storedAgain = false;
    for (TPackTable *table : {m_table1, m_table2, m_table3}) {
        if (table->Active() && table->hasPendingChanges() && RecipeBook::storeAgain(*table, m_state.CurrentMainGroup))
            storedAgain = true;
    }
    dropPendingChanges();
    // Typing kept for a recipe that is not shown any more would go into
    // another one.
    if (!m_table3->Active() || m_table3->RecNo() <= 0
        || m_table3->fieldText(QStringLiteral("Nimi")) != m_state.CurrentRecipe)
        m_asteModified = m_aikaModified = false;
    if (storedAgain)
        Dialogs::information(QStringLiteral("Another program deleted what you were changing. It has been stored "
                                            "again, with your changes."));
    else
        Dialogs::information(QStringLiteral("Another program changed the recipe book in the same place while you "
                                            "were changing it. Nothing was overwritten and your change was not "
                                            "saved; anything you typed is still in the window. The lists show "
                                            "the book as it is stored now."));
    // The recipe stays selected with the typing, which is stored (over the
    // other change) only when the user leaves the recipe again.
    m_holdEdits = m_asteModified || m_aikaModified;
    if (m_holdEdits)
        QMetaObject::invokeMethod(this, [this] { m_holdEdits = false; }, Qt::QueuedConnection);
}

bool TFormPaa::addChild(bool added, const QString &parent, const QString &child)
{
    if (added)
        return true;
    dropPendingChanges();
    Dialogs::information(QStringLiteral("\"%1\" was deleted by another program, so \"%2\" was not added.")
                             .arg(parent, child));
    return false;
}

void TFormPaa::moveToRecipe(int row)
{
    // Moving to another recipe first stores what was edited on the one left.
    runGuarded([this] {
        if (m_state.DescriptionModified)
            SaveDescriptionChange();
        SaveDifficultyAndTime();
    });
    if (!m_holdEdits)
        runGuarded([this, row] { m_table3->setRecNo(row + 1); });
}

void TFormPaa::workOnBook(const std::function<void(RecipeBook::Book &)> &work)
{
    runGuarded([&] { work(*m_book); });
    // Rows written past the tables are read anew.
    for (TPackTable *table : {m_table1, m_table2, m_table3})
        if (table && table->Active())
            table->setFilter(table->Filter());
    refreshLists();
}

void TFormPaa::refreshLists()
{
    m_listPaa->refresh();
    m_listAla->refresh();
    m_listResepti->refresh();
}

void TFormPaa::bindEdits()
{
    const bool active = m_table3 && m_table3->Active() && m_table3->RecNo() > 0;
    m_loadingEdits = true;
    if (!m_asteModified)
        m_editAste->setText(active ? m_table3->fieldText(QStringLiteral("Aste")) : QString());
    if (!m_aikaModified)
        m_editAika->setText(active ? m_table3->fieldText(QStringLiteral("Aika")) : QString());
    m_loadingEdits = false;
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

QString TFormPaa::descriptionPlaceholder()
{
    return QStringLiteral("Write here a short description of the recipe.");
}

bool TFormPaa::isPlaceholder(const QString &text)
{
    // The recipe window puts its own wording into the memo when it returns.
    return text == descriptionPlaceholder() || text == QLatin1String("Write here a description of the recipe.");
}

void TFormPaa::showPlaceholderIfEmpty()
{
    if (m_table3->Active() && m_table3->fieldText(QStringLiteral("Kuvaus")).isEmpty()) {
        m_loadingEdits = true;
        m_memoKuvaus->setPlainText(descriptionPlaceholder());
        m_loadingEdits = false;
    }
}

void TFormPaa::emptyPlaceholderIfShown()
{
    if (isPlaceholder(m_memoKuvaus->toPlainText())) {
        m_loadingEdits = true;
        m_memoKuvaus->clear();
        m_loadingEdits = false;
    }
}

// ---- Activation and showing ----------------------------------------------------------

void TFormPaa::applySizeSetting()
{
    if (screenWidth() < 1024) {
        ApplySmallLayout();
        m_menuIkkuna->setEnabled(false);
        return;
    }
    SettingsKey key;
    if (!key.open())
        return;
    if (key.valueExists(SettingNames::Koko)) {
        if (key.readBool(SettingNames::Koko))
            ApplyFullLayout();
        else
            ApplySmallLayout();
    } else {
        key.writeBool(SettingNames::Koko, false);
    }
}

void TFormPaa::runActivation()
{
    if (!m_tablesOpened)
        return;
    // A dialog shown by the activation steps themselves (the about window on a
    // first start) asks for activation again; it runs once they have finished.
    if (m_activating) {
        m_activationAgain = true;
        return;
    }
    m_activating = true;
    do {
        m_activationAgain = false;
        Dialogs::guard([this] { FormActivate(); });
    } while (m_activationAgain);
    m_activating = false;
}

void TFormPaa::FormActivate()
{
    applySizeSetting();
    SettingsKey key;
    if (key.open()) {
        if (!key.valueExists(SettingNames::About)) {
            if (windows().FormAbout)
                Dialogs::exec(windows().FormAbout, this);
            key.writeBool(SettingNames::About, true);
        }
        if (key.valueExists(SettingNames::Auto)) {
            m_autoRunner->setAutoRun(key.readBool(SettingNames::Auto));
            // A ticked item means that the entry exists.
            if (m_menuAutorun->isChecked() && !m_autoRunner->entryExists()) {
                m_menuAutorun->setChecked(false);
                setRecipeWindowAutorunChecked(false);
            }
        } else {
            key.writeBool(SettingNames::Auto, false);
        }
    }
    FocusPane(m_listPaa);
    // The recipe list is open only after a subgroup was selected; otherwise
    // there is no recipe to select again.
    if (m_state.ReturnedFromRecipe && m_table3->Active() && m_listResepti->isBound() && m_table3->RecNo() > 0) {
        FocusPane(m_listResepti);
        DBLLBoxListaClick();
    }
}

void TFormPaa::FormShow()
{
    DisableCommands();
    enableCommands({"MenuLisaaPaa", "TBLisaaPaa"});
    centreOnDesktop();
    if (m_state.ReturnedFromRecipe && m_table3->Active() && m_listResepti->isBound() && m_table3->RecNo() > 0) {
        FocusPane(m_listResepti);
        DBLLBoxListaClick();
    }
}

void TFormPaa::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous() || !m_tablesOpened)
        return;
    Dialogs::guard([this] { FormShow(); });
    // For a person the window is first drawn, so that a dialog of the
    // activation steps (the about window on a first start) stands over it.
    if (Dialogs::testMode())
        runActivation();
    else
        QMetaObject::invokeMethod(this, [this] { runActivation(); }, Qt::QueuedConnection);
}

// ---- The three selections -----------------------------------------------------------

void TFormPaa::DBLLBoxPaaryhmaClick()
{
    SaveDifficultyAndTime();
    FocusPane(m_listPaa);
    if (m_state.DescriptionModified) {
        SaveDescriptionChange();
        m_state.DescriptionModified = false;
    }
    m_table3->close();
    m_table2->open();
    showDecorativePicture();
    m_ruokakuva->hide();
    m_memoKuvaus->hide();
    m_panel2->hide();
    m_state.MainGroupMode = true;
    m_state.SubgroupMode = false;
    m_state.RecipeMode = false;
    m_state.CurrentMainGroup = m_table1->fieldText(QStringLiteral("Nimi"));
    m_table2->setFilter(RecipeBook::childFilter(m_state.CurrentMainGroup));
    m_table2->setFiltered(true);
    DisableCommands();
    enableCommands({"MenuLisaaPaa", "TBLisaaPaa"});
    if (m_table1->recordCount() > 0)
        enableCommands({"MenuLisaaAla", "TBLisaaAla", "MenuPoistaPaa", "TBPoistaPaa", "MenuMuutaPaa"});
    refreshLists();
}

void TFormPaa::DBLLBoxAlaryhmaClick()
{
    // The subgroups are those of the main group row the list shows as
    // current; until that main group has been selected (Enter right after
    // start, or after the main groups changed) it is selected first.
    if (!m_table2->Active() || m_table2->Filter() != RecipeBook::childFilter(m_table1->fieldText(QStringLiteral("Nimi"))))
        DBLLBoxPaaryhmaClick();
    SaveDifficultyAndTime();
    if (m_state.DescriptionModified) {
        SaveDescriptionChange();
        m_state.DescriptionModified = false;
    }
    FocusPane(m_listAla);
    if (!m_listResepti->isBound())
        m_listResepti->bind({[this] { return viewCount(m_table3); },
                         [this](int from, int count) { return viewNames(m_table3, from, count); },
                         [this] { return walkable(m_table3); },
                             [this] { return m_table3->Active() ? m_table3->RecNo() - 1 : -1; },
                             [this](int row) { moveToRecipe(row); }});
    m_table3->close();
    m_table3->open();
    m_state.SubgroupMode = true;
    m_state.MainGroupMode = false;
    m_state.RecipeMode = false;
    DisableCommands();
    m_state.HasSubgroups = false;
    m_panel2->hide();
    showDecorativePicture();
    m_ruokakuva->hide();
    m_memoKuvaus->hide();
    // Delete and rename need a subgroup row.
    if (m_table2->Active() && m_table2->RecNo() > 0)
        enableCommands({"MenuPoistaAla", "MenuMuutaAla"});
    m_state.CurrentSubgroup = m_table2->Active() ? m_table2->fieldText(QStringLiteral("Nimi")) : QString();
    m_table3->setFilter(RecipeBook::childFilter(m_state.CurrentSubgroup));
    m_table3->setFiltered(true);
    m_state.CurrentMainGroup = m_table1->fieldText(QStringLiteral("Nimi"));
    if (m_table2->Active()) {
        const int keep = m_table2->RecNo();
        m_table2->setFilter(RecipeBook::childFilter(m_state.CurrentMainGroup));
        if (keep > 0)
            m_table2->setRecNo(keep);
        if (m_table2->recordCount() > 0) {
            m_state.HasSubgroups = true;
            enableCommands({"MenuLisaaResepti", "TBLisaaResepti", "MenuPoistaAla", "TBPoistaAla"});
        }
    }
    refreshLists();
}

void TFormPaa::DBLLBoxListaClick()
{
    if (m_state.DescriptionModified) {
        SaveDescriptionChange();
        m_state.DescriptionModified = false;
    }
    FocusPane(m_listResepti);
    m_state.MainGroupMode = false;
    m_state.SubgroupMode = false;
    if (!m_table3->Active() || m_table3->RecNo() <= 0) {
        refreshLists();
        return;
    }
    DisableCommands();
    m_panel2->show();
    enableCommands({"MenuPoistaResepti", "TBPoistaResepti", "MenuNaytaResepti", "MenuMuutaResepti"});
    m_state.CurrentRecipe = m_table3->fieldText(QStringLiteral("Nimi"));

    m_loadingEdits = true;
    m_memoKuvaus->setPlainText(m_table3->fieldText(QStringLiteral("Kuvaus")));
    m_loadingEdits = false;
    m_memoKuvaus->show();
    if (!m_holdEdits)
        m_asteModified = m_aikaModified = false;
    bindEdits();

    const std::optional<QVariant> kuva = m_table3->fieldValue(QStringLiteral("Kuva"));
    const bool hasPicture = kuva.has_value() && kuva->toBool();
    if (!hasPicture) {
        m_ruokakuva->hide();
        m_kuva->hide();
        m_kuva2->hide();
        enableCommands({"MenuLisaaKuva", "TBLisaaKuva"});
        placeMemo(false);
        applyRecipeWindowLayout();
    } else {
        enableCommands({"MenuPoistaKuva", "TBPoistaKuva"});
        m_state.PicturePath = recipePicturePath(m_state.CurrentRecipe);
        QByteArray bytes;
        QString reason;
        const PictureFiles::ReadResult read = PictureFiles::readPicture(m_state.PicturePath, &bytes, &reason);
        if (read != PictureFiles::ReadResult::Missing) {
            QImage picture;
            if (read == PictureFiles::ReadResult::Read)
                picture = JpegCodec::decode(bytes);
            if (picture.isNull()) {
                Dialogs::information(QStringLiteral("The file you tried to open is not a valid image file.")
                                     + (read == PictureFiles::ReadResult::Refused
                                            ? refusedFileText(m_state.PicturePath, reason)
                                            : QString()));
                refreshLists();
                return;
            }
            m_ruokakuva->setPixmap(QPixmap::fromImage(picture));
        } else {
            // The file is away for now (a folder not mounted yet, a sync tool
            // at work): the recipe is shown without its picture, and Kuva
            // stays as stored, so that the picture shows again once the file
            // is back. Only Delete Picture clears it.
            m_ruokakuva->hide();
            m_kuva->hide();
            m_kuva2->hide();
            placeMemo(false);
            applyRecipeWindowLayout();
            m_state.HasPortionCount = !m_table3->fieldText(QStringLiteral("Annos")).isEmpty();
            showPlaceholderIfEmpty();
            SaveDifficultyAndTime();
            refreshLists();
            return;
        }
        m_ruokakuva->show();
        m_memoKuvaus->show();
        m_kuva->hide();
        m_kuva2->hide();
        placeMemo(true);
        applyRecipeWindowLayout();
        centreRecipeWindow();
    }
    m_state.HasPortionCount = !m_table3->fieldText(QStringLiteral("Annos")).isEmpty();
    showPlaceholderIfEmpty();
    SaveDifficultyAndTime();
    refreshLists();
}

// ---- Description, difficulty and time ----------------------------------------------------

void TFormPaa::SaveDifficultyAndTime()
{
    if (m_holdEdits || (!m_asteModified && !m_aikaModified))
        return;
    if (!m_table3->Active())
        m_table3->open();
    const QString aste = m_editAste->text();
    const QString aika = m_editAika->text();
    if (m_table3->RecNo() > 0)
        m_book->setDifficultyAndTime(aste, aika);
    m_asteModified = m_aikaModified = false;
}

// ---- Keys and pointer moves ------------------------------------------------------------

void TFormPaa::applyScreenWidthRule()
{
    const bool wide = screenWidth() > 800;
    m_menuIkkuna->setEnabled(wide);
    setRecipeWindowMenuEnabled(wide);
    if (!wide)
        ApplySmallLayout();
}

bool TFormPaa::eventFilter(QObject *watched, QEvent *event)
{
    bool handled = false;
    if (event->type() == QEvent::MouseMove) {
        if (watched == m_memoKuvaus->viewport()) {
            Dialogs::guard([this] {
                // MemoKuvausMouseMove
                if (isPlaceholder(m_memoKuvaus->toPlainText())) {
                    emptyPlaceholderIfShown();
                    if (m_table3->Active() && m_table3->RecNo() > 0) {
                        m_table3->edit();
                        m_table3->post();
                    }
                    FocusPane(m_memoKuvaus);
                }
                applyScreenWidthRule();
            });
        } else if (watched == m_listPaa->viewport() || watched == m_listAla->viewport()
                   || watched == m_listResepti->viewport()) {
            Dialogs::guard([this] { applyScreenWidthRule(); });
        }
    } else if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_memoKuvaus->viewport()) {
            Dialogs::guard([this] {
                // MemoKuvausClick
                FocusPane(m_memoKuvaus);
                if (isPlaceholder(m_memoKuvaus->toPlainText())) {
                    emptyPlaceholderIfShown();
                    if (m_table3->Active())
                        m_table3->apply();
                }
            });
        } else if (watched == m_editAste || watched == m_editAika) {
            Dialogs::guard([this, watched] {
                // DBEditAsteClick, DBEditAikaClick
                if (m_state.DescriptionModified) {
                    SaveDescriptionChange();
                    m_state.DescriptionModified = false;
                }
                FocusPane(static_cast<QWidget *>(watched));
            });
        }
    } else if (event->type() == QEvent::KeyPress && !m_forwardingKey) {
        auto *key = static_cast<QKeyEvent *>(event);
        // The window sees keys before its controls.
        if (key->key() == Qt::Key_F1) {
            Dialogs::guard([this] { runCommand("MenuOhjeet"); });
            return true;
        }
        if (key->key() == Qt::Key_F2) {
            Dialogs::guard([this] { showQuickGuide(); });
            return true;
        }
        runGuarded([&] {
            if (watched == m_listPaa || watched == m_listAla || watched == m_listResepti)
                handled = keyPressInList(watched, key->key(), key->modifiers());
            else if (watched == m_memoKuvaus || watched == m_editAste || watched == m_editAika)
                handled = keyPressInEdit(watched, key->key());
        });
        if (!handled && watched == m_listResepti && !key->text().isEmpty()) {
            // Any character typed in the recipe list stores difficulty and time afterwards.
            m_forwardingKey = true;
            QCoreApplication::sendEvent(m_listResepti, event);
            m_forwardingKey = false;
            runGuarded([this] { SaveDifficultyAndTime(); });
            return true;
        }
    }
    return handled || QMainWindow::eventFilter(watched, event);
}

bool TFormPaa::keyPressInList(QObject *watched, int key, Qt::KeyboardModifiers modifiers)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == m_listPaa) {
        if (enter) {
            // Without a main group there is nothing to accept.
            if (m_table1->RecNo() > 0)
                DBLLBoxAlaryhmaClick();
            return true;
        }
        if (key == Qt::Key_Delete) {
            runCommand("MenuPoistaPaa");
            return true;
        }
    } else if (watched == m_listAla) {
        if (key == Qt::Key_Escape) {
            DBLLBoxPaaryhmaClick();
            FocusPane(m_listPaa);
            return true;
        }
        if (enter) {
            DBLLBoxListaClick();
            FocusPane(m_listResepti);
            return true;
        }
        if (key == Qt::Key_Delete) {
            runCommand("MenuPoistaAla");
            return true;
        }
    } else if (watched == m_listResepti) {
        if (enter && (modifiers & Qt::ControlModifier)) {
            FocusPane(m_memoKuvaus);
            m_memoKuvaus->selectAll();
            if (isPlaceholder(m_memoKuvaus->toPlainText())) {
                emptyPlaceholderIfShown();
                m_table3->apply();
            }
            return true;
        }
        if (enter) {
            runCommand("MenuNaytaResepti");
            return true;
        }
        if (key == Qt::Key_Escape) {
            DBLLBoxAlaryhmaClick();
            FocusPane(m_listAla);
            return true;
        }
        if (key == Qt::Key_Delete) {
            runCommand("MenuPoistaResepti");
            return true;
        }
    }
    return false;
}

bool TFormPaa::keyPressInEdit(QObject *watched, int key)
{
    Q_UNUSED(watched)
    if (key == Qt::Key_Escape) {
        DBLLBoxListaClick();
        return true;
    }
    return false;
}

bool TFormPaa::SaveDescriptionChange(bool mayCancel)
{
    if (!m_table3->Active())
        return true;
    bool asked = false;
    SettingsKey key;
    if (key.open()) {
        if (!key.valueExists(SettingNames::KuvMuu))
            key.writeBool(SettingNames::KuvMuu, false);
        if (key.readBool(SettingNames::KuvMuu)) {
            m_state.SaveDescription = true;
        } else {
            TFormMuuttunut dialog(m_state, nullptr, this);
            asked = true;
            if (Dialogs::exec(&dialog) == QDialog::Rejected) {
                // Escape or the frame never throw the typing away: the
                // command that asked stops with the edit still in the memo,
                // or, when it cannot stop, the edit is stored.
                if (mayCancel)
                    return false;
                m_state.SaveDescription = true;
            }
        }
    }
    if (m_state.SaveDescription && m_table3->RecNo() > 0) {
        const QString text = TDBMemo::plainText(m_memoKuvaus->document());
        m_book->setDescription(isPlaceholder(text) ? QString() : text);
    } else {
        m_table3->discard();
    }
    m_state.SaveDescription = false;
    m_table3->setFilter(RecipeBook::childFilter(m_state.CurrentSubgroup));
    m_state.DescriptionModified = false;
    // The activation after the question runs once the edit is settled, so
    // that its recipe selection does not meet the same edit again.
    if (asked)
        runActivation();
    return true;
}

void TFormPaa::storeEditsUnasked()
{
    if (TFormResepti *recipe = windows().FormResepti) {
        if (recipe->Aineet()->Modified() || recipe->Ohje()->Modified()) {
            recipe->postModifiedMemos();
            m_table3->apply();
        }
    }
    if (m_state.DescriptionModified && m_table3->Active() && m_table3->RecNo() > 0) {
        const QString text = m_memoKuvaus->toPlainText();
        m_book->setDescription(isPlaceholder(text) ? QString() : text);
    }
    m_state.DescriptionModified = false;
    SaveDifficultyAndTime();
}

// ---- The name dialog ----------------------------------------------------------------------

bool TFormPaa::runNameDialog(bool clearFieldOnRetry)
{
    TFormUusi *dialog = windows().FormUusi;
    if (!dialog)
        throw ProgramError(QStringLiteral("The name dialog is missing"));
    for (;;) {
        Dialogs::exec(dialog, this);
        if (m_state.NameCancelled)
            return false;
        if (!m_state.NameRejected)
            return true;
        if (clearFieldOnRetry)
            dialog->EditUusi->clear();
    }
}

QString TFormPaa::nameDialogText() const
{
    return windows().FormUusi ? windows().FormUusi->EditUusi->text() : QString();
}

void TFormPaa::restoreMainGroupCommands()
{
    DisableCommands();
    enableCommands({"MenuLisaaPaa", "MenuPoistaPaa", "MenuMuutaPaa"});
}

// ---- The eleven operations ---------------------------------------------------------------

void TFormPaa::MenuLisaaPaaClick()
{
    m_state.NameCancelled = false;
    m_state.MainGroupMode = true;
    m_state.SubgroupMode = false;
    m_state.NameAccepted = true;
    const bool accepted = runNameDialog(false);
    if (accepted && m_state.NameAccepted) {
        m_book->addMainGroup(nameDialogText());
    }
    m_state.NameRejected = false;
    m_state.NameAccepted = false;
    m_state.MainGroupMode = false;
    m_state.NameCancelled = false;
    DisableCommands();
    enableCommands({"MenuLisaaPaa", "TBLisaaPaa"});
    m_table2->close();
    m_table3->close();
    refreshLists();
}

void TFormPaa::MenuMuutaPaaClick()
{
    const QString oldName = m_table1->fieldText(QStringLiteral("Nimi"));
    m_state.NameCancelled = false;
    m_state.MainGroupMode = true;
    m_state.RenameMode = true;
    const bool accepted = runNameDialog(true);
    if (accepted && m_state.RenameMode) {
        if (m_book->renameMainGroup(oldName, nameDialogText()))
            m_state.HasSubgroups = true;
    }
    m_state.NameRejected = false;
    m_state.HasSubgroups = false;
    m_state.MainGroupMode = false;
    m_state.RenameMode = false;
    m_state.NameAccepted = false;
    DisableCommands();
    enableCommands({"MenuLisaaPaa", "TBLisaaPaa"});
    refreshLists();
}

void TFormPaa::MenuLisaaAlaClick()
{
    m_state.NameCancelled = false;
    m_state.SubgroupMode = true;
    m_state.MainGroupMode = false;
    m_state.NameAccepted = true;
    const bool accepted = runNameDialog(false);
    if (accepted && m_state.NameAccepted) {
        m_state.CurrentMainGroup = m_table1->fieldText(QStringLiteral("Nimi"));
        if (addChild(m_book->addSubgroup(m_state.CurrentMainGroup, nameDialogText()), m_state.CurrentMainGroup,
                     nameDialogText()))
            m_table2->setFilter(RecipeBook::childFilter(m_state.CurrentMainGroup));
    }
    m_state.SubgroupMode = false;
    m_state.NameRejected = false;
    m_state.NameAccepted = false;
    m_state.NameCancelled = false;
    refreshLists();
}

void TFormPaa::MenuMuutaAlaClick()
{
    const QString oldName = m_table2->Active() ? m_table2->fieldText(QStringLiteral("Nimi")) : m_state.CurrentSubgroup;
    m_state.NameCancelled = false;
    m_state.SubgroupMode = true;
    m_state.RenameMode = true;
    const bool accepted = runNameDialog(true);
    if (accepted && m_state.RenameMode && m_table2->Active() && m_table2->RecNo() > 0) {
        if (m_book->renameSubgroup(oldName, nameDialogText()))
            m_state.HasRecipes = true;
    }
    m_state.NameRejected = false;
    m_state.HasRecipes = false;
    m_state.SubgroupMode = false;
    m_state.RenameMode = false;
    m_state.NameAccepted = false;
    DisableCommands();
    enableCommands({"MenuLisaaAla", "TBLisaaAla"});
    refreshLists();
}

void TFormPaa::MenuLisaaReseptiClick()
{
    m_state.NameCancelled = false;
    m_state.RecipeMode = true;
    m_state.SubgroupMode = false;
    m_state.HasPortionCount = false;
    if (!runNameDialog(false)) {
        m_state.RecipeMode = false;
        refreshLists();
        return;
    }
    if (!addChild(m_book->addRecipe(m_state.CurrentSubgroup, nameDialogText()), m_state.CurrentSubgroup,
                  nameDialogText())) {
        m_state.RecipeMode = false;
        return;
    }
    m_state.CurrentRecipe = nameDialogText();
    refreshLists();
    if (windows().FormAnnos)
        Dialogs::exec(windows().FormAnnos, this);
    m_state.RecipeMode = false;
    m_state.NameRejected = false;
    m_state.NameCancelled = false;
    if (m_table3->hasPendingChanges()) {
        // A step of the portion dialog failed and the dialog was closed: the
        // recipe is not left added by half.
        undoFailedRecipeAdd(m_state.CurrentRecipe);
        return;
    }
    refreshLists();
    if (windows().FormResepti) {
        windows().FormResepti->showRecipe();
        hide();
    } else {
        DBLLBoxListaClick();
    }
}

void TFormPaa::undoFailedRecipeAdd(const QString &name)
{
    const bool removed = m_book->removeAddedRecipe(name);
    refreshLists();
    Dialogs::information(removed ? QStringLiteral("The recipe \"%1\" was not added, because its portion count "
                                                  "could not be stored.")
                                       .arg(name)
                                 : QStringLiteral("The recipe \"%1\" was added, but its portion count could not be "
                                                  "stored.")
                                       .arg(name));
}

void TFormPaa::MenuMuutaReseptiClick()
{
    if (m_state.DescriptionModified && !SaveDescriptionChange(true))
        return;
    m_state.NameCancelled = false;
    m_state.RecipeMode = true;
    m_state.RenameMode = true;
    if (runNameDialog(true) && m_table3->Active() && m_table3->RecNo() > 0)
        renameRecipe(m_table3->fieldText(QStringLiteral("Nimi")), nameDialogText());
    m_state.RecipeMode = false;
    m_state.RenameMode = false;
    m_state.NameRejected = false;
    m_state.NameCancelled = false;
    refreshLists();
}

// When the picture cannot go along to the new name, or the row cannot be
// committed, the rename is refused and nothing is changed.
void TFormPaa::renameRecipe(const QString &oldName, const QString &newName)
{
    QString reason;
    bool renamed = false;
    bool pictureMoved = false;
    try {
        renamed = m_book->renameRecipe(oldName, newName, &reason, &pictureMoved);
    } catch (...) {
        m_state.CurrentRecipe = oldName;
        throw;
    }
    if (!renamed) {
        m_state.CurrentRecipe = oldName;
        Dialogs::information(QStringLiteral("The recipe \"%1\" keeps its name: its picture cannot be moved to the "
                                            "new name.\n\n%2")
                                 .arg(oldName, reason));
        return;
    }
    if (pictureMoved)
        m_state.PicturePath = recipePicturePath(newName);
}

// The selection state names the last recipe a deletion took, as the
// deletion went through them.
void TFormPaa::forgetRemovedRecipes(const QStringList &removed)
{
    if (removed.isEmpty())
        return;
    m_state.CurrentRecipe = removed.constLast();
    m_state.PicturePath = recipePicturePath(m_state.CurrentRecipe);
}

void TFormPaa::MenuPoistaPaaClick()
{
    m_listResepti->unbind();
    m_state.DeleteConfirmed = true;
    m_state.MainGroupMode = true;
    m_state.SubgroupMode = false;
    m_table3->open();
    m_state.CurrentMainGroup = m_table1->fieldText(QStringLiteral("Nimi"));
    const RecipeBook::Book::Survey survey = m_book->surveyMainGroup();
    if (!survey.lastSubgroup.isEmpty())
        m_state.CurrentSubgroup = survey.lastSubgroup;
    m_state.HasSubgroups = survey.hasSubgroups;
    m_state.HasRecipes = survey.hasRecipes;

    if (!settingIsTrue(SettingNames::KysRyh, false)) {
        TFormRyhmaPois dialog(m_state, m_table1, m_table3, this, this);
        Dialogs::exec(&dialog, this);
    }

    if (m_state.DeleteConfirmed && m_table1->RecNo() > 0) {
        m_state.CurrentMainGroup = m_table1->fieldText(QStringLiteral("Nimi"));
        forgetRemovedRecipes(m_book->deleteMainGroup());
        RecipeBook::Book::pack(*m_table3);
        RecipeBook::Book::pack(*m_table2);
    }
    RecipeBook::Book::pack(*m_table1);

    m_state.MainGroupMode = false;
    m_state.DeleteConfirmed = false;
    m_state.HasSubgroups = false;
    m_state.HasRecipes = false;
    DisableCommands();
    enableCommands({"MenuLisaaPaa", "TBLisaaPaa"});
    m_table2->setFilter(RecipeBook::childFilter(m_table1->fieldText(QStringLiteral("Nimi"))));
    m_table3->close();
    m_table2->close();
    showDecorativePicture();
    m_ruokakuva->hide();
    m_memoKuvaus->hide();
    m_panel2->hide();
    refreshLists();
}

void TFormPaa::MenuPoistaAlaClick()
{
    m_state.DeleteConfirmed = true;
    m_state.DeletingSubgroup = true;
    m_state.HasSubgroups = true;
    m_state.CurrentSubgroup = m_table2->fieldText(QStringLiteral("Nimi"));
    m_state.HasRecipes = m_book->surveySubgroup().hasRecipes;

    if (!settingIsTrue(SettingNames::KysRyh, false)) {
        TFormRyhmaPois dialog(m_state, m_table1, m_table3, this, this);
        Dialogs::exec(&dialog, this);
    }

    if (m_state.DeleteConfirmed && m_table2->RecNo() > 0) {
        m_state.CurrentSubgroup = m_table2->fieldText(QStringLiteral("Nimi"));
        forgetRemovedRecipes(m_book->deleteSubgroup());
        m_table2->setFilter(RecipeBook::childFilter(m_state.CurrentMainGroup));
    }
    RecipeBook::Book::pack(*m_table3);
    RecipeBook::Book::pack(*m_table2);

    m_state.DeletingSubgroup = false;
    m_state.HasRecipes = false;
    DisableCommands();
    showDecorativePicture();
    m_ruokakuva->hide();
    m_memoKuvaus->hide();
    m_panel2->hide();
    refreshLists();
}

void TFormPaa::MenuPoistaReseptiClick()
{
    m_state.DeleteConfirmed = true;
    m_state.DeletingRecipe = true;
    if (!settingIsTrue(SettingNames::KysResPoi, true)) {
        TFormRyhmaPois dialog(m_state, m_table1, m_table3, this, this);
        Dialogs::exec(&dialog, this);
    }
    if (m_state.DeleteConfirmed && m_table3->Active() && m_table3->RecNo() > 0) {
        m_state.PicturePath = recipePicturePath(m_state.CurrentRecipe);
        m_book->deleteRecipe();
    }
    m_state.DeletingRecipe = false;
    m_state.DeleteConfirmed = false;
    DisableCommands();
    m_memoKuvaus->hide();
    m_ruokakuva->hide();
    showDecorativePicture();
    RecipeBook::Book::pack(*m_table3);
    refreshLists();
}

bool TFormPaa::settingIsTrue(const char *name, bool writeFalseWhenMissing)
{
    SettingsKey key;
    if (!key.open())
        return false;
    if (!key.valueExists(QLatin1String(name))) {
        if (writeFalseWhenMissing)
            key.writeBool(QLatin1String(name), false);
        return false;
    }
    return key.readBool(QLatin1String(name));
}

// ---- Pictures ----------------------------------------------------------------------------------

QString TFormPaa::pictureFilter()
{
    return QStringLiteral("All pictures (*.jpg *.jpeg *.png *.bmp *.gif *.ico *.svg);;"
                          "JPEG images (*.jpg *.jpeg);;PNG images (*.png);;Bitmaps (*.bmp);;"
                          "GIF images (*.gif);;Icons (*.ico);;SVG drawings (*.svg)");
}

void TFormPaa::setPictureChooser(PictureChooser chooser)
{
    pictureChooser() = std::move(chooser);
}

void TFormPaa::MenuLisaaKuvaClick()
{
    m_state.PicturePath = recipePicturePath(m_state.CurrentRecipe);
    const QString chosen = pictureChooser()(this, pictureFilter());
    // A cancelled file dialog changes nothing.
    if (chosen.isEmpty())
        return;

    QString reason;
    switch (m_book->setPicture(m_state.CurrentRecipe, chosen, &reason)) {
    case RecipeBook::Book::PictureResult::Set:
        break;
    case RecipeBook::Book::PictureResult::NotAPicture:
        Dialogs::information(QStringLiteral("The file you tried to open is not a valid graphic file.")
                             + (reason.isEmpty() ? QString() : refusedFileText(chosen, reason)));
        return;
    case RecipeBook::Book::PictureResult::NotWritten:
        Dialogs::error(QStringLiteral("Cannot write the picture file \"%1\": %2").arg(m_state.PicturePath, reason));
        return;
    }
    if (!loadRecipePicture(m_state.PicturePath))
        return;
    m_ruokakuva->show();

    m_kuva->hide();
    m_kuva2->hide();
    DisableCommands();
    enableCommands({"MenuPoistaKuva", "TBPoistaKuva"});
    if (m_menuSuuri->isChecked())
        m_memoKuvaus->setGeometry(215, m_memoKuvaus->y(), 270, m_memoKuvaus->height());
    else if (m_menuPieni->isChecked())
        m_memoKuvaus->setGeometry(168, m_memoKuvaus->y(), 210, m_memoKuvaus->height());
    showPlaceholderIfEmpty();
    refreshLists();
}

void TFormPaa::MenuPoistaKuvaClick()
{
    // An edited description is settled first, so that the question below is
    // the picture question.
    if (m_state.DescriptionModified && !SaveDescriptionChange(true))
        return;
    m_state.DeletePictureConfirmed = true;
    DisableCommands();
    enableCommands({"MenuLisaaPaa", "TBLisaaPaa"});
    if (!settingIsTrue(SettingNames::KysKuvPoi, true)) {
        TFormMuuttunut dialog(m_state, nullptr, this);
        Dialogs::exec(&dialog, this);
    }
    if (!m_state.DeletePictureConfirmed)
        return;
    m_book->removePicture(m_state.CurrentRecipe);
    m_state.DeletePictureConfirmed = false;
    m_ruokakuva->hide();
    m_ruokakuva->clear();
    DisableCommands();
    enableCommands({"MenuLisaaKuva", "TBLisaaKuva"});
    RecipeBook::Book::pack(*m_table3);
    m_memoKuvaus->setGeometry(0, m_memoKuvaus->y(), width() == FullWidth ? 484 : 379, m_memoKuvaus->height());
    showPlaceholderIfEmpty();
    refreshLists();
}

bool TFormPaa::loadRecipePicture(const QString &path)
{
    const QImage image = decodeRecipePicture(path);
    if (image.isNull())
        return false;
    m_ruokakuva->setPixmap(QPixmap::fromImage(image));
    return true;
}

// ---- Other commands ------------------------------------------------------------------------------

void TFormPaa::MenuNaytaReseptiClick()
{
    showRecipeWindow();
}

void TFormPaa::MenuAutorunClick()
{
    m_menuAutorun->setChecked(!m_menuAutorun->isChecked());
    setRecipeWindowAutorunChecked(m_menuAutorun->isChecked());
    SettingsKey key;
    if (!key.open())
        return;
    key.writeBool(SettingNames::Auto, key.valueExists(SettingNames::Auto) && m_menuAutorun->isChecked());
    setStartAtLogin(m_menuAutorun->isChecked());
}

void TFormPaa::setStartAtLogin(bool on)
{
    m_autoRunner->setAutoRun(on);
    if (!on || m_autoRunner->entryExists())
        return;
    // A ticked item always means that the entry exists.
    const QString why = m_autoRunner->entryError();
    m_autoRunner->setAutoRun(false);
    m_menuAutorun->setChecked(false);
    setRecipeWindowAutorunChecked(false);
    SettingsKey key;
    if (key.open() && key.valueExists(SettingNames::Auto))
        key.writeBool(SettingNames::Auto, false);
    Dialogs::information(QStringLiteral("Saffrona's Mealdeck cannot start when you log in: the start-up entry "
                                        "\"%1\" could not be written.\n%2")
                             .arg(m_autoRunner->entryPath(m_autoRunner->RegLocation()),
                                  why.isEmpty() ? QStringLiteral("Unknown error") : why));
}

void TFormPaa::MenuQueriesClick()
{
    SettingsStore::restoreSecurityQueries();
}

void TFormPaa::MenuSuuriClick()
{
    if (screenWidth() < 1024)
        return;
    ApplyFullLayout();
    m_menuSuuri->setChecked(true);
    m_menuPieni->setChecked(false);
    centreOnDesktop();
    SettingsKey key;
    if (key.open() && key.valueExists(SettingNames::Koko))
        key.writeBool(SettingNames::Koko, true);
}

void TFormPaa::MenuPieniClick()
{
    if (screenWidth() < 1024)
        return;
    m_menuIkkuna->setEnabled(true);
    m_menuSuuri->setChecked(false);
    m_menuPieni->setChecked(true);
    ApplySmallLayout();
    centreOnDesktop();
    SettingsKey key;
    if (key.open() && key.valueExists(SettingNames::Koko))
        key.writeBool(SettingNames::Koko, false);
}

void TFormPaa::MenuOhjeetClick()
{
    showHelp();
}

void TFormPaa::showHelp()
{
    HelpViewer::showContents(nullptr);
}

void TFormPaa::MenuAboutClick()
{
    showAbout(this);
}

void TFormPaa::showAbout(QWidget *over)
{
    if (!windows().FormAbout)
        return;
    auto *target = dynamic_cast<ActivationTarget *>(over);
    Dialogs::exec(windows().FormAbout, target);
}

void TFormPaa::showQuickGuide()
{
    TFormPikaohje guide(this);
    guide.useMainWindowForm();
    Dialogs::exec(&guide, this);
}

void TFormPaa::MenuSuljeClick()
{
    HelpViewer::closeHelp();
    if (m_state.DescriptionModified && !SaveDescriptionChange(true))
        return;
    RecipeBook::Book::pack(*m_table1);
    RecipeBook::Book::pack(*m_table2);
    if (settingIsTrue(SettingNames::KysLop, false)) {
        endProgram();
    } else {
        TFormPoistu dialog(this, this);
        Dialogs::exec(&dialog, this);
    }
    SaveDifficultyAndTime();
}

void TFormPaa::postModifiedRecipeMemos()
{
    postRecipeWindowMemos();
}

void TFormPaa::endProgram()
{
    m_endRequested = true;
    QCoreApplication::quit();
}

void TFormPaa::closeEvent(QCloseEvent *event)
{
    if (m_endRequested || !m_tablesOpened) {
        event->accept();
        return;
    }
    Dialogs::guard([this] { MenuSuljeClick(); });
    if (m_endRequested)
        event->accept();
    else
        event->ignore();
}

// ---- Picture files -----------------------------------------------------------------------------

QString TFormPaa::recipePicturePath(const QString &recipeName)
{
    return PicturePaths::pictureFile(recipeName);
}

QString TFormPaa::refusedFileText(const QString &path, const QString &reason)
{
    return QStringLiteral("\n\n\"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

QImage TFormPaa::decodeRecipePicture(const QString &path)
{
    return JpegCodec::decodeFile(path);
}

// ---- The recipe window's side ------------------------------------------------------------------

void TFormPaa::showRecipeWindow()
{
    TFormResepti *recipe = windows().FormResepti;
    if (!recipe)
        return;
    if (screenWidth() >= 1024 && m_menuPieni->isChecked())
        recipe->centreOnDesktop();
    SaveDifficultyAndTime();
    recipe->showRecipe();
    hide();
}

void TFormPaa::applyRecipeWindowLayout()
{
    TFormResepti *recipe = windows().FormResepti;
    if (!recipe)
        return;
    if (screenWidth() >= 1024 && isFullChecked())
        recipe->ApplyFullLayout();
    else
        recipe->ApplySmallLayout();
}

void TFormPaa::centreRecipeWindow()
{
    if (TFormResepti *recipe = windows().FormResepti)
        recipe->centreOnDesktop();
}

void TFormPaa::setRecipeWindowMenuEnabled(bool enabled)
{
    if (TFormResepti *recipe = windows().FormResepti)
        if (QMenu *menu = recipe->MenuIkkuna())
            menu->setEnabled(enabled);
}

void TFormPaa::setRecipeWindowAutorunChecked(bool checked)
{
    if (TFormResepti *recipe = windows().FormResepti)
        if (QAction *item = recipe->MenuAutorun())
            item->setChecked(checked);
}

void TFormPaa::postRecipeWindowMemos()
{
    if (TFormResepti *recipe = windows().FormResepti)
        recipe->postModifiedMemos();
}
