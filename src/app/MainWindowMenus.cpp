#include "app/MainWindowMenus.h"

#include "app/FormPaa.h"
#include "platform/Hints.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace MainWindowMenus {

namespace {

// One item of a menu or the tool bar; an item without an object name is a
// separator.
struct Item {
    const char *objectName;
    const char *text; // the caption, or the tool bar's picture
    const char *hint;
    Handler handler;
    bool checkable = false;
};

struct Menu {
    const char *objectName;
    const char *title;
    std::initializer_list<Item> items;
};

const Item Separator{nullptr, nullptr, nullptr, nullptr};

void fill(TFormPaa *window, QMenuBar *bar, const Menu &table)
{
    QMenu *menu = bar->addMenu(QString::fromUtf8(table.title));
    menu->setObjectName(QLatin1String(table.objectName));
    for (const Item &item : table.items) {
        if (!item.objectName) {
            menu->addSeparator();
            continue;
        }
        QAction *action = addCommand(window, menu, item.objectName, QString::fromUtf8(item.text),
                                     QString::fromUtf8(item.hint), item.handler);
        action->setCheckable(item.checkable);
    }
}

} // namespace

QAction *addCommand(TFormPaa *window, QMenu *menu, const char *objectName, const QString &caption,
                    const QString &hint, Handler handler)
{
    auto *action = new QAction(caption, window);
    action->setObjectName(QLatin1String(objectName));
    action->setStatusTip(Hints::longHint(hint));
    action->setToolTip(Hints::shortHint(hint).isEmpty() ? Hints::longHint(hint) : Hints::shortHint(hint));
    menu->addAction(action);
    QObject::connect(action, &QAction::triggered, window, [window, action, handler](bool checked) {
        // The handlers set check marks themselves; Full and Small leave them
        // alone on a narrow screen.
        if (action->isCheckable())
            action->setChecked(!checked);
        window->runGuarded([window, handler] { (window->*handler)(); });
    });
    return action;
}

void buildMenuBar(TFormPaa *window, const std::function<void(QMenu *book, QMenu *recipe)> &fillBookMenu)
{
    auto *bar = new QMenuBar(window);
    bar->setObjectName(QStringLiteral("MainMenuPaa"));
    window->setMenuBar(bar);

    fill(window, bar,
         {"MenuProgram",
          "&Program",
          {{"MenuAutorun", "&Start When Windows Starts",
            "|Check this if you want the program to run automatically when Windows starts.",
            &TFormPaa::MenuAutorunClick, true},
           {"MenuQueries", "&Restore Security Queries", "|Restore all data security queries.",
            &TFormPaa::MenuQueriesClick},
           Separator,
           {"MenuSulje", "&Exit", "|Quit Saffrona's Mealdeck.", &TFormPaa::MenuSuljeClick}}});
    fill(window, bar,
         {"MenuGroup",
          "&Group",
          {{"MenuLisaaPaa", "&Add New Main Group...", "|Add a new main group.", &TFormPaa::MenuLisaaPaaClick},
           {"MenuPoistaPaa", "&Delete Main Group",
            "|Delete the selected main group and it's possible subgroups and recipes.",
            &TFormPaa::MenuPoistaPaaClick},
           {"MenuMuutaPaa", "&Change Main Group Name...", "|Change the name of the selected main group.",
            &TFormPaa::MenuMuutaPaaClick},
           Separator,
           {"MenuLisaaAla", "Add &New Subgroup...", "|Add a new subgroup into the selected main group.",
            &TFormPaa::MenuLisaaAlaClick},
           {"MenuPoistaAla", "Delete &Subgroup", "|Delete the selected subgroup and it's possible recipes.",
            &TFormPaa::MenuPoistaAlaClick},
           {"MenuMuutaAla", "C&hange Subgroup Name...", "|Change the name of the selected subgroup.",
            &TFormPaa::MenuMuutaAlaClick}}});
    fill(window, bar,
         {"MenuRecipe",
          "&Recipe",
          {{"MenuLisaaResepti", "&Add New Recipe...", "|Add a new recipe into the selected subgroup.",
            &TFormPaa::MenuLisaaReseptiClick},
           {"MenuPoistaResepti", "&Delete Recipe", "|Delete the selected recipe.", &TFormPaa::MenuPoistaReseptiClick},
           {"MenuMuutaResepti", "&Change Recipe Name...", "|Change the name of the selected recipe.",
            &TFormPaa::MenuMuutaReseptiClick},
           Separator,
           {"MenuNaytaResepti", "&View Recipe", "View the ingredients and directions of the selected recipe.",
            &TFormPaa::MenuNaytaReseptiClick},
           Separator,
           {"MenuLisaaKuva", "Add &Picture...", "|Add a picture into the selected recipe.",
            &TFormPaa::MenuLisaaKuvaClick},
           {"MenuPoistaKuva", "D&elete Picture", "|Delete the picture of the selected recipe.",
            &TFormPaa::MenuPoistaKuvaClick}}});
    QMenu *recipe = bar->findChild<QMenu *>(QStringLiteral("MenuRecipe"));

    QMenu *book = bar->addMenu(QStringLiteral("&Book"));
    book->setObjectName(QStringLiteral("MenuKirja"));
    fillBookMenu(book, recipe);

    fill(window, bar,
         {"MenuIkkuna",
          "&Window",
          {{"MenuSuuri", "&Full", "|Full screen window.", &TFormPaa::MenuSuuriClick, true},
           {"MenuPieni", "&Small", "|Small window.", &TFormPaa::MenuPieniClick, true}}});
    fill(window, bar,
         {"MenuHelp",
          "&Help",
          {{"MenuOhjeet", "&Help", "Help to use the program.", &TFormPaa::MenuOhjeetClick},
           {"MenuAbout", "&About...", "Program information.", &TFormPaa::MenuAboutClick}}});
}

