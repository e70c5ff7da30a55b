#include "app/BookCommands.h"

#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormUusi.h"
#include "app/MainWindowLists.h"
#include "app/RecipeEditors.h"
#include "app/Windows.h"
#include "platform/FileChooser.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/FormResepti.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

BookCommands::BookCommands(TFormPaa &window, SharedState &state, MainWindowPanes &panes, RecipeEditors &editors,
                           MainWindowLists &lists)
    : m_w(window)
    , m_state(state)
    , m_panes(panes)
    , m_editors(editors)
    , m_lists(lists)
{
}

bool BookCommands::addChild(bool added, const QString &parent, const QString &child)
{
    if (added)
        return true;
    m_w.dropPendingChanges();
    Dialogs::information(QStringLiteral("\"%1\" was deleted by another program, so \"%2\" was not added.")
                             .arg(parent, child));
    return false;
}

bool BookCommands::runNameDialog(bool clearFieldOnRetry)
{
    TFormUusi *dialog = windows().FormUusi;
    if (!dialog)
        throw ProgramError(QStringLiteral("The name dialog is missing"));
    for (;;) {
        Dialogs::exec(dialog, &m_w);
        if (m_state.NameCancelled)
            return false;
        if (!m_state.NameRejected)
            return true;
        if (clearFieldOnRetry)
            dialog->EditUusi->clear();
    }
}

QString BookCommands::nameDialogText() const
{
    return windows().FormUusi ? windows().FormUusi->EditUusi->text() : QString();
}

bool BookCommands::askNewGroupName(bool SharedState::*mode, bool SharedState::*otherMode)
{
    m_state.NameCancelled = false;
    m_state.*mode = true;
    m_state.*otherMode = false;
    m_state.NameAccepted = true;
    const bool accepted = runNameDialog(false);
    return accepted && m_state.NameAccepted;
}

void BookCommands::endGroupAdd(bool SharedState::*mode)
{
    m_state.NameRejected = false;
    m_state.NameAccepted = false;
    m_state.*mode = false;
    m_state.NameCancelled = false;
}

bool BookCommands::askGroupRename(bool SharedState::*mode)
{
    m_state.NameCancelled = false;
    m_state.*mode = true;
    m_state.RenameMode = true;
    const bool accepted = runNameDialog(true);
    return accepted && m_state.RenameMode;
}

void BookCommands::endGroupRename(bool SharedState::*mode, bool SharedState::*hasChildren)
{
    m_state.NameRejected = false;
    m_state.*hasChildren = false;
    m_state.*mode = false;
    m_state.RenameMode = false;
    m_state.NameAccepted = false;
}

void BookCommands::addMainGroup()
{
    qint64 added = 0;
    if (askNewGroupName(&SharedState::MainGroupMode, &SharedState::SubgroupMode))
        added = m_w.book()->addMainGroup(nameDialogText());
    endGroupAdd(&SharedState::MainGroupMode);
    m_w.enableOnlyAddMainGroup();
    m_panes.listAla->unbind();
    m_panes.listResepti->unbind();
    // The new main group is selected.
    m_panes.listPaa->refresh();
    m_panes.listPaa->setCurrentId(added);
    m_w.refreshLists();
}

void BookCommands::renameMainGroup()
{
    const qint64 id = m_panes.listPaa->currentId();
    if (askGroupRename(&SharedState::MainGroupMode)) {
        m_w.book()->renameMainGroup(id, nameDialogText());
        m_lists.closeChildList(m_panes.listAla, id);
    }
    endGroupRename(&SharedState::MainGroupMode, &SharedState::HasSubgroups);
    m_w.enableOnlyAddMainGroup();
    m_w.refreshLists();
}

void BookCommands::addSubgroup()
{
    if (askNewGroupName(&SharedState::SubgroupMode, &SharedState::MainGroupMode)) {
        m_state.CurrentMainGroup = m_panes.listPaa->currentName();
        if (addChild(m_w.book()->addSubgroup(m_state.CurrentMainGroup, nameDialogText()), m_state.CurrentMainGroup,
                     nameDialogText()))
            m_lists.showSubgroupsOf(m_panes.listPaa->currentId());
    }
    endGroupAdd(&SharedState::SubgroupMode);
    m_w.refreshLists();
}

