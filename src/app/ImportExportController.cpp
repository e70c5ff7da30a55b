#include "app/ImportExportController.h"

#include "app/FormPaa.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "platform/Hints.h"
#include "platform/ProgressDialog.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"
#include "store/backup/BookBackup.h"
#include "store/exchange/BookExport.h"
#include "store/exchange/BookImport.h"
#include "store/exchange/MealMasterReader.h"
#include "store/table/ProgramError.h"
#include "store/exchange/WebImport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

namespace {

bool isMealMaster(const QString &file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == QLatin1String("mmf") || suffix == QLatin1String("mm") || suffix == QLatin1String("txt");
}

// The files chosen in a file dialog over the window, or none when it was
// cancelled: files to open, or with `suffix` the one file to save.
QStringList chooseFiles(TFormPaa *form, const QString &caption, const QString &filter,
                        const QString &suffix = QString(), const QString &suggested = QString())
{
    FileChooser::Request request;
    request.mode = suffix.isEmpty() ? FileChooser::Mode::OpenFiles : FileChooser::Mode::SaveFile;
    request.parent = form;
    request.below = form;
    request.caption = caption;
    request.start = suggested;
    request.filter = filter;
    request.suffix = suffix;
    return FileChooser::choose(request);
}

// A file name for a group or recipe name: no folder separators or control
// characters, no leading dot.
QString fileNameFor(const QString &name)
{
    QString file;
    for (QChar c : name.trimmed())
        file += (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20) ? QLatin1Char('_') : c;
    while (file.startsWith(QLatin1Char('.')))
        file.remove(0, 1);
    return file.isEmpty() ? QStringLiteral("Recipes") : file;
}

// The OK button (captioned `ok`) and Cancel at the foot of a dialog.
void addOkCancel(QDialog *dialog, QVBoxLayout *layout, const QString &ok)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BitBtnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BitBtnCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
}

// The main group and encoding of an import; false when cancelled.
bool askImportOptions(TFormPaa *form, const QStringList &files, ImportOptions *options)
{
    QDialog dialog(form);
    QVBoxLayout *layout
        = Dialogs::columnLayout(&dialog, "FormTuonti", QStringLiteral("Saffrona's Mealdeck   -   Import Recipes"));
    const QString &first = files.first();
    layout->addWidget(new QLabel(files.size() == 1 ? QStringLiteral("Import the recipes of %1.")
                                                         .arg(WebImport::isWebAddress(first) ? first
                                                                                             : QFileInfo(first).fileName())
                                                   : QStringLiteral("Import the recipes of %1 files.").arg(files.size()),
                                 &dialog));
    auto *form2 = new QFormLayout;
    auto *mainGroup = new QComboBox(&dialog);
    mainGroup->setObjectName(QStringLiteral("ComboPaaryhma"));
    mainGroup->setEditable(true);
    if (form->book()) {
        for (const RecipeBook::Book::Entry &group : form->book()->mainGroupEntries())
            mainGroup->addItem(group.name);
    }
    mainGroup->setCurrentText(QStringLiteral("Imported recipes"));
    mainGroup->setToolTip(QStringLiteral("New subgroups go into this main group; an existing one or a new name."));
    form2->addRow(QStringLiteral("&Main group:"), mainGroup);
    auto *keep = new QCheckBox(QStringLiteral("Use the main group a recipe names itself, when it names one"), &dialog);
    keep->setObjectName(QStringLiteral("CheckOmatPaaryhmat"));
    form2->addRow(QString(), keep);
    auto *encoding = new QComboBox(&dialog);
    encoding->setObjectName(QStringLiteral("ComboMerkisto"));
    QString detected;
    for (const QString &file : files) {
        if (!isMealMaster(file))
            continue;
        QFile f(file);
        if (f.open(QIODevice::ReadOnly)) {
            detected = MealMasterReader::detectEncoding(f);
            break;
        }
    }
    encoding->addItem(detected.isEmpty() ? QStringLiteral("Detect for each file")
                                         : QStringLiteral("Detected (%1)").arg(detected),
                      QString());
    for (const QString &name : MealMasterReader::encodings())
        encoding->addItem(name, name);
    encoding->setEnabled(std::any_of(files.begin(), files.end(), isMealMaster));
    form2->addRow(QStringLiteral("Meal-Master &text encoding:"), encoding);
    layout->addLayout(form2);
    addOkCancel(&dialog, layout, QStringLiteral("&Import"));
    if (Dialogs::exec(&dialog, form) != QDialog::Accepted)
        return false;
    options->mainGroup = mainGroup->currentText().trimmed();
    if (options->mainGroup.isEmpty())
        options->mainGroup = QStringLiteral("Imported recipes");
    options->keepFileMainGroups = keep->isChecked();
    options->encoding = encoding->currentData().toString();
    return true;
}

