#include "app/FormPaa.h"

#include "app/DataBoundList.h"
#include "app/FindController.h"
#include "app/Windows.h"
#include "platform/AutoRunner.h"
#include "settings/FormAbout.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"
#include "store/table/PictureFiles.h"
#include "store/table/PicturePaths.h"
#include "store/table/ProgramPaths.h"
#include "store/book/RecipeBook.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextStream>

#include <optional>

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
    fitWindowToLists(SmallWidth, 17 + 459);

    // Window creation: the tables, then the size mode from the settings.
    m_state.DescriptionModified = false;
    m_state.ReturnedFromRecipe = false;
    openTables();
    if (!m_tablesOpened)
        return;
    m_find->start();

    Dialogs::guard([this] {
        applySizeSetting();
        SettingsKey key;
        if (screenWidth() >= 1024 && key.open() && key.valueExists(SettingNames::Auto)
            && key.readBool(SettingNames::Auto))
            m_menuAutorun->setChecked(true);
    });
}

TFormPaa::~TFormPaa()
{
    RecipeBook::Book::setReopenedHandler(nullptr);
    if (windows().FormPaa == this)
        windows().FormPaa = nullptr;
}

// ---- The tables -----------------------------------------------------------------

void TFormPaa::openTables()
{
    m_book = std::make_unique<RecipeBook::Book>(ProgramPaths::dataFolder(), ProgramPaths::picsFolder());
    try {
        m_book->open();
    } catch (const StoreError &) {
        QString text = QStringLiteral("Database files not found.\nIf you have made a backup of the \"Data\" -folder,\n"
                                      "restore it or reinstall the program.");
        // Without any book, the way to make one.
        if (!QFileInfo::exists(ProgramPaths::dataFolder())) {
            QString folder = ProgramPaths::programFolder();
            if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
                folder.chop(1);
            const QString hint = QStringLiteral("To make a new recipe book, run\n  mealdeck-data init \"%1\"\n"
                                                "and start the program again (with --home \"%1\" for another folder).")
                                     .arg(folder);
            QTextStream(stderr) << "mealdeck: No recipe book in " << ProgramPaths::dataFolder() << ". " << hint << '\n';
            text += QStringLiteral("\n\n") + hint;
        }
        Dialogs::fatal(QStringLiteral("Database not found"), text);
        return;
    }
    m_tablesOpened = true;

    m_lists.wire(*m_book);

    enableCommands({"MenuLisaaPaa", "TBLisaaPaa"});
    m_panes.ruokakuva->hide();
    m_panes.memoKuvaus->hide();
    m_panes.panel2->hide();
    refreshLists();
    watchDataFolder();
}

void TFormPaa::watchDataFolder()
{
    // The store reopens the book itself when it meets a replaced file; the
    // user hears of it once, after the store call that noticed it.
    RecipeBook::Book::setReopenedHandler([this](const QString &) {
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
        if (!isVisible() || m_activating || QApplication::activeModalWidget())
            return;
        try {
            m_book->reopenIfReplaced();
        } catch (const ProgramError &) {
            // The next command that uses the table reports it.
        }
    });
}

void TFormPaa::bookReopened()
{
    m_reopenNoticeQueued = false;
    Dialogs::guard([this] {
        restoreSelection(selection());
        m_editors.bindEdits();
    });
    Dialogs::information(QStringLiteral("The recipe book was changed outside the program, so it has been opened "
                                        "again. The lists show it as it is stored now."));
}

void TFormPaa::openRestoredBook()
{
    // The restore tells the user itself; the store's notice of new files
    // would say the book was changed outside the program.
    m_reopenNoticeQueued = true;
    QString failure;
    try {
        m_book->reopenIfReplaced();
    } catch (const ProgramError &e) {
        failure = e.message();
    }
    m_reopenNoticeQueued = false;
    if (!failure.isEmpty()) {
        // Going on would write into the book that was replaced.
        Dialogs::error(QStringLiteral("The restored recipe book could not be opened: %1\nThe program ends now; "
                                      "start it again.")
                           .arg(failure));
        endProgram();
        return;
    }
    // The folder watcher followed the old folder to its new name.
    if (auto *watcher = findChild<QFileSystemWatcher *>()) {
        watcher->removePaths(watcher->directories());
        watcher->addPath(ProgramPaths::dataFolder());
    }
    m_panes.listAla->unbind();
    m_panes.listResepti->unbind();
    m_state.CurrentMainGroup.clear();
    m_state.CurrentSubgroup.clear();
    m_state.CurrentRecipe.clear();
    m_editors.forget();
    enableOnlyAddMainGroup();
    hideDetailPanes();
    m_panes.markListsDirty();
    refreshLists();
}

