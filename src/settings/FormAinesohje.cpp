#include "settings/FormAinesohje.h"

#include "platform/DialogParts.h"
#include "platform/Dialogs.h"
#include "platform/RecipeStyle.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

TFormAinesohje::TFormAinesohje(QWidget *parent) : SmallDialog(parent)
{
    // An empty caption. On X11 the toolkit puts the application's name into
    // a caption that is quite empty, so it is one blank.
    DialogParts::setUp(this, "FormAinesohje", QStringLiteral(" "), 11);
    // Wide enough for the whole memo.
    DialogParts::setFixedFrame(this, QSize(252, 209), true);

    DialogParts::setNavy(this, {QPalette::WindowText, QPalette::Text, QPalette::ButtonText});

    MemoAineetOhje = new QPlainTextEdit(this);
    MemoAineetOhje->setObjectName(QStringLiteral("MemoAineetOhje"));
    MemoAineetOhje->setReadOnly(true);
    MemoAineetOhje->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The lines are laid out for a narrow sans serif; a condensed face keeps
    // them whole where that font is missing.
    QFont memoFont = RecipeStyle::sansSerif(13);
    memoFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed")});
    MemoAineetOhje->setFont(memoFont);
    MemoAineetOhje->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoAineetOhje->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoAineetOhje->document()->setDocumentMargin(2);
    MemoAineetOhje->setPlainText(tipLines().join(QLatin1Char('\n')));
    MemoAineetOhje->setGeometry(0, 0, 252, 177);

    CheckBox1 = DialogParts::checkBox(this, "CheckBox1", QRect(8, 187, 16, 16));
    Label1 = DialogParts::label(this, "Label1", QStringLiteral("Don't show this again"), QRect(27, 186, 130, 18));
    Label1->setBuddy(CheckBox1);

    BitBtn1 = DialogParts::bitButton(this, "BitBtn1", QStringLiteral("  OK"), QStringLiteral("ok"),
                                     QRect(172, 181, 72, 25), DialogParts::Enter::Default, [this] { BitBtn1Click(); });

    connect(CheckBox1, &QCheckBox::clicked, this, &TFormAinesohje::CheckBox1Click);
}

QStringList TFormAinesohje::tipLines()
{
    return {QStringLiteral("Write the ingredients list to left and"),
            QStringLiteral("the directions to right."),
            QStringLiteral("Because of the portion calculator"),
            QStringLiteral("the ingredients list must be as"),
            QStringLiteral("follow;"),
            QString(),
            QStringLiteral("1,5      dl       sugar"),
            QStringLiteral("1         pcs    egg"),
            QStringLiteral("1-2      tp       baking powder"),
            QStringLiteral("coarce sugar")};
}

void TFormAinesohje::FormActivate()
{
    CheckBox1->setChecked(false);
}

void TFormAinesohje::CheckBox1Click()
{
    // Ticking or unticking alike switches the tip off.
    Dialogs::guard([] { SettingsStore::stopAsking(SettingNames::Aines); });
}

void TFormAinesohje::BitBtn1Click()
{
    done(QDialog::Accepted);
}
