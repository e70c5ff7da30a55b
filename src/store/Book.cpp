#include "store/Book.h"

#include "store/JpegCodec.h"
#include "store/PackTable.h"
#include "store/PictureFiles.h"
#include "store/PicturePaths.h"
#include "store/ProgramError.h"
#include "store/StoreTransaction.h"
#include "store/Trash.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QVariant>

#include <optional>

namespace RecipeBook {

namespace {

const QString Nimi = QStringLiteral("Nimi");
const QString Ryhma = QStringLiteral("Ryhma");

std::unique_ptr<TPackTable> makeTable(const QString &dataFolder, const char *objectName, const char *tableName)
{
    auto table = std::make_unique<TPackTable>();
    table->setObjectName(QLatin1String(objectName));
    table->setDatabaseName(dataFolder);
    table->setTableName(QLatin1String(tableName));
    table->setTableType(TTableType::Paradox);
    table->setFiltered(true);
    return table;
}

void openIfClosed(TPackTable &table)
{
    if (!table.Active())
        table.open();
}

// Marks every recipe of the current filter of `recipes` deleted; their names
// are appended to `removed`, their row ids to `ids`.
void deleteFilteredRecipes(TPackTable &recipes, QStringList &removed, QVector<qint64> &ids)
{
    recipes.first();
    while (recipes.recordCount() > 0) {
        removed.append(recipes.fieldText(Nimi));
        ids.append(recipes.currentRowId());
        recipes.deleteRow();
    }
}

bool hasName(TPackTable &table, const QString &name)
{
    if (table.Active())
        return table.containsName(Nimi, name);
    table.open();
    bool found = false;
    try {
        found = table.containsName(Nimi, name);
    } catch (...) {
        table.close();
        throw;
    }
    table.close();
    return found;
}

} // namespace

QString childFilter(const QString &name)
{
    return QStringLiteral("Ryhma = '") + name + QLatin1Char('\'');
}

Book::Book(const QString &dataFolder, const QString &picsFolder)
    : m_mainGroups(makeTable(dataFolder, "Table1", "Paaryhma"))
    , m_subgroups(makeTable(dataFolder, "Table2", "Alaryhma"))
    , m_recipes(makeTable(dataFolder, "Table3", "Ohje"))
    , m_picsFolder(picsFolder)
{
}

Book::~Book() = default;

QString Book::picturePath(const QString &recipeName) const
{
    return m_picsFolder + PicturePaths::pictureFileName(recipeName);
}

Book::Survey Book::surveyMainGroup()
{
    Survey survey;
    openIfClosed(*m_recipes);
    openIfClosed(*m_subgroups);
    m_subgroups->setFilter(childFilter(m_mainGroups->fieldText(Nimi)));
    for (m_subgroups->first(); !m_subgroups->eof(); m_subgroups->next()) {
        survey.lastSubgroup = m_subgroups->fieldText(Nimi);
        m_recipes->setFilter(childFilter(survey.lastSubgroup));
        if (m_recipes->recordCount() > 0)
            survey.hasRecipes = true;
    }
    survey.hasSubgroups = m_subgroups->recordCount() > 0;
    return survey;
}

Book::Survey Book::surveySubgroup()
{
    Survey survey;
    survey.hasSubgroups = true;
    openIfClosed(*m_recipes);
    m_recipes->setFilter(childFilter(m_subgroups->fieldText(Nimi)));
    survey.hasRecipes = m_recipes->recordCount() > 0;
    return survey;
}

void Book::addMainGroup(const QString &name)
{
    m_mainGroups->append();
    m_mainGroups->setFieldText(Nimi, name);
    m_mainGroups->apply();
}

bool Book::applyChild(TPackTable &parents, const QString &parent, TPackTable &children)
{
    // The parent is looked up inside the transaction, so that no other
    // program can delete it before the commit.
    StoreTransaction scope(children);
    if (!parents.storedContains(Nimi, parent))
        return false;
    children.apply();
    scope.commit();
    return true;
}

bool Book::addSubgroup(const QString &mainGroup, const QString &name)
{
    openIfClosed(*m_subgroups);
    m_subgroups->append();
    m_subgroups->setFieldText(Nimi, name);
    m_subgroups->setFieldText(Ryhma, mainGroup);
    return applyChild(*m_mainGroups, mainGroup, *m_subgroups);
}

bool Book::addRecipe(const QString &subgroup, const QString &name)
{
    openIfClosed(*m_recipes);
    m_recipes->append();
    m_recipes->setFieldText(Nimi, name);
    m_recipes->setFieldText(Ryhma, subgroup);
    return applyChild(*m_subgroups, subgroup, *m_recipes);
}

bool Book::removeAddedRecipe(const QString &name)
{
    m_recipes->discard();
    try {
        StoreTransaction scope(*m_recipes);
        if (m_recipes->RecNo() > 0 && m_recipes->fieldText(Nimi) == name) {
            m_recipes->deleteRow();
            m_recipes->apply();
        }
        scope.commit();
    } catch (const StoreError &) {
        m_recipes->discard();
        return false;
    }
    return true;
}

// Gives the current row of `parent` the new name and moves its children (the
// rows of `children` whose Ryhma is the old name) to it. The new name and the
// children that follow it are committed together, or not at all.
bool Book::renameWithChildren(TPackTable &parent, TPackTable &children, const QString &oldName,
                              const QString &newName)
{
    openIfClosed(children);
    StoreTransaction scope(parent);
    parent.edit();
    parent.setFieldText(Nimi, newName);
    parent.apply();
    children.setFilter(childFilter(oldName));
    const bool hasChildren = children.recordCount() > 0;
    if (hasChildren) {
        for (children.first(); !children.eof(); children.next()) {
            children.edit();
            children.setFieldText(Ryhma, newName);
            children.post();
        }
        children.apply();
    }
    scope.commit();
    return hasChildren;
}

bool Book::renameMainGroup(const QString &oldName, const QString &newName)
{
    return renameWithChildren(*m_mainGroups, *m_subgroups, oldName, newName);
}

bool Book::renameSubgroup(const QString &oldName, const QString &newName)
{
    return renameWithChildren(*m_subgroups, *m_recipes, oldName, newName);
}

bool Book::renameRecipe(const QString &oldName, const QString &newName, QString *reason, bool *pictureMoved)
{
    const std::optional<QVariant> kuva = m_recipes->fieldValue(QStringLiteral("Kuva"));
    const bool hasPicture = kuva.has_value() && kuva->toBool();
    const QString oldPicture = picturePath(oldName);
    const QString newPicture = picturePath(newName);
    if (hasPicture && !PictureFiles::copyPicture(oldPicture, newPicture, reason))
        return false;
    try {
        m_recipes->edit();
        m_recipes->setFieldText(Nimi, newName);
        m_recipes->apply();
    } catch (...) {
        m_recipes->discard();
        if (hasPicture)
            QFile::remove(newPicture);
        throw;
    }
    if (hasPicture)
        QFile::remove(oldPicture);
    if (pictureMoved)
        *pictureMoved = hasPicture;
    return true;
}

void Book::removePictures(const QStringList &recipeNames) const
{
    // A missing file, or one that cannot be removed, is left as it is.
    for (const QString &name : recipeNames) {
        const QString path = picturePath(name);
        if (QFile::exists(path))
            QFile::remove(path);
    }
}

QStringList Book::deleteMainGroup()
{
    openIfClosed(*m_subgroups);
    openIfClosed(*m_recipes);
    TrashDeposit trash(m_mainGroups->DatabaseName(), m_picsFolder);
    QStringList removed;
    {
        StoreTransaction scope(*m_mainGroups);
        TrashDeposit::Rows rows;
        rows.mainGroups.append(m_mainGroups->currentRowId());
        m_subgroups->setFilter(childFilter(m_mainGroups->fieldText(Nimi)));
        int count = 0;
        for (m_subgroups->first(); !m_subgroups->eof(); m_subgroups->next()) {
            rows.subgroups.append(m_subgroups->currentRowId());
            m_recipes->setFilter(childFilter(m_subgroups->fieldText(Nimi)));
            deleteFilteredRecipes(*m_recipes, removed, rows.recipes);
            ++count;
        }
        m_subgroups->first();
        for (int i = 0; i < count && m_subgroups->recordCount() > 0; ++i)
            m_subgroups->deleteRow();
        // The rows go into the trash in the commit that removes them.
        trash.put(Trash::Kind::MainGroup, rows);
        m_recipes->apply();
        m_subgroups->apply();
        m_mainGroups->deleteRow();
        m_mainGroups->apply();
        scope.commit();
    }
    // Picture files leave Pics once their rows are in the trash for good.
    trash.committed();
    return removed;
}

QStringList Book::deleteSubgroup()
{
    openIfClosed(*m_recipes);
    TrashDeposit trash(m_subgroups->DatabaseName(), m_picsFolder);
    QStringList removed;
    {
        StoreTransaction scope(*m_subgroups);
        TrashDeposit::Rows rows;
        rows.subgroups.append(m_subgroups->currentRowId());
        m_recipes->setFilter(childFilter(m_subgroups->fieldText(Nimi)));
        deleteFilteredRecipes(*m_recipes, removed, rows.recipes);
        trash.put(Trash::Kind::Subgroup, rows);
        m_subgroups->deleteRow();
        m_recipes->apply();
        m_subgroups->apply();
        scope.commit();
    }
    trash.committed();
    return removed;
}

void Book::deleteRecipe()
{
    TrashDeposit trash(m_recipes->DatabaseName(), m_picsFolder);
    {
        StoreTransaction scope(*m_recipes);
        TrashDeposit::Rows rows;
        rows.recipes.append(m_recipes->currentRowId());
        trash.put(Trash::Kind::Recipe, rows);
        m_recipes->deleteRow();
        m_recipes->apply();
        scope.commit();
    }
    trash.committed();
}

bool Book::groupNameTaken(TPackTable &mainGroups, TPackTable &subgroups, const QString &name)
{
    return hasName(mainGroups, name) || hasName(subgroups, name);
}

bool Book::recipeNameTaken(TPackTable &recipes, const QString &name)
{
    return hasName(recipes, name);
}

QImage Book::decodePictureFile(const QString &path, QString *refused)
{
    QByteArray data;
    if (PictureFiles::readPicture(path, &data, refused) != PictureFiles::ReadResult::Read)
        return QImage();
    refused->clear();
    return decodePicture(data);
}

QImage Book::decodePicture(const QByteArray &data)
{
    // JPEG files go through the program's own decoder; the other formats
    // (PNG, BMP, GIF, ICO, SVG) through the toolkit's readers.
    QImage image = JpegCodec::decode(data);
    if (!image.isNull())
        return image;
    QByteArray bytes = data;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (reader.format() == "jpeg" || reader.format() == "jpg")
        return QImage();
    // Pictures beyond 10,000 x 10,000 pixels are refused.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > 10000 || size.height() > 10000))
        return QImage();
    // Some formats (GIF) tell their size only while reading.
    const QImage read = reader.read();
    if (read.width() > 10000 || read.height() > 10000)
        return QImage();
    return read;
}

PictureFiles::ReadResult Book::readStoredPicture(const QString &path, QImage *image, QString *reason)
{
    QByteArray bytes;
    const PictureFiles::ReadResult read = PictureFiles::readPicture(path, &bytes, reason);
    *image = read == PictureFiles::ReadResult::Read ? JpegCodec::decode(bytes) : QImage();
    return read;
}

Book::PictureResult Book::setPicture(const QString &recipeName, const QString &file, QString *reason)
{
    const QImage source = decodePictureFile(file, reason);
    if (source.isNull())
        return PictureResult::NotAPicture;
    if (!writePicture(source, picturePath(recipeName), reason))
        return PictureResult::NotWritten;
    m_recipes->edit();
    m_recipes->setFieldBool(QStringLiteral("Kuva"), true);
    m_recipes->apply();
    return PictureResult::Set;
}

bool Book::writePicture(const QImage &source, const QString &path, QString *reason)
{
    // Stretched over the whole square; the aspect ratio is not kept.
    QImage bitmap(169, 169, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    {
        QPainter painter(&bitmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, 169, 169), source);
    }
    // Written under a temporary name in the picture folder and renamed into place.
    return JpegCodec::encodeFile(bitmap, path, reason, 90);
}

void Book::removePicture(const QString &recipeName)
{
    m_recipes->edit();
    m_recipes->setFieldBool(QStringLiteral("Kuva"), false);
    m_recipes->apply();
    removePictures({recipeName});
}

void Book::pack(TPackTable &table)
{
    // A table that was closed stays closed: opening it here would show every
    // row of a table whose filter has not been set yet.
    const bool wasActive = table.Active();
    table.close();
    table.setExclusive(true);
    table.Pack();
    if (wasActive)
        table.open();
}

} // namespace RecipeBook
