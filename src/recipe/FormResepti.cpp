#include "recipe/FormResepti.h"

#include "platform/HelpViewer.h"
#include "platform/Hints.h"
#include "recipe/DBMemo.h"
#include "recipe/FontDialog.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/PortionScaling.h"
#include "platform/RecipeStyle.h"
#include "recipe/RecipeWindowHost.h"
#include "recipe/SharedState.h"
#include "settings/FormAbout.h"
#include "settings/FormAinesohje.h"
#include "settings/FormPikaohje.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"
#include "store/table/ProgramError.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

#include <optional>
#include <utility>

namespace {

const QString designCaption = QStringLiteral("Saffrona' Mealdeck  -  Recipes");
const QString activeCaption = QStringLiteral("Saffrona\u00b4s Mealdeck  -  Recipes   -   ");

// The characters each memo takes from the keyboard (Backspace, Tab and Enter
// pass in both). The sets are those of the old Windows code page.
bool ingredientCharacter(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return true;
    if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))
        return true;
    switch (u) {
    case u' ':
    case u'"':
    case u'%':
    case u'&':
    case u'(':
    case u')':
    case u'+':
    case u',':
    case u'-':
    case u'.':
    case u'/':
    case u'=':
    case u'?':
    case 0x00C4:
    case 0x00C5:
    case 0x00D6:
    case 0x00E4:
    case 0x00E5:
    case 0x00F6:
        return true;
    default:
        return false;
    }
}

bool directionsCharacter(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 32 && u <= 126)
        return u != u'`';
    switch (u) {
    case 0x20AC: // euro sign, 128 in the code page
    case 0x00A3:
    case 0x00A4:
    case 0x00A7:
    case 0x00A8:
    case 0x00B4:
    case 0x00BD:
    case 0x00C4:
    case 0x00C5:
    case 0x00D6:
    case 0x00FF:
        return true;
    default:
        break;
    }
    return (u >= 0x00E0 && u <= 0x00E5) || (u >= 0x00E8 && u <= 0x00EF) || (u >= 0x00F1 && u <= 0x00F6)
        || (u >= 0x00F9 && u <= 0x00FD);
}

// The characters of typed `text` that `takes` lets into a memo.
QString takenCharacters(const QString &text, bool (*takes)(QChar))
{
    QString taken;
    for (const QChar c : text) {
        if (takes(c))
            taken += c;
    }
    return taken;
}

void setBackground(QWidget *widget, int value)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base,
                     value < 0 ? QApplication::palette().color(QPalette::Base) : RecipeStyle::colorFromValue(value));
    widget->setPalette(palette);
}

bool readFlag(SettingsKey &key, const char *name, bool *value)
{
    if (!key.valueExists(QLatin1String(name)))
        return false;
    *value = key.readBool(QLatin1String(name));
    return true;
}

} // namespace

TFormResepti::TFormResepti(std::unique_ptr<RecipeWindowHost> host, TFormAnnos *portionDialog, QWidget *parent)
    : QMainWindow(parent,
                  Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                      | Qt::WindowCloseButtonHint),
      m_host(std::move(host)),
      m_portionDialog(portionDialog)
{
    setObjectName(QStringLiteral("FormResepti"));
    setWindowTitle(designCaption);
    m_windowFont = RecipeStyle::sansSerif(11);
    m_windowFont.setPointSize(8);
    m_windowFontColor = RecipeStyle::colorFromValue(RecipeStyle::Navy);
    m_fontDialogFont = QFont(QStringLiteral("MS Sans Serif"));
    m_fontDialogFont.setPixelSize(13);
    m_fontDialogColor = Qt::black;
    if (m_portionDialog)
        m_portionDialog->setContext(this);
    buildWindow();
    buildEditActions();
    buildMenus();
    buildToolBar();
    fitWindowToPanel();
    Dialogs::guard([this] { FormCreate(); });
}

TFormResepti::~TFormResepti()
{
    // Destroying the child widgets moves the focus and may touch the
    // clipboard; the handlers of those signals must not reach this window
    // once its own members are gone.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    if (m_portionDialog && m_portionDialog->context() == this)
        m_portionDialog->setContext(nullptr);
}

// ---- Building --------------------------------------------------------------

