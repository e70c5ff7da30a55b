#include "platform/DialogParts.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>

// Which button Enter presses in a dialog built of the parts: the default one
// from anywhere, a button that takes Enter only while it has the focus, never
// a button that leaves Enter to the default.
class TestDialogParts : public QObject
{
    Q_OBJECT

private slots:
    void enterPressesTheRightButton_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("on the default button") << "Yes"
                                               << "Yes";
        QTest::newRow("on a button that takes Enter when focused") << "Maybe"
                                                                   << "Maybe";
        QTest::newRow("on a button that never takes Enter") << "No"
                                                            << "Yes";
    }

    void enterPressesTheRightButton()
    {
        QFETCH(QString, focused);
        QFETCH(QString, pressed);
        QDialog dialog;
        DialogParts::setUp(&dialog, "Question", QStringLiteral("Question"), 13);
        using DialogParts::Enter;
        const struct
        {
            const char *name;
            Enter enter;
        } buttons[] = {{"Yes", Enter::Default}, {"Maybe", Enter::WhenFocused}, {"No", Enter::Never}};
        QString clicked;
        int x = 0;
        for (const auto &b : buttons) {
            QPushButton *button = DialogParts::bitButton(&dialog, b.name, QString::fromLatin1(b.name), QString(),
                                                         QRect(x, 0, 80, 25), b.enter);
            connect(button, &QPushButton::clicked, &dialog, [&clicked, button] { clicked = button->objectName(); });
            x += 90;
        }
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *target = dialog.findChild<QPushButton *>(focused);
        QVERIFY(target);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(clicked, pressed);
    }
};

QTEST_MAIN(TestDialogParts)
#include "TestDialogParts.moc"
