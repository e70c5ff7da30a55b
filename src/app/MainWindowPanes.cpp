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

// Where the panes stand in a size mode.
struct PaneLayout
{
    QRect panelTyokalu, panel2, panel1;
    QRect listPaa, listAla, listResepti;
    QRect ruokakuva, memo;
    // The mode's decorative picture.
    QRect picture;
};

const PaneLayout FullLayout {QRect(0, 0, 485, 29),    QRect(485, 0, 530, 29),   QRect(0, 29, 1014, 658),
                             QRect(1, 20, 214, 436),  QRect(215, 20, 270, 436), QRect(485, 20, 530, 615),
                             QRect(1, 452, 214, 177), QRect(0, 452, 484, 180),  QRect(5, 454, 480, 177)};
const PaneLayout SmallLayout {QRect(0, 0, 379, 29),    QRect(379, 0, 413, 29),   QRect(0, 29, 795, 501),
                              QRect(0, 17, 169, 290),  QRect(169, 17, 210, 290), QRect(379, 17, 413, 459),
                              QRect(0, 307, 169, 169), QRect(0, 307, 379, 169),  QRect(5, 307, 374, 167)};

// Places the panels, lists, recipe picture and memo as `layout` says. Each
// list's title stands above it, as wide as the list and as high as the
// list's top; the first title keeps its left edge.
void placePanes(MainWindowPanes &panes, const PaneLayout &layout)
{
    panes.panel1->setGeometry(layout.panel1);
    panes.panelTyokalu->setGeometry(layout.panelTyokalu);
    panes.panel2->setGeometry(layout.panel2);
    panes.listPaa->setGeometry(layout.listPaa);
    panes.listAla->setGeometry(layout.listAla);
    panes.listResepti->setGeometry(layout.listResepti);
    panes.ruokakuva->setGeometry(layout.ruokakuva);
    panes.memoKuvaus->setGeometry(layout.memo);
    const int titleHeight = layout.listPaa.y();
    panes.label1->setGeometry(panes.label1->x(), panes.label1->y(), layout.listPaa.width(), titleHeight);
    panes.label2->setGeometry(layout.listAla.x(), panes.label2->y(), layout.listAla.width(), titleHeight);
    panes.label3->setGeometry(layout.listResepti.x(), panes.label3->y(), layout.listResepti.width(), titleHeight);
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
    // A field of the shown recipe with its label before it.
    auto addField
        = [&](const char *labelName, const QString &caption, const char *name, int maxLength, const QString &hint) {
              auto *label = new QLabel(caption, panel2);
              label->setObjectName(QLatin1String(labelName));
              auto *edit = new QLineEdit(panel2);
              edit->setObjectName(QLatin1String(name));
              edit->setMaxLength(maxLength);
              Hints::setHint(edit, hint);
              label->setBuddy(edit);
              panel2Layout->addWidget(label);
              panel2Layout->addWidget(edit, 1);
              return edit;
          };
    editAste = addField("Label4", QStringLiteral("&Difficulty:"), "DBEditAste", 20,
                        QStringLiteral("|Degree of difficulty of the recipe."));
    panel2Layout->addSpacing(8);
    editAika = addField("Label5", QStringLiteral("Pr&eparation time:"), "DBEditAika", 18,
                        QStringLiteral("|Preparation time of the recipe."));

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
    placePanes(*this, SmallLayout);
    kuva->setGeometry(5, 307, 480, 167);
    kuva2->setGeometry(SmallLayout.picture);
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
    const PaneLayout &layout = full ? FullLayout : SmallLayout;
    placePanes(*this, layout);
    // While a recipe is shown its memo covers the decorative picture, which
    // would otherwise peek out beside it.
    QLabel *picture = full ? kuva : kuva2;
    picture->setGeometry(layout.picture);
    picture->setVisible(memoKuvaus->isHidden());
    (full ? kuva2 : kuva)->hide();
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
