#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "settings/SettingsStore.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

// The size modes and the screen-width rules of the main window. The test runs
// on whatever screen the platform gives it (800, 1000 and 1280 pixels wide in
// the test suite) and checks the rules for that width.
class TestFormPaaScreens : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

    static int screenWidth() { return QGuiApplication::primaryScreen()->geometry().width(); }

    QRect geometryOf(const char *name) const
    {
        auto *widget = w->findChild<QWidget *>(QLatin1String(name));
        return widget ? widget->geometry() : QRect();
    }

    void click(DataBoundList *list, int row)
    {
        const QModelIndex index = list->model()->index(row, 0);
        QVERIFY(index.isValid());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }

    void openWindow()
    {
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        w = book->createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
    }

private Q_SLOTS:
    void init()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Mains"));
        book->addSubgroup(QStringLiteral("Fish"), QStringLiteral("Mains"));
        book->addRecipe(QStringLiteral("Salmon"), QStringLiteral("Fish"), true);
        book->addRecipe(QStringLiteral("Cod"), QStringLiteral("Fish"));
    }

    void cleanup()
    {
        book.reset();
        w = nullptr;
    }

    void firstStart()
    {
        openWindow();
        SettingsKey key;
        QVERIFY(key.open());
        QCOMPARE(Dialogs::shownDialogs().count(QStringLiteral("FormAbout")), 1);
        QVERIFY(key.valueExists(SettingNames::About) && key.readBool(SettingNames::About));
        QVERIFY(key.valueExists(SettingNames::Auto) && !key.readBool(SettingNames::Auto));
        if (screenWidth() >= 1024) {
            QVERIFY(key.valueExists(SettingNames::Koko) && !key.readBool(SettingNames::Koko));
            QVERIFY(w->MenuIkkuna()->isEnabled());
        } else {
            QVERIFY(!key.valueExists(SettingNames::Koko));
            QVERIFY(!w->MenuIkkuna()->isEnabled());
        }
        // Either way the window ends in the Small mode.
        QCOMPARE(w->width(), 792);
        QVERIFY(w->MenuPieni()->isChecked());

        // A second start does not show the about window again.
        book->destroyWindows();
        Dialogs::clearRecord();
        openWindow();
        QVERIFY(!Dialogs::shownDialogs().contains(QStringLiteral("FormAbout")));
    }

    void sizeModes_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QRect>("expected");
        const QList<std::tuple<const char *, QRect, QRect>> rows = {
            {"Panel1", QRect(0, 29, 1014, 658), QRect(0, 29, 795, 501)},
            {"DBLLBoxPaaryhma", QRect(1, 20, 214, 436), QRect(0, 17, 169, 290)},
            {"DBLLBoxAlaryhma", QRect(215, 20, 270, 436), QRect(169, 17, 210, 290)},
            {"DBLLBoxLista", QRect(485, 20, 530, 615), QRect(379, 17, 413, 459)},
            {"Ruokakuva", QRect(1, 452, 214, 177), QRect(0, 307, 169, 169)},
            {"MemoKuvaus", QRect(0, 452, 484, 180), QRect(0, 307, 379, 169)},
        };
        for (const auto &[name, full, small] : rows) {
            QTest::addRow("Full %s", name) << true << QString::fromLatin1(name) << full;
            QTest::addRow("Small %s", name) << false << QString::fromLatin1(name) << small;
        }
        QTest::addRow("Full Kuva") << true << "Kuva" << QRect(5, 454, 480, 177);
        QTest::addRow("Small Kuva2") << false << "Kuva2" << QRect(5, 307, 374, 167);
    }

    void sizeModes()
    {
        QFETCH(bool, full);
        QFETCH(QString, element);
        QFETCH(QRect, expected);
        openWindow();
        w->menuAction(QStringLiteral("MenuSuuri"))->trigger();
        if (full && screenWidth() < 1024) {
            // Full does nothing on a narrow screen.
            QCOMPARE(w->width(), 792);
            return;
        }
        if (!full)
            w->menuAction(QStringLiteral("MenuPieni"))->trigger();
        QCOMPARE(w->width(), full ? 1016 : 792);
        // The status bar follows right below the lists.
        QCOMPARE(w->statusBar()->geometry().top() - w->centralWidget()->geometry().top(),
                 full ? 29 + 20 + 615 + 2 : 29 + 17 + 459 + 2);
        QCOMPARE(w->MenuSuuri()->isChecked(), full);
        QCOMPARE(w->MenuPieni()->isChecked(), !full);
        QCOMPARE(w->findChild<QWidget *>(element)->geometry(), expected);
        QCOMPARE(w->findChild<QLabel *>(full ? "Kuva" : "Kuva2")->isVisibleTo(w), true);
        QCOMPARE(w->findChild<QLabel *>(full ? "Kuva2" : "Kuva")->isVisibleTo(w), false);
        QCOMPARE(w->DBLLBoxLista()->font().pointSize(), full ? 10 : 8);
    }

    void sizeCommandsWriteOnlyExistingKoko()
    {
        if (screenWidth() < 1024)
            QSKIP("the size commands need a screen at least 1024 pixels wide");
        openWindow();
        SettingsKey key;
        QVERIFY(key.open());
        // The first activation created Koko; removing it again shows that
        // Full changes the layout but writes nothing.
        BookFixture::clearSettings();
        QVERIFY(key.open());
        w->menuAction(QStringLiteral("MenuSuuri"))->trigger();
        QCOMPARE(w->width(), 1016);
        QVERIFY(!key.valueExists(SettingNames::Koko));
        key.writeBool(SettingNames::Koko, false);
        w->menuAction(QStringLiteral("MenuSuuri"))->trigger();
        QVERIFY(key.readBool(SettingNames::Koko));
        w->menuAction(QStringLiteral("MenuPieni"))->trigger();
        QVERIFY(!key.readBool(SettingNames::Koko));
        QCOMPARE(w->width(), 792);
    }

    void memoPlacement_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<int>("recipe");
        QTest::addColumn<QRect>("expected");
        QTest::addRow("Small, with picture") << false << 0 << QRect(168, 307, 210, 169);
        QTest::addRow("Small, without picture") << false << 1 << QRect(0, 307, 378, 169);
        QTest::addRow("Full, with picture") << true << 0 << QRect(215, 452, 270, 180);
        QTest::addRow("Full, without picture") << true << 1 << QRect(0, 452, 484, 180);
    }

    void memoPlacement()
    {
        QFETCH(bool, full);
        QFETCH(int, recipe);
        QFETCH(QRect, expected);
        if (full && screenWidth() < 1024)
            QSKIP("the Full mode needs a screen at least 1024 pixels wide");
        openWindow();
        if (full)
            w->menuAction(QStringLiteral("MenuSuuri"))->trigger();
        click(w->DBLLBoxPaaryhma(), 0);
        click(w->DBLLBoxAlaryhma(), 0);
        click(w->DBLLBoxLista(), recipe);
        QCOMPARE(w->MemoKuvaus()->geometry(), expected);
        QVERIFY(!w->findChild<QLabel *>("Kuva")->isVisible() && !w->findChild<QLabel *>("Kuva2")->isVisible());
        // A size mode applied again keeps the decorative picture under the memo hidden.
        w->menuAction(QString::fromLatin1(full ? "MenuSuuri" : "MenuPieni"))->trigger();
        QVERIFY(!w->findChild<QLabel *>("Kuva")->isVisible() && !w->findChild<QLabel *>("Kuva2")->isVisible());
    }

    void pointerMoveRule()
    {
        openWindow();
        if (screenWidth() >= 1024)
            w->menuAction(QStringLiteral("MenuSuuri"))->trigger();
        w->MenuIkkuna()->setEnabled(false);
        QTest::mouseMove(w->DBLLBoxAlaryhma()->viewport(), QPoint(10, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(12, 12), QPointF(12, 12), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(w->DBLLBoxAlaryhma()->viewport(), &move);
        if (screenWidth() > 800) {
            QVERIFY(w->MenuIkkuna()->isEnabled());
            // On a screen narrower than 1024 Full still does nothing.
            w->menuAction(QStringLiteral("MenuSuuri"))->trigger();
            QCOMPARE(w->width(), screenWidth() >= 1024 ? 1016 : 792);
        } else {
            QVERIFY(!w->MenuIkkuna()->isEnabled());
            QCOMPARE(w->width(), 792);
        }
    }
};

QTEST_MAIN(TestFormPaaScreens)
#include "TestFormPaaScreens.moc"
