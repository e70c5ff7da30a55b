#include "app/SharedState.h"
#include "platform/Dialogs.h"
#include "recipe/DBMemo.h"
#include "recipe/FontDialog.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/FormResepti.h"
#include "recipe/RecipeWindowHost.h"
#include "settings/FormAinesohje.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"
#include "store/table/PackTable.h"
#include "store/book/RecipeBook.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFontComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <memory>

namespace {

// The main window's side as the recipe window sees it, over a real book.
class FakeHost : public RecipeWindowHost
{
public:
    SharedState shared;
    RecipeBook::Book *recipeBook = nullptr;
    qint64 shownId = 0;
    int fullLayouts = 0;
    int smallLayouts = 0;
    int shown = 0;
    int exits = 0;
    bool autorun = false;

    SharedState &state() override { return shared; }
    RecipeBook::Book *book() override { return recipeBook; }
    qint64 shownRecipeId() override { return shownId; }
    qint64 selectedRecipeId() override { return shownId; }
    void applyFullLayout() override { ++fullLayouts; }
    void applySmallLayout() override { ++smallLayouts; }
    void setWindowMenuEnabled(bool) override { }
    void centreMainWindow() override { }
    QPlainTextEdit *descriptionMemo() override { return nullptr; }
    void showMainWindow() override { ++shown; }
    bool mainAutorunChecked() override { return autorun; }
    void setMainAutorunChecked(bool checked) override { autorun = checked; }
    void setAutoRun(bool) override { }
    void runExitCommand() override { ++exits; }
    void SaveDifficultyAndTime() override { }
    void addShownRecipeToMenu(QWidget *) override { }
};

void setFlag(const char *name, bool value)
{
    SettingsKey key;
    QVERIFY(key.open());
    key.writeBool(QLatin1String(name), value);
}

bool flagExists(const char *name)
{
    SettingsKey key;
    return key.open() && key.valueExists(QLatin1String(name));
}

bool flagValue(const char *name)
{
    SettingsKey key;
    return key.open() && key.valueExists(QLatin1String(name)) && key.readBool(QLatin1String(name));
}

// Presses the save-changes question's button with this text.
Dialogs::Responder answer(const QString &button)
{
    return [button](QDialog *dialog) {
        for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
            if (b->text().contains(button)) {
                b->click();
                return;
            }
        }
    };
}

Dialogs::Responder enterCount(const QString &count)
{
    return [count](QDialog *dialog) {
        auto *annos = static_cast<TFormAnnos *>(dialog);
        annos->EditAnnos()->setText(count);
        annos->BitBtnOK()->click();
    };
}

} // namespace

class TestFormResepti : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ingredientFilter_data();
    void ingredientFilter();
    void directionsFilter_data();
    void directionsFilter();
    void ctrlEnterSwitchesMemos();
    void leavingAsksOnlyAfterModification_data();
    void leavingAsksOnlyAfterModification();
    void ingredientTipUntilBoxClicked();
    void portionDialogCases_data();
    void portionDialogCases();
    void calculateScalesAndStoresCount();
    void calculateWithBadLineStoresNothing();
    void changeCountAsksAndNoStoresNothing();
    void pastedNonDigitsAreNotACount();
    void portionDialogDigitFilter();
    void saveQuestionCases_data();
    void saveQuestionCases();
    void saveQuestionAnswers_data();
    void saveQuestionAnswers();
    void saveQuestionBoxWritesAtFirstClick();
    void fontIsStoredAndReadBack();
    void sizeModesWriteOnlyExistingKoko();
    void narrowScreen();
    void exitConfirmationStoresMemoEdits();
    void escapeInAQuestionKeepsTheEdits();
    void portionCommandsFollowTheRecipe_data();
    void portionCommandsFollowTheRecipe();
    void editCommandsFollowTheSelection();
    void startWithWindowsFollowsBothWindows();
    void printButtonsFollowTheirMenuItems();
    void noBreakSpacesAreKept();

private:
    void addRecipe(const QString &name, const QString &annos, const QString &aineet, const QString &ohje);
    QString stored(const QString &field) const;
    void openWindow();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TPackTable> m_table;
    std::unique_ptr<RecipeBook::Book> m_book;
    std::unique_ptr<TFormAnnos> m_annos;
    std::unique_ptr<TFormResepti> m_window;
    FakeHost *m_host = nullptr;
};

void TestFormResepti::init()
{
    Dialogs::setTestMode(true);
    Dialogs::clearRecord();
    Dialogs::setResponder({});
    QFile::remove(SettingsStore::filePath());
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(m_dir->path(), false));
    m_table = std::make_unique<TPackTable>();
    m_table->setDatabaseName(m_dir->path() + QStringLiteral("/Data"));
    m_table->setTableName(QStringLiteral("Ohje"));
    m_table->open();
    m_book = std::make_unique<RecipeBook::Book>(m_dir->path() + QStringLiteral("/Data"),
                                                m_dir->path() + QStringLiteral("/Pics/"));
    m_book->open();
}

void TestFormResepti::cleanup()
{
    m_window.reset();
    m_annos.reset();
    m_book.reset();
    m_table.reset();
    m_dir.reset();
    m_host = nullptr;
}

