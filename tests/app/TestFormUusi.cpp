#include "app/FormUusi.h"
#include "platform/Dialogs.h"
#include "store/book/Book.h"
#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct Row
{
    QString name;
    QString parent;
};

// A book of two main groups; subgroup names and recipe names are spread over
// both, so that a check that looks only at the filtered rows misses some.
const QList<Row> mainGroupRows = {{"Baking", {}}, {"Soups", {}}};
const QList<Row> subgroupRows = {{"Bread", "Baking"}, {"Cakes", "Baking"}, {"Cold soups", "Soups"}};
const QList<Row> recipeRows
    = {{"Rye bread", "Bread"}, {"Sponge", "Cakes"}, {"Äiti's \"best\" 100% soup", "Cold soups"}};

QString filterFor(const QString &parent)
{
    return QStringLiteral("Ryhma = '") + parent + QLatin1Char('\'');
}

// Types each character as a key press, as a person would, letters outside
// ASCII included.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QStringList messageTexts()
{
    QStringList texts;
    for (const Dialogs::Message &m : Dialogs::messages())
        texts << m.text;
    return texts;
}

} // namespace

class TestFormUusi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void activationSetsTextsPerMode_data();
    void activationSetsTextsPerMode();
    void activationWithoutModeKeepsTexts();
    void firstLetterBecomesUpperCase_data();
    void firstLetterBecomesUpperCase();
    void longNamesWarnButAreAccepted_data();
    void longNamesWarnButAreAccepted();
    void fieldTakesAtMost75Characters();
    void duplicateNames_data();
    void duplicateNames();
    void checkKeepsFilterAndPosition();
    void closedSubgroupTableIsCheckedAndClosedAgain();
    void pendingRowsCount();
    void emptyFieldCannotBeAccepted();
    void okClearsGroupModesAndSetsCurrentRecipe();
    void leavingWithoutOkIsCancel_data();
    void leavingWithoutOkIsCancel();

private:
    // Writes the table file `name` with `rows`, and opens the book's table of it.
    TPackTable *openTable(const QString &name, const QList<Row> &rows);
    void showDialog();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecipeBook::Book> m_book;
    TPackTable *m_main = nullptr;
    TPackTable *m_sub = nullptr;
    TPackTable *m_recipes = nullptr;
    SharedState m_state;
    std::unique_ptr<TFormUusi> m_dialog;
};

void TestFormUusi::initTestCase()
{
    Dialogs::setTestMode(true);
}

TPackTable *TestFormUusi::openTable(const QString &name, const QList<Row> &rows)
{
    QString error;
    try {
        RecipeSchema::createTableFile(m_dir->filePath(name + ".db"), name);
    } catch (const StoreError &e) {
        error = e.message();
        qFatal("cannot create %s: %s", qPrintable(name), qPrintable(error));
    }
    auto table = std::make_unique<TPackTable>();
    table->setDatabaseName(m_dir->path());
    table->setTableName(name);
    table->open();
    for (const Row &row : rows) {
        table->append();
        table->setFieldText("Nimi", row.name);
        if (!row.parent.isEmpty())
            table->setFieldText("Ryhma", row.parent);
    }
    table->apply();
    table->close();
    TPackTable *shown = name == QLatin1String("Paaryhma") ? &m_book->mainGroups()
                        : name == QLatin1String("Alaryhma") ? &m_book->subgroups()
                                                           : &m_book->recipes();
    shown->open();
    return shown;
}

void TestFormUusi::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_book = std::make_unique<RecipeBook::Book>(m_dir->path(), m_dir->filePath(QStringLiteral("Pics/")));
    m_main = openTable("Paaryhma", mainGroupRows);
    m_sub = openTable("Alaryhma", subgroupRows);
    m_recipes = openTable("Ohje", recipeRows);
    // As the main window leaves them after selecting "Baking" and "Bread".
    m_sub->setFilter(filterFor("Baking"));
    m_sub->setFiltered(true);
    m_recipes->setFilter(filterFor("Bread"));
    m_recipes->setFiltered(true);
    m_state = SharedState();
    m_state.CurrentMainGroup = "Baking";
    m_state.CurrentSubgroup = "Bread";
    m_state.CurrentRecipe = "Rye bread";
    m_dialog = std::make_unique<TFormUusi>(m_state, m_book.get());
    Dialogs::clearRecord();
}

void TestFormUusi::cleanup()
{
    m_dialog.reset();
    m_book.reset();
    m_dir.reset();
    Dialogs::clearRecord();
}

void TestFormUusi::showDialog()
{
    m_dialog->setResult(-1);
    m_dialog->show();
}

