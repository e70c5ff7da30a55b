#include "app/FormRoskakori.h"

#include "platform/Dialogs.h"
#include "store/book/Book.h"
#include "store/book/Trash.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

using RecipeBook::Trash;

namespace {

QString kindText(const Trash::Entry &entry)
{
    switch (entry.kind) {
    case Trash::Kind::MainGroup:
        return QStringLiteral("Main group (%1 subgroup%2, %3 recipe%4)")
            .arg(entry.subgroups)
            .arg(entry.subgroups == 1 ? "" : "s")
            .arg(entry.recipes)
            .arg(entry.recipes == 1 ? "" : "s");
    case Trash::Kind::Subgroup:
        return QStringLiteral("Subgroup (%1 recipe%2)").arg(entry.recipes).arg(entry.recipes == 1 ? "" : "s");
    case Trash::Kind::Recipe:
        break;
    }
    return QStringLiteral("Recipe");
}

QString whereText(const Trash::Entry &entry)
{
    switch (entry.kind) {
    case Trash::Kind::MainGroup:
        return QString();
    case Trash::Kind::Subgroup:
        return entry.mainGroup;
    case Trash::Kind::Recipe:
        break;
    }
    if (entry.mainGroup.isEmpty())
        return entry.subgroup;
    return entry.mainGroup + QStringLiteral(" / ") + entry.subgroup;
}

} // namespace

TFormRoskakori::TFormRoskakori(RecipeBook::Book &book, RestoredHandler restored, QWidget *parent)
    : QDialog(parent)
    , m_book(book)
    , m_restored(std::move(restored))
{
    setObjectName(QStringLiteral("FormRoskakori"));
    setWindowTitle(QStringLiteral("Saffrona's Mealdeck   -   Trash"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *intro = new QLabel(QStringLiteral("Deleted recipes and groups stay here until you delete them for good. "
                                            "Restore puts them back where they were, with their pictures."),
                             this);
    intro->setWordWrap(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("ListaRoskat"));
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("What"), QStringLiteral("Where it was"),
                             QStringLiteral("Deleted")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("LabelRoskat"));

    m_restore = new QPushButton(QStringLiteral("&Restore"), this);
    m_restore->setObjectName(QStringLiteral("BBPalauta"));
    m_restore->setToolTip(QStringLiteral("Put the selected recipe or group back where it was."));
    m_destroy = new QPushButton(QStringLiteral("&Delete for Good"), this);
    m_destroy->setObjectName(QStringLiteral("BBPoistaLopullisesti"));
    m_destroy->setToolTip(QStringLiteral("Delete the selected recipe or group for good."));
    m_empty = new QPushButton(QStringLiteral("&Empty Trash"), this);
    m_empty->setObjectName(QStringLiteral("BBTyhjenna"));
    m_empty->setToolTip(QStringLiteral("Delete everything in the trash for good."));
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("BBSulje"));
    m_restore->setDefault(true);
    m_restore->setAutoDefault(true);
    for (QPushButton *b : {m_destroy, m_empty, close})
        b->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_restore);
    buttons->addWidget(m_destroy);
    buttons->addStretch();
    buttons->addWidget(m_empty);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);
    resize(720, 420);

    connect(m_restore, &QPushButton::clicked, this, [this] { Dialogs::guard([this] { BBPalautaClick(); }); });
    connect(m_destroy, &QPushButton::clicked, this, [this] { Dialogs::guard([this] { BBPoistaLopullisestiClick(); }); });
    connect(m_empty, &QPushButton::clicked, this, [this] { Dialogs::guard([this] { BBTyhjennaClick(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { Dialogs::guard([this] { BBPalautaClick(); }); });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { updateButtons(); });
    auto *deleteKey = new QShortcut(QKeySequence::Delete, m_list);
    deleteKey->setContext(Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, [this] { Dialogs::guard([this] { BBPoistaLopullisestiClick(); }); });

    Dialogs::guard([this] { reload(); });
    updateButtons();
}

void TFormRoskakori::reload()
{
    const qint64 keep = selectedEntry();
    m_list->clear();
    const std::unique_ptr<Trash> trash = m_book.openTrash();
    const QVector<Trash::Entry> entries = trash->entries();
    const QLocale locale;
    QTreeWidgetItem *select = nullptr;
    for (const Trash::Entry &entry : entries) {
        auto *item = new QTreeWidgetItem(m_list, {entry.name, kindText(entry), whereText(entry),
                                                  locale.toString(entry.deleted, QLocale::ShortFormat)});
        item->setData(0, Qt::UserRole, entry.id);
        if (entry.id == keep)
            select = item;
    }
    if (!select && m_list->topLevelItemCount() > 0)
        select = m_list->topLevelItem(0);
    m_list->setCurrentItem(select);
    int recipes = 0;
    for (const Trash::Entry &entry : entries)
        recipes += entry.recipes;
    m_summary->setText(entries.isEmpty() ? QStringLiteral("The trash is empty.")
                                         : QStringLiteral("%1 deletion%2, %3 recipe%4 in all.")
                                               .arg(entries.size())
                                               .arg(entries.size() == 1 ? "" : "s")
                                               .arg(recipes)
                                               .arg(recipes == 1 ? "" : "s"));
    updateButtons();
}

qint64 TFormRoskakori::selectedEntry() const
{
    const QTreeWidgetItem *item = m_list->currentItem();
    return item ? item->data(0, Qt::UserRole).toLongLong() : 0;
}

void TFormRoskakori::updateButtons()
{
    const bool selected = selectedEntry() > 0;
    m_restore->setEnabled(selected);
    m_destroy->setEnabled(selected);
    m_empty->setEnabled(m_list->topLevelItemCount() > 0);
}

bool TFormRoskakori::ask(const QString &caption, const QString &question)
{
    QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("KysRoskakori"));
    box.setDefaultButton(QMessageBox::No);
    return Dialogs::exec(&box) == QMessageBox::Yes;
}

void TFormRoskakori::BBPalautaClick()
{
    const qint64 id = selectedEntry();
    if (id <= 0)
        return;
    const Trash::Restored done = m_book.restoreFromTrash(id);
    reload();
    if (m_restored)
        m_restored(done.mainGroup, done.subgroup, done.recipe);
    if (!done.renamed.isEmpty())
        Dialogs::information(QStringLiteral("Some names were taken meanwhile, so what was restored has new names:\n")
                             + done.renamed.join(QLatin1Char('\n')));
}

void TFormRoskakori::BBPoistaLopullisestiClick()
{
    const QTreeWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    if (!ask(QStringLiteral("Delete for good"),
             QStringLiteral("Delete \"%1\" for good? It cannot be restored afterwards.").arg(item->text(0))))
        return;
    {
        const std::unique_ptr<Trash> trash = m_book.openTrash();
        trash->destroy(selectedEntry());
    }
    reload();
}

void TFormRoskakori::BBTyhjennaClick()
{
    if (m_list->topLevelItemCount() == 0)
        return;
    if (!ask(QStringLiteral("Empty Trash"),
             QStringLiteral("Delete everything in the trash for good? It cannot be restored afterwards.")))
        return;
    {
        const std::unique_ptr<Trash> trash = m_book.openTrash();
        trash->empty();
    }
    reload();
}
