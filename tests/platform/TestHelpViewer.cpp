#include "platform/Dialogs.h"
#include "platform/HelpViewer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

namespace {

QString shippedHelpFolder()
{
    return QFileInfo(QFINDTESTDATA("../../resources/help/Help.html")).absolutePath();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString shownPage(HelpViewer *viewer)
{
    return QFileInfo(viewer->browser()->source().toLocalFile()).fileName();
}

} // namespace

class TestHelpViewer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingHelpFileGivesMessage();
    void contentsOpenAndNavigate();
    void showingAgainReusesWindowAndGoesHome();
    void missingLinkedPageKeepsPage();
    void closeHelpClosesWindow();
    void shippedLinksResolve_data();
    void shippedLinksResolve();
};

void TestHelpViewer::init()
{
    Dialogs::setTestMode(true);
    Dialogs::clearRecord();
    HelpViewer::setHelpFolder(shippedHelpFolder());
}

void TestHelpViewer::cleanup()
{
    HelpViewer::closeHelp();
    QTRY_VERIFY(!HelpViewer::instance());
    HelpViewer::setHelpFolder(QString());
}

void TestHelpViewer::missingHelpFileGivesMessage()
{
    QTemporaryDir empty;
    HelpViewer::setHelpFolder(empty.path());
    QVERIFY(!HelpViewer::showContents());
    QVERIFY(!HelpViewer::instance());
    const auto messages = Dialogs::messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().kind, Dialogs::Message::Information);
    QVERIFY2(messages.first().text.contains(empty.path() + "/Help.html"), qPrintable(messages.first().text));
}

void TestHelpViewer::contentsOpenAndNavigate()
{
    HelpViewer *viewer = HelpViewer::showContents();
    QVERIFY(viewer);
    QCOMPARE(HelpViewer::instance(), viewer);
    QVERIFY(viewer->isVisible());
    QCOMPARE(shownPage(viewer), QStringLiteral("Help.html"));
    QCOMPARE(viewer->browser()->documentTitle(), QStringLiteral("Saffrona's Mealdeck Help"));
    QVERIFY(viewer->browser()->toPlainText().contains("Writing the ingredient list"));

    auto *back = viewer->findChild<QToolButton *>("HelpBack");
    auto *forward = viewer->findChild<QToolButton *>("HelpForward");
    QVERIFY(back && forward);
    QVERIFY(!back->isEnabled());

    viewer->browser()->setSource(QUrl("Keys.html"));
    QCOMPARE(shownPage(viewer), QStringLiteral("Keys.html"));
    QVERIFY(back->isEnabled());
    back->click();
    QCOMPARE(shownPage(viewer), QStringLiteral("Help.html"));
    QVERIFY(forward->isEnabled());
    forward->click();
    QCOMPARE(shownPage(viewer), QStringLiteral("Keys.html"));

    viewer->findChild<QToolButton *>("HelpContents")->click();
    QCOMPARE(shownPage(viewer), QStringLiteral("Help.html"));
    QVERIFY(Dialogs::messages().isEmpty());
}

void TestHelpViewer::showingAgainReusesWindowAndGoesHome()
{
    HelpViewer *first = HelpViewer::showContents();
    QVERIFY(first);
    first->browser()->setSource(QUrl("Portions.html"));
    HelpViewer *second = HelpViewer::showContents();
    QCOMPARE(second, first);
    QCOMPARE(shownPage(second), QStringLiteral("Help.html"));
}

void TestHelpViewer::missingLinkedPageKeepsPage()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("Help.html"), "<html><body><a href=\"Gone.html\">gone</a></body></html>");
    HelpViewer::setHelpFolder(dir.path());
    HelpViewer *viewer = HelpViewer::showContents();
    QVERIFY(viewer);
    viewer->browser()->setSource(QUrl("Gone.html"));
    QCOMPARE(shownPage(viewer), QStringLiteral("Help.html"));
    QCOMPARE(Dialogs::messages().size(), 1);
    QVERIFY(Dialogs::messages().first().text.contains("Gone.html"));
}

void TestHelpViewer::closeHelpClosesWindow()
{
    HelpViewer::closeHelp(); // nothing open: nothing happens
    HelpViewer *viewer = HelpViewer::showContents();
    QVERIFY(viewer);
    HelpViewer::closeHelp();
    QVERIFY(!viewer->isVisible());
    QTRY_VERIFY(!HelpViewer::instance());
}

void TestHelpViewer::shippedLinksResolve_data()
{
    QTest::addColumn<QString>("page");
    const QDir folder(shippedHelpFolder());
    const QStringList pages = folder.entryList({"*.html"}, QDir::Files);
    QVERIFY(pages.size() >= 8);
    for (const QString &page : pages)
        QTest::newRow(qPrintable(page)) << folder.filePath(page);
}

void TestHelpViewer::shippedLinksResolve()
{
    QFETCH(QString, page);
    QFile file(page);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(html.contains("<title>"));
    static const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#]+)"));
    int links = 0;
    for (auto it = link.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        if (target.contains(':'))
            continue;
        ++links;
        QVERIFY2(QFileInfo::exists(QFileInfo(page).absolutePath() + '/' + target), qPrintable(target));
    }
    QVERIFY(links > 0);
}

QTEST_MAIN(TestHelpViewer)
#include "TestHelpViewer.moc"
