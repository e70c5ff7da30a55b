#include "settings/FormAinesohje.h"

#include "platform/Dialogs.h"
#include "recipe/RecipeStyle.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextDocument>

TFormAinesohje::TFormAinesohje(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormAinesohje"));
    // An empty caption. On X11 the toolkit puts the application's name into
    // a caption that is quite empty, so it is one blank.
    setWindowTitle(QStringLiteral(" "));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // Wide enough for the whole memo.
    setFixedSize(252, 209);

    const QColor navy(0, 0, 128);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    QPalette p = palette();
    RecipeStyle::setEnabledColor(p, QPalette::WindowText, navy);
    RecipeStyle::setEnabledColor(p, QPalette::Text, navy);
    RecipeStyle::setEnabledColor(p, QPalette::ButtonText, navy);
    setPalette(p);

    MemoAineetOhje = new QPlainTextEdit(this);
    MemoAineetOhje->setObjectName(QStringLiteral("MemoAineetOhje"));
    MemoAineetOhje->setReadOnly(true);
    MemoAineetOhje->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The lines are laid out for a narrow sans serif; a condensed face keeps
    // them whole where that font is missing.
    QFont memoFont = f;
    memoFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed")});
    memoFont.setPixelSize(13);
    MemoAineetOhje->setFont(memoFont);
    MemoAineetOhje->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoAineetOhje->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoAineetOhje->document()->setDocumentMargin(2);
    MemoAineetOhje->setPlainText(tipLines().join(QLatin1Char('\n')));
    MemoAineetOhje->setGeometry(0, 0, 252, 177);

    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(8, 187, 16, 16);

    Label1 = new QLabel(QStringLiteral("Don't show this again"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(27, 186, 130, 18);
    Label1->setBuddy(CheckBox1);

    BitBtn1 = new QPushButton(QIcon(QStringLiteral(":/pictures/dialogs/ok.svg")), QStringLiteral("  OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(172, 181, 72, 25);
    BitBtn1->setDefault(true);

    connect(CheckBox1, &QCheckBox::clicked, this, &TFormAinesohje::CheckBox1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormAinesohje::BitBtn1Click);
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

void TFormAinesohje::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TFormAinesohje::FormActivate()
{
    CheckBox1->setChecked(false);
}

void TFormAinesohje::CheckBox1Click()
{
    // Ticking or unticking alike switches the tip off.
    Dialogs::guard([] {
        SettingsKey key;
        if (key.open())
            key.writeBool(QString::fromLatin1(SettingNames::Aines), true);
    });
}

void TFormAinesohje::BitBtn1Click()
{
    done(QDialog::Accepted);
}

void TFormAinesohje::reject()
{
    done(QDialog::Accepted);
}