bool workRunning = false;
bool cancelRequested = false;

// Marks an import or export as under way while it lives.
class WorkUnderWay
{
public:
    WorkUnderWay()
    {
        workRunning = true;
        cancelRequested = false;
    }
    ~WorkUnderWay()
    {
        workRunning = false;
        cancelRequested = false;
    }
    Q_DISABLE_COPY_MOVE(WorkUnderWay)
};

// Progress of an import or export, with Cancel; the end of the session
// cancels it too.
class Progress : public ProgressDialog
{
public:
    Progress(TFormPaa *form, const QString &text) : ProgressDialog(form, text, QStringLiteral("FormEdistyminen")) { }
    // False once cancelled.
    bool update(qint64 done, qint64 total) { return ProgressDialog::update(done, total) && !cancelRequested; }
};

void saveSummary(TFormPaa *form, const QString &text)
{
    const QStringList files = chooseFiles(form, QStringLiteral("Save the Summary"),
                                          QStringLiteral("Text files (*.txt);;All files (*)"), QStringLiteral("txt"));
    if (files.isEmpty())
        return;
    QSaveFile file(files.first());
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        Dialogs::information(QStringLiteral("The summary could not be saved as %1: %2").arg(files.first(),
                                                                                              file.errorString()));
}

void showSummary(TFormPaa *form, const ImportSummary &summary)
{
    QDialog dialog(form);
    dialog.setObjectName(QStringLiteral("FormYhteenveto"));
    dialog.setWindowTitle(QStringLiteral("Saffrona's Mealdeck   -   Import Summary"));
    dialog.resize(640, 400);
    auto *layout = new QVBoxLayout(&dialog);
    auto *text = new QPlainTextEdit(summary.text(), &dialog);
    text->setObjectName(QStringLiteral("MemoYhteenveto"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(text);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *save = buttons->addButton(QStringLiteral("&Save As..."), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("BitBtnTallenna"));
    QPushButton *close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::AcceptRole);
    close->setObjectName(QStringLiteral("BitBtnSulje"));
    close->setDefault(true);
    QObject::connect(save, &QPushButton::clicked, &dialog,
                     [&] { Dialogs::guard([&] { saveSummary(form, summary.text()); }); });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    Dialogs::exec(&dialog, form);
}

// Reads the recipe pages at `addresses` into `options`, with progress and
// Cancel; false when cancelled.
bool fetchPages(TFormPaa *form, const QStringList &addresses, ImportOptions *options)
{
    Progress progress(form, QStringLiteral("Fetching the recipe page..."));
    WebImport::Result pages = WebImport().read(addresses, [&](const QString &address, qint64 done, qint64 total) {
        progress.setLabel(QStringLiteral("Fetching %1...").arg(address));
        return progress.update(done, total);
    });
    if (pages.cancelled)
        return false;
    options->readRecipes = std::move(pages.recipes);
    options->readProblems = std::move(pages.problems);
    return true;
}

// Imports recipe files and recipe pages by address into the book: the import
// dialog, the pages fetched, the backup, progress, the summary. With
// `showFirst` the first recipe imported is selected.
void importFrom(TFormPaa *form, const QStringList &files, const QStringList &addresses, bool showFirst)
{
    ImportOptions options;
    if (!askImportOptions(form, files + addresses, &options))
        return;
    const WorkUnderWay work;
    if (!addresses.isEmpty() && !fetchPages(form, addresses, &options))
        return;
    // The book as it was is backed up first, so that an import can be undone.
    options.beforeImport = [form] {
        Progress progress(form, QStringLiteral("Backing up the recipe book before the import..."));
        BookBackup::makeAutomaticBackup(form->book()->dataFolder(),
                                        [&](qint64 done, qint64 total) { return progress.update(done, total); },
                                        QString(), BookBackup::Automatic::BeforeImport);
    };
    ImportSummary summary;
    form->suspendSearchUpkeep();
    form->workOnBook([&](RecipeBook::Book &book) {
        Progress progress(form, QStringLiteral("Importing recipes..."));
        summary = BookImport(book).run(files, options,
                                       [&](qint64 done, qint64 total) { return progress.update(done, total); });
    });
    form->resumeSearchUpkeep();
    // Cancelled as the session ends: nobody is there to read a summary.
    if (cancelRequested)
        return;
    const ImportSummary::Recipe &first = summary.first;
    if (showFirst && first.id != 0)
        form->selectRecipe(first.mainGroup, first.subgroup, first.name, first.id);
    showSummary(form, summary);
}

void importRecipes(TFormPaa *form)
{
    const QStringList files =
        chooseFiles(form, QStringLiteral("Import Recipes"), BookImport::fileFilter());
    if (!files.isEmpty())
        importFrom(form, files, {}, false);
}

// The address of a recipe page as the user gives it; empty when cancelled.
QString askWebAddress(TFormPaa *form)
{
    QDialog dialog(form);
    QVBoxLayout *layout = Dialogs::columnLayout(
        &dialog, "FormWebSivu", QStringLiteral("Saffrona's Mealdeck   -   Import Recipe from Web Page"));
    auto *label = new QLabel(QStringLiteral("&Address of the recipe page:"), &dialog);
    auto *edit = new QLineEdit(&dialog);
    edit->setObjectName(QStringLiteral("EditOsoite"));
    edit->setPlaceholderText(QStringLiteral("https://"));
    edit->setMinimumWidth(420);
    label->setBuddy(edit);
    // An address copied from the browser is offered.
    const QString copied = QGuiApplication::clipboard()->text().trimmed();
    if (WebImport::isWebAddress(copied))
        edit->setText(copied);
    layout->addWidget(label);
    layout->addWidget(edit);
    addOkCancel(&dialog, layout, QStringLiteral("&Fetch"));
    if (Dialogs::exec(&dialog, form) != QDialog::Accepted || edit->text().trimmed().isEmpty())
        return QString();
    const QString address = QUrl::fromUserInput(edit->text().trimmed()).toString();
    if (!WebImport::isWebAddress(address)) {
        Dialogs::information(QStringLiteral("\"%1\" is not a web address; give one that starts with http:// or "
                                            "https://.")
                                 .arg(edit->text().trimmed()));
        return QString();
    }
    return address;
}

void importWebPage(TFormPaa *form)
{
    const QString address = askWebAddress(form);
    if (!address.isEmpty())
        importFrom(form, {}, {address}, true);
}

// Imports what is dropped on the main window from a browser or a file
// manager: links to recipe pages and recipe files, as the Book menu's
// imports do.
class DropImport : public QObject
{
public:
    explicit DropImport(TFormPaa *form) : QObject(form), m_form(form) { }

    // The recipe files and web addresses of dropped data.
    static void split(const QMimeData *data, QStringList *files, QStringList *addresses)
    {
        static const QStringList suffixes{"mmf", "mm", "txt", "json", "jsonld", "html", "htm", "zip", "paprikarecipes"};
        for (const QUrl &url : data->urls()) {
            if (url.isLocalFile()) {
                if (suffixes.contains(QFileInfo(url.toLocalFile()).suffix().toLower()))
                    *files << url.toLocalFile();
            } else if (WebImport::isWebAddress(url.toString())) {
                *addresses << url.toString();
            }
        }
        if (!data->hasUrls() && WebImport::isWebAddress(data->text()))
            *addresses << data->text().trimmed();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_form)
            return false;
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            QStringList files;
            QStringList addresses;
            split(drag->mimeData(), &files, &addresses);
            if ((!files.isEmpty() || !addresses.isEmpty()) && !ImportExportController::running())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto *drop = static_cast<QDropEvent *>(event);
            QStringList files;
            QStringList addresses;
            split(drop->mimeData(), &files, &addresses);
            if ((files.isEmpty() && addresses.isEmpty()) || ImportExportController::running())
                return false;
            drop->acceptProposedAction();
            // The import asks and shows its dialogs once the drop is over, so
            // that the program the data came from is not kept waiting.
            TFormPaa *form = m_form;
            QTimer::singleShot(0, form, [form, files, addresses] {
                Dialogs::guard([&] { importFrom(form, files, addresses, true); });
            });
            return true;
        }
        return false;
    }