void BookCommands::renameSubgroup()
{
    const qint64 id = m_panes.listAla->currentId();
    if (askGroupRename(&SharedState::SubgroupMode) && id) {
        m_w.book()->renameSubgroup(id, nameDialogText());
        m_lists.closeChildList(m_panes.listResepti, id);
    }
    endGroupRename(&SharedState::SubgroupMode, &SharedState::HasRecipes);
    m_w.DisableCommands();
    m_w.enableCommands({"MenuLisaaAla", "TBLisaaAla"});
    m_w.refreshLists();
}

void BookCommands::addRecipe()
{
    m_state.NameCancelled = false;
    m_state.RecipeMode = true;
    m_state.SubgroupMode = false;
    m_state.HasPortionCount = false;
    if (!runNameDialog(false)) {
        m_state.RecipeMode = false;
        m_w.refreshLists();
        return;
    }
    qint64 added = 0;
    if (!addChild(m_w.book()->addRecipe(m_state.CurrentSubgroup, nameDialogText(), &added), m_state.CurrentSubgroup,
                  nameDialogText())) {
        m_state.RecipeMode = false;
        return;
    }
    m_state.CurrentRecipe = nameDialogText();
    // The new recipe is selected, for the portion dialog to fill in.
    m_panes.listResepti->refresh();
    m_panes.listResepti->setCurrentId(added);
    m_w.refreshLists();
    if (windows().FormAnnos)
        Dialogs::exec(windows().FormAnnos, &m_w);
    m_state.RecipeMode = false;
    m_state.NameRejected = false;
    m_state.NameCancelled = false;
    if (m_w.book()->hasPendingChanges()) {
        // A step of the portion dialog failed and the dialog was closed: the
        // recipe is not left added by half.
        undoFailedRecipeAdd(added, m_state.CurrentRecipe);
        return;
    }
    m_w.refreshLists();
    if (windows().FormResepti) {
        windows().FormResepti->showRecipe(m_w.shownRecipeId());
        m_w.hide();
    } else {
        m_w.DBLLBoxListaClick();
    }
}

void BookCommands::undoFailedRecipeAdd(qint64 id, const QString &name)
{
    const bool removed = m_w.book()->removeAddedRecipe(id);
    m_panes.listResepti->markDirty();
    m_w.refreshLists();
    Dialogs::information(removed ? QStringLiteral("The recipe \"%1\" was not added, because its portion count "
                                                  "could not be stored.")
                                       .arg(name)
                                 : QStringLiteral("The recipe \"%1\" was added, but its portion count could not be "
                                                  "stored.")
                                       .arg(name));
}

void BookCommands::renameShownRecipe()
{
    const qint64 id = m_w.shownRecipeId();
    const QString oldName = m_state.CurrentRecipe;
    if (m_state.DescriptionModified && !m_w.SaveDescriptionChange(true))
        return;
    m_state.NameCancelled = false;
    m_state.RecipeMode = true;
    m_state.RenameMode = true;
    if (runNameDialog(true) && id)
        renameRecipe(id, oldName, nameDialogText());
    m_state.RecipeMode = false;
    m_state.RenameMode = false;
    m_state.NameRejected = false;
    m_state.NameCancelled = false;
    m_w.refreshLists();
}

