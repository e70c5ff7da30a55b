#include "platform/Dialogs.h"
#include "platform/EMailLabel.h"
#include "platform/URLLabel.h"
#include "settings/FormAbout.h"
#include "settings/FormAinesohje.h"
#include "settings/FormPikaohje.h"
#include "settings/FormPoistu.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// A stored flag, or -1 when the value is missing.
int storedFlag(const char *name)
{
    SettingsKey key;
    if (!key.open(false) || !key.valueExists(QString::fromLatin1(name)))
        return -1;
    return key.readBool(QString::fromLatin1(name)) ? 1 : 0;
}

// Records the exit steps in the order they are asked for.
struct RecordingExit : ExitSteps
{
    QStringList calls;
    bool failPosting = false;
    void postModifiedRecipeMemos() override
    {
        calls << "post";
        if (failPosting)
            throw StoreError("The recipe table could not be written.");
    }
    void endProgram() override { calls << "end"; }
};

} // namespace

class TestSmallDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void questionBoxesWriteAtOnce_data();
    void questionBoxesWriteAtOnce();
    void tipAndExitBoxesStartUnticked();
    void everyWayOutIsAccepted_data();
    void everyWayOutIsAccepted();
    void exitYesPostsEditsThenEnds();
    void exitNoKeepsRunningAndTickedBoxStopsTheQuestion();
    void exitWhosePostingFailsDoesNotEnd();
    void quickGuideForms_data();
    void quickGuideForms();
    void aboutWindowShowsPictureAndLinks();
};

void TestSmallDialogs::initTestCase()
{
    Dialogs::setTestMode(true);
}

void TestSmallDialogs::init()
{
    QFile::remove(SettingsStore::filePath());
    Dialogs::clearRecord();
}

void TestSmallDialogs::questionBoxesWriteAtOnce_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("clicks");
    QTest::addRow("tip, ticked") << "FormAinesohje" << 1;
    QTest::addRow("tip, ticked and unticked") << "FormAinesohje" << 2;
    QTest::addRow("exit, ticked") << "FormPoistu" << 1;
    QTest::addRow("exit, ticked and unticked") << "FormPoistu" << 2;
}

void TestSmallDialogs::questionBoxesWriteAtOnce()
{
    QFETCH(QString, dialog);
    QFETCH(int, clicks);

    RecordingExit exit;
    std::unique_ptr<QDialog> d;
    QCheckBox *box = nullptr;
    const char *setting = nullptr;
    if (dialog == "FormAinesohje") {
        auto *tip = new TFormAinesohje;
        d.reset(tip);
        box = tip->CheckBox1;
        setting = SettingNames::Aines;
    } else {
        auto *question = new TFormPoistu(&exit);
        d.reset(question);
        box = question->CheckBox;
        setting = SettingNames::KysLop;
    }
    d->show();
    QCOMPARE(storedFlag(setting), -1);
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(box, Qt::LeftButton);
    // Written before the dialog is answered, and true however the box ends up.
    QVERIFY(d->isVisible());
    QCOMPARE(storedFlag(setting), 1);
}

void TestSmallDialogs::tipAndExitBoxesStartUnticked()
{
    TFormAinesohje tip;
    tip.CheckBox1->setChecked(true);
    tip.show();
    QVERIFY(!tip.CheckBox1->isChecked());

    TFormPoistu question(nullptr);
    question.CheckBox->setChecked(true);
    question.show();
    QVERIFY(!question.CheckBox->isChecked());
}

void TestSmallDialogs::everyWayOutIsAccepted_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("button"); // empty: Escape; "frame": the close box
    QTest::addRow("tip, OK") << "FormAinesohje"
                             << "BitBtn1";
    QTest::addRow("tip, Escape") << "FormAinesohje"
                                 << "";
    QTest::addRow("tip, frame") << "FormAinesohje"
                                << "frame";
    QTest::addRow("guide, OK") << "FormPikaohje"
                               << "BitBtn1";
    QTest::addRow("guide, frame") << "FormPikaohje"
                                  << "frame";
    QTest::addRow("exit, No") << "FormPoistu"
                              << "BitBtnCancel";
    QTest::addRow("exit, Escape") << "FormPoistu"
                                  << "";
    QTest::addRow("exit, frame") << "FormPoistu"
                                 << "frame";
    QTest::addRow("about, OK") << "FormAbout"
                               << "BitBtnAbout";
    QTest::addRow("about, frame") << "FormAbout"
                                  << "frame";
}

void TestSmallDialogs::everyWayOutIsAccepted()
{
    QFETCH(QString, dialog);
    QFETCH(QString, button);

    RecordingExit exit;
    std::unique_ptr<QDialog> d;
    if (dialog == "FormAinesohje")
        d = std::make_unique<TFormAinesohje>();
    else if (dialog == "FormPikaohje")
        d = std::make_unique<TFormPikaohje>();
    else if (dialog == "FormPoistu")
        d = std::make_unique<TFormPoistu>(&exit);
    else
        d = std::make_unique<TFormAbout>();
    QCOMPARE(d->objectName(), dialog);

    Dialogs::queueResponse([button](QDialog *shown) {
        if (button.isEmpty())
            QTest::keyClick(shown, Qt::Key_Escape);
        else if (button == "frame")
            shown->close();
        else
            QTest::mouseClick(shown->findChild<QPushButton *>(button), Qt::LeftButton);
        QVERIFY(!shown->isVisible());
    });
    QCOMPARE(Dialogs::exec(d.get()), int(QDialog::Accepted));
    QCOMPARE(exit.calls, QStringList());
}