private:
    TFormPaa *m_form;
};

// Settings of the export window: the format last chosen (0 Meal-Master, 1
// JSON-LD) and the folder last written to.
constexpr char ExportFormatValue[] = "ExportFormat";
constexpr char ExportFolderValue[] = "ExportFolder";

void exportRecipes(TFormPaa *form)
{
    RecipeBook::Book *book = form->book();
    if (!book)
        return;
    QDialog dialog(form);
    QVBoxLayout *layout
        = Dialogs::columnLayout(&dialog, "FormVienti", QStringLiteral("Saffrona's Mealdeck   -   Export Recipes"));
    auto *what = new QGroupBox(QStringLiteral("Export"), &dialog);
    auto *whatLayout = new QVBoxLayout(what);
    struct Choice
    {
        const char *objectName;
        BookExport::Scope scope;
        qint64 id;
        // Empty when there is no such selection.
        QString name;
    };
    // What the main window shows selected, by id: the subgroup list holds
    // the subgroups of the selected main group only.
    const TFormPaa::Selection selected = form->selection();
    const std::optional<RecipeBook::Book::Recipe> recipe = selected.recipe ? book->recipe(selected.recipe) : std::nullopt;
    const QVector<Choice> choices{
        {"RBResepti", BookExport::Scope::Recipe, selected.recipe, recipe ? recipe->name : QString()},
        {"RBAlaryhma", BookExport::Scope::Subgroup, selected.subgroup,
         selected.subgroup ? book->subgroupName(selected.subgroup).value_or(QString()) : QString()},
        {"RBPaaryhma", BookExport::Scope::MainGroup, selected.mainGroup,
         selected.mainGroup ? book->mainGroupName(selected.mainGroup).value_or(QString()) : QString()},
        {"RBKirja", BookExport::Scope::Book, 0, QStringLiteral("*")},
    };
    const QStringList captions{QStringLiteral("the recipe \"%1\""), QStringLiteral("the subgroup \"%1\""),
                               QStringLiteral("the main group \"%1\""), QStringLiteral("the whole book")};
    QVector<QRadioButton *> buttons;
    for (int i = 0; i < choices.size(); ++i) {
        const Choice &c = choices.at(i);
        auto *button = new QRadioButton(c.scope == BookExport::Scope::Book ? captions.at(i) : captions.at(i).arg(c.name),
                                        what);
        button->setObjectName(QLatin1String(c.objectName));
        button->setEnabled(!c.name.isEmpty());
        button->setVisible(!c.name.isEmpty());
        whatLayout->addWidget(button);
        buttons << button;
    }
    for (QRadioButton *b : buttons) {
        if (b->isEnabled()) {
            b->setChecked(true);
            break;
        }
    }
    layout->addWidget(what);
    auto *format = new QComboBox(&dialog);
    format->setObjectName(QStringLiteral("ComboMuoto"));
    format->addItem(QStringLiteral("Meal-Master text (.mmf)"));
    format->addItem(QStringLiteral("JSON-LD zip, Nextcloud Cookbook layout (.zip)"));
    SettingsKey settings;
    const bool settingsOpen = settings.open();
    QString folder;
    if (settingsOpen) {
        if (settings.valueExists(QLatin1String(ExportFormatValue)))
            format->setCurrentIndex(qBound(0, settings.readInteger(QLatin1String(ExportFormatValue)), 1));
        folder = settings.readString(QLatin1String(ExportFolderValue));
    }
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    auto *formatRow = new QFormLayout;
    formatRow->addRow(QStringLiteral("&Format:"), format);
    layout->addLayout(formatRow);
    addOkCancel(&dialog, layout, QStringLiteral("&Export..."));
    if (Dialogs::exec(&dialog, form) != QDialog::Accepted)
        return;
    int chosen = 0;
    while (chosen < buttons.size() - 1 && !buttons.at(chosen)->isChecked())
        ++chosen;
    const bool jsonLd = format->currentIndex() == 1;
    const Choice &choice = choices.at(chosen);
    const QString suggested = folder + QLatin1Char('/')
        + fileNameFor(choice.scope == BookExport::Scope::Book ? QStringLiteral("Recipes") : choice.name)
        + (jsonLd ? QStringLiteral(".zip") : QStringLiteral(".mmf"));
    const QStringList files = chooseFiles(form, QStringLiteral("Export Recipes"),
                                          jsonLd ? QStringLiteral("JSON-LD zip (*.zip)")
                                                 : QStringLiteral("Meal-Master (*.mmf)"),
                                          jsonLd ? QStringLiteral("zip") : QStringLiteral("mmf"), suggested);
    if (files.isEmpty())
        return;
    if (settingsOpen) {
        try {
            settings.writeInteger(QLatin1String(ExportFormatValue), jsonLd ? 1 : 0);
            settings.writeString(QLatin1String(ExportFolderValue), QFileInfo(files.first()).absolutePath());
        } catch (const ProgramError &) {
            // The export goes on; only the choices are not remembered.
        }
    }
    BookExport::Result result;
    const WorkUnderWay work;
    form->workOnBook([&](RecipeBook::Book &book) {
        Progress progress(form, QStringLiteral("Exporting recipes..."));
        result = BookExport(book).run(files.first(), jsonLd ? BookExport::Format::JsonLd : BookExport::Format::MealMaster,
                                      choice.scope, choice.id,
                                      [&](int done, int total) { return progress.update(done, total); });
    });
    if (result.cancelled || cancelRequested)
        return;
    if (!result.error.isEmpty())
        Dialogs::information(result.error + QLatin1Char('.'));
    else
        Dialogs::information(QStringLiteral("%1 recipe%2 exported to %3.")
                                 .arg(result.recipes)
                                 .arg(result.recipes == 1 ? "" : "s")
                                 .arg(QFileInfo(files.first()).fileName()));
}

} // namespace

