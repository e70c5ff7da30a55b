#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormRyhmaPois.h"
#include "app/FormUusi.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/FormResepti.h"
#include "app/Windows.h"
#include "platform/FileChooser.h"
#include "settings/FormPoistu.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"
#include "store/table/PackTable.h"
#include "store/table/PicturePaths.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Answers the next name dialog with `name` and OK.
void answerName(const QString &name)
{
    Dialogs::queueResponse([name](QDialog *d) {
        auto *dialog = qobject_cast<TFormUusi *>(d);
        QVERIFY(dialog);
        dialog->EditUusi->setText(name);
        dialog->BitBtnOK->click();
    });
}

void answerDelete(bool yes)
{
    Dialogs::queueResponse([yes](QDialog *d) {
        auto *dialog = qobject_cast<TFormRyhmaPois *>(d);
        QVERIFY(dialog);
        (yes ? dialog->BitBtnOK : dialog->BitBtnCancel)->click();
    });
}

// Answers every dialog that the test does not expect by closing it.
void closeOthers()
{
    Dialogs::setResponder([](QDialog *d) { d->close(); });
}

bool enabled(TFormPaa *w, const char *name)
{
    QAction *a = w->menuAction(QLatin1String(name));
    return a && a->isEnabled();
}

// The commands of the enabled-commands table, in a fixed order.
const char *const Commands[] = {"MenuLisaaPaa", "TBLisaaPaa", "MenuPoistaPaa", "TBPoistaPaa", "MenuMuutaPaa",
                                "MenuLisaaAla", "TBLisaaAla", "MenuPoistaAla", "TBPoistaAla", "MenuMuutaAla",
                                "MenuLisaaResepti", "TBLisaaResepti", "MenuPoistaResepti", "TBPoistaResepti",
                                "MenuMuutaResepti", "MenuNaytaResepti", "MenuLisaaKuva", "TBLisaaKuva", "MenuPoistaKuva",
                                "TBPoistaKuva"};

QStringList enabledCommands(TFormPaa *w)
{
    QStringList on;
    for (const char *name : Commands)
        if (enabled(w, name))
            on.append(QLatin1String(name));
    return on;
}

// A mouse click on a row of a list, as the user selects it.
void selectRow(DataBoundList *list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    QVERIFY(index.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

QStringList listNames(DataBoundList *list)
{
    QStringList names;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        names.append(list->model()->index(i, 0).data().toString());
    return names;
}

bool isBaselineJpeg(const QByteArray &data)
{
    // SOF0 (baseline) present, SOF2 (progressive) absent.
    for (int i = 2; i + 3 < data.size();) {
        if (uchar(data[i]) != 0xFF)
            return false;
        const uchar marker = uchar(data[i + 1]);
        if (marker == 0xC0)
            return true;
        if (marker == 0xC2 || marker == 0xDA)
            return false;
        const int length = (uchar(data[i + 2]) << 8) | uchar(data[i + 3]);
        i += 2 + length;
    }
    return false;
}

} // namespace

class TestFormPaa : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

    // A small book: main group Desserts with Cakes (Apple pie with picture,
    // Brownies) and Puddings (Rice pudding); main group Soups without subgroups.
    void makeBook()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Desserts"));
        book->addMainGroup(QStringLiteral("Soups"));
        book->addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Desserts"));
        book->addSubgroup(QStringLiteral("Puddings"), QStringLiteral("Desserts"));
        book->addRecipe(QStringLiteral("Apple pie"), QStringLiteral("Cakes"), true, QStringLiteral("Warm and sweet"));
        book->addRecipe(QStringLiteral("Brownies"), QStringLiteral("Cakes"));
        book->addRecipe(QStringLiteral("Rice pudding"), QStringLiteral("Puddings"));
    }

    void openWindow()
    {
        closeOthers();
        w = book->createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        Dialogs::clearRecord();
    }

    void selectMainGroup(int row)
    {
        selectRow(w->DBLLBoxPaaryhma(), row);
    }
    void selectSubgroup(int row)
    {
        selectRow(w->DBLLBoxAlaryhma(), row);
    }
    void selectRecipe(int row)
    {
        selectRow(w->DBLLBoxLista(), row);
    }

