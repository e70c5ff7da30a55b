#include "app/MainWindowPanes.h"

#include "app/DataBoundList.h"
#include "platform/Hints.h"
#include "platform/RecipeStyle.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QStatusBar>

namespace {

const QColor Navy(0x00, 0x00, 0x80);
const QColor InactivePane(0xEF, 0xEF, 0xEF);

// The description memo of a shown recipe: beside its picture, or over the
// full width without one (378 wide in the Small mode, not 379).
QRect memoPlace(bool withPicture, bool full)
{
    if (withPicture)
        return full ? QRect(215, 452, 270, 180) : QRect(168, 307, 210, 169);
    return full ? QRect(0, 452, 484, 180) : QRect(0, 307, 378, 169);
}

} // namespace

void MainWindowPanes::build(QMainWindow *window, QObject *filter)
{
    QFont listFont(QStringLiteral("MS Sans Serif"));
    listFont.setPixelSize(11);

    auto *central = new QWidget(window);
    central->setObjectName(QStringLiteral("ClientArea"));
    window->setCentralWidget(central);

    panelTyokalu = new QWidget(central);
    panelTyokalu->setObjectName(QStringLiteral("PanelTyokalu"));

    panel2 = new QWidget(central);
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto *panel2Layout = new QHBoxLayout(panel2);
    panel2Layout->setContentsMargins(6, 2, 4, 2);
    auto *label4 = new QLabel(QStringLiteral("&Difficulty:"), panel2);
    label4->setObjectName(QStringLiteral("Label4"));
    editAste = new QLineEdit(panel2);
    editAste->setObjectName(QStringLiteral("DBEditAste"));
    editAste->setMaxLength(20);
    Hints::setHint(editAste, QStringLiteral("|Degree of difficulty of the recipe."));
    label4->setBuddy(editAste);
    auto *label5 = new QLabel(QStringLiteral("Pr&eparation time:"), panel2);
    label5->setObjectName(QStringLiteral("Label5"));
    editAika = new QLineEdit(panel2);
    editAika->setObjectName(QStringLiteral("DBEditAika"));
    editAika->setMaxLength(18);
    Hints::setHint(editAika, QStringLiteral("|Preparation time of the recipe."));
    label5->setBuddy(editAika);
    panel2Layout->addWidget(label4);
    panel2Layout->addWidget(editAste, 1);
    panel2Layout->addSpacing(8);
    panel2Layout->addWidget(label5);
    panel2Layout->addWidget(editAika, 1);

    panel1 = new QWidget(central);
    panel1->setObjectName(QStringLiteral("Panel1"));

    auto makeTitle = [this](const char *name, const QString &text) {
        auto *label = new QLabel(text, panel1);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        QPalette palette = label->palette();
        RecipeStyle::setEnabledColor(palette, QPalette::WindowText, Navy);
        label->setPalette(palette);
        return label;
    };
    label1 = makeTitle("Label1", QStringLiteral("MAIN GROUP"));
    label2 = makeTitle("Label2", QStringLiteral("SUBGROUP"));
    label3 = makeTitle("Label3", QStringLiteral("RECIPE"));

    // The decorative pictures lie lowest, so that the memo and the recipe's
    // picture cover them whatever a size mode shows.
    kuva = new QLabel(panel1);
    kuva->setObjectName(QStringLiteral("Kuva"));
    kuva->setPixmap(QPixmap(QStringLiteral(":/pictures/kuva.jpg")));
    kuva->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    kuva2 = new QLabel(panel1);
    kuva2->setObjectName(QStringLiteral("Kuva2"));
    kuva2->setPixmap(QPixmap(QStringLiteral(":/pictures/kuva2.jpg")));
    kuva2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto makeList = [&](const char *name, const QString &hint) {
        auto *list = new DataBoundList(panel1);
        list->setObjectName(QLatin1String(name));
        list->setFont(listFont);
        Hints::setHint(list, hint);
        Hints::watchPane(list, filter);
        return list;
    };
    listPaa = makeList("DBLLBoxPaaryhma", QStringLiteral("|Click the main group that you want to select."));
    listAla = makeList("DBLLBoxAlaryhma", QStringLiteral("|Click the subgroup that you want to select."));
    listResepti = makeList(
        "DBLLBoxLista",
        QStringLiteral("|Click the recipe that you want to select. Double-click to view the ingredients and directions."));

    ruokakuva = new QLabel(panel1);
    ruokakuva->setObjectName(QStringLiteral("Ruokakuva"));
    ruokakuva->setAlignment(Qt::AlignCenter);
    Hints::setHint(ruokakuva, QStringLiteral("|Picture of the selected recipe."));

    memoKuvaus = new QPlainTextEdit(panel1);
    memoKuvaus->setObjectName(QStringLiteral("MemoKuvaus"));
    memoKuvaus->setTabChangesFocus(false);
    memoKuvaus->setFont(listFont);
    Hints::setHint(memoKuvaus, QStringLiteral("|Write here a short description of the selected recipe."));
    memoKuvaus->installEventFilter(filter);
    memoKuvaus->viewport()->installEventFilter(filter);
    memoKuvaus->viewport()->setMouseTracking(true);
    editAste->installEventFilter(filter);
    editAika->installEventFilter(filter);

    for (QWidget *pane : focusPanes()) {
        QPalette palette = pane->palette();
        RecipeStyle::setEnabledColor(palette, QPalette::Text, Navy);
        palette.setColor(QPalette::Base, InactivePane);
        pane->setPalette(palette);
    }

    auto *status = new QStatusBar(window);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    QFont statusFont = status->font();
    statusFont.setPixelSize(13);
    status->setFont(statusFont);
    QPalette statusPalette = status->palette();
    RecipeStyle::setEnabledColor(statusPalette, QPalette::WindowText, Navy);
    status->setPalette(statusPalette);
    window->setStatusBar(status);

    // The design layout, until a size mode is applied: the Small geometry
    // with the design fonts.
    panelTyokalu->setGeometry(0, 0, 379, 29);
    panel2->setGeometry(379, 0, 413, 29);
    panel1->setGeometry(0, 29, 795, 501);
    listPaa->setGeometry(0, 17, 169, 290);
    listAla->setGeometry(169, 17, 210, 290);
    listResepti->setGeometry(379, 17, 413, 459);
    ruokakuva->setGeometry(0, 307, 169, 169);
    kuva->setGeometry(5, 307, 480, 167);
    kuva2->setGeometry(5, 307, 374, 167);
    memoKuvaus->setGeometry(0, 307, 379, 169);
    label1->setGeometry(0, 0, 169, 17);
    label2->setGeometry(169, 0, 210, 17);
    label3->setGeometry(379, 0, 413, 17);
    kuva->hide();
}