// When the picture cannot go along to the new name, or the row cannot be
// committed, the rename is refused and nothing is changed.
void BookCommands::renameRecipe(qint64 id, const QString &oldName, const QString &newName)
{
    QString reason;
    bool renamed = false;
    bool pictureMoved = false;
    try {
        renamed = m_w.book()->renameRecipe(id, newName, &reason, &pictureMoved);
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
        m_state.PicturePath = m_w.recipePicturePath(newName);
}

// The selection state names the last recipe a deletion took, as the
// deletion went through them.
void BookCommands::forgetRemovedRecipes(const QStringList &removed)
{
    if (removed.isEmpty())
        return;
    m_state.CurrentRecipe = removed.constLast();
    m_state.PicturePath = m_w.recipePicturePath(m_state.CurrentRecipe);
}

void BookCommands::deleteMainGroup()
{
    m_panes.listResepti->unbind();
    m_state.DeleteConfirmed = true;
    m_state.MainGroupMode = true;
    m_state.SubgroupMode = false;
    const qint64 id = m_panes.listPaa->currentId();
    m_state.CurrentMainGroup = m_panes.listPaa->currentName();
    const RecipeBook::Book::Survey survey = m_w.book()->surveyMainGroupOf(id);
    if (!survey.lastSubgroup.isEmpty())
        m_state.CurrentSubgroup = survey.lastSubgroup;
    m_state.HasSubgroups = survey.hasSubgroups;
    m_state.HasRecipes = survey.hasRecipes;

    if (!TFormPaa::settingIsTrue(SettingNames::KysRyh, false)) {
        TFormRyhmaPois dialog(m_state, &m_w, &m_w);
        Dialogs::exec(&dialog, &m_w);
    }

    if (m_state.DeleteConfirmed && id) {
        forgetRemovedRecipes(m_w.book()->deleteMainGroup(id));
        m_lists.packTables(RecipeBook::Book::RecipeTable | RecipeBook::Book::SubgroupTable);
    }
    m_lists.packTables(RecipeBook::Book::MainGroupTable);

    m_state.MainGroupMode = false;
    m_state.DeleteConfirmed = false;
    m_state.HasSubgroups = false;
    m_state.HasRecipes = false;
    m_w.enableOnlyAddMainGroup();
    m_panes.listAla->unbind();
    m_w.hideDetailPanes();
    m_w.refreshLists();
}

void BookCommands::deleteSubgroup()
{
    m_state.DeleteConfirmed = true;
    m_state.DeletingSubgroup = true;
    m_state.HasSubgroups = true;
    const qint64 id = m_panes.listAla->currentId();
    m_state.CurrentSubgroup = m_panes.listAla->currentName();
    m_state.CurrentMainGroup = m_panes.listPaa->currentName();
    m_state.HasRecipes = id && m_w.book()->surveySubgroupOf(id).hasRecipes;

    if (!TFormPaa::settingIsTrue(SettingNames::KysRyh, false)) {
        TFormRyhmaPois dialog(m_state, &m_w, &m_w);
        Dialogs::exec(&dialog, &m_w);
    }

    if (m_state.DeleteConfirmed && id) {
        forgetRemovedRecipes(m_w.book()->deleteSubgroup(id));
        m_lists.showSubgroupsOf(m_panes.listPaa->currentId());
    }
    m_lists.packTables(RecipeBook::Book::RecipeTable | RecipeBook::Book::SubgroupTable);

    m_state.DeletingSubgroup = false;
    m_state.HasRecipes = false;
    m_w.DisableCommands();
    m_w.hideDetailPanes();
    m_w.refreshLists();
}

void BookCommands::deleteShownRecipe()
{
    const qint64 id = m_w.shownRecipeId();
    m_state.DeleteConfirmed = true;
    m_state.DeletingRecipe = true;
    if (!TFormPaa::settingIsTrue(SettingNames::KysResPoi, true)) {
        TFormRyhmaPois dialog(m_state, &m_w, &m_w);
        Dialogs::exec(&dialog, &m_w);
    }
    if (m_state.DeleteConfirmed && id) {
        m_state.PicturePath = m_w.recipePicturePath(m_state.CurrentRecipe);
        // Typing on the recipe goes into the trash with it.
        if (m_state.DescriptionModified) {
            m_editors.storeDescription(id);
            m_state.DescriptionModified = false;
        }
        m_w.SaveDifficultyAndTime();
        m_w.book()->deleteRecipe(id);
        m_editors.forget();
    }
    m_state.DeletingRecipe = false;
    m_state.DeleteConfirmed = false;
    m_w.DisableCommands();
    m_panes.memoKuvaus->hide();
    m_panes.ruokakuva->hide();
    m_w.showDecorativePicture();
    m_lists.packTables(RecipeBook::Book::RecipeTable);
    m_w.refreshLists();
}

QString BookCommands::pictureFilter()
{
    return QStringLiteral("All pictures (*.jpg *.jpeg *.png *.bmp *.gif *.ico *.svg);;"
                          "JPEG images (*.jpg *.jpeg);;PNG images (*.png);;Bitmaps (*.bmp);;"
                          "GIF images (*.gif);;Icons (*.ico);;SVG drawings (*.svg)");
}

void BookCommands::addPicture()
{
    m_state.PicturePath = m_w.recipePicturePath(m_state.CurrentRecipe);
    FileChooser::Request request;
    request.parent = &m_w;
    request.below = &m_w;
    request.filter = pictureFilter();
    request.objectName = QStringLiteral("OpenPictureDialog");
    const QString chosen = FileChooser::chooseOne(request);
    // A cancelled file dialog changes nothing.
    if (chosen.isEmpty())
        return;

    QString reason;
    switch (m_w.book()->setPicture(m_w.shownRecipeId(), chosen, &reason)) {
    case RecipeBook::Book::PictureResult::Set:
        break;
    case RecipeBook::Book::PictureResult::NotAPicture:
        Dialogs::information(QStringLiteral("The file you tried to open is not a valid graphic file.")
                             + (reason.isEmpty() ? QString() : TFormPaa::refusedFileText(chosen, reason)));
        return;
    case RecipeBook::Book::PictureResult::NotWritten:
        Dialogs::error(QStringLiteral("Cannot write the picture file \"%1\": %2").arg(m_state.PicturePath, reason));
        return;
    }
    if (!loadRecipePicture(m_state.PicturePath))
        return;
    m_panes.ruokakuva->show();

    m_panes.kuva->hide();
    m_panes.kuva2->hide();
    m_w.DisableCommands();
    m_w.enableCommands({"MenuPoistaKuva", "TBPoistaKuva"});
    if (m_w.isFullChecked())
        m_panes.memoKuvaus->setGeometry(215, m_panes.memoKuvaus->y(), 270, m_panes.memoKuvaus->height());
    else if (m_w.MenuPieni()->isChecked())
        m_panes.memoKuvaus->setGeometry(168, m_panes.memoKuvaus->y(), 210, m_panes.memoKuvaus->height());
    m_editors.showPlaceholderIfEmpty();
    m_w.refreshLists();
}

void BookCommands::deletePicture()
{
    // An edited description is settled first, so that the question below is
    // the picture question.
    if (m_state.DescriptionModified && !m_w.SaveDescriptionChange(true))
        return;
    m_state.DeletePictureConfirmed = true;
    m_w.enableOnlyAddMainGroup();
    if (!TFormPaa::settingIsTrue(SettingNames::KysKuvPoi, true)) {
        TFormMuuttunut dialog(m_state, nullptr, &m_w);
        Dialogs::exec(&dialog, &m_w);
    }
    if (!m_state.DeletePictureConfirmed)
        return;
    m_w.book()->removePicture(m_w.shownRecipeId());
    m_state.DeletePictureConfirmed = false;
    m_panes.ruokakuva->hide();
    m_panes.ruokakuva->clear();
    m_w.DisableCommands();
    m_w.enableCommands({"MenuLisaaKuva", "TBLisaaKuva"});
    m_lists.packTables(RecipeBook::Book::RecipeTable, MainWindowLists::KeptRows::Selection);
    m_panes.memoKuvaus->setGeometry(0, m_panes.memoKuvaus->y(), m_w.width() == TFormPaa::FullWidth ? 484 : 379, m_panes.memoKuvaus->height());
    m_editors.showPlaceholderIfEmpty();
    m_w.refreshLists();
}

bool BookCommands::loadRecipePicture(const QString &path)
{
    const QImage image = decodeRecipePicture(path);
    if (image.isNull())
        return false;
    m_panes.ruokakuva->setPixmap(QPixmap::fromImage(image));
    return true;
}

QImage BookCommands::decodeRecipePicture(const QString &path)
{
    QImage image;
    QString reason;
    RecipeBook::Book::readStoredPicture(path, &image, &reason);
    return image;
}