void TestFormResepti::addRecipe(const QString &name, const QString &annos, const QString &aineet, const QString &ohje)
{
    m_table->append();
    m_table->setFieldText(QStringLiteral("Nimi"), name);
    m_table->setFieldText(QStringLiteral("Ryhma"), QStringLiteral("Soups"));
    m_table->setFieldText(QStringLiteral("Annos"), annos);
    m_table->setFieldText(QStringLiteral("Aineet"), aineet);
    m_table->setFieldText(QStringLiteral("Ohje"), ohje);
    m_table->apply();
}

QString TestFormResepti::stored(const QString &field) const
{
    TPackTable reader;
    reader.setDatabaseName(m_dir->path() + QStringLiteral("/Data"));
    reader.setTableName(QStringLiteral("Ohje"));
    reader.open();
    reader.setRecNo(m_table->RecNo());
    return reader.fieldText(field);
}

void TestFormResepti::openWindow()
{
    auto host = std::make_unique<FakeHost>();
    m_host = host.get();
    m_host->recipeBook = m_book.get();
    m_host->shownId = m_table->currentRowId();
    m_host->shared.CurrentRecipe = QStringLiteral("Pasta");
    m_annos = std::make_unique<TFormAnnos>();
    m_window = std::make_unique<TFormResepti>(std::move(host), m_annos.get());
    m_window->showRecipe(m_host->shownId);
}

void TestFormResepti::ingredientFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addRow("point becomes comma") << "1.5 dl"
                                         << "1,5 dl";
    QTest::addRow("semicolon refused") << "a;b"
                                       << "ab";
    QTest::addRow("colon and apostrophe refused") << "a:'b"
                                                  << "ab";
    QTest::addRow("brackets refused") << "[a]{b}<c>"
                                      << "abc";
    QTest::addRow("accepted signs") << "% & ( ) + - / = ? \""
                                    << "% & ( ) + - / = ? \"";
    QTest::addRow("nordic letters") << "\u00c4\u00c5\u00d6\u00e4\u00e5\u00f6"
                                    << "\u00c4\u00c5\u00d6\u00e4\u00e5\u00f6";
    QTest::addRow("other accents refused") << "\u00e9\u00fc"
                                           << "";
    QTest::addRow("grave and hash refused") << "`#$*@!~"
                                            << "";
}

void TestFormResepti::ingredientFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QString(), QStringLiteral("Boil."));
    openWindow();
    for (const QChar c : typed)
        QTest::sendKeyEvent(QTest::Click, m_window->Aineet(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCOMPARE(m_window->Aineet()->toPlainText(), expected);
    QCOMPARE(m_window->Aineet()->Modified(), !expected.isEmpty());
}

void TestFormResepti::directionsFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addRow("semicolon and colon") << "a;b:c"
                                         << "a;b:c";
    QTest::addRow("grave refused") << "a`b"
                                   << "ab";
    QTest::addRow("point stays") << "1.5"
                                 << "1.5";
    QTest::addRow("euro and pound") << "\u20ac\u00a3\u00a7\u00bd"
                                    << "\u20ac\u00a3\u00a7\u00bd";
    QTest::addRow("accented vowels") << "\u00e0\u00e8\u00f1\u00f9\u00ff"
                                     << "\u00e0\u00e8\u00f1\u00f9\u00ff";
    QTest::addRow("refused non-ascii") << "\u00e6\u00f0\u00f7\u00fe\u00c9"
                                       << "";
}