void TFormPaa::suspendSearchUpkeep()
{
    m_find->suspendUpkeep();
}

void TFormPaa::resumeSearchUpkeep()
{
    m_find->resumeUpkeep();
}

void TFormPaa::MenuEtsiClick()
{
    m_find->find();
}

void TFormPaa::workOnBook(const std::function<void(RecipeBook::Book &)> &work)
{
    const Selection before = selection();
    runGuarded([&] { work(*m_book); });
    // Rows written past the tables are read anew; what was selected stays so.
    Dialogs::guard([&] {
        m_book->replaced();
        restoreSelection(before);
    });
}

TFormPaa::Selection TFormPaa::selection() const
{
    return {m_panes.listPaa->currentId(), m_panes.listAla->currentId(), m_editors.shownId()};
}

void TFormPaa::restoreSelection(const Selection &selection)
{
    if (!m_tablesOpened)
        return;
    m_lists.restore(selection);
    refreshLists();
}

void TFormPaa::hideUnlistedRecipe()
{
    if (m_editors.settleUnlisted())
        hideRecipeDetails();
}

void TFormPaa::hideDetailPanes()
{
    m_panes.hideDetails(width() == FullWidth);
}

void TFormPaa::hideRecipeDetails()
{
    m_editors.forget();
    hideDetailPanes();
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
    m_book->discardPending();
    m_panes.markListsDirty();
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
    const bool storedAgain = m_book->storeAgainPending(m_state.CurrentMainGroup);
    dropPendingChanges();
    // Typing kept for a recipe that is not shown any more would go into
    // another one.
    if (!m_panes.listResepti->currentId() || m_panes.listResepti->currentName() != m_state.CurrentRecipe)
        m_editors.dropTyping();
    if (storedAgain)
        Dialogs::information(QStringLiteral("Another program deleted what you were changing. It has been stored "
                                            "again, with your changes."));
    else
        Dialogs::information(QStringLiteral("Another program changed the recipe book in the same place while you "
                                            "were changing it. Nothing was overwritten and your change was not "
                                            "saved; anything you typed is still in the window. The lists show "
                                            "the book as it is stored now."));
    m_editors.holdTyping();
}

void TFormPaa::refreshLists()
{
    m_lists.refresh();
    hideUnlistedRecipe();
}

void TFormPaa::showWithoutPicture()
{
    m_panes.ruokakuva->hide();
    m_panes.kuva->hide();
    m_panes.kuva2->hide();
    placeMemo(false);
    applyRecipeWindowLayout();
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
    FocusPane(m_panes.listPaa);
    // The recipe list is open only after a subgroup was selected; otherwise
    // there is no recipe to select again.
    if (m_state.ReturnedFromRecipe && m_panes.listResepti->currentId()) {
        FocusPane(m_panes.listResepti);
        DBLLBoxListaClick();
    }
}

