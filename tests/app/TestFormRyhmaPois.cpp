#include "app/FormRyhmaPois.h"
#include "platform/Dialogs.h"
#include "settings/SettingsStore.h"
#include "store/table/PackTable.h"
#include "store/table/RecipeSchema.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Counts the calls the dialog makes into the main window.
struct RecordingHost : DeleteCommandsHost
{
    int restored = 0;
    void restoreMainGroupCommands() override { ++restored; }
};

enum Flag { Recipe = 1, Subgroup = 2, MainGroup = 4, Subgroups = 8, Recipes = 16 };

// A stored flag, or -1 when the value is missing.
int storedFlag(const char *name)
{
    SettingsKey key;
    if (!key.open(false) || !key.valueExists(QString::fromLatin1(name)))
        return -1;
    return key.readBool(QString::fromLatin1(name)) ? 1 : 0;
}

} // namespace

class TestFormRyhmaPois : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void linesPerCase_data();
    void linesPerCase();
    void currentMainGroupComesFromItsRow();
    void yesWritesOnlyTheTickedBox_data();
    void yesWritesOnlyTheTickedBox();
    void everyOtherWayOutCancels_data();
    void everyOtherWayOutCancels();
    void tickedBoxIsClearedOnNextShowing();

private:
    std::unique_ptr<TFormRyhmaPois> makeDialog();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TPackTable> m_main;
    std::unique_ptr<TPackTable> m_recipes;
    SharedState m_state;
    RecordingHost m_host;
};

void TestFormRyhmaPois::initTestCase()
{
    Dialogs::setTestMode(true);
}

void TestFormRyhmaPois::init()
{
    QFile::remove(SettingsStore::filePath());
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QString error;
    for (const QString &name : {QStringLiteral("Paaryhma"), QStringLiteral("Ohje")})
        QVERIFY_THROWS_NO_EXCEPTION(RecipeSchema::createTableFile(m_dir->filePath(name + ".db"), name));
    m_main = std::make_unique<TPackTable>();
    m_main->setDatabaseName(m_dir->path());
    m_main->setTableName("Paaryhma");
    m_main->open();
    for (const QString &name : {QStringLiteral("Baking"), QStringLiteral("Äiti's \"soups\"")}) {
        m_main->append();
        m_main->setFieldText("Nimi", name);
    }
    m_main->apply();
    m_main->first();
    m_recipes = std::make_unique<TPackTable>();
    m_recipes->setDatabaseName(m_dir->path());
    m_recipes->setTableName("Ohje");

    m_state = SharedState();
    m_state.CurrentMainGroup = "Baking";
    m_state.CurrentSubgroup = "Bread";
    m_state.CurrentRecipe = "Rye bread";
    m_state.DeleteConfirmed = true; // as every delete operation presets it
    m_host = RecordingHost();
    Dialogs::clearRecord();
}

void TestFormRyhmaPois::cleanup()
{
    m_recipes.reset();
    m_main.reset();
    m_dir.reset();
    Dialogs::clearRecord();
}

std::unique_ptr<TFormRyhmaPois> TestFormRyhmaPois::makeDialog()
{
    return std::make_unique<TFormRyhmaPois>(m_state, &m_host);
}

