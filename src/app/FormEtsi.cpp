#include "app/FormEtsi.h"

#include "platform/Dialogs.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int HtmlRole = Qt::UserRole + 1;
const char *const Grey = "#606060";

// Draws a hit as its rich text: the name, where it lives, the excerpt.
class HitDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        const bool selected = opt.state & QStyle::State_Selected;
        QTextDocument doc;
        setUp(doc, index, opt.rect.width(), selected);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette = opt.palette;
        context.palette.setColor(QPalette::Text, opt.palette.color(selected ? QPalette::HighlightedText
                                                                           : QPalette::Text));
        painter->save();
        painter->translate(opt.rect.topLeft());
        painter->setClipRect(opt.rect.translated(-opt.rect.topLeft()));
        doc.documentLayout()->draw(painter, context);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QTextDocument doc;
        setUp(doc, index, option.rect.width() > 0 ? option.rect.width() : 400);
        return QSize(int(doc.idealWidth()), int(doc.size().height()) + 2);
    }

private:
    static void setUp(QTextDocument &doc, const QModelIndex &index, int width, bool selected = false)
    {
        doc.setDocumentMargin(3);
        QString html = index.data(HtmlRole).toString();
        // The quiet grey of where a hit lives stays readable on the highlight.
        if (selected)
            html.replace(QLatin1String(Grey), QLatin1String("#e6e6e6"));
        doc.setHtml(html);
        doc.setTextWidth(width);
    }
};

QString marked(const QString &text, const QVector<SearchText::Range> &marks)
{
    QString html;
    int at = 0;
    for (const SearchText::Range &mark : marks) {
        html += text.mid(at, mark.start - at).toHtmlEscaped();
        html += QStringLiteral("<b><u>") + text.mid(mark.start, mark.length).toHtmlEscaped() + QStringLiteral("</u></b>");
        at = mark.start + mark.length;
    }
    return html + text.mid(at).toHtmlEscaped();
}

QString fieldName(RecipeSearch::Hit::Field field)
{
    switch (field) {
    case RecipeSearch::Hit::Field::Ingredients:
        return QStringLiteral("Ingredients");
    case RecipeSearch::Hit::Field::Description:
        return QStringLiteral("Description");
    case RecipeSearch::Hit::Field::Directions:
        return QStringLiteral("Directions");
    case RecipeSearch::Hit::Field::Name:
        break;
    }
    return QString();
}

QString hitHtml(const RecipeSearch::Hit &hit)
{
    QString where = hit.subgroup.toHtmlEscaped();
    if (!hit.mainGroup.isEmpty())
        where += QStringLiteral(" &middot; ") + hit.mainGroup.toHtmlEscaped();
    QString html = QStringLiteral("<b>%1</b>&nbsp;&nbsp;<span style=\"color:%2\">%3</span>")
                       .arg(marked(hit.name, hit.nameMarks), QLatin1String(Grey), where);
    if (!hit.excerpt.text.isEmpty())
        html += QStringLiteral("<br><span style=\"color:%1\">%2:</span> %3")
                    .arg(QLatin1String(Grey), fieldName(hit.field), marked(hit.excerpt.text, hit.excerpt.marks));
    return html;
}

} // namespace