void TestFormResepti::directionsFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl"), QString());
    openWindow();
    m_window->FocusDirections();
    for (const QChar c : typed)
        QTest::sendKeyEvent(QTest::Click, m_window->Ohje(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCOMPARE(m_window->Ohje()->toPlainText(), expected);
}

void TestFormResepti::ctrlEnterSwitchesMemos()
{
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl"), QStringLiteral("Boil."));
    openWindow();
    QCOMPARE(m_window->focusWidget(), m_window->Aineet());
    QTest::keyClick(m_window->Aineet(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_window->focusWidget(), m_window->Ohje());
    QCOMPARE(m_window->Aineet()->toPlainText(), QStringLiteral("1 dl"));
    QCOMPARE(m_window->Aineet()->palette().color(QPalette::Base), QColor(0xEF, 0xEF, 0xEF));
    QTest::keyClick(m_window->Ohje(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_window->focusWidget(), m_window->Aineet());
    QCOMPARE(m_window->Ohje()->toPlainText(), QStringLiteral("Boil."));
    QCOMPARE(m_window->Ohje()->palette().color(QPalette::Base), QColor(0xEF, 0xEF, 0xEF));
}

void TestFormResepti::leavingAsksOnlyAfterModification_data()
{
    QTest::addColumn<bool>("modify");
    QTest::addColumn<bool>("kysOhMuu");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("storedText");

    QTest::addRow("unmodified") << false << false << QString() << false << "1 dl";
    QTest::addRow("modified, Yes stores") << true << false << "Yes" << true << "1 dlx";
    QTest::addRow("modified, No drops") << true << false << "No" << true << "1 dl";
    QTest::addRow("question switched off stores") << true << true << QString() << false << "1 dlx";
}

void TestFormResepti::leavingAsksOnlyAfterModification()
{
    QFETCH(bool, modify);
    QFETCH(bool, kysOhMuu);
    QFETCH(QString, button);
    QFETCH(bool, asked);
    QFETCH(QString, storedText);

    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl"), QStringLiteral("Boil."));
    if (kysOhMuu)
        setFlag(SettingNames::KysOhMuu, true);
    openWindow();
    if (modify) {
        m_window->Aineet()->moveCursor(QTextCursor::End);
        QTest::keyClick(m_window->Aineet(), 'x');
    }
    Dialogs::clearRecord();
    if (!button.isEmpty())
        Dialogs::queueResponse(answer(button));
    QTest::keyClick(m_window->Aineet(), Qt::Key_Escape);

    QCOMPARE(Dialogs::shownDialogs().contains(QStringLiteral("FormMuuttunut")), asked);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_host->shown, 1);
    QVERIFY(m_host->shared.ReturnedFromRecipe);
    QCOMPARE(stored(QStringLiteral("Aineet")), storedText);
    QCOMPARE(stored(QStringLiteral("Aste")), QString());
    QVERIFY(!m_book->hasPendingChanges());
    QVERIFY(flagExists(SettingNames::KysOhMuu) || !modify);
}

void TestFormResepti::ingredientTipUntilBoxClicked()
{
    addRecipe(QStringLiteral("Pasta"), QString(), QString(), QString());
    Dialogs::queueResponse([](QDialog *) {});
    openWindow();
    QCOMPARE(Dialogs::shownDialogs(), QStringList {QStringLiteral("FormAinesohje")});
    QVERIFY(flagExists(SettingNames::Aines));
    QVERIFY(!flagValue(SettingNames::Aines));

    m_window->hide();
    Dialogs::clearRecord();
    Dialogs::queueResponse([](QDialog *dialog) {
        static_cast<TFormAinesohje *>(dialog)->CheckBox1->click();
        dialog->accept();
    });
    m_window->showRecipe(m_host->shownId);
    QCOMPARE(Dialogs::shownDialogs().size(), 1);
    QVERIFY(flagValue(SettingNames::Aines));

    m_window->hide();
    Dialogs::clearRecord();
    m_window->showRecipe(m_host->shownId);
    QVERIFY(Dialogs::shownDialogs().isEmpty());
}

void TestFormResepti::portionDialogCases_data()
{
    QTest::addColumn<QString>("annos");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("recipeMode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("difficultyShown");

    QTest::addRow("calculate") << "4"
                               << "MenuLaske" << false << "Calculate new portion number" << 159 << false;
    QTest::addRow("change") << "4"
                            << "MenuMuutaAnnos" << false << "Change portion number" << 159 << false;
    QTest::addRow("add") << ""
                         << "MenuLisaaAnnos" << false << "Add portion number" << 159 << false;
    QTest::addRow("new recipe") << ""
                                << "" << true << "Add New Recipe" << 215 << true;
}

void TestFormResepti::portionDialogCases()
{
    QFETCH(QString, annos);
    QFETCH(QString, command);
    QFETCH(bool, recipeMode);
    QFETCH(QString, caption);
    QFETCH(int, height);
    QFETCH(bool, difficultyShown);

    addRecipe(QStringLiteral("Pasta"), annos, QStringLiteral("1 dl milk"), QString());
    openWindow();
    QString seenCaption;
    int seenHeight = 0;
    bool seenDifficulty = false;
    int buttonTop = 0;
    Dialogs::queueResponse([&](QDialog *dialog) {
        auto *d = static_cast<TFormAnnos *>(dialog);
        seenCaption = d->windowTitle();
        seenHeight = d->height();
        seenDifficulty = d->EditAste()->isVisibleTo(d);
        buttonTop = d->BitBtnOK()->y();
        d->BitBtnCancel()->click();
    });
    if (recipeMode) {
        m_host->shared.RecipeMode = true;
        Dialogs::exec(m_annos.get());
    } else {
        m_window->action(command)->trigger();
    }
    QCOMPARE(seenCaption, caption);
    QCOMPARE(seenHeight, height);
    QCOMPARE(seenDifficulty, difficultyShown);
    QCOMPARE(buttonTop, recipeMode ? 180 : 124);
    // The dialog ends 8 pixels under its buttons.
    QCOMPARE(height - buttonTop, 27 + 8);
    // Cancel stores nothing.
    QCOMPARE(stored(QStringLiteral("Annos")), annos);
    QCOMPARE(m_annos->result(), int(QDialog::Accepted));
}

void TestFormResepti::calculateScalesAndStoresCount()
{
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"),
              QStringLiteral("1,5      dl       sugar\n1-2      tp       baking powder\n  coarce sugar"),
              QStringLiteral("Mix."));
    openWindow();
    // A pending edit of the directions is stored with the pass.
    m_window->FocusDirections();
    m_window->Ohje()->moveCursor(QTextCursor::End);
    QTest::keyClick(m_window->Ohje(), '!');
    Dialogs::queueResponse(enterCount(QStringLiteral("6")));
    m_window->action(QStringLiteral("MenuLaske"))->trigger();

    QCOMPARE(stored(QStringLiteral("Aineet")),
             QStringLiteral("2,25dl       sugar\n1,5-3      tp       baking powder\ncoarce sugar"));
    QCOMPARE(stored(QStringLiteral("Annos")), QStringLiteral("6"));
    QCOMPARE(stored(QStringLiteral("Ohje")), QStringLiteral("Mix.!"));
    QCOMPARE(m_window->DBEditAnnos()->text(), QStringLiteral("6"));
    QVERIFY(!m_window->flags().CalculateMode);
    QVERIFY(Dialogs::messages().isEmpty());
    // Leaving afterwards does not ask about the stored edits again.
    Dialogs::clearRecord();
    m_window->MenuTakaisinClick();
    QVERIFY(Dialogs::shownDialogs().isEmpty());
}

void TestFormResepti::calculateWithBadLineStoresNothing()
{
    const QString lines = QStringLiteral("1 dl milk\n1.5 dl sugar\n2 eggs");
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), lines, QString());
    openWindow();
    bool stayedOpen = false;
    Dialogs::queueResponse([&](QDialog *dialog) {
        enterCount(QStringLiteral("8"))(dialog);
        stayedOpen = dialog->isVisible();
    });
    m_window->action(QStringLiteral("MenuLaske"))->trigger();
    QVERIFY(stayedOpen);
    QCOMPARE(Dialogs::messages().size(), 1);
    QCOMPARE(Dialogs::messages().first().text, QStringLiteral("'1.5' is not a valid floating point value"));
    QCOMPARE(stored(QStringLiteral("Aineet")), lines);
    QCOMPARE(stored(QStringLiteral("Annos")), QStringLiteral("4"));
    QCOMPARE(m_window->Aineet()->toPlainText(), lines);
}