void TFormResepti::buildWindow()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    setCentralWidget(central);

    m_panelToolbar = new QWidget(central);
    m_panelToolbar->setObjectName(QStringLiteral("PanelToolbar"));
    m_panelToolbar->setGeometry(0, 0, 394, 28);
    m_toolBar = new QToolBar(m_panelToolbar);
    m_toolBar->setObjectName(QStringLiteral("ToolBarResepti"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setMovable(false);
    m_toolBar->setGeometry(0, 1, 394, 27);
    m_toolBar->setContentsMargins(0, 0, 0, 0);
    m_toolBar->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; border: none; }"
                                            " QToolBar::separator { width: 5px; }"));

    m_panel2 = new QFrame(central);
    m_panel2->setObjectName(QStringLiteral("Panel2"));
    m_panel2->setGeometry(395, 0, 394, 28);
    m_staticText1 = new QLabel(QStringLiteral("Portion Number of the Recipe ="), m_panel2);
    m_staticText1->setObjectName(QStringLiteral("StaticText1"));
    m_staticText1->setFrameShape(QFrame::Panel);
    m_staticText1->setFrameShadow(QFrame::Sunken);
    RecipeStyle::setNavyText(m_staticText1);
    m_staticText1->adjustSize();
    m_staticText1->move(8, 5);
    m_dbEditAnnos = new QLineEdit(m_panel2);
    m_dbEditAnnos->setObjectName(QStringLiteral("DBEditAnnos"));
    m_dbEditAnnos->setReadOnly(true);
    m_dbEditAnnos->setFrame(false);
    m_dbEditAnnos->setFocusPolicy(Qt::NoFocus);
    RecipeStyle::setNavyText(m_dbEditAnnos);
    {
        QPalette palette = m_dbEditAnnos->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        m_dbEditAnnos->setPalette(palette);
    }
    const QString annosHint = QStringLiteral("Portion Count|The portion count of the recipe.");
    m_dbEditAnnos->setToolTip(Hints::shortHint(annosHint));
    m_dbEditAnnos->setStatusTip(Hints::longHint(annosHint));
    m_dbEditAnnos->setGeometry(m_staticText1->geometry().right() + 6, 5, 60, 18);

    m_panel1 = new QFrame(central);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    static_cast<QFrame *>(m_panel1)->setFrameShape(QFrame::Panel);
    static_cast<QFrame *>(m_panel1)->setFrameShadow(QFrame::Sunken);
    m_panel1->setGeometry(0, 29, 789, 488);

    auto makeTitle = [this](const char *name, const QString &text) {
        auto *label = new QLabel(text, m_panel1);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignCenter);
        RecipeStyle::setNavyText(label);
        return label;
    };
    m_label1 = makeTitle("Label1", QStringLiteral("LIST OF INGREDIENTS"));
    m_label2 = makeTitle("Label2", QStringLiteral("DIRECTIONS"));

    auto makeMemo = [this](const char *name, const QString &hint) {
        auto *memo = new TDBMemo(m_panel1);
        memo->setObjectName(QLatin1String(name));
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->setTabChangesFocus(false);
        memo->setFocusPolicy(Qt::ClickFocus);
        memo->setStatusTip(Hints::longHint(hint));
        Hints::watchPane(memo, this);
        return memo;
    };
    m_aineet = makeMemo("Aineet", QStringLiteral("|The list of ingredients of the recipe."));
    m_ohje = makeMemo("Ohje", QStringLiteral("|The directions of the recipe."));
    connect(m_aineet, &TDBMemo::userChanged, this, [this] { memoChanged(); });
    connect(m_ohje, &TDBMemo::userChanged, this, [this] { memoChanged(); });
    connect(m_aineet, &QPlainTextEdit::textChanged, this, [this] { updateEditActions(); });
    connect(m_ohje, &QPlainTextEdit::textChanged, this, [this] { updateEditActions(); });
    for (TDBMemo *memo : {m_aineet, m_ohje}) {
        connect(memo, &QPlainTextEdit::selectionChanged, this, [this] { updateEditActions(); });
        connect(memo, &QPlainTextEdit::undoAvailable, this, [this] { updateEditActions(); });
    }

    m_memo1 = new QPlainTextEdit(this);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->hide();
    m_memo2 = new QPlainTextEdit(this);
    m_memo2->setObjectName(QStringLiteral("Memo2"));
    m_memo2->setPlainText(QStringLiteral("\n"));
    m_memo2->hide();

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    RecipeStyle::setNavyText(m_statusBar);
    setStatusBar(m_statusBar);

    // Keys the window sees before its controls.
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, &TFormResepti::MenuOhjeetClick);
    auto *f2 = new QShortcut(QKeySequence(Qt::Key_F2), this);
    connect(f2, &QShortcut::activated, this, [this] {
        Dialogs::guard([this] {
            TFormPikaohje guide(this);
            guide.useRecipeWindowForm();
            Dialogs::exec(&guide, this);
        });
    });

    designLayout();

    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { updateEditActions(); });
    connect(qApp, &QApplication::focusChanged, this, [this] { updateEditActions(); });
}

QAction *TFormResepti::addCommand(QMenu *menu, const char *objectName, const QString &caption, const QString &hint,
                                  void (TFormResepti::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QLatin1String(objectName));
    action->setStatusTip(Hints::longHint(hint));
    if (handler) {
        connect(action, &QAction::triggered, this, [this, action, handler](bool checked) {
            // Full and Small set their check marks themselves, and leave them
            // alone where they change nothing (a narrow screen).
            if (action == m_menuSuuri || action == m_menuPieni)
                action->setChecked(!checked);
            Dialogs::guard([&] { (this->*handler)(); });
        });
    }
    if (menu)
        menu->addAction(action);
    return action;
}

void TFormResepti::buildEditActions()
{
    auto focusedMemo = [this]() -> TDBMemo * {
        if (focusWidget() == m_ohje)
            return m_ohje;
        if (focusWidget() == m_aineet)
            return m_aineet;
        return nullptr;
    };
    // The memo commands act on the memo that has the focus.
    auto memoCommand = [this, focusedMemo](const char *objectName, const QString &caption, const QString &hint,
                                           const QKeySequence &key, void (QPlainTextEdit::*run)()) {
        QAction *action = addCommand(nullptr, objectName, caption, hint, nullptr);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, [focusedMemo, run] {
            if (TDBMemo *memo = focusedMemo())
                (memo->*run)();
        });
        return action;
    };
    m_editUndo = memoCommand("MenuKumoa", QStringLiteral("&Undo"), QStringLiteral("|Reverse the last action."),
                             QKeySequence(Qt::ALT | Qt::Key_Backspace), &QPlainTextEdit::undo);
    m_editSelectAll = memoCommand("MenuValitsekaikki", QStringLiteral("&Select All"),
                                  QStringLiteral("|Select entire ingredients list or directions."),
                                  QKeySequence(Qt::CTRL | Qt::Key_A), &QPlainTextEdit::selectAll);
    m_editCut = memoCommand("MenuLeikkaa", QStringLiteral("Cu&t"),
                            QStringLiteral("|Cut the selection and copy it to the clipboard."),
                            QKeySequence(Qt::CTRL | Qt::Key_X), &QPlainTextEdit::cut);
    m_editCopy = memoCommand("MenuKopioi", QStringLiteral("&Copy"),
                             QStringLiteral("|Copy the selection and copy it to the clipboard."),
                             QKeySequence(Qt::CTRL | Qt::Key_C), &QPlainTextEdit::copy);
    m_editPaste = memoCommand("MenuLiita", QStringLiteral("&Paste"), QStringLiteral("|Insert clipboard contents."),
                              QKeySequence(Qt::CTRL | Qt::Key_V), &QPlainTextEdit::paste);
    m_editDelete = addCommand(nullptr, "MenuPoista", QStringLiteral("&Delete"),
                              QStringLiteral("|Erase the selected text."), &TFormResepti::EditDeleteExecute);
    m_editDelete->setShortcut(QKeySequence(Qt::Key_Delete));
    m_editDelete->setEnabled(false);
    for (QAction *a : {m_editUndo, m_editSelectAll, m_editCut, m_editCopy, m_editPaste, m_editDelete}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
}

