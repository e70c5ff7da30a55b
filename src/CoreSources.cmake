# The sources of mealdeck_core, relative to src/: the store, the settings
# store and portion scaling. The program's build and the fuzz targets' build
# both take the list from here.
set(MEALDECK_CORE_SOURCES
    store/BackupFiles.cpp store/BackupFiles.h
    store/Book.cpp store/Book.h
    store/BookBackup.cpp store/BookBackup.h
    store/BookCheck.cpp store/BookCheck.h
    store/BookExport.cpp store/BookExport.h
    store/BookImport.cpp store/BookImport.h
    store/BookLockFile.cpp store/BookLockFile.h
    store/CookbookSource.cpp store/CookbookSource.h
    store/StoredRecipe.cpp store/StoredRecipe.h
    store/BookRestore.cpp store/BookRestore.h
    store/ImportedRecipe.h
    store/IngredientText.cpp store/IngredientText.h
    store/JpegCodec.cpp store/JpegCodec.h
    store/JsonLdReader.cpp store/JsonLdReader.h
    store/MealMasterReader.cpp store/MealMasterReader.h
    store/PackTable.cpp store/PackTable.h
    store/PictureFiles.cpp store/PictureFiles.h
    store/PicturePaths.cpp store/PicturePaths.h
    store/ProgramError.h
    store/ProgramPaths.cpp store/ProgramPaths.h
    store/RecipeArchive.cpp store/RecipeArchive.h
    store/RecipeBook.cpp store/RecipeBook.h
    store/RecipeRow.cpp store/RecipeRow.h
    store/RecipeSchema.cpp store/RecipeSchema.h
    store/RecipeSearch.cpp store/RecipeSearch.h
    store/SearchText.cpp store/SearchText.h
    store/SqlStatement.cpp store/SqlStatement.h
    store/StoreConnection.cpp store/StoreConnection.h
    store/StoreTransaction.cpp store/StoreTransaction.h
    store/Trash.cpp store/Trash.h
    settings/SettingsStore.cpp settings/SettingsStore.h
    store/Menu.cpp store/Menu.h
    store/ShoppingList.cpp store/ShoppingList.h
    recipe/PortionScaling.cpp recipe/PortionScaling.h
    store/MicrodataReader.cpp store/MicrodataReader.h
    store/WebFetcher.cpp store/WebFetcher.h
    store/WebImport.cpp store/WebImport.h)
