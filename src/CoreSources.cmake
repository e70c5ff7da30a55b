# The sources of mealdeck_core, relative to src/, one list a room. The
# program's build and the fuzz targets' build both take the lists from here.
# The rooms depend one way, each only on those listed before it (the folder
# test checks the includes): table <- book <- exchange, backup.

# The table store: the SQLite connection, statements, packed tables, the schema,
# the picture files and the program's paths.
set(MEALDECK_TABLE_SOURCES
    store/table/BookLockFile.cpp store/table/BookLockFile.h
    store/table/JpegCodec.cpp store/table/JpegCodec.h
    store/table/PackTable.cpp store/table/PackTable.h
    store/table/PictureFiles.cpp store/table/PictureFiles.h
    store/table/PicturePaths.cpp store/table/PicturePaths.h
    store/table/ProgramError.h
    store/table/ProgramPaths.cpp store/table/ProgramPaths.h
    store/table/RecipeRow.cpp store/table/RecipeRow.h
    store/table/RecipeSchema.cpp store/table/RecipeSchema.h
    store/table/SqlStatement.cpp store/table/SqlStatement.h
    store/table/StoreConnection.cpp store/table/StoreConnection.h
    store/table/StoreTransaction.cpp store/table/StoreTransaction.h
    store/table/StoredRecipe.cpp store/table/StoredRecipe.h)

# The book: the one object windows go through, its trash, its search index,
# the week menu and shopping list, the cookbook's reading.
set(MEALDECK_BOOK_SOURCES
    store/book/Book.cpp store/book/Book.h
    store/book/BookCheck.cpp store/book/BookCheck.h
    store/book/CookbookSource.cpp store/book/CookbookSource.h
    store/book/Menu.cpp store/book/Menu.h
    store/book/RecipeBook.cpp store/book/RecipeBook.h
    store/book/RecipeSearch.cpp store/book/RecipeSearch.h
    store/book/SearchText.cpp store/book/SearchText.h
    store/book/ShoppingList.cpp store/book/ShoppingList.h
    store/book/Trash.cpp store/book/Trash.h)

# Exchange: readers and writers of other programs' formats, web pages, import
# and export.
set(MEALDECK_EXCHANGE_SOURCES
    store/exchange/BookExport.cpp store/exchange/BookExport.h
    store/exchange/BookImport.cpp store/exchange/BookImport.h
    store/exchange/ImportedRecipe.h
    store/exchange/IngredientText.cpp store/exchange/IngredientText.h
    store/exchange/JsonLdReader.cpp store/exchange/JsonLdReader.h
    store/exchange/MealMasterReader.cpp store/exchange/MealMasterReader.h
    store/exchange/MicrodataReader.cpp store/exchange/MicrodataReader.h
    store/exchange/RecipeArchive.cpp store/exchange/RecipeArchive.h
    store/exchange/WebFetcher.cpp store/exchange/WebFetcher.h
    store/exchange/WebImport.cpp store/exchange/WebImport.h)

# Backup and restore of a whole book.
set(MEALDECK_BACKUP_SOURCES
    store/backup/BackupFiles.cpp store/backup/BackupFiles.h
    store/backup/BookBackup.cpp store/backup/BookBackup.h
    store/backup/BookRestore.cpp store/backup/BookRestore.h)

# The settings store and portion scaling, beside the windows that use them.
set(MEALDECK_CORE_OTHER_SOURCES
    recipe/PortionScaling.cpp recipe/PortionScaling.h
    settings/SettingsStore.cpp settings/SettingsStore.h)

set(MEALDECK_CORE_SOURCES
    ${MEALDECK_TABLE_SOURCES} ${MEALDECK_BOOK_SOURCES} ${MEALDECK_EXCHANGE_SOURCES}
    ${MEALDECK_BACKUP_SOURCES} ${MEALDECK_CORE_OTHER_SOURCES})