void TFormResepti::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenuResepti"));

    QMenu *program = bar->addMenu(QStringLiteral("&Program"));
    program->setObjectName(QStringLiteral("MenuOhjelma"));
    addCommand(program, "MenuTakaisin", QStringLiteral("&Back"), QStringLiteral("|Back to Groups Form."),
               &TFormResepti::MenuTakaisinClick);
    program->addSeparator();
    m_menuAutorun = addCommand(program, "MenuAutorun", QStringLiteral("&Start When Windows Starts"),
                               QStringLiteral("|Check this if you want the program to run automatically when "
                                              "Windows starts."),
                               &TFormResepti::MenuAutorunClick);
    m_menuAutorun->setCheckable(true);
    addCommand(program, "MenuQueries", QStringLiteral("&Restore Security Queries"),
               QStringLiteral("|Restore all data security queries."), &TFormResepti::MenuQueriesClick);
    program->addSeparator();
    addCommand(program, "MenuLopeta", QStringLiteral("&Exit"), QStringLiteral("|Quit Saffrona's Mealdeck"),
               &TFormResepti::MenuLopetaClick);

    QMenu *edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("MenuMuokkaa"));
    edit->addAction(m_editUndo);
    edit->addAction(m_editSelectAll);
    edit->addSeparator();
    edit->addAction(m_editCut);
    edit->addAction(m_editCopy);
    edit->addAction(m_editPaste);
    edit->addAction(m_editDelete);

    QMenu *recipe = bar->addMenu(QStringLiteral("&Recipe"));
    recipe->setObjectName(QStringLiteral("MenuResepti"));
    addCommand(recipe, "MenuLaske", QStringLiteral("&Calculate Amount of the Ingredients..."),
               QStringLiteral("|Calculate the amount of ingredients for a new portion number."),
               &TFormResepti::MenuLaskeClick);
    addCommand(recipe, "MenuMuutaAnnos", QStringLiteral("C&hange the Portion Number..."),
               QStringLiteral("|Change the portion number, the amount of the ingredients remain unchanged. "),
               &TFormResepti::MenuMuutaAnnosClick);
    addCommand(recipe, "MenuLisaaAnnos", QStringLiteral("&Add a Portion Number..."),
               QStringLiteral("|Add a portion number for the recipe that not yet has one."),
               &TFormResepti::MenuLisaaAnnosClick);
    recipe->addSeparator();
    addCommand(recipe, "MenuTulosta", QStringLiteral("&Print..."),
               QStringLiteral("|Print the ingredients list and directions."), &TFormResepti::MenuTulostaClick)
        ->setEnabled(false);
    addCommand(recipe, "MenuEsik", QStringLiteral("Print Previe&w and Page Setup..."),
               QStringLiteral("|Print preview and page setup."), &TFormResepti::MenuEsikClick)
        ->setEnabled(false);
    addCommand(recipe, "MenuFont", QStringLiteral("&Font of the Recipe..."),
               QStringLiteral("|Choose font of the ingredients list and the directions."),
               &TFormResepti::MenuFontClick);
    recipe->addSeparator();
    addCommand(recipe, "MenuRuokalistalle", QStringLiteral("Add to &Menu..."),
               QStringLiteral("|Add the recipe to the week menu."), &TFormResepti::MenuRuokalistalleClick)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));

    m_menuIkkuna = bar->addMenu(QStringLiteral("&Window"));
    m_menuIkkuna->setObjectName(QStringLiteral("MenuIkkuna"));
    m_menuSuuri = addCommand(m_menuIkkuna, "MenuSuuri", QStringLiteral("&Full"), QStringLiteral("|Full screen window."),
                             &TFormResepti::MenuSuuriClick);
    m_menuSuuri->setCheckable(true);
    m_menuPieni = addCommand(m_menuIkkuna, "MenuPieni", QStringLiteral("&Small"), QStringLiteral("|Small window."),
                             &TFormResepti::MenuPieniClick);
    m_menuPieni->setCheckable(true);

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("MenuOhje"));
    help->setStatusTip(QStringLiteral("Help topics."));
    addCommand(help, "MenuOhjeet", QStringLiteral("&Help"), QStringLiteral("|Help to use the program."),
               &TFormResepti::MenuOhjeetClick);
    addCommand(help, "MenuAbout", QStringLiteral("&About..."), QStringLiteral("|Program information."),
               &TFormResepti::MenuAboutClick);
}