void TestFormResepti::changeCountAsksAndNoStoresNothing()
{
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("2 dl milk"), QString());
    openWindow();
    QString question;
    Dialogs::queueResponse(enterCount(QStringLiteral("6")));
    Dialogs::queueResponse([&](QDialog *dialog) {
        question = static_cast<TFormMuuttunut *>(dialog)->Label2()->text();
        answer(QStringLiteral("No"))(dialog);
    });
    m_window->action(QStringLiteral("MenuMuutaAnnos"))->trigger();
    QCOMPARE(question, QStringLiteral("Save the new portion count?"));
    QCOMPARE(stored(QStringLiteral("Annos")), QStringLiteral("4"));

    Dialogs::queueResponse(enterCount(QStringLiteral("6")));
    Dialogs::queueResponse(answer(QStringLiteral("Yes")));
    m_window->action(QStringLiteral("MenuMuutaAnnos"))->trigger();
    QCOMPARE(stored(QStringLiteral("Annos")), QStringLiteral("6"));
    QCOMPARE(stored(QStringLiteral("Aineet")), QStringLiteral("2 dl milk"));
    QVERIFY(!m_window->flags().ChangePortionMode);

    // Switched off: stored without a question; "0" is a count.
    setFlag(SettingNames::AnnosMuuttunut, true);
    Dialogs::clearRecord();
    Dialogs::queueResponse(enterCount(QStringLiteral("0")));
    m_window->action(QStringLiteral("MenuMuutaAnnos"))->trigger();
    QCOMPARE(Dialogs::shownDialogs(), QStringList {QStringLiteral("FormAnnos")});
    QCOMPARE(stored(QStringLiteral("Annos")), QStringLiteral("0"));
}

void TestFormResepti::pastedNonDigitsAreNotACount()
{
    addRecipe(QStringLiteral("Pasta"), QString(), QStringLiteral("2 dl milk"), QString());
    openWindow();
    Dialogs::queueResponse(enterCount(QStringLiteral("x1")));
    m_window->action(QStringLiteral("MenuLisaaAnnos"))->trigger();
    QCOMPARE(Dialogs::messages().size(), 1);
    QCOMPARE(Dialogs::messages().first().text, QStringLiteral("'x1' is not a valid integer value"));
    QCOMPARE(stored(QStringLiteral("Annos")), QString());

    Dialogs::queueResponse(enterCount(QStringLiteral("3")));
    m_window->action(QStringLiteral("MenuLisaaAnnos"))->trigger();
    QCOMPARE(stored(QStringLiteral("Annos")), QStringLiteral("3"));
    QVERIFY(m_window->action(QStringLiteral("MenuLaske"))->isEnabled());
    QVERIFY(!m_window->action(QStringLiteral("MenuLisaaAnnos"))->isEnabled());
}

void TestFormResepti::portionDialogDigitFilter()
{
    addRecipe(QStringLiteral("Pasta"), QString(), QStringLiteral("2 dl milk"), QString());
    openWindow();
    QString typed;
    bool emptyStaysOpen = false;
    Dialogs::queueResponse([&](QDialog *dialog) {
        auto *d = static_cast<TFormAnnos *>(dialog);
        d->BitBtnOK()->click();
        emptyStaysOpen = d->isVisible();
        QTest::keyClicks(d->EditAnnos(), QStringLiteral("a1.;b23"));
        typed = d->EditAnnos()->text();
        QTest::keyClick(d->EditAnnos(), Qt::Key_Escape);
    });
    m_window->action(QStringLiteral("MenuLisaaAnnos"))->trigger();
    QVERIFY(emptyStaysOpen);
    QCOMPARE(typed, QStringLiteral("12"));
    QCOMPARE(stored(QStringLiteral("Annos")), QString());
}