TFormEtsi::TFormEtsi(RecipeSearch &search, QWidget *parent)
    : QDialog(parent)
    , m_search(search)
{
    setObjectName(QStringLiteral("FormEtsi"));
    setWindowTitle(QStringLiteral("Saffrona's Mealdeck   -   Find Recipes"));
    setModal(true);
    resize(560, 460);

    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("&Words to find:"), this);
    layout->addWidget(label);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("EditEtsi"));
    m_edit->setPlaceholderText(QStringLiteral("Name, ingredients, description or directions"));
    m_edit->setClearButtonEnabled(true);
    m_edit->installEventFilter(this);
    m_edit->setFocus();
    label->setBuddy(m_edit);
    layout->addWidget(m_edit);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListaTulokset"));
    m_list->setItemDelegate(new HitDelegate(m_list));
    m_list->setUniformItemSizes(false);
    m_list->setWordWrap(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(m_list, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabelTila"));
    layout->addWidget(m_status);
    m_indexing = new QLabel(this);
    m_indexing->setObjectName(QStringLiteral("LabelIndeksointi"));
    m_indexing->setStyleSheet(QStringLiteral("color:%1").arg(QLatin1String(Grey)));
    m_indexing->hide();
    layout->addWidget(m_indexing);

    auto *buttons = new QDialogButtonBox(this);
    m_show = buttons->addButton(QStringLiteral("&Show Recipe"), QDialogButtonBox::AcceptRole);
    m_show->setObjectName(QStringLiteral("BitBtnNayta"));
    m_show->setEnabled(false);
    m_show->setDefault(true);
    QPushButton *close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("BitBtnSulje"));
    layout->addWidget(buttons);

    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(30);
    connect(m_typing, &QTimer::timeout, this, [this] { Dialogs::guard([this] { EditEtsiChange(); }); });
    connect(m_edit, &QLineEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { choose(); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_show->setEnabled(row >= 0); });
    connect(m_show, &QPushButton::clicked, this, [this] { choose(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    m_progress = new QTimer(this);
    m_progress->setInterval(100);
    connect(m_progress, &QTimer::timeout, this, [this] { Dialogs::guard([this] { followIndexing(); }); });
    EditEtsiChange();
}

void TFormEtsi::followIndexing()
{
    m_search.continueIndexing();
    const int percent = m_search.indexingPercent();
    if (percent >= 0) {
        m_indexing->setText(QStringLiteral("Only the recipe names are searched: still indexing, %1%.").arg(percent));
        m_indexing->show();
        m_progress->start();
        return;
    }
    m_progress->stop();
    // The index is ready (or could not be made): the words are asked again.
    if (m_fromNames) {
        EditEtsiChange();
        return;
    }
    m_indexing->setText(QStringLiteral("Only the recipe names are searched: the search index is not available."));
    m_indexing->setVisible(m_namesOnly);
}

void TFormEtsi::EditEtsiChange()
{
    m_typing->stop();
    if (m_edit->text().trimmed().isEmpty()) {
        m_hits.clear();
        m_list->clear();
        m_namesOnly = false;
        m_fromNames = false;
        m_status->setText(QStringLiteral("Type words from a recipe's name, ingredients, description or directions."));
    } else {
        const RecipeSearch::Result result = m_search.find(m_edit->text(), ShownHits);
        m_namesOnly = result.namesOnly;
        m_fromNames = result.namesOnly && result.indexingPercent >= 0;
        showResult(result);
    }
    followIndexing();
}

void TFormEtsi::showResult(const RecipeSearch::Result &result)
{
    m_list->clear();
    m_hits = result.hits;
    if (!result.error.isEmpty()) {
        m_status->setText(QStringLiteral("The search failed: %1").arg(result.error));
        return;
    }
    if (result.needsRebuild) {
        m_status->setText(QStringLiteral("The book was changed by another program. Close this window and open it "
                                         "again to bring the search up to date."));
        return;
    }
    for (const RecipeSearch::Hit &hit : m_hits) {
        auto *item = new QListWidgetItem(hit.name, m_list);
        item->setData(HtmlRole, hitHtml(hit));
    }
    if (!m_hits.isEmpty())
        m_list->setCurrentRow(0);
    if (result.total == 0)
        m_status->setText(QStringLiteral("No recipe matches."));
    else if (result.moreThanTotal)
        m_status->setText(QStringLiteral("More than %1 recipes match; the first %2 are shown.")
                              .arg(QLocale().toString(result.total))
                              .arg(m_hits.size()));
    else if (result.total == 1)
        m_status->setText(QStringLiteral("1 recipe matches."));
    else if (result.total > m_hits.size())
        m_status->setText(QStringLiteral("%1 recipes match; the first %2 are shown.")
                              .arg(QLocale().toString(result.total))
                              .arg(m_hits.size()));
    else
        m_status->setText(QStringLiteral("%1 recipes match.").arg(QLocale().toString(result.total)));
}

void TFormEtsi::choose()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_hits.size())
        return;
    m_chosen = m_hits.at(row);
    accept();
}

bool TFormEtsi::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // Typing is settled before the hits are walked.
            if (m_typing->isActive())
                EditEtsiChange();
            QApplication::sendEvent(m_list, event);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_typing->isActive())
                EditEtsiChange();
            choose();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