void TFormResepti::buildToolBar()
{
    struct Button
    {
        const char *name;
        const char *image;
        const char *hint;
        void (TFormResepti::*handler)();
        QAction *editAction;
        bool separatorAfter;
    };
    const Button buttons[] = {
        {"TBTakaisin", "0-back", "Back|Back to groups and recipes.", &TFormResepti::MenuTakaisinClick, nullptr, true},
        {"TBTulosta", "1-print", "Print|Print the ingredient list and directions.", &TFormResepti::MenuTulostaClick,
         nullptr, false},
        {"TBEsikat", "2-print-preview", "Print Preview|Print preview and page setup.", &TFormResepti::MenuEsikClick,
         nullptr, true},
        {"TBLeikkaa", "3-cut", "Cut|Cut the selection and copy it to the clipboard.", nullptr, m_editCut, false},
        {"TBKopioi", "4-copy", "Copy|Copy the selection and copy it to the clipboard.", nullptr, m_editCopy, false},
        {"TBLiita", "5-paste", "Paste|Insert clipboard contents.", nullptr, m_editPaste, false},
        {"TBKumoa", "6-undo", "Undo|Reverse the last action.", nullptr, m_editUndo, false},
        {"TBPoista", "7-delete", "Delete|Remove selected text.", nullptr, m_editDelete, true},
        {"TBLaske", "8-calculate",
         "Calculate the amount of the ingredients|Calculate the amount of ingredients for a new portion number.",
         &TFormResepti::MenuLaskeClick, nullptr, true},
        {"TBOhje", "9-help", "Help|Help to use the program.", &TFormResepti::MenuOhjeetClick, nullptr, true},
        {"TBLopeta", "10-exit", "Exit|Quit Saffrona's Mealdeck.", &TFormResepti::MenuLopetaClick, nullptr, false},
    };
    for (const Button &b : buttons) {
        const QString hint = QString::fromUtf8(b.hint);
        QAction *action = addCommand(nullptr, b.name, Hints::shortHint(hint), hint, b.handler);
        action->setIcon(QIcon(QStringLiteral(":/icons/resepti/%1.svg").arg(QLatin1String(b.image))));
        action->setToolTip(Hints::shortHint(hint));
        if (b.editAction) {
            QAction *edit = b.editAction;
            connect(action, &QAction::triggered, edit, &QAction::trigger);
            connect(edit, &QAction::changed, action, [action, edit] { action->setEnabled(edit->isEnabled()); });
            action->setEnabled(edit->isEnabled());
        }
        m_toolBar->addAction(action);
        if (QWidget *button = m_toolBar->widgetForAction(action)) {
            button->setObjectName(QLatin1String(b.name));
            button->setFixedSize(32, 25);
        }
        if (b.separatorAfter)
            m_toolBar->addSeparator();
    }
    // A tool button shows the state of its command's menu item, whichever
    // step enabled or disabled it.
    for (const auto &[menuName, buttonName] : {std::pair {"MenuTulosta", "TBTulosta"}, std::pair {"MenuEsik", "TBEsikat"},
                                               std::pair {"MenuLaske", "TBLaske"}}) {
        QAction *menuItem = action(QLatin1String(menuName));
        QAction *button = action(QLatin1String(buttonName));
        connect(menuItem, &QAction::changed, button, [menuItem, button] { button->setEnabled(menuItem->isEnabled()); });
        button->setEnabled(menuItem->isEnabled());
    }
}

QAction *TFormResepti::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

// ---- Creation, showing, activation ---------------------------------------

void TFormResepti::FormCreate()
{
    if (RecipeBook::Book *book = m_host->book()) {
        connect(book, &RecipeBook::Book::recipeChanged, this, [this](qint64 id) { recipeChanged(id); });
        connect(book, &RecipeBook::Book::bookReplaced, this, [this] { recipeChanged(m_recipeId); });
    }
    loadRecipe();

    if (m_host->mainAutorunChecked())
        m_host->setAutoRun(true);
    m_menuAutorun->setChecked(false);

    if (Dialogs::screenWidth() < 1024) {
        ApplySmallLayout();
        m_menuIkkuna->setEnabled(false);
        centreOnDesktop();
    } else {
        SettingsKey key;
        if (key.open()) {
            bool full = false;
            if (readFlag(key, SettingNames::Koko, &full)) {
                if (full)
                    ApplyFullLayout();
                else
                    ApplySmallLayout();
            } else {
                key.writeBool(QLatin1String(SettingNames::Koko), false);
            }
            if (key.valueExists(QLatin1String(SettingNames::FontName)))
                m_font.name = key.readString(QLatin1String(SettingNames::FontName));
            m_font.color = key.valueExists(QLatin1String(SettingNames::FontColor))
                ? key.readInteger(QLatin1String(SettingNames::FontColor))
                : SettingNames::DefaultFontColor;
            m_font.size = key.valueExists(QLatin1String(SettingNames::FontSize))
                ? key.readInteger(QLatin1String(SettingNames::FontSize))
                : SettingNames::DefaultFontSize;
            if (!m_font.name.isEmpty())
                m_windowFont.setFamily(m_font.name);
            m_windowFontColor = RecipeStyle::colorFromValue(m_font.color);
            if (m_font.size > 0)
                m_windowFont.setPointSize(m_font.size);
            applyWindowFont();
        }
    }
    if (Dialogs::screenWidth() <= 800) {
        m_menuIkkuna->setEnabled(false);
        ApplySmallLayout();
        centreOnDesktop();
    }
}

void TFormResepti::showRecipe(qint64 recipeId)
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    m_recipeId = recipeId;
    loadRecipe();
    // The window opens in the middle of the desktop in whatever size mode the
    // main window gave it.
    centreOnDesktop();
    show();
}

void TFormResepti::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    Dialogs::guard([this] { FormShow(); });
    runActivation();
}

void TFormResepti::FormShow()
{
    if (!m_aineet->hasText() && !m_ohje->hasText()) {
        SettingsKey key;
        bool dontShow = false;
        if (key.open() && !readFlag(key, SettingNames::Aines, &dontShow))
            key.writeBool(QLatin1String(SettingNames::Aines), false);
        if (!dontShow) {
            TFormAinesohje tip(this);
            Dialogs::exec(&tip);
        }
    }
    FocusIngredients();
}

void TFormResepti::runActivation()
{
    if (m_inActivation || !isVisible())
        return;
    m_inActivation = true;
    Dialogs::guard([this] { FormActivate(); });
    m_inActivation = false;
}

