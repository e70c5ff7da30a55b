#include "platform/EMailLabel.h"
#include "platform/URLLabel.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const QColor blue(0, 0, 255);
const QColor black(0, 0, 0);
const QColor maroon(128, 0, 0);
const QColor green(0, 128, 0);

void sendEnter(QWidget *w)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(w, &enter);
}

void sendLeave(QWidget *w)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(w, &leave);
}

std::unique_ptr<TLinkLabel> makeLabel(bool mail)
{
    if (mail)
        return std::make_unique<TEMailLabel>();
    return std::make_unique<TURLLabel>();
}

} // namespace

class TestURLLabel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newLabelShowsDefaults_data();
    void newLabelShowsDefaults();
    void clickOpensSchemeAndCaption_data();
    void clickOpensSchemeAndCaption();
    void onlyAClickInsideOpens();
    void hoverAndLeave_data();
    void hoverAndLeave();
    void disabledLabels_data();
    void disabledLabels();
    void clickMakesAfterColourTheOutColour();
    void colourSettersTakeEffectWhenDocumented();
    void styleIsReplacedNotCombined();

private:
    QStringList m_opened;
};

void TestURLLabel::init()
{
    m_opened.clear();
    ShellOpen::setOpener([this](const QString &address) { m_opened << address; });
}

void TestURLLabel::cleanup()
{
    ShellOpen::setOpener({});
}

void TestURLLabel::newLabelShowsDefaults_data()
{
    QTest::addColumn<bool>("mail");
    QTest::addRow("web") << false;
    QTest::addRow("mail") << true;
}

void TestURLLabel::newLabelShowsDefaults()
{
    QFETCH(bool, mail);
    auto label = makeLabel(mail);
    QCOMPARE(label->text(), mail ? TEMailLabel::defaultEMailAddress() : TURLLabel::defaultURL());
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(label->fontColor(), black);
    QVERIFY(label->Parentfont());
}

void TestURLLabel::clickOpensSchemeAndCaption_data()
{
    QTest::addColumn<bool>("mail");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("caption"); // null: the caption the address gave
    QTest::addColumn<QString>("opened");

    QTest::addRow("web address") << false << "www.example.org/recipes" << QString() << "http://www.example.org/recipes";
    QTest::addRow("caption changed afterwards") << false << "www.example.org"
                                                << "other.example.org"
                                                << "http://other.example.org";
    QTest::addRow("already with http") << false << "http://www.example.org" << QString() << "http://www.example.org";
    QTest::addRow("already with https") << false << "https://www.example.org" << QString() << "https://www.example.org";
    QTest::addRow("mail address") << true << "cook@example.org" << QString() << "mailto:cook@example.org";
    QTest::addRow("already with mailto") << true << "mailto:cook@example.org" << QString() << "mailto:cook@example.org";
}

void TestURLLabel::clickOpensSchemeAndCaption()
{
    QFETCH(bool, mail);
    QFETCH(QString, address);
    QFETCH(QString, caption);
    QFETCH(QString, opened);

    auto label = makeLabel(mail);
    if (mail)
        static_cast<TEMailLabel *>(label.get())->setEMailAddress(address);
    else
        static_cast<TURLLabel *>(label.get())->setURL(address);
    QCOMPARE(label->text(), address);
    if (!caption.isNull())
        label->setText(caption);
    label->show();
    QTest::mouseClick(label.get(), Qt::LeftButton);
    QCOMPARE(m_opened, QStringList({opened}));
}

void TestURLLabel::onlyAClickInsideOpens()
{
    TURLLabel label;
    label.resize(120, 20);
    label.show();
    QTest::mouseClick(&label, Qt::RightButton);
    // Pressed on the label, released outside it: no click.
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(200, 5));
    QVERIFY(m_opened.isEmpty());
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(m_opened.size(), 1);
}