void TestFormUusi::activationSetsTextsPerMode_data()
{
    QTest::addColumn<bool>("mainGroup");
    QTest::addColumn<bool>("subgroup");
    QTest::addColumn<bool>("recipe");
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("line1");
    QTest::addColumn<QString>("line2");
    QTest::addColumn<QString>("field");

    QTest::addRow("new main group") << true << false << false << false << "Saffrona´s Mealdeck  -  New Main Group"
                                    << ""
                                    << "Add a new main group."
                                    << "";
    QTest::addRow("rename main group") << true << false << false << true << "Saffrona´s Mealdeck  -  Change Main Group"
                                       << "Change the name of the main group"
                                       << "\"Baking\""
                                       << "Baking";
    QTest::addRow("new subgroup") << false << true << false << false << "Saffrona´s Mealdeck  -  New Subgroup"
                                  << "Add a new subgroup into"
                                  << "\"Baking\""
                                  << "";
    QTest::addRow("rename subgroup") << false << true << false << true << "Saffrona´s Mealdeck  -  Change Subgroup"
                                     << "Change the name of the subgroup"
                                     << "\"Bread\""
                                     << "Bread";
    QTest::addRow("new recipe") << false << false << true << false << "Saffrona´s Mealdeck  -  New Recipe"
                                << "Add a new recipe into"
                                << "\"Bread\""
                                << "";
    QTest::addRow("rename recipe") << false << false << true << true << "Saffrona´s Mealdeck  -  Change Recipe"
                                   << "Change the name of the recipe"
                                   << "\"Rye bread\""
                                   << "Rye bread";
}

void TestFormUusi::activationSetsTextsPerMode()
{
    QFETCH(bool, mainGroup);
    QFETCH(bool, subgroup);
    QFETCH(bool, recipe);
    QFETCH(bool, rename);
    QFETCH(QString, caption);
    QFETCH(QString, line1);
    QFETCH(QString, line2);
    QFETCH(QString, field);

    m_state.MainGroupMode = mainGroup;
    m_state.SubgroupMode = subgroup;
    m_state.RecipeMode = recipe;
    m_state.RenameMode = rename;
    // A leftover text from an earlier showing never survives activation.
    m_dialog->EditUusi->setText("Leftover");
    m_dialog->Label4->setText("old");
    showDialog();

    QCOMPARE(m_dialog->windowTitle(), caption);
    QCOMPARE(m_dialog->Label1->text(), line1);
    QCOMPARE(m_dialog->Label2->text(), line2);
    QCOMPARE(m_dialog->Label3->text(), QString("Enter the new name."));
    QCOMPARE(m_dialog->Label4->text(), QString());
    QCOMPARE(m_dialog->EditUusi->text(), field);
}

void TestFormUusi::activationWithoutModeKeepsTexts()
{
    QCOMPARE(m_dialog->windowTitle(), QString("Saffrona's Mealdeck"));
    m_state.MainGroupMode = true;
    showDialog();
    m_dialog->hide();

    // A repeated showing after a rejected name: OK has cleared the group modes.
    m_state.MainGroupMode = false;
    m_dialog->EditUusi->setText("Baking");
    showDialog();
    QCOMPARE(m_dialog->windowTitle(), QString("Saffrona´s Mealdeck  -  New Main Group"));
    QCOMPARE(m_dialog->Label2->text(), QString("Add a new main group."));
    QCOMPARE(m_dialog->EditUusi->text(), QString());
}

void TestFormUusi::firstLetterBecomesUpperCase_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addRow("ascii") << "pancakes"
                           << "Pancakes";
    QTest::addRow("accented") << "äiti's"
                              << "Äiti's";
    QTest::addRow("digit") << "7 cups"
                           << "7 cups";
    QTest::addRow("only the first letter") << "rYE"
                                           << "RYE";
}

void TestFormUusi::firstLetterBecomesUpperCase()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    m_state.RecipeMode = true;
    showDialog();
    typeText(m_dialog->EditUusi, typed);
    QCOMPARE(m_dialog->EditUusi->text(), expected);
    QCOMPARE(m_dialog->EditUusi->cursorPosition(), expected.length());
}

void TestFormUusi::longNamesWarnButAreAccepted_data()
{
    QTest::addColumn<int>("mode"); // 0 main group, 1 subgroup, 2 recipe
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("warnings");
    QTest::addColumn<QString>("message");

    const QString main = "The name may include not more than 28 characters.";
    const QString sub = "The name may include not more than 36 characters.";
    const QString recipe = "The name may include not more than 74 characters.";
    QTest::addRow("main group at the limit") << 0 << 28 << 0 << main;
    QTest::addRow("main group of 30") << 0 << 30 << 2 << main;
    QTest::addRow("subgroup at the limit") << 1 << 36 << 0 << sub;
    QTest::addRow("subgroup of 38") << 1 << 38 << 2 << sub;
    QTest::addRow("recipe at the limit") << 2 << 74 << 0 << recipe;
    QTest::addRow("recipe of 75") << 2 << 75 << 1 << recipe;
    QTest::addRow("a recipe may be longer than a group") << 2 << 40 << 0 << recipe;
}

