#include "app/BackupController.h"
#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormUusi.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "settings/SettingsStore.h"
#include "store/backup/BookBackup.h"
#include "store/table/PackTable.h"
#include "store/book/RecipeBook.h"
#include "store/book/Trash.h"
#include "support/BookFixture.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The backup commands of the Book menu, used through the real main window.
namespace {

QStringList listNames(DataBoundList *list)
{
    QStringList names;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        names.append(list->model()->index(i, 0).data().toString());
    return names;
}

QString lastMessage()
{
    const QList<Dialogs::Message> messages = Dialogs::messages();
    return messages.isEmpty() ? QString() : messages.last().text;
}

} // namespace

class TestBackupMenu : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BookFixture> book;
    TFormPaa *w = nullptr;

private Q_SLOTS:
    void init()
    {
        book = std::make_unique<BookFixture>();
        QVERIFY2(book->isValid(), qPrintable(book->error()));
        book->addMainGroup(QStringLiteral("Soups"));
        book->addSubgroup(QStringLiteral("Clear"), QStringLiteral("Soups"));
        book->addRecipe(QStringLiteral("Broth"), QStringLiteral("Clear"), true);
        Dialogs::setResponder([](QDialog *d) { d->close(); });
        w = BookFixture::createWindows();
        QVERIFY(w && w->tablesOpened());
        w->show();
        Dialogs::clearRecord();
    }

    void cleanup()
    {
        book.reset();
        w = nullptr;
        FileChooser::setAnswer({});
    }

    // A backup of another book restored into the running program: the lists
    // show it, and later changes are written into the restored files.
    void restoreReplacesTheOpenBook()
    {
        QTemporaryDir other;
        QString error;
        QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(other.path(), true));
        const QString file = other.path() + QStringLiteral("/starter.zip");
        QVERIFY_THROWS_NO_EXCEPTION(BookBackup::writeBackup(other.path() + QStringLiteral("/Data"), file));

        // The book is backed up first through the menu.
        const QString mine = book->programFolder() + QStringLiteral("mine.zip");
        FileChooser::setAnswer([&](const FileChooser::Request &request) {
            return QStringList{request.mode == FileChooser::Mode::SaveFile ? mine : file};
        });
        w->menuAction(QStringLiteral("MenuVarmuuskopioi"))->trigger();
        QVERIFY2(lastMessage().contains(QStringLiteral("1 main group, 1 subgroup, 1 recipe and 1 picture")),
                 qPrintable(lastMessage()));
        QVERIFY(QFileInfo(mine).isFile());

        // The trash file is attached once the trash was opened; the restored
        // book has none, and the store must open it all the same.
        { RecipeBook::Trash trash(book->dataFolder(), book->picsFolder()); }

        QString question;
        Dialogs::queueResponse([&question](QDialog *d) {
            question = d->findChild<QLabel *>(QStringLiteral("LabelPalauta"))->text();
            d->findChild<QPushButton *>(QStringLiteral("BitBtnYes"))->click();
        });
        w->menuAction(QStringLiteral("MenuPalauta"))->trigger();
        QVERIFY2(question.contains(QStringLiteral("starter.zip")), qPrintable(question));
        QVERIFY2(question.contains(QStringLiteral("subgroups")), qPrintable(question));
        QVERIFY2(lastMessage().contains(QStringLiteral("Data.before-restore-")), qPrintable(lastMessage()));

        const QStringList restored = book->storedNames(QStringLiteral("Paaryhma"));
        QVERIFY(!restored.contains(QStringLiteral("Soups")));
        QCOMPARE(listNames(w->DBLLBoxPaaryhma()), restored);
        QVERIFY(listNames(w->DBLLBoxAlaryhma()).isEmpty());

        // A new main group goes into the restored book.
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormUusi *>(d);
            dialog->EditUusi->setText(QStringLiteral("After the restore"));
            dialog->BitBtnOK->click();
        });
        w->menuAction(QStringLiteral("MenuLisaaPaa"))->trigger();
        QVERIFY(book->storedNames(QStringLiteral("Paaryhma")).contains(QStringLiteral("After the restore")));
        // The old book is kept, whole, and the restore backed it up first.
        const QStringList kept
            = QDir(book->programFolder()).entryList({QStringLiteral("Data.before-restore-*")}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        QVERIFY(QFileInfo(book->programFolder() + kept.first() + QStringLiteral("/Pics/Broth.jpg")).isFile());
        QCOMPARE(QDir(BookBackup::backupsFolder(book->dataFolder())).entryList(QDir::Files).size(), 1);

        // Restoring the first backup brings Soups back.
        FileChooser::setAnswer([&](const FileChooser::Request &) { return QStringList{mine}; });
        Dialogs::queueResponse([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("BitBtnYes"))->click(); });
        w->menuAction(QStringLiteral("MenuPalauta"))->trigger();
        QCOMPARE(listNames(w->DBLLBoxPaaryhma()), QStringList {QStringLiteral("Soups")});
        QVERIFY(QFileInfo(book->picsFolder() + QStringLiteral("Broth.jpg")).isFile());
    }

    void refusedOrDeclinedRestoreChangesNothing()
    {
        const QString garbage = book->programFolder() + QStringLiteral("garbage.zip");
        QFile f(garbage);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2000, 'g'));
        f.close();
        FileChooser::setAnswer([&](const FileChooser::Request &) { return QStringList{garbage}; });
        w->menuAction(QStringLiteral("MenuPalauta"))->trigger();
        QVERIFY2(lastMessage().contains(QStringLiteral("cannot be restored")), qPrintable(lastMessage()));
        QVERIFY(lastMessage().contains(QStringLiteral("The recipe book was not changed.")));
        QVERIFY(!Dialogs::shownDialogs().contains(QStringLiteral("FormPalauta")));

        // A sound backup, answered No.
        const QString file = book->programFolder() + QStringLiteral("b.zip");
        QString error;
        QVERIFY_THROWS_NO_EXCEPTION(BookBackup::writeBackup(book->dataFolder(), file));
        FileChooser::setAnswer([&](const FileChooser::Request &) { return QStringList{file}; });
        Dialogs::queueResponse([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("BitBtnNo"))->click(); });
        w->menuAction(QStringLiteral("MenuPalauta"))->trigger();
        QVERIFY(Dialogs::shownDialogs().contains(QStringLiteral("FormPalauta")));
        QCOMPARE(QDir(book->programFolder()).entryList({QStringLiteral("Data.*")}, QDir::Dirs), QStringList());
        QCOMPARE(listNames(w->DBLLBoxPaaryhma()), QStringList {QStringLiteral("Soups")});
    }

    void automaticBackupsAtProgramEnd()
    {
        QAction *item = w->menuAction(QStringLiteral("MenuAutoVarmuus"));
        QVERIFY(item->isCheckable());
        QVERIFY(item->isChecked()); // on while the setting is missing
        item->trigger();
        QVERIFY(!item->isChecked());
        const QString backups = BookBackup::backupsFolder(book->dataFolder());
        BackupController::backUpAtProgramEnd(book->dataFolder());
        QVERIFY(!QFileInfo::exists(backups));

        item->trigger();
        QVERIFY(item->isChecked());
        BackupController::backUpAtProgramEnd(book->dataFolder());
        BackupController::backUpAtProgramEnd(book->dataFolder());
        QCOMPARE(QDir(backups).entryList(QDir::Files).size(), 1); // once a day

        // Made here (no backup process), a backup that cannot be written is
        // told at the next start all the same.
        QVERIFY(QDir(backups).removeRecursively());
        QFile blocker(backups);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        BackupController::backUpAtProgramEnd(book->dataFolder());
        QVERIFY(BackupController::failedBackupAtEnd(book->dataFolder()).contains(QLatin1String("failed")));
        QVERIFY(BackupController::failedBackupAtEnd(book->dataFolder()).isEmpty()); // told once
        QFile::remove(backups);
    }
};

QTEST_MAIN(TestBackupMenu)
#include "TestBackupMenu.moc"
