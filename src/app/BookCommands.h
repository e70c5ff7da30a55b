#pragma once

#include <QStringList>

class MainWindowLists;
struct MainWindowPanes;
class QImage;
class RecipeEditors;
class TFormPaa;
struct SharedState;

// The commands of the Group and Recipe menus on the main window: add, rename
// and delete main groups, subgroups and recipes, and add or delete the shown
// recipe's picture. Each asks its questions over the window and changes the
// book by the stored id of the selected group or the shown recipe; the
// window's lists and enabled commands then follow as each command leaves
// them.
class BookCommands
{
public:
    BookCommands(TFormPaa &window, SharedState &state, MainWindowPanes &panes, RecipeEditors &editors,
                 MainWindowLists &lists);

    void addMainGroup();
    void renameMainGroup();
    void deleteMainGroup();
    void addSubgroup();
    void renameSubgroup();
    void deleteSubgroup();
    void addRecipe();
    void renameShownRecipe();
    void deleteShownRecipe();
    void addPicture();
    void deletePicture();

private:
    // Runs the name dialog until a name is accepted (true) or the dialog is
    // cancelled (false).
    bool runNameDialog(bool clearFieldOnRetry);
    QString nameDialogText() const;
    // The name dialog for a new group of the kind `mode` names (MainGroupMode
    // or SubgroupMode, `otherMode` the other one); true when a name was
    // accepted. endGroupAdd clears the flags it leaves.
    bool askNewGroupName(bool SharedState::*mode, bool SharedState::*otherMode);
    void endGroupAdd(bool SharedState::*mode);
    // The name dialog for renaming a group of the kind `mode` names; true when
    // a new name was accepted. endGroupRename clears the flags it leaves and
    // whether the group has children (`hasChildren`).
    bool askGroupRename(bool SharedState::*mode);
    void endGroupRename(bool SharedState::*mode, bool SharedState::*hasChildren);
    // Applies the new rows of `children` together with a check, in the same
    // transaction, that their parent `parent` is still stored; when another
    // program has deleted it, nothing is added and the user is told.
    bool addChild(bool added, const QString &parent, const QString &child);
    // Removes a recipe just added whose portion dialog could not store its
    // values, and tells the user.
    void undoFailedRecipeAdd(qint64 id, const QString &name);
    void renameRecipe(qint64 id, const QString &oldName, const QString &newName);
    void forgetRemovedRecipes(const QStringList &removed);
    bool loadRecipePicture(const QString &path);
    // File dialog filter offering the formats that can be loaded.
    static QString pictureFilter();
    static QImage decodeRecipePicture(const QString &path);

    TFormPaa &m_w;
    SharedState &m_state;
    MainWindowPanes &m_panes;
    RecipeEditors &m_editors;
    MainWindowLists &m_lists;
};