void TestFormRyhmaPois::linesPerCase_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("line1");
    QTest::addColumn<QString>("line2");
    QTest::addColumn<QString>("line3");
    QTest::addColumn<QString>("box");

    const QString recipe = "Saffrona´s Mealdeck  -  Delete Recipe";
    const QString sub = "Saffrona´s Mealdeck  -  Delete Subgroup";
    const QString main = "Saffrona´s Mealdeck  -  Delete Main Group";
    QTest::addRow("recipe") << int(Recipe) << recipe << "Delete the recipe?"
                            << "\"Rye bread\""
                            << ""
                            << "CheckBoxRes";
    QTest::addRow("recipe wins over group flags")
        << int(Recipe | MainGroup | Subgroups | Recipes) << recipe << "Delete the recipe?"
        << "\"Rye bread\""
        << ""
        << "CheckBoxRes";
    QTest::addRow("subgroup with recipes") << int(Subgroup | Subgroups | Recipes) << sub << "Delete the subgroup"
                                           << "\"Bread\""
                                           << "and the recipes in it?"
                                           << "CheckBoxRyh";
    QTest::addRow("subgroup without recipes") << int(Subgroup | Subgroups) << sub << "Delete the subgroup?"
                                              << "\"Bread\""
                                              << ""
                                              << "CheckBoxRyh";
    QTest::addRow("main group with subgroups and recipes")
        << int(MainGroup | Subgroups | Recipes) << main << "Delete the main group"
        << "\"Baking\""
        << "and it´s subgroups and recipes?"
        << "CheckBoxRyh";
    QTest::addRow("main group with subgroups only") << int(MainGroup | Subgroups) << main << "Delete the main group"
                                                    << "\"Baking\""
                                                    << "and it´s subgroups?"
                                                    << "CheckBoxRyh";
    QTest::addRow("empty main group") << int(MainGroup) << main << "Delete the main group?"
                                      << "\"Baking\""
                                      << ""
                                      << "CheckBoxRyh";
}

void TestFormRyhmaPois::linesPerCase()
{
    QFETCH(int, flags);
    QFETCH(QString, caption);
    QFETCH(QString, line1);
    QFETCH(QString, line2);
    QFETCH(QString, line3);
    QFETCH(QString, box);

    m_state.DeletingRecipe = flags & Recipe;
    m_state.DeletingSubgroup = flags & Subgroup;
    m_state.MainGroupMode = flags & MainGroup;
    m_state.HasSubgroups = flags & Subgroups;
    m_state.HasRecipes = flags & Recipes;
    auto dialog = makeDialog();
    QCOMPARE(dialog->windowTitle(), QString("Saffrona's Mealdeck"));
    dialog->show();

    QCOMPARE(dialog->windowTitle(), caption);
    QCOMPARE(dialog->Label1->text(), line1);
    QCOMPARE(dialog->Label2->text(), line2);
    QCOMPARE(dialog->Label3->text(), line3);
    QCOMPARE(dialog->Label4->text(), QString("Don't show this question again."));
    QCOMPARE(dialog->CheckBoxRes->isVisible(), box == "CheckBoxRes");
    QCOMPARE(dialog->CheckBoxRyh->isVisible(), box == "CheckBoxRyh");
    QVERIFY(!dialog->CheckBoxRes->isChecked());
    QVERIFY(!dialog->CheckBoxRyh->isChecked());
}

void TestFormRyhmaPois::currentMainGroupComesFromItsRow()
{
    // The main window names the main group of its selected row.
    m_main->setRecNo(2);
    m_state.CurrentMainGroup = m_main->fieldText(QStringLiteral("Nimi"));
    m_state.MainGroupMode = true;
    auto dialog = makeDialog();
    dialog->show();
    QCOMPARE(m_state.CurrentMainGroup, QString("Äiti's \"soups\""));
    QCOMPARE(dialog->Label2->text(), QString("\"Äiti's \"soups\"\""));
}

void TestFormRyhmaPois::yesWritesOnlyTheTickedBox_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<int>("kysRyh");
    QTest::addColumn<int>("kysResPoi");

    QTest::addRow("recipe, ticked") << int(Recipe) << true << -1 << 1;
    QTest::addRow("recipe, not ticked") << int(Recipe) << false << -1 << -1;
    QTest::addRow("subgroup, ticked") << int(Subgroup | Subgroups) << true << 1 << -1;
    QTest::addRow("main group, ticked") << int(MainGroup | Subgroups | Recipes) << true << 1 << -1;
    QTest::addRow("main group, not ticked") << int(MainGroup) << false << -1 << -1;
}

