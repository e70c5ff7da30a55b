#include "app/FormPaa.h"

#include "app/BackupController.h"
#include "app/CookbookPrinting.h"
#include "app/DataBoundList.h"
#include "app/FindController.h"
#include "app/FormRuokalista.h"
#include "app/ImportExportController.h"
#include "app/MainWindowKeys.h"
#include "app/MainWindowMenus.h"
#include "app/TrashController.h"
#include "app/Windows.h"
#include "platform/RecipeStyle.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

// The main window's widgets, menus, tool bar and size modes, and the
// enabling of its commands.

namespace {

const char *const CommandNames[] = {"MenuLisaaPaa", "MenuPoistaPaa", "MenuMuutaPaa", "MenuLisaaAla",
                                    "MenuPoistaAla", "MenuMuutaAla", "MenuLisaaResepti", "MenuPoistaResepti",
                                    "MenuNaytaResepti", "MenuMuutaResepti", "MenuLisaaKuva", "MenuPoistaKuva"};
const char *const ButtonNames[] = {"TBLisaaPaa", "TBPoistaPaa", "TBLisaaAla", "TBPoistaAla",
                                   "TBLisaaResepti", "TBPoistaResepti", "TBLisaaKuva", "TBPoistaKuva"};

} // namespace

// ---- Building the window ------------------------------------------------------

void TFormPaa::buildWindow()
{
    m_panes.build(this, new MainWindowKeys(*this, m_panes, m_editors));
    connect(m_panes.listPaa, &DataBoundList::rowClicked, this, [this] { runGuarded([this] { DBLLBoxPaaryhmaClick(); }); });
    connect(m_panes.listAla, &DataBoundList::rowClicked, this, [this] { runGuarded([this] { DBLLBoxAlaryhmaClick(); }); });
    connect(m_panes.listResepti, &DataBoundList::rowClicked, this, [this] { runGuarded([this] { DBLLBoxListaClick(); }); });
    connect(m_panes.listResepti, &QAbstractItemView::doubleClicked, this, [this] { runCommand("MenuNaytaResepti"); });

    m_editors.watchTyping();
    setFixedSize(SmallWidth, 580);
}

void TFormPaa::buildMenus()
{
    MainWindowMenus::buildMenuBar(this, [this](QMenu *book, QMenu *recipe) {
        m_find = std::make_unique<FindController>(this, book);
        new ImportExportController(this, book);
        new BackupController(this, book);
        new TrashController(this, book);
        addMenuCommands(this, recipe, book);
        CookbookPrinting::addCommand(this, book);
    });
    MainWindowMenus::buildToolBar(this, m_panes.panelTyokalu);
    m_menuAutorun = menuAction(QStringLiteral("MenuAutorun"));
    m_menuSulje = menuAction(QStringLiteral("MenuSulje"));
    m_menuSuuri = menuAction(QStringLiteral("MenuSuuri"));
    m_menuPieni = menuAction(QStringLiteral("MenuPieni"));
    m_menuIkkuna = menuBar()->findChild<QMenu *>(QStringLiteral("MenuIkkuna"));
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
    setFixedSize(width, menuHeight + m_panes.panel1->y() + listsBottom + 2 + statusBar()->sizeHint().height());
}

void TFormPaa::ApplyFullLayout()
{
    applyLayout(true);
}

void TFormPaa::ApplySmallLayout()
{
    applyLayout(false);
}

void TFormPaa::applyLayout(bool full)
{
    QFont windowFont = font();
    windowFont.setPointSize(full ? 10 : 8);
    setFont(windowFont);
    QPalette palette = this->palette();
    RecipeStyle::setEnabledColor(palette, QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    setPalette(palette);
    m_panes.applyLayout(full, windowFont);
    m_menuSuuri->setChecked(full);
    m_menuPieni->setChecked(!full);
    fitWindowToLists(full ? FullWidth : SmallWidth, full ? 20 + 615 : 17 + 459);
}

void TFormPaa::applyScreenWidthRule()
{
    const bool wide = screenWidth() > 800;
    m_menuIkkuna->setEnabled(wide);
    setRecipeWindowMenuEnabled(wide);
    if (!wide)
        ApplySmallLayout();
}

bool TFormPaa::isFullChecked() const
{
    return m_menuSuuri->isChecked();
}

void TFormPaa::FocusPane(QWidget *pane)
{
    m_panes.focus(pane);
}

void TFormPaa::centreOnDesktop()
{
    Dialogs::centreOnDesktop(this);
}

void TFormPaa::showDecorativePicture()
{
    m_panes.showDecorativePicture(width() == FullWidth);
}

void TFormPaa::placeMemo(bool withPicture)
{
    m_panes.placeMemo(withPicture, screenWidth() >= 1024 && isFullChecked());
}