void TestFormUusi::longNamesWarnButAreAccepted()
{
    QFETCH(int, mode);
    QFETCH(int, length);
    QFETCH(int, warnings);
    QFETCH(QString, message);

    m_state.MainGroupMode = mode == 0;
    m_state.SubgroupMode = mode == 1;
    m_state.RecipeMode = mode == 2;
    showDialog();
    const QString name = "N" + QString(length - 1, 'a');
    QTest::keyClicks(m_dialog->EditUusi, name);

    QCOMPARE(m_dialog->EditUusi->text(), name);
    QStringList expected;
    for (int i = 0; i < warnings; ++i)
        expected << message;
    QCOMPARE(messageTexts(), expected);

    QTest::mouseClick(m_dialog->BitBtnOK, Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QVERIFY(!m_state.NameRejected);
    QCOMPARE(m_state.CurrentRecipe, name);
}

void TestFormUusi::fieldTakesAtMost75Characters()
{
    m_state.RecipeMode = true;
    showDialog();
    QTest::keyClicks(m_dialog->EditUusi, "A" + QString(79, 'b'));
    QCOMPARE(m_dialog->EditUusi->text().length(), 75);
}

void TestFormUusi::duplicateNames_data()
{
    QTest::addColumn<int>("mode"); // 0 main group, 1 subgroup, 2 recipe
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("messages");

    const QStringList group = {"A group of that name already exists."};
    const QStringList recipe = {"A recipe of that name already exists."};
    QTest::addRow("new main group like a main group") << 0 << false << "Soups" << group;
    QTest::addRow("main group keeps its own name") << 0 << true << "Baking" << group;
    QTest::addRow("main group like a subgroup of another") << 0 << false << "Cold soups" << group;
    QTest::addRow("new subgroup like a main group") << 1 << false << "Soups" << group;
    QTest::addRow("new subgroup like one of another main group") << 1 << false << "Cold soups" << group;
    QTest::addRow("subgroup keeps its own name") << 1 << true << "Bread" << group;
    QTest::addRow("new recipe like one of another subgroup") << 2 << false << "Sponge" << recipe;
    QTest::addRow("recipe with quotes and percent") << 2 << false << "Äiti's \"best\" 100% soup" << recipe;
    QTest::addRow("recipe keeps its own name") << 2 << true << "Rye bread" << recipe;
    QTest::addRow("case differs") << 1 << false << "bread" << QStringList();
    QTest::addRow("trailing space differs") << 0 << false << "Soups " << QStringList();
    QTest::addRow("recipe may share a group name") << 2 << false << "Cakes" << QStringList();
    QTest::addRow("group may share a recipe name") << 1 << false << "Sponge" << QStringList();
}

void TestFormUusi::duplicateNames()
{
    QFETCH(int, mode);
    QFETCH(bool, rename);
    QFETCH(QString, name);
    QFETCH(QStringList, messages);

    m_state.MainGroupMode = mode == 0;
    m_state.SubgroupMode = mode == 1;
    m_state.RecipeMode = mode == 2;
    m_state.RenameMode = rename;
    showDialog();
    m_dialog->EditUusi->setText(name);
    Dialogs::clearRecord();
    QTest::mouseClick(m_dialog->BitBtnOK, Qt::LeftButton);

    QCOMPARE(messageTexts(), messages);
    QCOMPARE(m_state.NameRejected, !messages.isEmpty());
    QVERIFY(!m_state.NameCancelled);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_dialog->EditUusi->text(), name);
}

void TestFormUusi::checkKeepsFilterAndPosition()
{
    m_sub->setRecNo(2); // "Cakes"
    m_recipes->first();
    m_state.SubgroupMode = true;
    showDialog();
    m_dialog->EditUusi->setText("Cold soups");
    QTest::mouseClick(m_dialog->BitBtnOK, Qt::LeftButton);
    QVERIFY(m_state.NameRejected);
    QVERIFY(m_sub->Filtered());
    QCOMPARE(m_sub->recordCount(), 2);
    QCOMPARE(m_sub->fieldText("Nimi"), QString("Cakes"));

    m_state.RecipeMode = true;
    showDialog();
    m_dialog->EditUusi->setText("Sponge");
    QTest::mouseClick(m_dialog->BitBtnOK, Qt::LeftButton);
    QVERIFY(m_state.NameRejected);
    QVERIFY(m_recipes->Filtered());
    QCOMPARE(m_recipes->recordCount(), 1);
    QCOMPARE(m_recipes->fieldText("Nimi"), QString("Rye bread"));
}