void TestFormRyhmaPois::yesWritesOnlyTheTickedBox()
{
    QFETCH(int, flags);
    QFETCH(bool, tick);
    QFETCH(int, kysRyh);
    QFETCH(int, kysResPoi);

    m_state.DeletingRecipe = flags & Recipe;
    m_state.DeletingSubgroup = flags & Subgroup;
    m_state.MainGroupMode = flags & MainGroup;
    m_state.HasSubgroups = flags & Subgroups;
    m_state.HasRecipes = flags & Recipes;
    m_state.DeleteConfirmed = false;
    auto dialog = makeDialog();
    Dialogs::queueResponse([tick](QDialog *d) {
        for (QCheckBox *box : d->findChildren<QCheckBox *>()) {
            if (tick && box->isVisible())
                QTest::mouseClick(box, Qt::LeftButton);
        }
        QTest::mouseClick(d->findChild<QPushButton *>("BitBtnOK"), Qt::LeftButton);
    });
    QCOMPARE(Dialogs::exec(dialog.get()), int(QDialog::Accepted));

    QVERIFY(m_state.DeleteConfirmed);
    QCOMPARE(storedFlag(SettingNames::KysRyh), kysRyh);
    QCOMPARE(storedFlag(SettingNames::KysResPoi), kysResPoi);
    QCOMPARE(m_host.restored, 0);
}

void TestFormRyhmaPois::everyOtherWayOutCancels_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("way"); // 0 Cancel, 1 Enter at once, 2 Escape, 3 the frame's close box
    QTest::addColumn<int>("restored");

    QTest::addRow("recipe, Cancel") << int(Recipe) << 0 << 1;
    QTest::addRow("recipe, Enter at once") << int(Recipe) << 1 << 1;
    QTest::addRow("main group, Escape") << int(MainGroup | Subgroups) << 2 << 1;
    QTest::addRow("main group, frame") << int(MainGroup | Subgroups | Recipes) << 3 << 1;
    QTest::addRow("subgroup, Cancel") << int(Subgroup | Subgroups | Recipes) << 0 << 0;
    QTest::addRow("subgroup, frame") << int(Subgroup | Subgroups) << 3 << 0;
}

void TestFormRyhmaPois::everyOtherWayOutCancels()
{
    QFETCH(int, flags);
    QFETCH(int, way);
    QFETCH(int, restored);

    m_state.DeletingRecipe = flags & Recipe;
    m_state.DeletingSubgroup = flags & Subgroup;
    m_state.MainGroupMode = flags & MainGroup;
    m_state.HasSubgroups = flags & Subgroups;
    m_state.HasRecipes = flags & Recipes;
    auto dialog = makeDialog();
    Dialogs::queueResponse([way](QDialog *d) {
        QCheckBox *box = d->findChild<QCheckBox *>(
            d->findChild<QCheckBox *>("CheckBoxRes")->isVisible() ? "CheckBoxRes" : "CheckBoxRyh");
        if (way != 1)
            QTest::mouseClick(box, Qt::LeftButton); // a ticked box is not written without Yes
        if (way == 0)
            QTest::mouseClick(d->findChild<QPushButton *>("BitBtnCancel"), Qt::LeftButton);
        else if (way == 1)
            QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Return);
        else if (way == 2)
            QTest::keyClick(d, Qt::Key_Escape);
        else
            d->close();
    });
    QCOMPARE(Dialogs::exec(dialog.get()), int(QDialog::Accepted));

    QVERIFY(!m_state.DeleteConfirmed);
    QCOMPARE(m_host.restored, restored);
    QCOMPARE(storedFlag(SettingNames::KysRyh), -1);
    QCOMPARE(storedFlag(SettingNames::KysResPoi), -1);
}

void TestFormRyhmaPois::tickedBoxIsClearedOnNextShowing()
{
    m_state.DeletingRecipe = true;
    auto dialog = makeDialog();
    dialog->show();
    QTest::mouseClick(dialog->CheckBoxRes, Qt::LeftButton);
    QVERIFY(dialog->CheckBoxRes->isChecked());
    dialog->hide();

    m_state.DeletingRecipe = false;
    m_state.MainGroupMode = true;
    dialog->show();
    QVERIFY(!dialog->CheckBoxRes->isChecked());
    QVERIFY(!dialog->CheckBoxRes->isVisible());
    QVERIFY(dialog->CheckBoxRyh->isVisible());
}

QTEST_MAIN(TestFormRyhmaPois)
#include "TestFormRyhmaPois.moc"