QList<QWidget *> MainWindowPanes::focusPanes() const
{
    return {listPaa, listAla, listResepti, memoKuvaus, editAste, editAika};
}

void MainWindowPanes::markListsDirty()
{
    for (DataBoundList *list : {listPaa, listAla, listResepti})
        list->markDirty();
}

void MainWindowPanes::applyLayout(bool full, const QFont &font)
{
    if (full) {
        panel1->setGeometry(0, 29, 1014, 658);
        panelTyokalu->setGeometry(0, 0, 485, 29);
        panel2->setGeometry(485, 0, 530, 29);
        listPaa->setGeometry(1, 20, 214, 436);
        listAla->setGeometry(215, 20, 270, 436);
        listResepti->setGeometry(485, 20, 530, 615);
        ruokakuva->setGeometry(1, 452, 214, 177);
        kuva->setGeometry(5, 454, 480, 177);
        // While a recipe is shown its memo covers the decorative picture,
        // which would otherwise peek out beside it.
        kuva->setVisible(memoKuvaus->isHidden());
        kuva2->hide();
        memoKuvaus->setGeometry(0, 452, 484, 180);
        label1->setGeometry(label1->x(), label1->y(), 214, 20);
        label2->setGeometry(215, label2->y(), 270, 20);
        label3->setGeometry(485, label3->y(), 530, 20);
    } else {
        panel1->setGeometry(0, 29, 795, 501);
        panelTyokalu->setGeometry(0, 0, 379, 29);
        panel2->setGeometry(379, 0, 413, 29);
        listPaa->setGeometry(0, 17, 169, 290);
        listAla->setGeometry(169, 17, 210, 290);
        listResepti->setGeometry(379, 17, 413, 459);
        ruokakuva->setGeometry(0, 307, 169, 169);
        kuva2->setGeometry(5, 307, 374, 167);
        kuva2->setVisible(memoKuvaus->isHidden());
        kuva->hide();
        memoKuvaus->setGeometry(0, 307, 379, 169);
        label1->setGeometry(label1->x(), label1->y(), 169, 17);
        label2->setGeometry(169, label2->y(), 210, 17);
        label3->setGeometry(379, label3->y(), 413, 17);
    }
    keepRecipePlacement(full);
    for (QWidget *w : {static_cast<QWidget *>(listPaa), static_cast<QWidget *>(listAla),
                       static_cast<QWidget *>(listResepti), static_cast<QWidget *>(memoKuvaus)})
        w->setFont(font);
}

void MainWindowPanes::placeMemo(bool withPicture, bool full)
{
    memoKuvaus->setGeometry(memoPlace(withPicture, full));
}

void MainWindowPanes::keepRecipePlacement(bool full)
{
    // While a recipe is shown its memo keeps its place beside the picture (or
    // over the full width without one), in whichever mode; the layouts run
    // after every dialog and must not slide the memo over the picture.
    if (!memoKuvaus->isHidden())
        placeMemo(!ruokakuva->isHidden(), full);
}

void MainWindowPanes::showDecorativePicture(bool full)
{
    kuva->setVisible(full);
    kuva2->setVisible(!full);
}

void MainWindowPanes::hideDetails(bool full)
{
    ruokakuva->hide();
    memoKuvaus->hide();
    panel2->hide();
    showDecorativePicture(full);
}

void MainWindowPanes::focus(QWidget *pane)
{
    for (QWidget *w : focusPanes()) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::Base, w == pane ? QApplication::palette().color(QPalette::Base) : InactivePane);
        w->setPalette(palette);
    }
    if (pane && pane->isEnabled())
        pane->setFocus(Qt::OtherFocusReason);
}