void TestFormResepti::saveQuestionCases_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("box");

    enum { Ingredients = 1, Directions = 2, Picture = 4, Description = 8, Portion = 16 };
    const QString name = QStringLiteral("\"Pasta\"");
    QTest::addRow("ingredients") << int(Ingredients) << "Ingredients list changed"
                                 << QStringList {name, "recipe\u00b4s ingredients list has changed.", "Save changes?"}
                                 << "CheckBoxMuutos";
    QTest::addRow("directions") << int(Directions) << "Directions changed"
                                << QStringList {name, "recipe\u00b4s directions has changed.", "Save changes?"}
                                << "CheckBoxMuutos";
    QTest::addRow("both") << int(Ingredients | Directions) << "Ingredients list changed"
                          << QStringList {name, "recipe has changed.", "Save changes?"} << "CheckBoxMuutos";
    QTest::addRow("picture") << int(Picture) << "Delete picture"
                             << QStringList {"Delete picture of the recipe", name + " ?", ""} << "CheckBoxKuva";
    QTest::addRow("description") << int(Description) << "Description changed"
                                 << QStringList {"Recipe\u00b4s", name, "description has changed, save changes?"}
                                 << "CheckBoxKuvaus";
    QTest::addRow("portion") << int(Portion) << "Portion count changed"
                             << QStringList {"", "Save the new portion count?", ""} << "CheckBoxAnnos";
    QTest::addRow("later case wins") << int(Ingredients | Portion) << "Portion count changed"
                                     << QStringList {"", "Save the new portion count?", ""} << "CheckBoxAnnos";
}

void TestFormResepti::saveQuestionCases()
{
    QFETCH(int, flags);
    QFETCH(QString, caption);
    QFETCH(QStringList, lines);
    QFETCH(QString, box);

    SharedState state;
    state.CurrentRecipe = QStringLiteral("Pasta");
    state.DeletePictureConfirmed = flags & 4;
    state.DescriptionModified = flags & 8;
    RecipeFlags recipe;
    recipe.IngredientsModified = flags & 1;
    recipe.DirectionsModified = flags & 2;
    recipe.ChangePortionMode = flags & 16;
    TFormMuuttunut dialog(state, &recipe);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), caption);
    QCOMPARE((QStringList {dialog.Label1()->text(), dialog.Label2()->text(), dialog.Label3()->text()}), lines);
    for (QCheckBox *each : dialog.findChildren<QCheckBox *>())
        QCOMPARE(each->isVisible(), each->objectName() == box);
}

void TestFormResepti::saveQuestionAnswers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("saveEdits");
    QTest::addColumn<bool>("portion");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("saveDescription");
    QTest::addColumn<bool>("descriptionModified");
    QTest::addColumn<bool>("answered");

    QTest::addRow("Yes") << "Yes" << true << true << true << true << true << true;
    QTest::addRow("No") << "No" << false << false << false << false << false << true;
    // Left unanswered: nothing is deleted, and the caller learns that no
    // answer was given (it then keeps the edits).
    QTest::addRow("frame") << "frame" << true << true << false << false << true << false;
    QTest::addRow("Escape") << "Escape" << true << true << false << false << true << false;
}