void TestSmallDialogs::exitYesPostsEditsThenEnds()
{
    RecordingExit exit;
    TFormPoistu question(&exit);
    Dialogs::queueResponse(
        [](QDialog *d) { QTest::mouseClick(d->findChild<QPushButton *>("BitBtnOK"), Qt::LeftButton); });
    QCOMPARE(Dialogs::exec(&question), int(QDialog::Accepted));
    QCOMPARE(exit.calls, QStringList({"post", "end"}));
    QVERIFY(question.exitChosen());
    // Yes never writes the question switch by itself.
    QCOMPARE(storedFlag(SettingNames::KysLop), -1);

    // Enter is Yes.
    exit.calls.clear();
    Dialogs::queueResponse([](QDialog *d) { QTest::keyClick(d, Qt::Key_Return); });
    Dialogs::exec(&question);
    QCOMPARE(exit.calls, QStringList({"post", "end"}));
}

void TestSmallDialogs::exitNoKeepsRunningAndTickedBoxStopsTheQuestion()
{
    RecordingExit exit;
    TFormPoistu question(&exit);
    Dialogs::queueResponse([](QDialog *d) {
        QTest::mouseClick(d->findChild<QCheckBox *>("CheckBox"), Qt::LeftButton);
        QTest::mouseClick(d->findChild<QPushButton *>("BitBtnCancel"), Qt::LeftButton);
    });
    Dialogs::exec(&question);
    QVERIFY(!question.exitChosen());
    QVERIFY(exit.calls.isEmpty());
    // The next Exit reads this and ends without asking.
    QCOMPARE(storedFlag(SettingNames::KysLop), 1);
}

void TestSmallDialogs::exitWhosePostingFailsDoesNotEnd()
{
    RecordingExit exit;
    exit.failPosting = true;
    TFormPoistu question(&exit);
    Dialogs::queueResponse(
        [](QDialog *d) { QTest::mouseClick(d->findChild<QPushButton *>("BitBtnOK"), Qt::LeftButton); });
    Dialogs::exec(&question);
    QCOMPARE(exit.calls, QStringList({"post"}));
    QVERIFY(!question.exitChosen());
    QCOMPARE(Dialogs::messages().size(), 1);
    QCOMPARE(Dialogs::messages().first().kind, Dialogs::Message::Error);
    QCOMPARE(Dialogs::messages().first().text, QString("The recipe table could not be written."));
}

void TestSmallDialogs::quickGuideForms_data()
{
    QTest::addColumn<bool>("recipeWindow");
    QTest::addColumn<int>("windowHeight");
    QTest::addColumn<bool>("memo1Shown");
    QTest::addColumn<int>("memo1Height");
    QTest::addColumn<int>("buttonTop");
    QTest::addRow("main window") << false << 230 << true << 169 << 175;
    QTest::addRow("recipe window") << true << 150 << false << 80 << 95;
}

void TestSmallDialogs::quickGuideForms()
{
    QFETCH(bool, recipeWindow);
    QFETCH(int, windowHeight);
    QFETCH(bool, memo1Shown);
    QFETCH(int, memo1Height);
    QFETCH(int, buttonTop);

    TFormPikaohje guide;
    // The form is switched both ways on one window, as callers reuse it.
    if (recipeWindow) {
        guide.useRecipeWindowForm();
    } else {
        guide.useRecipeWindowForm();
        guide.useMainWindowForm();
    }
    guide.show();
    QCOMPARE(guide.height() + TFormPikaohje::FrameHeight, windowHeight);
    QCOMPARE(guide.Memo1->isVisible(), memo1Shown);
    QCOMPARE(guide.Memo2->isVisible(), !memo1Shown);
    QCOMPARE(guide.Memo1->height(), memo1Height);
    QCOMPARE(guide.BitBtn1->y(), buttonTop);
    // The button stays inside the window.
    QVERIFY(guide.BitBtn1->geometry().bottom() < guide.height());
}

void TestSmallDialogs::aboutWindowShowsPictureAndLinks()
{
    QStringList opened;
    ShellOpen::setOpener([&opened](const QString &address) { opened << address; });
    TFormAbout about;
    about.show();
    QVERIFY(about.ImageAbout->pixmap().width() > 0);
    QCOMPARE(about.URLLabel1->text(), TFormAbout::homePage());
    QCOMPARE(about.EMailLabel1->text(), TFormAbout::contactAddress());

    // The links keep their dark blue in and out; only the underline follows the pointer.
    for (TLinkLabel *link :
         {static_cast<TLinkLabel *>(about.URLLabel1), static_cast<TLinkLabel *>(about.EMailLabel1)}) {
        QCOMPARE(link->fontColor(), QColor(0, 0, 160));
        QVERIFY(link->font().underline());
        link->MouseEnter();
        QCOMPARE(link->fontColor(), QColor(0, 0, 160));
        QVERIFY(link->font().underline());
        link->MouseLeave();
        QVERIFY(!link->font().underline());
    }
    QTest::mouseClick(about.EMailLabel1, Qt::LeftButton);
    QTest::mouseClick(about.URLLabel1, Qt::LeftButton);
    QCOMPARE(opened, QStringList({"mailto:" + TFormAbout::contactAddress(), "http://" + TFormAbout::homePage()}));
    ShellOpen::setOpener({});
}

QTEST_MAIN(TestSmallDialogs)
#include "TestSmallDialogs.moc"