void TFormResepti::readFontAtActivation()
{
    SettingsKey key;
    if (!key.open())
        return;
    if (key.valueExists(QLatin1String(SettingNames::FontName))) {
        m_font.name = key.readString(QLatin1String(SettingNames::FontName));
        if (!m_font.name.isEmpty())
            m_windowFont.setFamily(m_font.name);
    }
    if (key.valueExists(QLatin1String(SettingNames::FontColor))) {
        m_font.color = key.readInteger(QLatin1String(SettingNames::FontColor));
        m_windowFontColor = RecipeStyle::colorFromValue(m_font.color);
    }
    if (key.valueExists(QLatin1String(SettingNames::FontSize))) {
        m_font.size = key.readInteger(QLatin1String(SettingNames::FontSize));
        if (m_font.size > 0)
            m_windowFont.setPointSize(m_font.size);
    } else {
        m_windowFont.setPointSize(SettingNames::DefaultFontSize);
    }
    applyWindowFont();
}

void TFormResepti::FormActivate()
{
    readFontAtActivation();
    m_flags.CalculateMode = false;
    setWindowTitle(activeCaption + m_recipeName);
    m_editSelectAll->setEnabled(m_ohje->document()->lineCount() > 0 && m_ohje->hasText());

    const bool hasCount = recipeHasPortionCount();
    action(QStringLiteral("MenuLisaaAnnos"))->setEnabled(!hasCount);
    for (const char *name : {"MenuLaske", "TBLaske", "MenuMuutaAnnos"})
        action(QLatin1String(name))->setEnabled(hasCount);
    if (!m_aineet->hasText()) {
        for (const char *name : {"TBLaske", "MenuLaske", "MenuMuutaAnnos"})
            action(QLatin1String(name))->setEnabled(false);
    }
    updatePrintCommands(m_aineet->hasText() || m_ohje->hasText());
    action(QStringLiteral("MenuEsik"))->setEnabled(m_preview && (m_aineet->hasText() || m_ohje->hasText()));
    FocusIngredients();
}

bool TFormResepti::recipeHasPortionCount() const
{
    // The count shown is the stored one: every change of the recipe through
    // the book shows it anew.
    return !m_dbEditAnnos->text().isEmpty();
}

void TFormResepti::showPortionCount(const QString &count)
{
    m_dbEditAnnos->setText(count);
}

void TFormResepti::loadRecipe()
{
    RecipeBook::Book *book = m_host->book();
    const std::optional<RecipeBook::Book::Recipe> recipe = book ? book->recipeForEditing(m_recipeId) : std::nullopt;
    m_recipeName = recipe ? recipe->name : m_host->state().CurrentRecipe;
    m_aineet->load(recipe ? recipe->ingredients : QString());
    m_ohje->load(recipe ? recipe->directions : QString());
    showPortionCount(recipe ? recipe->portions : QString());
}

void TFormResepti::recipeChanged(qint64 id)
{
    RecipeBook::Book *book = m_host->book();
    if (!book || id == 0 || id != m_recipeId)
        return;
    // A recipe gone from the book, or one that cannot be read now, keeps what
    // the window shows: leaving stores the edits again or says why not.
    std::optional<RecipeBook::Book::Recipe> recipe;
    try {
        recipe = book->recipe(id);
    } catch (const ProgramError &) {
    }
    if (!recipe)
        return;
    if (recipe->name != m_recipeName) {
        m_recipeName = recipe->name;
        if (isVisible())
            setWindowTitle(activeCaption + m_recipeName);
    }
    showPortionCount(recipe->portions);
    if (!m_aineet->Modified())
        m_aineet->load(recipe->ingredients);
    if (!m_ohje->Modified())
        m_ohje->load(recipe->directions);
}

// ---- Focus, colours, fonts, layouts ----------------------------------------

void TFormResepti::FocusIngredients()
{
    m_aineet->setFocus();
    setBackground(m_aineet, -1);
    setBackground(m_ohje, RecipeStyle::LightGrey);
    updateEditActions();
}

void TFormResepti::FocusDirections()
{
    m_ohje->setFocus();
    setBackground(m_ohje, -1);
    setBackground(m_aineet, RecipeStyle::LightGrey);
    updateEditActions();
}

void TFormResepti::applyWindowFont()
{
    for (TDBMemo *memo : {m_aineet, m_ohje}) {
        memo->setFont(m_windowFont);
        QPalette palette = memo->palette();
        RecipeStyle::setEnabledColor(palette, QPalette::Text, m_windowFontColor);
        memo->setPalette(palette);
    }
}

void TFormResepti::setLayoutTicks(bool full)
{
    m_menuSuuri->setChecked(full);
    m_menuPieni->setChecked(!full);
}

void TFormResepti::applyLayout(bool full)
{
    const int half = full ? 505 : 394;
    const int memoHeight = full ? 644 : 450;
    m_windowFont.setPointSize(full ? 10 : 8);
    m_windowFontColor = RecipeStyle::colorFromValue(RecipeStyle::Navy);
    applyWindowFont();
    // The panel's sunken edge wraps the memos closely on every side.
    m_panel1->setGeometry(0, 29, full ? 1012 : 790, 16 + memoHeight + 1);
    m_aineet->setGeometry(1, 16, half, memoHeight);
    m_label1->setGeometry(1, 0, half, 16);
    m_ohje->setGeometry(half + 1, 16, half, memoHeight);
    m_label2->setGeometry(half + 1, 0, half, 16);
    m_panel2->setGeometry(half + 1, 0, half, 28);
    m_panelToolbar->setGeometry(0, 0, full ? 506 : 394, 28);
    m_toolBar->setGeometry(0, 1, m_panelToolbar->width(), 27);
    fitWindowToPanel();
    setLayoutTicks(full);
}

