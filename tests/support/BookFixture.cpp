#include "support/BookFixture.h"

#include "app/FormPaa.h"
#include "app/FormUusi.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormResepti.h"
#include "recipe/RecipeWindowHost.h"
#include "settings/FormAbout.h"
#include "settings/SettingsStore.h"
#include "store/table/JpegCodec.h"
#include "store/table/PackTable.h"
#include "store/table/PicturePaths.h"
#include "store/table/ProgramError.h"
#include "store/table/ProgramPaths.h"
#include "store/book/RecipeBook.h"

#include <QFile>
#include <QImage>

namespace {

void addRow(const QString &dataFolder, const QString &table, const QList<QPair<QString, QString>> &fields,
            bool picture = false)
{
    TPackTable t;
    t.setDatabaseName(dataFolder);
    t.setTableName(table);
    t.setTableType(TTableType::Paradox);
    t.open();
    t.append();
    for (const auto &field : fields)
        t.setFieldText(field.first, field.second);
    if (picture)
        t.setFieldBool(QStringLiteral("Kuva"), true);
    t.apply();
    t.close();
}

} // namespace

BookFixture::BookFixture(bool withStarter)
{
    Dialogs::setTestMode(true);
    Dialogs::clearRecord();
    Dialogs::setResponder({});
    clearSettings();
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    ProgramPaths::setProgramFolder(m_dir.path());
    create(m_dir.path(), withStarter);
}

BookFixture::BookFixture(const QString &folder, bool withStarter)
{
    Dialogs::setTestMode(true);
    Dialogs::clearRecord();
    Dialogs::setResponder({});
    clearSettings();
    ProgramPaths::setProgramFolder(folder);
    create(folder, withStarter);
}

void BookFixture::create(const QString &folder, bool withStarter)
{
    try {
        RecipeBook::createBook(folder, withStarter);
        m_valid = true;
    } catch (const StoreError &e) {
        m_error = e.message();
    }
}

BookFixture::~BookFixture()
{
    destroyWindows();
    Dialogs::clearRecord();
    Dialogs::setResponder({});
}

QString BookFixture::programFolder() const
{
    return ProgramPaths::programFolder();
}

QString BookFixture::dataFolder() const
{
    return ProgramPaths::dataFolder();
}

QString BookFixture::picsFolder() const
{
    return ProgramPaths::picsFolder();
}

void BookFixture::addMainGroup(const QString &name)
{
    addRow(dataFolder(), QStringLiteral("Paaryhma"), {{QStringLiteral("Nimi"), name}});
}

void BookFixture::addSubgroup(const QString &name, const QString &mainGroup)
{
    addRow(dataFolder(), QStringLiteral("Alaryhma"), {{QStringLiteral("Nimi"), name}, {QStringLiteral("Ryhma"), mainGroup}});
}

void BookFixture::addRecipe(const QString &name, const QString &subgroup, bool picture, const QString &description,
                            const QList<QPair<QString, QString>> &more)
{
    QList<QPair<QString, QString>> fields{{QStringLiteral("Nimi"), name}, {QStringLiteral("Ryhma"), subgroup}};
    if (!description.isEmpty())
        fields.append({QStringLiteral("Kuvaus"), description});
    fields += more;
    addRow(dataFolder(), QStringLiteral("Ohje"), fields, picture);
    if (picture) {
        QImage image(169, 169, QImage::Format_RGB32);
        image.fill(QColor(200, 120, 40));
        JpegCodec::encodeFile(image, PicturePaths::pictureFile(name));
    }
}

QStringList BookFixture::storedNames(const QString &table, const QString &parent) const
{
    TPackTable t;
    t.setDatabaseName(dataFolder());
    t.setTableName(table);
    t.setTableType(TTableType::Paradox);
    if (!parent.isNull()) {
        t.setFilter(QStringLiteral("Ryhma = '") + parent + QLatin1Char('\''));
        t.setFiltered(true);
    }
    t.open();
    QStringList names;
    for (t.first(); !t.eof(); t.next())
        names.append(t.fieldText(QStringLiteral("Nimi")));
    t.close();
    return names;
}

QString BookFixture::storedRecipeField(const QString &name, const QString &field) const
{
    TPackTable t;
    t.setDatabaseName(dataFolder());
    t.setTableName(QStringLiteral("Ohje"));
    t.setTableType(TTableType::Paradox);
    t.open();
    for (t.first(); !t.eof(); t.next())
        if (t.fieldText(QStringLiteral("Nimi")) == name)
            return t.fieldText(field);
    return QString();
}

TFormPaa *BookFixture::createWindows()
{
    destroyWindows();
    Windows &w = windows();
    auto *formPaa = new TFormPaa;
    w.FormPaa = formPaa;
    if (!formPaa->tablesOpened())
        return formPaa;
    w.FormUusi = new TFormUusi(formPaa->state(), formPaa->book(), formPaa);
    w.FormAnnos = new TFormAnnos(nullptr, formPaa);
    w.FormResepti = new TFormResepti(makeMainWindowHost(formPaa), w.FormAnnos);
    w.FormAbout = new TFormAbout(formPaa);
    return formPaa;
}

void BookFixture::destroyWindows()
{
    delete windows().FormResepti;
    windows().FormResepti = nullptr;
    delete windows().FormPaa;
    windows() = Windows();
}

void BookFixture::clearSettings()
{
    QFile::remove(SettingsStore::filePath());
}
