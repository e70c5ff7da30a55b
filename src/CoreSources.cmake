# The sources of mealdeck_core, relative to src/: the store, the settings
# store and portion scaling. The program's build and the fuzz targets' build
# both take the list from here.
set(MEALDECK_CORE_SOURCES
    store/backup/BackupFiles.cpp store/backup/BackupFiles.h
    store/book/Book.cpp store/book/Book.h
    store/backup/BookBackup.cpp store/backup/BookBackup.h
    store/book/BookCheck.cpp store/book/BookCheck.h
    store/exchange/BookExport.cpp store/exchange/BookExport.h
    store/exchange/BookImport.cpp store/exchange/BookImport.h
    store/table/BookLockFile.cpp store/table/BookLockFile.h
    store/book/CookbookSource.cpp store/book/CookbookSource.h
    store/table/StoredRecipe.cpp store/table/StoredRecipe.h
    store/backup/BookRestore.cpp store/backup/BookRestore.h
    store/exchange/ImportedRecipe.h
    store/exchange/IngredientText.cpp store/exchange/IngredientText.h
    store/table/JpegCodec.cpp store/table/JpegCodec.h
    store/exchange/JsonLdReader.cpp store/exchange/JsonLdReader.h
    store/exchange/MealMasterReader.cpp store/exchange/MealMasterReader.h
    store/table/PackTable.cpp store/table/PackTable.h
    store/table/PictureFiles.cpp store/table/PictureFiles.h
    store/table/PicturePaths.cpp store/table/PicturePaths.h
    store/table/ProgramError.h
    store/table/ProgramPaths.cpp store/table/ProgramPaths.h
    store/exchange/RecipeArchive.cpp store/exchange/RecipeArchive.h
    store/book/RecipeBook.cpp store/book/RecipeBook.h
    store/table/RecipeRow.cpp store/table/RecipeRow.h
    store/table/RecipeSchema.cpp store/table/RecipeSchema.h
    store/book/RecipeSearch.cpp store/book/RecipeSearch.h
    store/book/SearchText.cpp store/book/SearchText.h
    store/table/SqlStatement.cpp store/table/SqlStatement.h
    store/table/StoreConnection.cpp store/table/StoreConnection.h
    store/table/StoreTransaction.cpp store/table/StoreTransaction.h
    store/book/Trash.cpp store/book/Trash.h
    settings/SettingsStore.cpp settings/SettingsStore.h
    store/book/Menu.cpp store/book/Menu.h
    store/book/ShoppingList.cpp store/book/ShoppingList.h
    recipe/PortionScaling.cpp recipe/PortionScaling.h
    store/exchange/MicrodataReader.cpp store/exchange/MicrodataReader.h
    store/exchange/WebFetcher.cpp store/exchange/WebFetcher.h
    store/exchange/WebImport.cpp store/exchange/WebImport.h)