void TestFormResepti::saveQuestionAnswers()
{
    QFETCH(QString, how);
    QFETCH(bool, saveEdits);
    QFETCH(bool, portion);
    QFETCH(bool, picture);
    QFETCH(bool, saveDescription);
    QFETCH(bool, descriptionModified);
    QFETCH(bool, answered);

    SharedState state;
    state.DeletePictureConfirmed = true;
    state.DescriptionModified = true;
    RecipeFlags recipe;
    recipe.SaveRecipeEdits = true;
    recipe.ChangePortionMode = true;
    TFormMuuttunut dialog(state, &recipe);
    dialog.show();
    if (how == QLatin1String("frame"))
        dialog.close();
    else if (how == QLatin1String("Escape"))
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        answer(how)(&dialog);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(answered ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(recipe.SaveRecipeEdits, saveEdits);
    QCOMPARE(recipe.ChangePortionMode, portion);
    QCOMPARE(state.DeletePictureConfirmed, picture);
    QCOMPARE(state.SaveDescription, saveDescription);
    QCOMPARE(state.DescriptionModified, descriptionModified);
}

void TestFormResepti::saveQuestionBoxWritesAtFirstClick()
{
    SharedState state;
    RecipeFlags recipe;
    recipe.DirectionsModified = true;
    recipe.SaveRecipeEdits = true;
    TFormMuuttunut dialog(state, &recipe);
    dialog.show();
    QVERIFY(!flagExists(SettingNames::KysOhMuu));
    dialog.CheckBoxMuutos()->click();
    QVERIFY(flagValue(SettingNames::KysOhMuu));
    dialog.CheckBoxMuutos()->click();
    QVERIFY(flagValue(SettingNames::KysOhMuu));
    answer(QStringLiteral("No"))(&dialog);
    QVERIFY(!recipe.SaveRecipeEdits);
    QVERIFY(flagValue(SettingNames::KysOhMuu));
    QVERIFY(!flagExists(SettingNames::KysKuvPoi));
}

void TestFormResepti::fontIsStoredAndReadBack()
{
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl"), QString());
    openWindow();
    Dialogs::queueResponse([](QDialog *dialog) {
        auto *d = static_cast<TFontDialog *>(dialog);
        d->FontName()->setEditText(QStringLiteral("DejaVu Serif"));
        d->FontSize()->setValue(14);
        d->FontColor()->setCurrentIndex(d->FontColor()->findData(0x0000FF));
        d->accept();
    });
    m_window->action(QStringLiteral("MenuFont"))->trigger();
    {
        SettingsKey key;
        QVERIFY(key.open());
        QCOMPARE(key.readString(QLatin1String(SettingNames::FontName)), QStringLiteral("DejaVu Serif"));
        QCOMPARE(key.readInteger(QLatin1String(SettingNames::FontColor)), 0x0000FF);
        QCOMPARE(key.readInteger(QLatin1String(SettingNames::FontSize)), 14);
    }
    QCOMPARE(m_window->Aineet()->font().pointSize(), 14);
    QCOMPARE(m_window->Aineet()->palette().color(QPalette::Text), QColor(Qt::red));

    // A new window reads the font at activation; a missing size means 8.
    {
        SettingsKey key;
        QVERIFY(key.open());
        key.writeInteger(QLatin1String(SettingNames::FontSize), 12);
    }
    m_window.reset();
    openWindow();
    QCOMPARE(m_window->Aineet()->font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(m_window->Aineet()->font().pointSize(), 12);
    QCOMPARE(m_window->currentFont().color, 0x0000FF);
}

void TestFormResepti::sizeModesWriteOnlyExistingKoko()
{
    if (QGuiApplication::primaryScreen()->geometry().width() < 1024)
        QSKIP("needs a screen of at least 1024 pixels");
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl"), QString());
    openWindow();
    // Creation writes the missing value false and keeps the design layout.
    QVERIFY(flagExists(SettingNames::Koko));
    QVERIFY(!flagValue(SettingNames::Koko));
    QVERIFY(m_window->MenuIkkuna()->isEnabled());

    m_window->action(QStringLiteral("MenuSuuri"))->trigger();
    QCOMPARE(m_window->centralWidget()->width(), 1012);
    QVERIFY(m_window->MenuSuuri()->isChecked());
    QVERIFY(!m_window->MenuPieni()->isChecked());
    QCOMPARE(m_window->Aineet()->geometry(), QRect(1, 16, 505, 644));
    QCOMPARE(m_window->findChild<QWidget *>(QStringLiteral("Panel2"))->geometry(), QRect(506, 0, 505, 28));
    QVERIFY(flagValue(SettingNames::Koko));

    m_window->action(QStringLiteral("MenuPieni"))->trigger();
    QCOMPARE(m_window->centralWidget()->width(), 790);
    QCOMPARE(m_window->Ohje()->geometry(), QRect(395, 16, 394, 450));
    QVERIFY(!flagValue(SettingNames::Koko));

    // Full and Small never create the value.
    QFile::remove(SettingsStore::filePath());
    m_window->action(QStringLiteral("MenuSuuri"))->trigger();
    QVERIFY(!flagExists(SettingNames::Koko));

    // Back applies the main window's layout of the ticked mode.
    m_window->MenuTakaisinClick();
    QCOMPARE(m_host->fullLayouts, 1);
}

void TestFormResepti::narrowScreen()
{
    if (QGuiApplication::primaryScreen()->geometry().width() >= 1024)
        QSKIP("needs a screen narrower than 1024 pixels");
    setFlag(SettingNames::Koko, true);
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl"), QString());
    openWindow();
    QCOMPARE(m_window->centralWidget()->width(), 790);
    QVERIFY(m_window->MenuPieni()->isChecked());
    QVERIFY(!m_window->MenuIkkuna()->isEnabled());
    m_window->MenuSuuriClick();
    QCOMPARE(m_window->centralWidget()->width(), 790);
    QVERIFY(!m_window->MenuSuuri()->isChecked());
    QVERIFY(flagValue(SettingNames::Koko));

    // On a screen wider than 800 pixels a pointer move over a memo enables
    // "&Window"; Full and Small, chosen there, still change nothing, check
    // marks included.
    if (QGuiApplication::primaryScreen()->geometry().width() > 800) {
        QTest::mouseMove(m_window->Aineet()->viewport(), QPoint(20, 20));
        QTest::mouseMove(m_window->Aineet()->viewport(), QPoint(30, 30));
        QVERIFY(m_window->MenuIkkuna()->isEnabled());
        for (const char *item : {"MenuSuuri", "MenuPieni", "MenuSuuri", "MenuSuuri", "MenuPieni", "MenuPieni"}) {
            m_window->action(QLatin1String(item))->trigger();
            QCOMPARE(m_window->centralWidget()->width(), 790);
            QVERIFY2(!m_window->MenuSuuri()->isChecked(), item);
            QVERIFY2(m_window->MenuPieni()->isChecked(), item);
        }
    }
}

void TestFormResepti::exitConfirmationStoresMemoEdits()
{
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl"), QStringLiteral("Boil."));
    openWindow();
    m_window->FocusDirections();
    m_window->Ohje()->moveCursor(QTextCursor::End);
    QTest::keyClick(m_window->Ohje(), '!');
    m_window->storeModifiedMemos();
    QCOMPARE(stored(QStringLiteral("Ohje")), QStringLiteral("Boil.!"));
    QVERIFY(!m_window->Ohje()->Modified());

    // Exit asks about the edits (without writing a missing switch), then runs
    // the main window's Exit.
    QTest::keyClick(m_window->Ohje(), '?');
    Dialogs::clearRecord();
    Dialogs::queueResponse(answer(QStringLiteral("Yes")));
    m_window->close();
    QCOMPARE(Dialogs::shownDialogs(), QStringList {QStringLiteral("FormMuuttunut")});
    QCOMPARE(m_host->exits, 1);
    QCOMPARE(stored(QStringLiteral("Ohje")), QStringLiteral("Boil.!?"));
    QVERIFY(!flagExists(SettingNames::KysOhMuu));
}

void TestFormResepti::escapeInAQuestionKeepsTheEdits()
{
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl"), QStringLiteral("Boil."));
    openWindow();
    m_window->Aineet()->moveCursor(QTextCursor::End);
    QTest::keyClick(m_window->Aineet(), 'x');
    const auto escape = [](QDialog *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); };

    // Back and Exit are cancelled: the window stays with the edit, which is
    // neither stored nor dropped.
    Dialogs::queueResponse(escape);
    QTest::keyClick(m_window->Aineet(), Qt::Key_Escape);
    Dialogs::queueResponse(escape);
    m_window->action(QStringLiteral("TBLopeta"))->trigger();
    Dialogs::queueResponse(escape);
    m_window->close();
    QCOMPARE(Dialogs::shownDialogs(), QStringList(3, QStringLiteral("FormMuuttunut")));
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_host->shown, 0);
    QCOMPARE(m_host->exits, 0);
    QCOMPARE(m_window->Aineet()->toPlainText(), QStringLiteral("1 dlx"));
    QCOMPARE(stored(QStringLiteral("Aineet")), QStringLiteral("1 dl"));
    // Asked again, Yes stores it.
    Dialogs::queueResponse(answer(QStringLiteral("Yes")));
    m_window->action(QStringLiteral("MenuTakaisin"))->trigger();
    QCOMPARE(stored(QStringLiteral("Aineet")), QStringLiteral("1 dlx"));

    // Escape in "Save the new portion count?" cancels OK: the portion dialog
    // stays open with the count, and nothing is stored.
    m_window->showRecipe(m_host->shownId);
    bool stillOpen = false;
    QString count;
    Dialogs::queueResponse([&](QDialog *dialog) {
        auto *annos = static_cast<TFormAnnos *>(dialog);
        QTest::keyClicks(annos->EditAnnos(), QStringLiteral("6"));
        annos->BitBtnOK()->click();
        stillOpen = annos->isVisible();
        count = annos->EditAnnos()->text();
    });
    Dialogs::queueResponse(escape);
    m_window->action(QStringLiteral("MenuMuutaAnnos"))->trigger();
    QVERIFY(stillOpen);
    QCOMPARE(count, QStringLiteral("6"));
    QCOMPARE(stored(QStringLiteral("Annos")), QStringLiteral("4"));
}

