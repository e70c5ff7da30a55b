#include "settings/FormPikaohje.h"

#include "platform/DialogParts.h"
#include "platform/RecipeStyle.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

namespace {

constexpr int designWidth = 338;
constexpr int memoWidth = 329;

// The guide's lines are laid out for a narrow sans serif; a condensed face
// keeps them whole where that font is missing.
void prepareMemo(QPlainTextEdit *memo)
{
    QFont f = memo->font();
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed")});
    f.setPixelSize(11);
    memo->setFont(f);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->document()->setDocumentMargin(2);
}

} // namespace

TFormPikaohje::TFormPikaohje(QWidget *parent) : SmallDialog(parent)
{
    DialogParts::setUp(this, "FormPikaohje", QStringLiteral("Saffrona's Mealdeck"), 11);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    prepareMemo(Memo1);
    DialogParts::setNavy(Memo1, {QPalette::Text});
    Memo1->setPlainText(mainWindowLines().join(QLatin1Char('\n')));

    Memo2 = new QPlainTextEdit(this);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    prepareMemo(Memo2);
    QPalette blackText = Memo2->palette();
    RecipeStyle::setEnabledColor(blackText, QPalette::Text, Qt::black);
    Memo2->setPalette(blackText);
    Memo2->setPlainText(recipeWindowLines().join(QLatin1Char('\n')));

    // Placed by the form in use.
    BitBtn1 = DialogParts::bitButton(this, "BitBtn1", QStringLiteral("   &OK"), QStringLiteral("ok"), QRect(),
                                     DialogParts::Enter::Default, [this] { BitBtn1Click(); });
    useMainWindowForm();
}

QStringList TFormPikaohje::mainWindowLines()
{
    return {QString(),
            QStringLiteral("  Up an Down Arrow keys - select the group or the recipe"),
            QString(),
            QStringLiteral("  Enter - accept the group and move to subgroups or to recipes"),
            QStringLiteral("              accept the recipe and show the recipe"),
            QString(),
            QStringLiteral("  Esc - move back from recipes to groups"),
            QStringLiteral("           move back from description to recipes"),
            QStringLiteral("           move back from difficulty and preparation time to recipes "),
            QString(),
            QStringLiteral("  Ctrl + Enter - move from recipes to description"),
            QString(),
            QString(11, QLatin1Char(' ')),
            QString()};
}

QStringList TFormPikaohje::recipeWindowLines()
{
    return {QString(), QStringLiteral("  Ctrl + Enter  -  Switch between Ingredients and Directions")};
}

void TFormPikaohje::setWindowHeight(int height)
{
    resize(designWidth - FrameWidth, height - FrameHeight);
}

void TFormPikaohje::useMainWindowForm()
{
    setWindowHeight(230);
    Memo1->setGeometry(0, 0, memoWidth, 169);
    Memo1->setVisible(true);
    Memo2->setGeometry(0, 0, memoWidth, 70);
    Memo2->setVisible(false);
    BitBtn1->setGeometry(127, 175, 75, 25);
}

void TFormPikaohje::useRecipeWindowForm()
{
    setWindowHeight(150);
    Memo1->setGeometry(0, 0, memoWidth, 80);
    Memo1->setVisible(false);
    Memo2->setGeometry(0, 0, memoWidth, 70);
    Memo2->setVisible(true);
    BitBtn1->setGeometry(127, 95, 75, 25);
}

void TFormPikaohje::BitBtn1Click()
{
    done(QDialog::Accepted);
}