void TFormResepti::fitWindowToPanel()
{
    // The window sizes of the size modes are outer sizes, frame included: the
    // client area is the body panel's, with the menu bar above it and the
    // status bar below.
    const int width = m_panel1->geometry().right() + 1;
    QMenuBar *bar = menuBar();
    const int menuHeight = bar->hasHeightForWidth() ? bar->heightForWidth(width) : bar->sizeHint().height();
    resize(width, menuHeight + m_panel1->geometry().bottom() + 1 + m_statusBar->sizeHint().height());
}

void TFormResepti::designLayout()
{
    m_panel1->setGeometry(0, 29, 789, 16 + 480 + 1);
    m_aineet->setGeometry(1, 16, 393, 480);
    m_label1->setGeometry(1, 0, 393, 16);
    m_ohje->setGeometry(394, 16, 393, 480);
    m_label2->setGeometry(394, 0, 393, 16);
    m_panel2->setGeometry(395, 0, 394, 28);
    m_panelToolbar->setGeometry(0, 0, 394, 28);
    applyWindowFont();
    fitWindowToPanel();
}

void TFormResepti::ApplyFullLayout()
{
    applyLayout(true);
}

void TFormResepti::ApplySmallLayout()
{
    applyLayout(false);
}

void TFormResepti::centreOnDesktop()
{
    Dialogs::centreOnDesktop(this);
}

void TFormResepti::sizeModeClick(bool full)
{
    if (Dialogs::screenWidth() < 1024)
        return;
    m_menuIkkuna->setEnabled(true);
    m_host->setWindowMenuEnabled(true);
    setLayoutTicks(full);
    applyLayout(full);
    centreOnDesktop();
    SettingsKey key;
    if (key.open() && key.valueExists(QLatin1String(SettingNames::Koko)))
        key.writeBool(QLatin1String(SettingNames::Koko), full);
}

void TFormResepti::MenuSuuriClick()
{
    sizeModeClick(true);
}

void TFormResepti::MenuPieniClick()
{
    sizeModeClick(false);
}

void TFormResepti::memoMouseMove()
{
    if (Dialogs::screenWidth() > 800) {
        m_menuIkkuna->setEnabled(true);
    } else {
        m_menuIkkuna->setEnabled(false);
        ApplySmallLayout();
    }
}

// ---- Keys and text changes ---------------------------------------------------

bool TFormResepti::eventFilter(QObject *watched, QEvent *event)
{
    TDBMemo *memo = nullptr;
    if (watched == m_aineet || watched == m_aineet->viewport())
        memo = m_aineet;
    else if (watched == m_ohje || watched == m_ohje->viewport())
        memo = m_ohje;
    if (!memo)
        return QMainWindow::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::KeyPress:
        if (watched == memo && !m_forwardingKey) {
            bool handled = false;
            auto *key = static_cast<QKeyEvent *>(event);
            Dialogs::guard([&] { handled = memo == m_aineet ? AineetKeyPress(key) : OhjeKeyPress(key); });
            return handled;
        }
        break;
    case QEvent::KeyRelease:
        if (watched == memo && memo == m_aineet)
            Dialogs::guard([this] { AineetKeyUp(); });
        break;
    case QEvent::MouseButtonPress:
        memoMouseDown(memo);
        break;
    case QEvent::MouseButtonRelease:
        if (memo == m_aineet)
            FocusIngredients();
        else
            FocusDirections();
        break;
    case QEvent::MouseMove:
        memoMouseMove();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

std::optional<bool> TFormResepti::memoKey(QKeyEvent *event, void (TFormResepti::*focusOther)())
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        MenuTakaisinClick();
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (event->modifiers() & Qt::ControlModifier)) {
        (this->*focusOther)();
        return true;
    }
    const QString text = event->text();
    if (text.isEmpty() || key == Qt::Key_Backspace || key == Qt::Key_Tab || key == Qt::Key_Return
        || key == Qt::Key_Enter || key == Qt::Key_Delete)
        return false;
    // Other control characters are the edit shortcuts; the memo handles them.
    if (text.size() == 1 && text[0].unicode() < 32)
        return false;
    return std::nullopt;
}

bool TFormResepti::AineetKeyPress(QKeyEvent *event)
{
    if (const std::optional<bool> done = memoKey(event, &TFormResepti::FocusDirections))
        return *done;
    const QString text = event->text();
    // A decimal point is written as a comma.
    const QString accepted = takenCharacters(text, ingredientCharacter).replace(QLatin1Char('.'), QLatin1Char(','));
    if (accepted != text) {
        if (!accepted.isEmpty())
            m_aineet->textCursor().insertText(accepted);
    } else {
        // The memo takes the key now, so that the step below sees its text.
        const QScopedValueRollback<bool> forwarding(m_forwardingKey, true);
        QCoreApplication::sendEvent(m_aineet, event);
    }
    if (m_aineet->hasText())
        updatePrintCommands(true);
    return true;
}

bool TFormResepti::OhjeKeyPress(QKeyEvent *event)
{
    if (const std::optional<bool> done = memoKey(event, &TFormResepti::FocusIngredients))
        return *done;
    const QString text = event->text();
    const QString accepted = takenCharacters(text, directionsCharacter);
    if (accepted != text && !accepted.isEmpty())
        m_ohje->textCursor().insertText(accepted);
    updatePrintCommands(true);
    return accepted != text;
}

void TFormResepti::AineetKeyUp()
{
    if (!m_aineet->hasText())
        return;
    const bool hasCount = recipeHasPortionCount();
    action(QStringLiteral("MenuLisaaAnnos"))->setEnabled(!hasCount);
    for (const char *name : {"MenuMuutaAnnos", "MenuLaske", "TBLaske"})
        action(QLatin1String(name))->setEnabled(hasCount);
}