void TestFormResepti::portionCommandsFollowTheRecipe_data()
{
    QTest::addColumn<QString>("annos");
    QTest::addColumn<QString>("aineet");
    QTest::addColumn<bool>("calculate");
    QTest::addColumn<bool>("add");

    QTest::addRow("count and ingredients") << "4"
                                           << "1 dl" << true << false;
    QTest::addRow("count, no ingredients") << "4"
                                           << "" << false << false;
    QTest::addRow("no count") << ""
                              << "1 dl" << false << true;
    QTest::addRow("nothing") << ""
                             << "" << false << true;
}

void TestFormResepti::portionCommandsFollowTheRecipe()
{
    QFETCH(QString, annos);
    QFETCH(QString, aineet);
    QFETCH(bool, calculate);
    QFETCH(bool, add);
    setFlag(SettingNames::Aines, true);
    addRecipe(QStringLiteral("Pasta"), annos, aineet, QStringLiteral("Boil."));
    openWindow();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Saffrona\u00b4s Mealdeck  -  Recipes   -   Pasta"));
    for (const char *name : {"MenuLaske", "TBLaske", "MenuMuutaAnnos"})
        QCOMPARE(m_window->action(QLatin1String(name))->isEnabled(), calculate);
    QCOMPARE(m_window->action(QStringLiteral("MenuLisaaAnnos"))->isEnabled(), add);
    // Printing comes with the print preview window: disabled until then.
    QVERIFY(!m_window->action(QStringLiteral("MenuTulosta"))->isEnabled());
    QVERIFY(!m_window->action(QStringLiteral("MenuEsik"))->isEnabled());

    // Calculate and Change do nothing without ingredients.
    if (aineet.isEmpty()) {
        Dialogs::clearRecord();
        m_window->MenuLaskeClick();
        m_window->MenuMuutaAnnosClick();
        QVERIFY(Dialogs::shownDialogs().isEmpty());
        // Typing ingredients with a count makes Calculate available at once.
        if (!annos.isEmpty()) {
            QTest::keyClick(m_window->Aineet(), '2');
            QVERIFY(m_window->action(QStringLiteral("MenuLaske"))->isEnabled());
        }
    }
}