void buildToolBar(TFormPaa *window, QWidget *panel)
{
    auto *toolBar = new QToolBar(panel);
    toolBar->setObjectName(QStringLiteral("ToolBarPaa"));
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->setContentsMargins(0, 0, 0, 0);
    toolBar->layout()->setSpacing(0);
    toolBar->layout()->setContentsMargins(0, 0, 0, 0);
    toolBar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));

    const std::initializer_list<Item> buttons = {
        {"TBLisaaPaa", "0-add-main-group", "Add Main Group|Add a new main group.", &TFormPaa::MenuLisaaPaaClick},
        {"TBPoistaPaa", "1-delete-main-group",
         "Delete Main Group|Delete the selected main group and it's possible subgroups and recipes.",
         &TFormPaa::MenuPoistaPaaClick},
        Separator,
        {"TBLisaaAla", "2-add-subgroup", "Add Subgroup|Add a new subgroup.", &TFormPaa::MenuLisaaAlaClick},
        {"TBPoistaAla", "3-delete-subgroup", "Delete Subgroup|Delete the selected subgroup and it's possible recipes.",
         &TFormPaa::MenuPoistaAlaClick},
        Separator,
        {"TBLisaaResepti", "4-add-recipe", "Add Recipe|Add a new recipe.", &TFormPaa::MenuLisaaReseptiClick},
        {"TBPoistaResepti", "5-delete-recipe", "Delete Recipe|Delete the selected recipe.",
         &TFormPaa::MenuPoistaReseptiClick},
        Separator,
        {"TBLisaaKuva", "6-add-picture", "Add Picture|Add a picture into the selected recipe.",
         &TFormPaa::MenuLisaaKuvaClick},
        {"TBPoistaKuva", "7-delete-picture", "Delete Picture|Delete the picture of the selected recipe.",
         &TFormPaa::MenuPoistaKuvaClick},
        Separator,
        {"TBOhje", "8-help", "Help", &TFormPaa::MenuOhjeetClick},
        {"TBSulje", "9-exit", "Exit|Exit Saffrona's Mealdeck.", &TFormPaa::MenuSuljeClick},
    };
    for (const Item &item : buttons) {
        if (!item.objectName) {
            toolBar->addSeparator();
            continue;
        }
        const QString hint = QString::fromUtf8(item.hint);
        auto *action = new QAction(QIcon(QStringLiteral(":/icons/paa/%1.svg").arg(QLatin1String(item.text))),
                                   Hints::shortHint(hint), window);
        action->setObjectName(QLatin1String(item.objectName));
        action->setToolTip(Hints::shortHint(hint));
        action->setStatusTip(Hints::longHint(hint));
        toolBar->addAction(action);
        if (QWidget *button = toolBar->widgetForAction(action)) {
            button->setObjectName(QLatin1String(item.objectName));
            button->setFixedSize(34, 26);
        }
        const Handler handler = item.handler;
        QObject::connect(action, &QAction::triggered, window,
                         [window, handler] { window->runGuarded([window, handler] { (window->*handler)(); }); });
    }
    toolBar->setGeometry(0, 1, toolBar->sizeHint().width(), 28);
}

} // namespace MainWindowMenus