void TFormResepti::memoChanged()
{
    const bool any = m_aineet->hasText() || m_ohje->hasText();
    action(QStringLiteral("MenuEsik"))->setEnabled(any && m_preview);
    action(QStringLiteral("MenuTulosta"))->setEnabled(any && m_print);
}

void TFormResepti::memoMouseDown(TDBMemo *memo)
{
    if (memo->hasText())
        m_editSelectAll->setEnabled(true);
}

void TFormResepti::updatePrintCommands(bool hasText)
{
    action(QStringLiteral("MenuTulosta"))->setEnabled(hasText && m_print);
}

void TFormResepti::setPrintHandlers(std::function<void()> print, std::function<void()> preview)
{
    m_print = std::move(print);
    m_preview = std::move(preview);
    const bool any = m_aineet->hasText() || m_ohje->hasText();
    updatePrintCommands(any);
    action(QStringLiteral("MenuEsik"))->setEnabled(any && m_preview);
}

void TFormResepti::updateEditActions()
{
    if (!m_editCut)
        return;
    TDBMemo *memo = focusWidget() == m_ohje ? m_ohje : (focusWidget() == m_aineet ? m_aineet : nullptr);
    const bool selection = memo && memo->textCursor().hasSelection();
    m_editCut->setEnabled(selection);
    m_editCopy->setEnabled(selection);
    m_editDelete->setEnabled(selection);
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    m_editPaste->setEnabled(memo && data && data->hasText());
    m_editUndo->setEnabled(memo && memo->document()->isUndoAvailable());
}

void TFormResepti::EditDeleteExecute()
{
    TDBMemo *memo = focusWidget() == m_ohje ? m_ohje : (focusWidget() == m_aineet ? m_aineet : nullptr);
    if (memo)
        memo->textCursor().removeSelectedText();
}

// ---- Portion commands ------------------------------------------------------

void TFormResepti::MenuLaskeClick()
{
    if (!m_aineet->hasText() || !m_portionDialog)
        return;
    m_flags.CalculateMode = true;
    Dialogs::exec(m_portionDialog, this);
}

void TFormResepti::MenuMuutaAnnosClick()
{
    if (!m_aineet->hasText() || !m_portionDialog)
        return;
    m_flags.ChangePortionMode = true;
    Dialogs::exec(m_portionDialog, this);
    m_flags.ChangePortionMode = false;
}

void TFormResepti::MenuLisaaAnnosClick()
{
    if (!m_portionDialog)
        return;
    m_flags.AddPortionMode = true;
    Dialogs::exec(m_portionDialog, this);
    m_flags.AddPortionMode = false;
}

SharedState &TFormResepti::sharedState()
{
    return m_host->state();
}

RecipeBook::Book *TFormResepti::book()
{
    return m_host->book();
}

qint64 TFormResepti::portionRecipeId()
{
    // A new recipe's count is entered for the recipe just added in the main
    // window; every other count for this window's recipe.
    return m_host->state().RecipeMode ? m_host->selectedRecipeId() : m_recipeId;
}

void TFormResepti::ScaleIngredients(const QString &newCount)
{
    RecipeBook::Book *book = m_host->book();
    if (!book)
        return;
    auto readCount = [](const QString &text) {
        bool ok = !text.isEmpty();
        const int value = text.toInt(&ok);
        if (!ok)
            throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        return value;
    };
    const int oldCount = readCount(m_dbEditAnnos->text());
    const int count = readCount(newCount);

    // Every line is checked before anything is stored, and the rescaled list
    // is stored with the new count in one durable step, so that neither a bad
    // line nor a crash leaves the recipe half scaled. (Storing the list again
    // after each rescaled line would change nothing that can be seen, and
    // costs the whole list once per line: minutes for a long list.) Edited
    // directions go along.
    const QStringList lines = PortionScaling::scaleIngredientLines(m_aineet->lines(), oldCount, count);
    const QString text = lines.join(u'\n');
    const std::optional<QString> directions = m_ohje->Modified() ? std::optional<QString>(m_ohje->text()) : std::nullopt;
    book->setScaledIngredients(m_recipeId, text, count, directions);
    m_aineet->load(text);
    if (directions)
        m_ohje->load(*directions);
    m_flags.CalculateMode = false;
}

void TFormResepti::SaveDifficultyAndTime()
{
    m_host->SaveDifficultyAndTime();
}

void TFormResepti::portionCountStored()
{
    for (const char *name : {"TBLaske", "MenuLaske", "MenuMuutaAnnos"})
        action(QLatin1String(name))->setEnabled(true);
    action(QStringLiteral("MenuLisaaAnnos"))->setEnabled(false);
}

// ---- Font, print ------------------------------------------------------------

void TFormResepti::MenuRuokalistalleClick()
{
    host().addShownRecipeToMenu(this);
}

void TFormResepti::MenuFontClick()
{
    TFontDialog dialog(this);
    dialog.setCurrentFont(m_fontDialogFont, m_fontDialogColor);
    if (Dialogs::exec(&dialog, this) != QDialog::Accepted)
        return;
    m_fontDialogFont = dialog.selectedFont();
    m_fontDialogColor = dialog.selectedColor();
    m_windowFont.setFamily(m_fontDialogFont.family());
    m_windowFont.setPointSize(m_fontDialogFont.pointSize());
    m_windowFontColor = m_fontDialogColor;
    applyWindowFont();
    m_font = {m_fontDialogFont.family(), RecipeStyle::valueFromColor(m_fontDialogColor), m_fontDialogFont.pointSize()};
    SettingsKey key;
    if (key.open()) {
        key.writeString(QLatin1String(SettingNames::FontName), m_font.name);
        key.writeInteger(QLatin1String(SettingNames::FontColor), m_font.color);
        key.writeInteger(QLatin1String(SettingNames::FontSize), m_font.size);
    }
}