void TestFormResepti::editCommandsFollowTheSelection()
{
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl milk"), QStringLiteral("Boil."));
    openWindow();
    QAction *cut = m_window->action(QStringLiteral("MenuLeikkaa"));
    QAction *del = m_window->action(QStringLiteral("MenuPoista"));
    QVERIFY(!cut->isEnabled());
    QVERIFY(!del->isEnabled());
    QVERIFY(!m_window->action(QStringLiteral("TBLeikkaa"))->isEnabled());
    m_window->Aineet()->selectAll();
    QVERIFY(cut->isEnabled());
    QVERIFY(m_window->action(QStringLiteral("TBLeikkaa"))->isEnabled());
    m_window->action(QStringLiteral("TBPoista"))->trigger();
    QCOMPARE(m_window->Aineet()->toPlainText(), QString());
    QVERIFY(m_window->Aineet()->Modified());
    QVERIFY(m_window->action(QStringLiteral("MenuKumoa"))->isEnabled());
    m_window->action(QStringLiteral("TBKumoa"))->trigger();
    QCOMPARE(m_window->Aineet()->toPlainText(), QStringLiteral("1 dl milk"));
}

void TestFormResepti::startWithWindowsFollowsBothWindows()
{
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QStringLiteral("1 dl"), QString());
    openWindow();
    QVERIFY(!m_window->MenuAutorun()->isChecked());
    // A missing Auto is written false even when the item becomes ticked.
    m_window->MenuAutorun()->trigger();
    QVERIFY(m_window->MenuAutorun()->isChecked());
    QVERIFY(m_host->autorun);
    QVERIFY(flagExists(SettingNames::Auto));
    QVERIFY(!flagValue(SettingNames::Auto));
    m_window->MenuAutorun()->trigger();
    m_window->MenuAutorun()->trigger();
    QVERIFY(flagValue(SettingNames::Auto));
    QVERIFY(m_host->autorun);
}

QTEST_MAIN(TestFormResepti)
void TestFormResepti::printButtonsFollowTheirMenuItems()
{
    // A new recipe: both memos empty, Print and Print Preview disabled.
    setFlag(SettingNames::Aines, true);
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"), QString(), QString());
    openWindow();
    int printed = 0;
    int previewed = 0;
    m_window->setPrintHandlers([&] { ++printed; }, [&] { ++previewed; });
    auto button = [this](const char *name) {
        return m_window->ToolBarResepti()->findChild<QWidget *>(QLatin1String(name));
    };
    auto checkTogether = [&](bool enabled) {
        QCOMPARE(m_window->action(QStringLiteral("MenuTulosta"))->isEnabled(), enabled);
        QCOMPARE(m_window->action(QStringLiteral("MenuEsik"))->isEnabled(), enabled);
        QCOMPARE(button("TBTulosta")->isEnabled(), enabled);
        QCOMPARE(button("TBEsikat")->isEnabled(), enabled);
    };
    checkTogether(false);

    QTest::keyClicks(m_window->Aineet(), QStringLiteral("2 dl milk"));
    QCOMPARE(m_window->Aineet()->text(), QStringLiteral("2 dl milk"));
    checkTogether(true);
    QTest::mouseClick(button("TBTulosta"), Qt::LeftButton);
    QTest::mouseClick(button("TBEsikat"), Qt::LeftButton);
    QCOMPARE(printed, 1);
    QCOMPARE(previewed, 1);

    // Emptying the list disables both commands, tool buttons included.
    QTest::keyClick(m_window->Aineet(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(m_window->Aineet(), Qt::Key_Backspace);
    QVERIFY(!m_window->Aineet()->hasText());
    checkTogether(false);

    // Typing directions enables them again.
    m_window->FocusDirections();
    QTest::keyClicks(m_window->Ohje(), QStringLiteral("Boil."));
    checkTogether(true);
}

void TestFormResepti::noBreakSpacesAreKept()
{
    // "2 dl" written with a no-break space keeps it through the scaling pass,
    // as a tab would be kept; the other lines are scaled as usual.
    const QString nbsp(QChar(0x00A0));
    addRecipe(QStringLiteral("Pasta"), QStringLiteral("4"),
              QStringLiteral("2") + nbsp + QStringLiteral("dl milk\n1,5 dl sugar\nsalt") + nbsp + QStringLiteral("to taste"),
              QString());
    openWindow();
    Dialogs::queueResponse(enterCount(QStringLiteral("8")));
    m_window->action(QStringLiteral("TBLaske"))->trigger();
    const QString scaled = QStringLiteral("4") + nbsp + QStringLiteral("dl milk\n3dl sugar\nsalt") + nbsp
        + QStringLiteral("to taste");
    QCOMPARE(stored(QStringLiteral("Aineet")), scaled);
    QCOMPARE(stored(QStringLiteral("Annos")), QStringLiteral("8"));
    QCOMPARE(m_window->Aineet()->text(), scaled);

    // A no-break space pasted into the directions is stored as it is.
    m_window->FocusDirections();
    QGuiApplication::clipboard()->setText(QStringLiteral("Serve at 60") + nbsp + QStringLiteral("\u00b0C."));
    QTest::keyClick(m_window->Ohje(), Qt::Key_V, Qt::ControlModifier);
    Dialogs::queueResponse(answer(QStringLiteral("Yes")));
    m_window->MenuTakaisinClick();
    QCOMPARE(stored(QStringLiteral("Ohje")), QStringLiteral("Serve at 60") + nbsp + QStringLiteral("\u00b0C."));
}

#include "TestFormResepti.moc"