void TFormPaa::FormShow()
{
    enableOnlyAddMainGroup();
    centreOnDesktop();
    if (m_state.ReturnedFromRecipe && m_panes.listResepti->currentId()) {
        FocusPane(m_panes.listResepti);
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
    FocusPane(m_panes.listPaa);
    settleDescription();
    m_panes.listResepti->unbind();
    hideDetailPanes();
    m_state.MainGroupMode = true;
    m_state.SubgroupMode = false;
    m_state.RecipeMode = false;
    m_state.CurrentMainGroup = m_panes.listPaa->currentName();
    m_lists.showSubgroupsOf(m_panes.listPaa->currentId());
    enableOnlyAddMainGroup();
    if (m_panes.listPaa->count() > 0)
        enableCommands({"MenuLisaaAla", "TBLisaaAla", "MenuPoistaPaa", "TBPoistaPaa", "MenuMuutaPaa"});
    refreshLists();
}

void TFormPaa::DBLLBoxAlaryhmaClick()
{
    // The subgroups are those of the main group row the list shows as
    // current; until that main group has been selected (Enter right after
    // start, or after the main groups changed) it is selected first.
    if (!m_panes.listAla->isBound() || m_panes.listAla->parentId() != m_panes.listPaa->currentId())
        DBLLBoxPaaryhmaClick();
    SaveDifficultyAndTime();
    settleDescription();
    FocusPane(m_panes.listAla);
    m_lists.showRecipesOf(m_panes.listAla->currentId());
    m_state.SubgroupMode = true;
    m_state.MainGroupMode = false;
    m_state.RecipeMode = false;
    DisableCommands();
    m_state.HasSubgroups = false;
    hideDetailPanes();
    // Delete and rename need a subgroup row.
    if (m_panes.listAla->currentId())
        enableCommands({"MenuPoistaAla", "MenuMuutaAla"});
    m_state.CurrentSubgroup = m_panes.listAla->currentName();
    m_state.CurrentMainGroup = m_panes.listPaa->currentName();
    if (m_panes.listAla->isBound()) {
        // The subgroups are read anew; the selected one stays selected.
        m_panes.listAla->markDirty();
        m_panes.listAla->refresh();
        if (m_panes.listAla->count() > 0) {
            m_state.HasSubgroups = true;
            enableCommands({"MenuLisaaResepti", "TBLisaaResepti", "MenuPoistaAla", "TBPoistaAla"});
        }
    }
    refreshLists();
}

void TFormPaa::DBLLBoxListaClick()
{
    settleDescription();
    FocusPane(m_panes.listResepti);
    m_state.MainGroupMode = false;
    m_state.SubgroupMode = false;
    const qint64 id = m_panes.listResepti->currentId();
    const std::optional<RecipeBook::Book::Recipe> recipe = m_book->recipe(id);
    if (!recipe) {
        refreshLists();
        return;
    }
    DisableCommands();
    m_panes.panel2->show();
    enableCommands({"MenuPoistaResepti", "TBPoistaResepti", "MenuNaytaResepti", "MenuMuutaResepti"});
    m_state.CurrentRecipe = recipe->name;
    m_editors.show(id, recipe->description);

    m_state.HasPortionCount = !recipe->portions.isEmpty();
    if (!recipe->hasPicture) {
        enableCommands({"MenuLisaaKuva", "TBLisaaKuva"});
        showWithoutPicture();
    } else {
        enableCommands({"MenuPoistaKuva", "TBPoistaKuva"});
        m_state.PicturePath = recipePicturePath(m_state.CurrentRecipe);
        QImage picture;
        QString reason;
        const PictureFiles::ReadResult read = RecipeBook::Book::readStoredPicture(m_state.PicturePath, &picture, &reason);
        if (read != PictureFiles::ReadResult::Missing) {
            if (picture.isNull()) {
                Dialogs::information(QStringLiteral("The file you tried to open is not a valid image file.")
                                     + (read == PictureFiles::ReadResult::Refused
                                            ? refusedFileText(m_state.PicturePath, reason)
                                            : QString()));
                refreshLists();
                return;
            }
            m_panes.ruokakuva->setPixmap(QPixmap::fromImage(picture));
        } else {
            // The file is away for now (a folder not mounted yet, a sync tool
            // at work): the recipe is shown without its picture, and Kuva
            // stays as stored, so that the picture shows again once the file
            // is back. Only Delete Picture clears it.
            showWithoutPicture();
            m_editors.showPlaceholderIfEmpty();
            SaveDifficultyAndTime();
            refreshLists();
            return;
        }
        m_panes.ruokakuva->show();
        m_panes.memoKuvaus->show();
        m_panes.kuva->hide();
        m_panes.kuva2->hide();
        placeMemo(true);
        applyRecipeWindowLayout();
        centreRecipeWindow();
    }
    m_editors.showPlaceholderIfEmpty();
    SaveDifficultyAndTime();
    refreshLists();
}

void TFormPaa::enableOnlyAddMainGroup()
{
    DisableCommands();
    enableCommands({"MenuLisaaPaa", "TBLisaaPaa"});
}

void TFormPaa::restoreMainGroupCommands()
{
    DisableCommands();
    enableCommands({"MenuLisaaPaa", "MenuPoistaPaa", "MenuMuutaPaa"});
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

// ---- Picture files -----------------------------------------------------------------------------

QString TFormPaa::recipePicturePath(const QString &recipeName)
{
    return PicturePaths::pictureFile(recipeName);
}

QString TFormPaa::refusedFileText(const QString &path, const QString &reason)
{
    return QStringLiteral("\n\n\"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}