void TestFormUusi::closedSubgroupTableIsCheckedAndClosedAgain()
{
    // At start only the main group table is open.
    m_sub->close();
    m_recipes->close();
    m_state.MainGroupMode = true;
    showDialog();
    m_dialog->EditUusi->setText("Cakes");
    QTest::mouseClick(m_dialog->BitBtnOK, Qt::LeftButton);
    QVERIFY(m_state.NameRejected);
    QVERIFY(!m_sub->Active());
    QVERIFY(!m_recipes->Active());
}

void TestFormUusi::pendingRowsCount()
{
    // A row added but not applied yet already owns its name.
    m_main->append();
    m_main->setFieldText("Nimi", "Drinks");
    m_main->post();
    m_state.SubgroupMode = true;
    showDialog();
    m_dialog->EditUusi->setText("Drinks");
    QTest::mouseClick(m_dialog->BitBtnOK, Qt::LeftButton);
    QVERIFY(m_state.NameRejected);
}

void TestFormUusi::emptyFieldCannotBeAccepted()
{
    m_state.MainGroupMode = true;
    m_state.NameAccepted = true;
    m_state.CurrentRecipe = "Rye bread";
    showDialog();
    QTest::mouseClick(m_dialog->BitBtnOK, Qt::LeftButton);
    QTest::keyClick(m_dialog->EditUusi, Qt::Key_Return);
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_state.MainGroupMode);
    QCOMPARE(m_state.CurrentRecipe, QString("Rye bread"));
    QVERIFY(Dialogs::messages().isEmpty());
}

void TestFormUusi::okClearsGroupModesAndSetsCurrentRecipe()
{
    m_state.SubgroupMode = true;
    m_state.NameAccepted = true;
    Dialogs::queueResponse([](QDialog *d) {
        auto *edit = d->findChild<QLineEdit *>("EditUusi");
        QTest::keyClicks(edit, "pies");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QCOMPARE(Dialogs::exec(m_dialog.get()), int(QDialog::Accepted));
    QCOMPARE(m_dialog->EditUusi->text(), QString("Pies"));
    QCOMPARE(m_state.CurrentRecipe, QString("Pies"));
    QVERIFY(!m_state.SubgroupMode);
    QVERIFY(!m_state.MainGroupMode);
    QVERIFY(!m_state.NameRejected);
    QVERIFY(m_state.NameAccepted);
    QVERIFY(!m_state.NameCancelled);

    // A recipe name marks itself accepted.
    m_state = SharedState();
    m_state.CurrentSubgroup = "Bread";
    m_state.RecipeMode = true;
    showDialog();
    m_dialog->EditUusi->setText("Scones");
    QTest::mouseClick(m_dialog->BitBtnOK, Qt::LeftButton);
    QVERIFY(m_state.NameAccepted);
    QVERIFY(m_state.RecipeMode);
}

void TestFormUusi::leavingWithoutOkIsCancel_data()
{
    QTest::addColumn<int>("way"); // 0 Cancel button, 1 Escape, 2 the frame's close box
    QTest::addRow("Cancel") << 0;
    QTest::addRow("Escape") << 1;
    QTest::addRow("frame") << 2;
}

void TestFormUusi::leavingWithoutOkIsCancel()
{
    QFETCH(int, way);
    m_state.MainGroupMode = true;
    m_state.RenameMode = true;
    m_state.NameAccepted = true;
    m_state.NameRejected = true;
    Dialogs::queueResponse([way](QDialog *d) {
        auto *edit = d->findChild<QLineEdit *>("EditUusi");
        // A duplicate typed and then abandoned must not reach the caller.
        edit->setText("Soups");
        if (way == 0)
            QTest::mouseClick(d->findChild<QPushButton *>("BitBtnCancel"), Qt::LeftButton);
        else if (way == 1)
            QTest::keyClick(edit, Qt::Key_Escape);
        else
            d->close();
    });
    QCOMPARE(Dialogs::exec(m_dialog.get()), int(QDialog::Accepted));
    QVERIFY(m_state.NameCancelled);
    QVERIFY(!m_state.NameAccepted);
    QVERIFY(!m_state.NameRejected);
    QVERIFY(!m_state.RenameMode);
    QVERIFY(!m_state.MainGroupMode);
    QCOMPARE(m_state.CurrentRecipe, QString("Rye bread"));
    QVERIFY(Dialogs::messages().isEmpty());
}

QTEST_MAIN(TestFormUusi)
#include "TestFormUusi.moc"