void TestURLLabel::hoverAndLeave_data()
{
    QTest::addColumn<bool>("mail");
    QTest::addColumn<bool>("underline");
    QTest::addRow("web") << false << true;
    QTest::addRow("web without underline") << false << false;
    QTest::addRow("mail") << true << true;
    QTest::addRow("mail without underline") << true << false;
}

void TestURLLabel::hoverAndLeave()
{
    QFETCH(bool, mail);
    QFETCH(bool, underline);

    auto label = makeLabel(mail);
    label->setUnderline(underline);
    QSignalSpy over(label.get(), &TLinkLabel::OnMouseOver);
    QSignalSpy out(label.get(), &TLinkLabel::OnMouseOut);
    // A label that starts underlined loses it at the first leave.
    QFont f = label->font();
    f.setUnderline(true);
    label->setFont(f);

    sendEnter(label.get());
    QVERIFY(label->isMouseOver());
    QCOMPARE(label->fontColor(), blue);
    QCOMPARE(label->font().underline(), underline);
    QCOMPARE(over.count(), 1);
    QCOMPARE(over.first().first().value<QObject *>(), label.get());

    sendLeave(label.get());
    QVERIFY(!label->isMouseOver());
    QCOMPARE(label->fontColor(), black);
    QVERIFY(!label->font().underline());
    QCOMPARE(out.count(), 1);

    sendEnter(label.get());
    QCOMPARE(label->font().underline(), underline);
}

void TestURLLabel::disabledLabels_data()
{
    QTest::addColumn<bool>("mail");
    QTest::addColumn<QColor>("hoverColour");
    QTest::addRow("web still turns to the in colour") << false << blue;
    QTest::addRow("mail does not change") << true << green;
}

void TestURLLabel::disabledLabels()
{
    QFETCH(bool, mail);
    QFETCH(QColor, hoverColour);

    auto label = makeLabel(mail);
    label->setFontColorOut(green);
    label->setEnabled(false);
    QSignalSpy over(label.get(), &TLinkLabel::OnMouseOver);

    sendEnter(label.get());
    QCOMPARE(over.count(), 1);
    QCOMPARE(label->fontColor(), hoverColour);
    QVERIFY(!label->font().underline());

    QFont f = label->font();
    f.setUnderline(true);
    f.setBold(true);
    label->setFont(f);
    label->setFontColor(maroon);
    sendLeave(label.get());
    QCOMPARE(label->fontColor(), green);
    QVERIFY(!label->font().underline());
    QVERIFY(!label->font().bold());
}

void TestURLLabel::clickMakesAfterColourTheOutColour()
{
    TURLLabel label;
    label.show();
    sendEnter(&label);
    QTest::mouseClick(&label, Qt::LeftButton);
    QCOMPARE(label.FontColorOut(), maroon);
    // The text keeps the hover colour until the pointer leaves.
    QCOMPARE(label.fontColor(), blue);
    sendLeave(&label);
    QCOMPARE(label.fontColor(), maroon);
    // For the rest of the label's life.
    sendEnter(&label);
    sendLeave(&label);
    QCOMPARE(label.fontColor(), maroon);
}

void TestURLLabel::colourSettersTakeEffectWhenDocumented()
{
    TURLLabel label;
    label.setFontColorin(green);
    label.setFontColorAfter(green);
    QCOMPARE(label.fontColor(), black);
    label.setFontColorOut(maroon);
    QCOMPARE(label.fontColor(), maroon);
    sendEnter(&label);
    QCOMPARE(label.fontColor(), green);
}

void TestURLLabel::styleIsReplacedNotCombined()
{
    TURLLabel label;
    QFont f = label.font();
    f.setBold(true);
    f.setItalic(true);
    label.setFont(f);
    QVERIFY(!label.Parentfont());
    sendEnter(&label);
    QVERIFY(label.font().underline());
    QVERIFY(!label.font().bold());
    QVERIFY(!label.font().italic());
    label.setParentfont(true);
    QVERIFY(label.Parentfont());
}

QTEST_MAIN(TestURLLabel)
#include "TestURLLabel.moc"