bool ImportExportController::running()
{
    return workRunning;
}

void ImportExportController::cancel()
{
    cancelRequested = workRunning;
}

ImportExportController::ImportExportController(TFormPaa *form, QMenu *menu) : QObject(form)
{
    QAction *import = Hints::addMenuCommand(form, menu, "MenuTuo", QStringLiteral("&Import Recipes..."),
                                QStringLiteral("|Import recipes from Meal-Master, JSON-LD, web page, Nextcloud Cookbook "
                                               "or Paprika files."));
    QObject::connect(import, &QAction::triggered, this, [form] { Dialogs::guard([form] { importRecipes(form); }); });
    QAction *web = Hints::addMenuCommand(form, menu, "MenuTuoWeb", QStringLiteral("Import Recipe from &Web Page..."),
                             QStringLiteral("|Import the recipes of a web page by its address."));
    QObject::connect(web, &QAction::triggered, this, [form] { Dialogs::guard([form] { importWebPage(form); }); });
    // Links and recipe files dropped on the window are imported too.
    form->setAcceptDrops(true);
    form->installEventFilter(new DropImport(form));
    QAction *exportAction = Hints::addMenuCommand(form, menu, "MenuVie", QStringLiteral("&Export Recipes..."),
                                      QStringLiteral("|Export recipes as Meal-Master text or a JSON-LD zip."));
    QObject::connect(exportAction, &QAction::triggered, this,
                     [form] { Dialogs::guard([form] { exportRecipes(form); }); });
}
