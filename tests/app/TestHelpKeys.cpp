// F1 and Help open the help contents from both windows; Exit closes the help.
#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "platform/HelpViewer.h"
#include "recipe/FormResepti.h"
#include "settings/SettingsStore.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <memory>

namespace {

QString shippedHelpFolder()
{
    return QFileInfo(QFINDTESTDATA("../../resources/help/Help.html")).absolutePath();
}

void selectFirst(DataBoundList *list)
{
    const QModelIndex index = list->model()->index(0, 0);
    QVERIFY(index.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

bool contentsShown()
{
    HelpViewer *viewer = HelpViewer::instance();
    return viewer && viewer->isVisible()
        && QFileInfo(viewer->browser()->source().toLocalFile()).fileName() == QLatin1String("Help.html");
}

} // namespace

class TestHelpKeys : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

private Q_SLOTS:
    void init()
    {
        HelpViewer::setHelpFolder(shippedHelpFolder());
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Desserts"));
        book->addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Desserts"));
        book->addRecipe(QStringLiteral("Brownies"), QStringLiteral("Cakes"));
        w = book->createWindows();
        QVERIFY(w && w->tablesOpened());
        // Not a first start: the about window stays away.
        {
            SettingsKey key;
            QVERIFY(key.open());
            key.writeBool(SettingNames::About, true);
            key.writeBool(SettingNames::Aines, true);
        }
        w->show();
        Dialogs::clearRecord();
    }

    void cleanup()
    {
        HelpViewer::closeHelp();
        QTRY_VERIFY(!HelpViewer::instance());
        HelpViewer::setHelpFolder(QString());
        book.reset();
        w = nullptr;
    }

    void mainWindowF1AndButton()
    {
        QTest::keyClick(w->DBLLBoxPaaryhma(), Qt::Key_F1);
        QVERIFY(contentsShown());
        HelpViewer::closeHelp();
        QTRY_VERIFY(!HelpViewer::instance());
        w->menuAction(QStringLiteral("TBOhje"))->trigger();
        QVERIFY(contentsShown());
        QVERIFY(Dialogs::messages().isEmpty());
    }

    void recipeWindowF1()
    {
        selectFirst(w->DBLLBoxPaaryhma());
        selectFirst(w->DBLLBoxAlaryhma());
        selectFirst(w->DBLLBoxLista());
        QTest::keyClick(w->DBLLBoxLista(), Qt::Key_Return);
        TFormResepti *recipe = windows().FormResepti;
        QVERIFY(recipe && recipe->isVisible());
        recipe->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(recipe));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : recipe, Qt::Key_F1);
        QVERIFY(contentsShown());
        // Exit from the recipe window closes the help as well.
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(SettingNames::KysLop, true);
        recipe->action(QStringLiteral("MenuLopeta"))->trigger();
        QTRY_VERIFY(!HelpViewer::instance() || !HelpViewer::instance()->isVisible());
        QVERIFY(w->endRequested());
    }

    void exitClosesHelp()
    {
        w->menuAction(QStringLiteral("MenuOhjeet"))->trigger();
        QVERIFY(contentsShown());
        SettingsKey key;
        QVERIFY(key.open());
        key.writeBool(SettingNames::KysLop, true);
        w->menuAction(QStringLiteral("MenuSulje"))->trigger();
        QTRY_VERIFY(!HelpViewer::instance() || !HelpViewer::instance()->isVisible());
    }

    void missingHelpFileIsNamed()
    {
        QTemporaryDir empty;
        HelpViewer::setHelpFolder(empty.path());
        QTest::keyClick(w->DBLLBoxPaaryhma(), Qt::Key_F1);
        QVERIFY(!HelpViewer::instance() || !HelpViewer::instance()->isVisible());
        QCOMPARE(Dialogs::messages().size(), 1);
        QVERIFY(Dialogs::messages().first().text.contains(QLatin1String("Help.html")));
    }
};

QTEST_MAIN(TestHelpKeys)
#include "TestHelpKeys.moc"