void TFormResepti::MenuTulostaClick()
{
    if (m_print && action(QStringLiteral("MenuTulosta"))->isEnabled())
        m_print();
}

void TFormResepti::MenuEsikClick()
{
    if (m_preview && action(QStringLiteral("MenuEsik"))->isEnabled())
        m_preview();
}

// ---- Leaving the window ------------------------------------------------------

bool TFormResepti::leaveRecordEdits(bool askWritesMissing)
{
    m_flags.SaveRecipeEdits = false;
    if (m_aineet->Modified())
        m_flags.IngredientsModified = true;
    if (m_ohje->Modified())
        m_flags.DirectionsModified = true;
    if (m_flags.IngredientsModified || m_flags.DirectionsModified) {
        m_flags.SaveRecipeEdits = true;
        if (!askWritesMissing || !m_flags.CalculateMode) {
            SettingsKey key;
            bool dontAsk = false;
            if (key.open() && !readFlag(key, SettingNames::KysOhMuu, &dontAsk) && askWritesMissing)
                key.writeBool(QLatin1String(SettingNames::KysOhMuu), false);
            if (!dontAsk) {
                // The question names the recipe the edits belong to.
                const QScopedValueRollback<QString> name(m_host->state().CurrentRecipe, m_recipeName);
                TFormMuuttunut question(m_host->state(), &m_flags, this);
                if (Dialogs::exec(&question) == QDialog::Rejected) {
                    // Left unanswered (Escape, the frame): the command stops
                    // and the edits stay in the memos, neither stored nor dropped.
                    m_flags.SaveRecipeEdits = false;
                    m_flags.IngredientsModified = false;
                    m_flags.DirectionsModified = false;
                    return false;
                }
            }
        }
    }
    if (m_flags.SaveRecipeEdits)
        applyEdits();
    else
        loadRecipe();
    m_flags.IngredientsModified = false;
    m_flags.DirectionsModified = false;
    return true;
}

void TFormResepti::applyEdits()
{
    RecipeBook::Book *book = m_host->book();
    if (!book || (!m_aineet->Modified() && !m_ohje->Modified()))
        return;
    auto edited = [](const TDBMemo *memo) {
        return memo->Modified() ? std::optional<QString>(memo->text()) : std::nullopt;
    };
    try {
        book->setTexts(m_recipeId, edited(m_aineet), edited(m_ohje));
    } catch (const StoreConflict &) {
        // A recipe that another program deleted meanwhile is stored again with
        // the edits; one it changed is not overwritten, and the edits stay
        // here until the user leaves the window again.
        if (book->settleEditConflict(m_host->state().CurrentMainGroup)) {
            loadRecipe();
            Dialogs::information(QStringLiteral("Another program deleted this recipe while you were editing it. It "
                                                "has been stored again, with your edits."));
            return;
        }
        throw ProgramError(QStringLiteral("Another program changed this recipe while you were editing it. Nothing "
                                          "was overwritten and your edits were not saved; they are still in the "
                                          "window. Go back again to save them over the other change."));
    }
    loadRecipe();
}

void TFormResepti::leaveThen(bool askWritesMissing, const std::function<void()> &next)
{
    if (m_leaving)
        return;
    const QScopedValueRollback<bool> leaving(m_leaving, true);
    if (leaveRecordEdits(askWritesMissing))
        next();
}

void TFormResepti::MenuTakaisinClick()
{
    leaveThen(true, [this] { returnToMainWindow(); });
}

void TFormResepti::returnToMainWindow()
{
    hide();

    if (Dialogs::screenWidth() >= 1024 && m_menuSuuri->isChecked())
        m_host->applyFullLayout();
    else
        m_host->applySmallLayout();
    m_host->centreMainWindow();
    // The main window's description memo invites a description when it
    // shows this recipe without one.
    if (RecipeBook::Book *book = m_host->book(); book && m_recipeId && m_recipeId == m_host->shownRecipeId()) {
        const std::optional<RecipeBook::Book::Recipe> recipe = book->recipe(m_recipeId);
        QPlainTextEdit *memo = m_host->descriptionMemo();
        if (recipe && recipe->description.isEmpty() && memo)
            memo->setPlainText(QStringLiteral("Write here a description of the recipe."));
    }
    m_host->state().ReturnedFromRecipe = true;
    m_host->showMainWindow();
}

void TFormResepti::storeModifiedMemos()
{
    applyEdits();
}

void TFormResepti::MenuLopetaClick()
{
    leaveThen(false, [this] { m_host->runExitCommand(); });
}

void TFormResepti::closeEvent(QCloseEvent *event)
{
    // The frame runs Exit; the window stays open unless the program ends.
    // Ending the program closes every window, this one included: it must not
    // refuse then, or the end would be cancelled.
    if (!m_host->endRequested())
        Dialogs::guard([this] { MenuLopetaClick(); });
    if (m_host->endRequested())
        event->accept();
    else
        event->ignore();
}

// ---- Program and help commands -----------------------------------------------

void TFormResepti::MenuQueriesClick()
{
    SettingsStore::restoreSecurityQueries();
}

void TFormResepti::MenuAutorunClick()
{
    const bool checked = m_menuAutorun->isChecked();
    m_host->setMainAutorunChecked(checked);
    SettingsKey key;
    if (!key.open())
        return;
    const bool exists = key.valueExists(QLatin1String(SettingNames::Auto));
    key.writeBool(QLatin1String(SettingNames::Auto), exists && checked);
    m_host->setAutoRun(checked);
}

void TFormResepti::MenuOhjeetClick()
{
    HelpViewer::showContents(this);
}

void TFormResepti::MenuAboutClick()
{
    if (TFormAbout *about = m_host->aboutWindow()) {
        Dialogs::exec(about, this);
    } else {
        TFormAbout window(this);
        Dialogs::exec(&window, this);
    }
}
