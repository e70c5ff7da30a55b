#include "print/RecipeDocument.h"

#include <QtTest>

class TestRecipeDocument : public QObject
{
    Q_OBJECT

private slots:
    void memoLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::addRow("empty") << "" << QStringList();
        QTest::addRow("one line") << "2 eggs" << QStringList{"2 eggs"};
        QTest::addRow("final line break") << "2 eggs\n1 dl milk\n" << QStringList{"2 eggs", "1 dl milk"};
        QTest::addRow("empty lines kept") << "a\n\nb" << QStringList{"a", "", "b"};
        QTest::addRow("only a line break") << "\n" << QStringList{""};
        QTest::addRow("CR LF") << "a\r\nb" << QStringList{"a", "b"};
    }
    void memoLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(RecipeDocument::memoLines(text), lines);
    }

    void previewDocument()
    {
        const QStringList lines = RecipeDocument::previewDocument(
            QStringLiteral("Pancakes"), QStringLiteral("4"), QStringLiteral("2"), QStringLiteral("30 min"),
            QStringLiteral("2 eggs\n5 dl milk"), QStringLiteral("Mix.\nFry."));
        const QStringList expected{"Pancakes",
                                   "",
                                   "",
                                   "Portion number = 4   Degree of difficulty = 2   Preparation time = 30 min",
                                   "",
                                   "",
                                   "",
                                   "",
                                   "2 eggs",
                                   "5 dl milk",
                                   "",
                                   "",
                                   "Mix.",
                                   "Fry."};
        QCOMPARE(lines, expected);
    }

    void directPrintDocument_data()
    {
        QTest::addColumn<QString>("ingredients");
        QTest::addColumn<QString>("directions");
        QTest::addColumn<QStringList>("lines");
        QTest::addRow("both") << "2 eggs" << "Mix." << QStringList{"Pancakes", "", "", "2 eggs", "", "", "Mix."};
        QTest::addRow("no ingredients") << "" << "Mix." << QStringList{"Pancakes", "", "", "", "", "Mix."};
        QTest::addRow("no directions") << "2 eggs" << "" << QStringList{"Pancakes", "", "", "2 eggs", "", ""};
    }
    void directPrintDocument()
    {
        QFETCH(QString, ingredients);
        QFETCH(QString, directions);
        QFETCH(QStringList, lines);
        QCOMPARE(RecipeDocument::directPrintDocument(QStringLiteral("Pancakes"), ingredients, directions), lines);
    }
};

QTEST_MAIN(TestRecipeDocument)
#include "TestRecipeDocument.moc"