private Q_SLOTS:
    void init()
    {
        makeBook();
        if (QTest::currentTestFailed())
            return;
        openWindow();
    }

    void cleanup()
    {
        book.reset();
        w = nullptr;
        FileChooser::setAnswer({});
    }

    void typicalPath()
    {
        QCOMPARE(listNames(w->DBLLBoxPaaryhma()), QStringList({"Desserts", "Soups"}));
        QVERIFY(listNames(w->DBLLBoxAlaryhma()).isEmpty());
        selectMainGroup(0);
        QCOMPARE(w->state().CurrentMainGroup, QStringLiteral("Desserts"));
        QCOMPARE(listNames(w->DBLLBoxAlaryhma()), QStringList({"Cakes", "Puddings"}));
        selectSubgroup(0);
        QCOMPARE(w->state().CurrentSubgroup, QStringLiteral("Cakes"));
        QCOMPARE(listNames(w->DBLLBoxLista()), QStringList({"Apple pie", "Brownies"}));
        selectRecipe(0);
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Apple pie"));
        QVERIFY(w->MemoKuvaus()->isVisible());
        QCOMPARE(w->MemoKuvaus()->toPlainText(), QStringLiteral("Warm and sweet"));
        QVERIFY(w->findChild<QLabel *>(QStringLiteral("Ruokakuva"))->isVisible());
        QVERIFY(w->findChild<QWidget *>(QStringLiteral("Panel2"))->isVisible());
        // Arrow keys select like the mouse.
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Down);
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Brownies"));
        QCOMPARE(w->MemoKuvaus()->toPlainText(), TFormPaa::descriptionPlaceholder());
        QVERIFY(!w->findChild<QLabel *>(QStringLiteral("Ruokakuva"))->isVisible());
        // Going back to another main group empties the recipe list.
        selectMainGroup(1);
        QVERIFY(listNames(w->DBLLBoxAlaryhma()).isEmpty());
        QVERIFY(listNames(w->DBLLBoxLista()).isEmpty());
        QVERIFY(!w->MemoKuvaus()->isVisible());
        QVERIFY(Dialogs::messages().isEmpty());
    }

    void enabledCommands_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QStringList>("expected");
        QTest::addRow("showing") << 0 << QStringList{"MenuLisaaPaa", "TBLisaaPaa"};
        QTest::addRow("main group selection")
            << 1 << QStringList{"MenuLisaaPaa", "TBLisaaPaa", "MenuPoistaPaa", "TBPoistaPaa", "MenuMuutaPaa",
                                "MenuLisaaAla", "TBLisaaAla"};
        QTest::addRow("subgroup selection")
            << 2 << QStringList{"MenuPoistaAla", "TBPoistaAla", "MenuMuutaAla", "MenuLisaaResepti", "TBLisaaResepti"};
        QTest::addRow("recipe with picture")
            << 3 << QStringList{"MenuPoistaResepti", "TBPoistaResepti", "MenuMuutaResepti", "MenuNaytaResepti", "MenuPoistaKuva",
                                "TBPoistaKuva"};
        QTest::addRow("recipe without picture")
            << 4 << QStringList{"MenuPoistaResepti", "TBPoistaResepti", "MenuMuutaResepti", "MenuNaytaResepti", "MenuLisaaKuva",
                                "TBLisaaKuva"};
        // No command is enabled without its row.
        QTest::addRow("subgroup of a main group without subgroups") << 5 << QStringList{};
    }

    void enabledCommands()
    {
        QFETCH(int, step);
        QFETCH(QStringList, expected);
        if (step >= 1)
            selectMainGroup(step == 5 ? 1 : 0);
        if (step == 5)
            QTest::keyClick(w->DBLLBoxPaaryhma(), Qt::Key_Return);
        if (step >= 2 && step < 5)
            selectSubgroup(0);
        if (step == 3)
            selectRecipe(0);
        if (step == 4)
            selectRecipe(1);
        QStringList actual = ::enabledCommands(w);
        actual.sort();
        expected.sort();
        QCOMPARE(actual, expected);
        // Help and Exit are always enabled.
        QVERIFY(enabled(w, "TBOhje") && enabled(w, "TBSulje") && enabled(w, "MenuSulje"));
    }

    void cascadeDeleteOfMainGroupWithPictures()
    {
        book.reset();
        book = std::make_unique<BookFixture>();
        book->addMainGroup(QStringLiteral("Baking"));
        book->addMainGroup(QStringLiteral("Other"));
        book->addSubgroup(QStringLiteral("Bread"), QStringLiteral("Baking"));
        book->addSubgroup(QStringLiteral("Buns"), QStringLiteral("Baking"));
        book->addSubgroup(QStringLiteral("Keep"), QStringLiteral("Other"));
        QStringList recipes;
        for (const QString &sub : {QStringLiteral("Bread"), QStringLiteral("Buns")})
            for (int i = 1; i <= 3; ++i) {
                recipes.append(sub + QString::number(i));
                book->addRecipe(recipes.last(), sub, true);
            }
        book->addRecipe(QStringLiteral("Kept"), QStringLiteral("Keep"), true);
        openWindow();
        for (const QString &r : recipes)
            QVERIFY(QFile::exists(PicturePaths::pictureFile(r)));

        selectMainGroup(0);
        Dialogs::clearRecord();
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormRyhmaPois *>(d);
            QVERIFY(dialog);
            QCOMPARE(dialog->Label1->text(), QStringLiteral("Delete the main group"));
            QCOMPARE(dialog->Label2->text(), QStringLiteral("\"Baking\""));
            dialog->BitBtnOK->click();
        });
        QTest::keyClick(w->DBLLBoxPaaryhma(), Qt::Key_Delete);
        QCOMPARE(Dialogs::shownDialogs().value(0), QStringLiteral("FormRyhmaPois"));

        QCOMPARE(book->storedNames("Paaryhma"), QStringList{"Other"});
        QCOMPARE(book->storedNames("Alaryhma"), QStringList{"Keep"});
        QCOMPARE(book->storedNames("Ohje"), QStringList{"Kept"});
        for (const QString &r : recipes)
            QVERIFY2(!QFile::exists(PicturePaths::pictureFile(r)), qPrintable(r));
        QVERIFY(QFile::exists(PicturePaths::pictureFile(QStringLiteral("Kept"))));
        QVERIFY(w->book()->mainGroups().Exclusive() && w->book()->subgroups().Exclusive() && w->book()->recipes().Exclusive());
        QCOMPARE(listNames(w->DBLLBoxPaaryhma()), QStringList{"Other"});
        QStringList on = ::enabledCommands(w);
        QCOMPARE(on, QStringList({"MenuLisaaPaa", "TBLisaaPaa"}));
    }

    void deleteMainGroupWithoutSubgroups()
    {
        selectMainGroup(1);
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormRyhmaPois *>(d);
            QVERIFY(dialog);
            QCOMPARE(dialog->Label1->text(), QStringLiteral("Delete the main group?"));
            dialog->BitBtnOK->click();
        });
        w->menuAction(QStringLiteral("TBPoistaPaa"))->trigger();
        QCOMPARE(Dialogs::pendingResponses(), 0);
        QCOMPARE(book->storedNames("Paaryhma"), QStringList{"Desserts"});
        QCOMPARE(book->storedNames("Alaryhma").size(), 2);
        QCOMPARE(book->storedNames("Ohje").size(), 3);

        // With KysRyh true the next one goes without a question.
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(SettingNames::KysRyh, true);
        Dialogs::clearRecord();
        selectMainGroup(0);
        w->menuAction(QStringLiteral("MenuPoistaPaa"))->trigger();
        QVERIFY(!Dialogs::shownDialogs().contains("FormRyhmaPois"));
        QVERIFY(book->storedNames("Paaryhma").isEmpty());
        QVERIFY(book->storedNames("Alaryhma").isEmpty());
        QVERIFY(book->storedNames("Ohje").isEmpty());
    }

    void cancelledDeletionsStillPack_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("mainPacked");
        QTest::addColumn<bool>("subPacked");
        QTest::addColumn<bool>("recipePacked");
        QTest::addColumn<bool>("byFrame");
        QTest::addRow("main group") << "main" << true << false << false << false;
        QTest::addRow("subgroup") << "sub" << false << true << true << false;
        QTest::addRow("recipe") << "recipe" << false << false << true << false;
        // Closing the question by its frame is Cancel, not Yes.
        QTest::addRow("main group, frame closed") << "main" << true << false << false << true;
        QTest::addRow("recipe, frame closed") << "recipe" << false << false << true << true;
    }

    void cancelledDeletionsStillPack()
    {
        QFETCH(QString, what);
        QFETCH(bool, mainPacked);
        QFETCH(bool, subPacked);
        QFETCH(bool, recipePacked);
        QFETCH(bool, byFrame);
        selectMainGroup(0);
        if (what != QLatin1String("main"))
            selectSubgroup(0);
        if (what == QLatin1String("recipe"))
            selectRecipe(0);
        if (byFrame)
            Dialogs::queueResponse([](QDialog *d) { d->close(); });
        else
            answerDelete(false);
        w->menuAction(what == "main" ? "MenuPoistaPaa" : what == "sub" ? "MenuPoistaAla" : "MenuPoistaResepti")->trigger();
        QCOMPARE(Dialogs::pendingResponses(), 0);
        QCOMPARE(book->storedNames("Paaryhma").size(), 2);
        QCOMPARE(book->storedNames("Alaryhma").size(), 2);
        QCOMPARE(book->storedNames("Ohje").size(), 3);
        QVERIFY(QFile::exists(PicturePaths::pictureFile(QStringLiteral("Apple pie"))));
        QCOMPARE(w->book()->mainGroups().Exclusive(), mainPacked);
        QCOMPARE(w->book()->subgroups().Exclusive(), subPacked);
        QCOMPARE(w->book()->recipes().Exclusive(), recipePacked);
    }

    void deleteSubgroupAndRecipe()
    {
        selectMainGroup(0);
        selectSubgroup(0);
        answerDelete(true);
        QTest::keyClick(w->DBLLBoxAlaryhma(), Qt::Key_Delete);
        QCOMPARE(book->storedNames("Alaryhma"), QStringList{"Puddings"});
        QCOMPARE(book->storedNames("Ohje"), QStringList{"Rice pudding"});
        QVERIFY(!QFile::exists(PicturePaths::pictureFile(QStringLiteral("Apple pie"))));
        QVERIFY(::enabledCommands(w).isEmpty());

        // With the question switched off, a recipe goes without asking.
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(SettingNames::KysResPoi, true);
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(0);
        Dialogs::clearRecord();
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Delete);
        QVERIFY(!Dialogs::shownDialogs().contains("FormRyhmaPois"));
        QVERIFY(book->storedNames("Ohje").isEmpty());
        QVERIFY(!w->MemoKuvaus()->isVisible());
    }

    void deleteKeyDoesNothingWhileDisabled()
    {
        // Nothing selected yet: Delete Main Group is disabled.
        QTest::keyClick(w->DBLLBoxPaaryhma(), Qt::Key_Delete);
        QVERIFY(Dialogs::shownDialogs().isEmpty());
        QCOMPARE(book->storedNames("Paaryhma").size(), 2);
    }

    void renamesMoveChildren()
    {
        selectMainGroup(0);
        answerName(QStringLiteral("Sweets"));
        w->menuAction("MenuMuutaPaa")->trigger();
        QCOMPARE(book->storedNames("Paaryhma"), QStringList({"Sweets", "Soups"}));
        QCOMPARE(book->storedNames("Alaryhma", QStringLiteral("Sweets")), QStringList({"Cakes", "Puddings"}));
        QVERIFY(book->storedNames("Alaryhma", QStringLiteral("Desserts")).isEmpty());
        QCOMPARE(book->storedNames("Ohje", QStringLiteral("Cakes")), QStringList({"Apple pie", "Brownies"}));
        QCOMPARE(::enabledCommands(w), QStringList({"MenuLisaaPaa", "TBLisaaPaa"}));

        selectMainGroup(0);
        selectSubgroup(1);
        answerName(QStringLiteral("Creams"));
        w->menuAction("MenuMuutaAla")->trigger();
        QCOMPARE(book->storedNames("Alaryhma", QStringLiteral("Sweets")), QStringList({"Cakes", "Creams"}));
        QCOMPARE(book->storedNames("Ohje", QStringLiteral("Creams")), QStringList{"Rice pudding"});
        QCOMPARE(::enabledCommands(w), QStringList({"MenuLisaaAla", "TBLisaaAla"}));

        // A recipe's new name takes its picture file along; the next
        // selection shows the picture.
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(0);
        answerName(QStringLiteral("Pear pie"));
        w->menuAction("MenuMuutaResepti")->trigger();
        QCOMPARE(book->storedNames("Ohje", QStringLiteral("Cakes")), QStringList({"Pear pie", "Brownies"}));
        QVERIFY(!QFile::exists(PicturePaths::pictureFile(QStringLiteral("Apple pie"))));
        QVERIFY(QFile::exists(PicturePaths::pictureFile(QStringLiteral("Pear pie"))));
        selectRecipe(1);
        selectRecipe(0);
        QCOMPARE(book->storedRecipeField(QStringLiteral("Pear pie"), QStringLiteral("Kuva")), QStringLiteral("True"));
        QVERIFY(enabled(w, "MenuPoistaKuva"));
    }

    void cancelledOrRejectedNames()
    {
        // A duplicate is rejected and asked again; Cancel then stops.
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormUusi *>(d);
            dialog->EditUusi->setText(QStringLiteral("Cakes"));
            dialog->BitBtnOK->click();
        });
        Dialogs::queueResponse([](QDialog *d) { qobject_cast<TFormUusi *>(d)->BitBtnCancel->click(); });
        w->menuAction("MenuLisaaPaa")->trigger();
        QCOMPARE(Dialogs::shownDialogs(), QStringList({"FormUusi", "FormUusi"}));
        QCOMPARE(book->storedNames("Paaryhma").size(), 2);
        // Closing by the frame is Cancel too.
        Dialogs::queueResponse([](QDialog *d) {
            qobject_cast<TFormUusi *>(d)->EditUusi->setText(QStringLiteral("Soups"));
            d->close();
        });
        w->menuAction("MenuLisaaPaa")->trigger();
        QCOMPARE(book->storedNames("Paaryhma").size(), 2);
    }

    void namesWithSpecialCharacters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addRow("apostrophe") << QStringLiteral("Äiti's");
        QTest::addRow("quotes") << QStringLiteral("The \"best\" 'ones'");
        QTest::addRow("slash and percent") << QStringLiteral("50% / 50%");
        QTest::addRow("backslash") << QStringLiteral("A\\B");
    }

    void namesWithSpecialCharacters()
    {
        QFETCH(QString, name);
        answerName(name);
        w->menuAction("MenuLisaaPaa")->trigger();
        QCOMPARE(book->storedNames("Paaryhma").last(), name);
        const int row = listNames(w->DBLLBoxPaaryhma()).indexOf(name);
        QVERIFY(row >= 0);
        selectMainGroup(row);
        answerName(name + QStringLiteral(" sub"));
        w->menuAction("MenuLisaaAla")->trigger();
        QCOMPARE(listNames(w->DBLLBoxAlaryhma()), QStringList{name + QStringLiteral(" sub")});
        selectSubgroup(0);
        // The new recipe, then a picture for it.
        answerName(name + QStringLiteral(" dish"));
        w->menuAction("MenuLisaaResepti")->trigger();
        QCOMPARE(book->storedNames("Ohje", name + QStringLiteral(" sub")), QStringList{name + QStringLiteral(" dish")});
        selectSubgroup(0);
        selectRecipe(0);
        QTemporaryDir dir;
        const QString png = dir.filePath("in.png");
        QImage(40, 30, QImage::Format_RGB32).save(png);
        FileChooser::setAnswer([png](const FileChooser::Request &) { return QStringList{png}; });
        w->menuAction("MenuLisaaKuva")->trigger();
        const QString file = PicturePaths::pictureFile(name + QStringLiteral(" dish"));
        QVERIFY(QFile::exists(file));
        QCOMPARE(QFileInfo(file).absolutePath() + '/', book->picsFolder());
        // Deleting the main group takes everything with it.
        selectMainGroup(row);
        answerDelete(true);
        w->menuAction("MenuPoistaPaa")->trigger();
        QVERIFY(!book->storedNames("Paaryhma").contains(name));
        QVERIFY(!QFile::exists(file));
    }

    void addPictureStretchesToBaselineJpeg()
    {
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(1);
        QTemporaryDir dir;
        const QString png = dir.filePath("wide.png");
        QImage source(400, 200, QImage::Format_RGB32);
        source.fill(Qt::red);
        QVERIFY(source.save(png));
        QString offered;
        FileChooser::setAnswer([&](const FileChooser::Request &request) {
            offered = request.filter;
            return QStringList{png};
        });
        w->menuAction("TBLisaaKuva")->trigger();
        for (const char *ext : {"*.jpg", "*.png", "*.bmp", "*.gif", "*.ico", "*.svg"})
            QVERIFY2(offered.contains(QLatin1String(ext)), ext);
        const QString file = PicturePaths::pictureFile(QStringLiteral("Brownies"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray data = f.readAll();
        const QImage stored = QImage::fromData(data, "JPEG");
        QCOMPARE(stored.size(), QSize(169, 169));
        QVERIFY(isBaselineJpeg(data));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Kuva")), QStringLiteral("True"));
        QVERIFY(w->findChild<QLabel *>(QStringLiteral("Ruokakuva"))->isVisible());
        QVERIFY(!w->findChild<QLabel *>(QStringLiteral("Kuva2"))->isVisible());
        QCOMPARE(w->MemoKuvaus()->geometry(), QRect(168, 307, 210, 169));
        QCOMPARE(::enabledCommands(w), QStringList({"MenuPoistaKuva", "TBPoistaKuva"}));

        // Delete Picture: the question answered Yes.
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormMuuttunut *>(d);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Delete picture"));
            dialog->BitBtn1()->click();
        });
        w->menuAction("MenuPoistaKuva")->trigger();
        QVERIFY(!QFile::exists(file));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Kuva")), QStringLiteral("False"));
        QCOMPARE(::enabledCommands(w), QStringList({"MenuLisaaKuva", "TBLisaaKuva"}));
        QCOMPARE(w->MemoKuvaus()->width(), 379);
    }

    void addPictureFailures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addRow("cancelled") << "cancel";
        QTest::addRow("truncated jpeg") << "truncated";
        QTest::addRow("text file") << "text";
        QTest::addRow("picture folder missing") << "unwritable";
    }

    void addPictureFailures()
    {
        QFETCH(QString, kind);
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(1);
        const QRect memoBefore = w->MemoKuvaus()->geometry();
        QTemporaryDir dir;
        QString path;
        if (kind == "truncated") {
            QFile full(PicturePaths::pictureFile(QStringLiteral("Apple pie")));
            QVERIFY(full.open(QIODevice::ReadOnly));
            path = dir.filePath("cut.jpg");
            QFile cut(path);
            QVERIFY(cut.open(QIODevice::WriteOnly));
            cut.write(full.readAll().left(300));
        } else if (kind == "unwritable") {
            path = dir.filePath("fine.png");
            QImage(20, 20, QImage::Format_RGB32).save(path);
            QVERIFY(QDir(book->picsFolder()).removeRecursively());
        } else if (kind == "text") {
            path = dir.filePath("notes.png");
            QFile text(path);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("not a picture");
        }
        FileChooser::setAnswer([path](const FileChooser::Request &) { return QStringList{path}; });
        w->menuAction("MenuLisaaKuva")->trigger();
        QVERIFY(!QFile::exists(PicturePaths::pictureFile(QStringLiteral("Brownies"))));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Kuva")), QString());
        QCOMPARE(w->MemoKuvaus()->geometry(), memoBefore);
        QVERIFY(!enabled(w, "MenuPoistaKuva"));
        if (kind == "cancel") {
            QVERIFY(Dialogs::messages().isEmpty());
        } else if (kind == "unwritable") {
            QCOMPARE(Dialogs::messages().size(), 1);
            QCOMPARE(Dialogs::messages().first().kind, Dialogs::Message::Error);
            QVERIFY(Dialogs::messages().first().text.contains(PicturePaths::pictureFile(QStringLiteral("Brownies"))));
        } else {
            QCOMPARE(Dialogs::messages().size(), 1);
            QCOMPARE(Dialogs::messages().first().text,
                     QStringLiteral("The file you tried to open is not a valid graphic file."));
        }
    }

    void damagedOrMissingStoredPicture()
    {
        const QString file = PicturePaths::pictureFile(QStringLiteral("Apple pie"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            const QByteArray data = f.readAll();
            f.resize(0);
            f.write(data.left(200));
        }
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(0);
        QCOMPARE(Dialogs::messages().size(), 1);
        QCOMPARE(Dialogs::messages().first().text, QStringLiteral("The file you tried to open is not a valid image file."));
        // A missing file shows the recipe without picture and without a
        // word; Kuva stays, so that the picture shows again when the file is
        // back, and only Delete Picture clears it.
        QFile::remove(file);
        Dialogs::clearRecord();
        selectRecipe(1);
        selectRecipe(0);
        QVERIFY(Dialogs::messages().isEmpty());
        QVERIFY(!enabled(w, "MenuLisaaKuva"));
        QVERIFY(enabled(w, "MenuPoistaKuva"));
        QVERIFY(!w->findChild<QLabel *>(QStringLiteral("Ruokakuva"))->isVisible());
        QCOMPARE(book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Kuva")), QStringLiteral("True"));
    }

    void keys()
    {
        selectMainGroup(0);
        QTest::keyClick(w->DBLLBoxPaaryhma(), Qt::Key_Return);
        QCOMPARE(w->state().CurrentSubgroup, QStringLiteral("Cakes"));
        QVERIFY(w->state().SubgroupMode);
        QTest::keyClick(w->DBLLBoxAlaryhma(), Qt::Key_Return);
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Apple pie"));
        QVERIFY(w->MemoKuvaus()->isVisible());
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Escape);
        QVERIFY(w->state().SubgroupMode);
        QVERIFY(!w->MemoKuvaus()->isVisible());
        QTest::keyClick(w->DBLLBoxAlaryhma(), Qt::Key_Escape);
        QVERIFY(w->state().MainGroupMode);
        QCOMPARE(w->DBLLBoxPaaryhma()->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
        QCOMPARE(w->DBLLBoxAlaryhma()->palette().color(QPalette::Base), QColor(0xEF, 0xEF, 0xEF));

        // Ctrl+Enter in the recipe list moves to the memo and empties the placeholder.
        selectSubgroup(0);
        selectRecipe(1);
        QCOMPARE(w->MemoKuvaus()->toPlainText(), TFormPaa::descriptionPlaceholder());
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(w->MemoKuvaus()->toPlainText().isEmpty());
        QCOMPARE(w->MemoKuvaus()->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
        // Escape in an edit is the recipe selection.
        QTest::keyClick(w->DBEditAste(), Qt::Key_Escape);
        QCOMPARE(w->DBLLBoxLista()->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));

        // F2 shows the quick guide in its main-window form.
        Dialogs::clearRecord();
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_F2);
        QCOMPARE(Dialogs::shownDialogs(), QStringList{"FormPikaohje"});
    }

    void difficultyTimeAndDescription()
    {
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(1);
        QCOMPARE(w->DBEditAste()->maxLength(), 20);
        QCOMPARE(w->DBEditAika()->maxLength(), 18);
        QTest::keyClicks(w->DBEditAste(), QStringLiteral("Easy"));
        QTest::keyClicks(w->DBEditAika(), QStringLiteral("1 h"));
        selectRecipe(0);
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Aste")), QStringLiteral("Easy"));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Brownies"), QStringLiteral("Aika")), QStringLiteral("1 h"));
        QVERIFY(Dialogs::shownDialogs().isEmpty());

        // An edited description is asked about, then stored on Yes.
        QTest::keyClicks(w->MemoKuvaus(), QStringLiteral(" pie"));
        QVERIFY(w->state().DescriptionModified);
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormMuuttunut *>(d);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Description changed"));
            dialog->BitBtn1()->click();
        });
        selectRecipe(1);
        QCOMPARE(Dialogs::shownDialogs().value(0), QStringLiteral("FormMuuttunut"));
        QVERIFY(book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Kuvaus")).contains(" pie"));
        // ... and dropped on No.
        selectRecipe(0);
        QTest::keyClicks(w->MemoKuvaus(), QStringLiteral("XYZ"));
        Dialogs::queueResponse([](QDialog *d) { qobject_cast<TFormMuuttunut *>(d)->BitBtn2()->click(); });
        selectMainGroup(1);
        QVERIFY(!book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Kuvaus")).contains("XYZ"));
        QVERIFY(!w->state().DescriptionModified);
    }

    void exitAndFrameClose()
    {
        // No keeps the program running; closing by the frame asks the same.
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormPoistu *>(d);
            QVERIFY(dialog);
            dialog->BitBtnCancel->click();
        });
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        QVERIFY(!w->endRequested());
        QVERIFY(w->book()->mainGroups().Exclusive() && w->book()->subgroups().Exclusive());
        // Packing the subgroup table that no selection has opened yet does not
        // fill the subgroup list with every subgroup of the book.
        QVERIFY(listNames(w->DBLLBoxAlaryhma()).isEmpty());
        // Yes to the frame's close ends the program and lets the window close.
        Dialogs::queueResponse([](QDialog *d) { qobject_cast<TFormPoistu *>(d)->BitBtnOK->click(); });
        QVERIFY(w->close());
        QVERIFY(w->endRequested());
        w->show();
    }

    void exitWithoutQuestion()
    {
        // With KysLop true, Exit ends without a question.
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(SettingNames::KysLop, true);
        Dialogs::clearRecord();
        w->menuAction("TBSulje")->trigger();
        QVERIFY(w->endRequested());
        QVERIFY(!Dialogs::shownDialogs().contains("FormPoistu"));
    }

    void restoreSecurityQueries()
    {
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(SettingNames::KysLop, true);
        key.writeBool(SettingNames::KysRyh, true);
        w->menuAction("MenuQueries")->trigger();
        QVERIFY(!key.readBool(SettingNames::KysLop));
        QVERIFY(!key.readBool(SettingNames::KysRyh));
        QVERIFY(!key.valueExists(SettingNames::KysOhMuu));
    }

    void viewRecipeAndReturn()
    {
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(1);
        TFormResepti *recipe = windows().FormResepti;
        QVERIFY(recipe);
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Return);
        QVERIFY(recipe->isVisible());
        QVERIFY(!w->isVisible());
        // Back shows the main window, which selects the recipe again.
        recipe->action(QStringLiteral("MenuTakaisin"))->trigger();
        QVERIFY(w->isVisible());
        QVERIFY(!recipe->isVisible());
        QVERIFY(w->state().ReturnedFromRecipe);
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Brownies"));
        QVERIFY(w->MemoKuvaus()->isVisible());
        QCOMPARE(w->DBLLBoxLista()->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
        // With the recipe table closed by a main group selection, a later
        // activation has no recipe to select again and leaves the window be.
        selectMainGroup(1);
        Dialogs::queueResponse([](QDialog *d) { d->close(); });
        w->menuAction(QStringLiteral("MenuAbout"))->trigger();
        QVERIFY(!w->MemoKuvaus()->isVisible());
        QVERIFY(Dialogs::messages().isEmpty());
    }

    void addRecipeOpensTheRecipeWindow()
    {
        selectMainGroup(0);
        selectSubgroup(1);
        answerName(QStringLiteral("Custard"));
        Dialogs::queueResponse([this](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("FormAnnos"));
            // The portion dialog asks while RecipeMode is still set.
            QVERIFY(w->state().RecipeMode);
            d->close();
        });
        w->menuAction(QStringLiteral("TBLisaaResepti"))->trigger();
        QCOMPARE(Dialogs::shownDialogs().mid(0, 2), QStringList({"FormUusi", "FormAnnos"}));
        QCOMPARE(book->storedNames("Ohje", QStringLiteral("Puddings")), QStringList({"Rice pudding", "Custard"}));
        QCOMPARE(w->state().CurrentRecipe, QStringLiteral("Custard"));
        QVERIFY(!w->state().RecipeMode);
        QVERIFY(windows().FormResepti->isVisible());
        QVERIFY(!w->isVisible());
    }

    void missingTablesEndTheProgram()
    {
        book.reset();
        BookFixture empty;
        QFile::remove(empty.dataFolder() + QStringLiteral("/Ohje.db"));
        TFormPaa *form = empty.createWindows();
        QVERIFY(!form->tablesOpened());
        QCOMPARE(Dialogs::messages().size(), 1);
        QCOMPARE(Dialogs::messages().first().kind, Dialogs::Message::Fatal);
        QCOMPARE(Dialogs::messages().first().caption, QStringLiteral("Database not found"));
        QCOMPARE(Dialogs::messages().first().text,
                 QStringLiteral("Database files not found.\nIf you have made a backup of the \"Data\" -folder,\n"
                                "restore it or reinstall the program."));

        // With no Data folder at all the message says how to make a book.
        QDir(empty.dataFolder()).removeRecursively();
        Dialogs::clearRecord();
        QVERIFY(!empty.createWindows()->tablesOpened());
        QCOMPARE(Dialogs::messages().size(), 1);
        QVERIFY2(Dialogs::messages().first().text.contains(QStringLiteral("mealdeck-data init \"%1\"")
                                                               .arg(QDir::cleanPath(empty.programFolder()))),
                 qPrintable(Dialogs::messages().first().text));
    }

    void exitFromTheRecipeWindowEndsTheProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addRow("Exit in the menu, Yes") << "MenuLopeta";
        QTest::addRow("tool button, question switched off") << "TBLopeta";
        QTest::addRow("frame, Yes") << "frame";
    }

    void exitFromTheRecipeWindowEndsTheProgram()
    {
        QFETCH(QString, how);
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(1);
        w->menuAction(QStringLiteral("MenuNaytaResepti"))->trigger();
        TFormResepti *recipe = windows().FormResepti;
        QVERIFY(recipe->isVisible());
        if (how == QLatin1String("TBLopeta")) {
            SettingsKey key;
            QVERIFY(key.open());
            key.writeBool(SettingNames::KysLop, true);
        } else {
            Dialogs::queueResponse([](QDialog *d) { qobject_cast<TFormPoistu *>(d)->BitBtnOK->click(); });
        }
        // The program's event loop must end by itself; the watchdog ends it
        // with another code when Exit did not.
        QTimer::singleShot(0, recipe, [recipe, how] {
            if (how == QLatin1String("frame"))
                recipe->close();
            else
                recipe->action(how)->trigger();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(w->endRequested());
        QVERIFY(!recipe->isVisible());
        QVERIFY(!w->isVisible());
    }

    void enterRightAfterStartSelectsTheShownMainGroup()
    {
        // Nothing clicked yet: the list shows the first main group as current.
        QTest::keyClick(w->DBLLBoxPaaryhma(), Qt::Key_Return);
        QCOMPARE(w->state().CurrentMainGroup, QStringLiteral("Desserts"));
        QCOMPARE(listNames(w->DBLLBoxAlaryhma()), QStringList({"Cakes", "Puddings"}));
        QCOMPARE(w->state().CurrentSubgroup, QStringLiteral("Cakes"));
        QCOMPARE(listNames(w->DBLLBoxLista()), QStringList({"Apple pie", "Brownies"}));
        QVERIFY(enabled(w, "MenuPoistaAla"));
        QString asked;
        Dialogs::queueResponse([&asked](QDialog *d) {
            auto *dialog = qobject_cast<TFormRyhmaPois *>(d);
            asked = dialog->Label2->text();
            dialog->BitBtnCancel->click();
        });
        w->menuAction(QStringLiteral("MenuPoistaAla"))->trigger();
        QCOMPARE(asked, QStringLiteral("\"Cakes\""));
        QVERIFY(Dialogs::messages().isEmpty());

        // A main group without subgroups offers no command of a subgroup.
        selectMainGroup(1);
        QTest::keyClick(w->DBLLBoxPaaryhma(), Qt::Key_Return);
        QVERIFY(listNames(w->DBLLBoxAlaryhma()).isEmpty());
        QCOMPARE(::enabledCommands(w), QStringList());
        QVERIFY(Dialogs::messages().isEmpty());
    }

    void enterInAnEmptyBookKeepsAddMainGroup()
    {
        book.reset();
        BookFixture empty;
        closeOthers();
        TFormPaa *form = empty.createWindows();
        form->show();
        QTest::keyClick(form->DBLLBoxPaaryhma(), Qt::Key_Return);
        QCOMPARE(::enabledCommands(form), QStringList({"MenuLisaaPaa", "TBLisaaPaa"}));
    }

    void pictureStaysBesideTheMemoAfterDialogs_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addRow("About") << "MenuAbout";
        QTest::addRow("Change Recipe Name, Cancel") << "MenuMuutaResepti";
        QTest::addRow("Delete Picture, No") << "MenuPoistaKuva";
    }

    void pictureStaysBesideTheMemoAfterDialogs()
    {
        QFETCH(QString, command);
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(0);
        auto *picture = w->findChild<QLabel *>(QStringLiteral("Ruokakuva"));
        QVERIFY(picture->isVisible());
        const QRect memo = w->MemoKuvaus()->geometry();
        QCOMPARE(memo, QRect(168, 307, 210, 169));
        Dialogs::queueResponse([](QDialog *d) {
            if (auto *question = qobject_cast<TFormMuuttunut *>(d))
                question->BitBtn2()->click();
            else if (auto *name = qobject_cast<TFormUusi *>(d))
                name->BitBtnCancel->click();
            else
                d->close();
        });
        w->menuAction(command)->trigger();
        QVERIFY(picture->isVisible());
        QCOMPARE(w->MemoKuvaus()->geometry(), memo);
        QVERIFY(QFile::exists(PicturePaths::pictureFile(QStringLiteral("Apple pie"))));
    }

    void escapeInAQuestionNeverDestroys()
    {
        const auto escape = [](QDialog *d) { QTest::keyClick(d, Qt::Key_Escape); };
        selectMainGroup(0);
        selectSubgroup(0);
        selectRecipe(0);
        // "Delete picture ...?": Escape answers No.
        Dialogs::queueResponse(escape);
        w->menuAction(QStringLiteral("MenuPoistaKuva"))->trigger();
        QCOMPARE(Dialogs::shownDialogs(), QStringList{"FormMuuttunut"});
        QVERIFY(QFile::exists(PicturePaths::pictureFile(QStringLiteral("Apple pie"))));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Kuva")), QStringLiteral("True"));

        // The description question of Exit: Exit stops, the edit stays unsaved in the memo.
        selectRecipe(0);
        QTest::keyClicks(w->MemoKuvaus(), QStringLiteral("XYZ"));
        Dialogs::queueResponse(escape);
        QVERIFY(!w->close());
        QVERIFY(!w->endRequested());
        QVERIFY(w->MemoKuvaus()->toPlainText().contains(QLatin1String("XYZ")));
        QVERIFY(w->state().DescriptionModified);
        QVERIFY(!book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Kuvaus")).contains("XYZ"));
        // Asked because the selection moved, the edit is stored.
        Dialogs::queueResponse(escape);
        selectRecipe(1);
        QCOMPARE(Dialogs::pendingResponses(), 0);
        QVERIFY(book->storedRecipeField(QStringLiteral("Apple pie"), QStringLiteral("Kuvaus")).contains("XYZ"));
    }

    void tabMovesThroughThePortionDialog()
    {
        selectMainGroup(0);
        selectSubgroup(1);
        answerName(QStringLiteral("Custard"));
        Dialogs::queueResponse([](QDialog *d) {
            auto *annos = qobject_cast<TFormAnnos *>(d);
            QVERIFY(annos);
            QCOMPARE(d->focusWidget(), annos->EditAnnos());
            QTest::keyClicks(d->focusWidget(), QStringLiteral("4"));
            QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(d->focusWidget(), QStringLiteral("Easy"));
            QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(d->focusWidget(), QStringLiteral("1 h"));
            QTest::keyClick(d->focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
            QCOMPARE(d->focusWidget(), annos->EditAste());
            QTest::keyClick(d->focusWidget(), Qt::Key_Return);
        });
        w->menuAction(QStringLiteral("TBLisaaResepti"))->trigger();
        QCOMPARE(book->storedRecipeField(QStringLiteral("Custard"), QStringLiteral("Annos")), QStringLiteral("4"));
        // In the main window Tab leaves the lists and the edits alike.
        windows().FormResepti->action(QStringLiteral("MenuTakaisin"))->trigger();
        for (QWidget *field : std::initializer_list<QWidget *>{w->DBLLBoxPaaryhma(), w->DBLLBoxAlaryhma(),
                                                                w->DBLLBoxLista(), w->DBEditAste()}) {
            field->setFocus();
            QCOMPARE(w->focusWidget(), field);
            QTest::keyClick(field, Qt::Key_Tab);
            QVERIFY2(w->focusWidget() != field, qPrintable(field->objectName()));
        }
        QCOMPARE(book->storedRecipeField(QStringLiteral("Custard"), QStringLiteral("Aste")), QStringLiteral("Easy"));
        QCOMPARE(book->storedRecipeField(QStringLiteral("Custard"), QStringLiteral("Aika")), QStringLiteral("1 h"));
    }

    void startAtLoginOnAFreshAccount()
    {
        // A new account: no configuration folder at all.
        QTemporaryDir home;
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        struct Restore
        {
            QByteArray value;
            ~Restore() { qputenv("XDG_CONFIG_HOME", value); }
        } restore{saved};
        const QString config = home.filePath(QStringLiteral("user/.config"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        const QString entry = config + QStringLiteral("/autostart/Ruokalon Ateriapino.desktop");
        QAction *item = w->MenuAutorun();
        item->trigger();
        QVERIFY(item->isChecked());
        QVERIFY(QFile::exists(entry));
        for (const QString &made : {config, config + QStringLiteral("/autostart")}) {
            const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                | QFile::WriteOther | QFile::ExeOther;
            QCOMPARE(QFileInfo(made).permissions() & others, QFile::Permissions());
        }
        QVERIFY(Dialogs::messages().isEmpty());
        item->trigger();
        QVERIFY(!QFile::exists(entry));

        // Where no entry can be written the user is told, and the item stays unticked.
        QVERIFY(QDir(config + QStringLiteral("/autostart")).removeRecursively());
        QFile blocker(config + QStringLiteral("/autostart"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        item->trigger();
        QVERIFY(!item->isChecked());
        QVERIFY(!windows().FormResepti->MenuAutorun()->isChecked());
        QCOMPARE(Dialogs::messages().size(), 1);
        QVERIFY(Dialogs::messages().first().text.contains(QLatin1String("Ruokalon Ateriapino.desktop")));
    }
};

QTEST_MAIN(TestFormPaa)
#include "TestFormPaa.moc"
