#include "app/FormPaa.h"

#include "app/Windows.h"
#include "platform/AutoRunner.h"
#include "platform/HelpViewer.h"
#include "recipe/FormResepti.h"
#include "settings/FormAbout.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>

// The main window's program commands (start at login, window sizes, help,
// about, exit) and its side of the recipe window.

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

void TFormPaa::MenuSuljeClick()
{
    HelpViewer::closeHelp();
    if (m_state.DescriptionModified && !SaveDescriptionChange(true))
        return;
    m_lists.packTables(RecipeBook::Book::MainGroupTable | RecipeBook::Book::SubgroupTable);
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

// ---- The recipe window's side ------------------------------------------------------------------

void TFormPaa::showRecipeWindow()
{
    TFormResepti *recipe = windows().FormResepti;
    if (!recipe)
        return;
    if (screenWidth() >= 1024 && m_menuPieni->isChecked())
        recipe->centreOnDesktop();
    SaveDifficultyAndTime();
    recipe->showRecipe(shownRecipeId());
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
        recipe->storeModifiedMemos();
}
