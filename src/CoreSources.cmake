# The sources of mealdeck_core, relative to src/, one list a room. The
# program's build and the fuzz targets' build both take the lists from here.
# The rooms depend one way, each only on those listed before it (the folder
# test checks the includes): table <- book <- exchange, backup.

# mealdeck_sources(LIST FOLDER NAME...) appends the sources FOLDER/NAME.cpp and
# FOLDER/NAME.h of every NAME to LIST; a NAME with its own ending (a header
# alone, a source without one) is taken as it is.
function(mealdeck_sources list folder)
    set(files ${${list}})
    foreach(name ${ARGN})
        if(name MATCHES "\\.(h|cpp)$")
            list(APPEND files ${folder}/${name})
        else()
            list(APPEND files ${folder}/${name}.cpp ${folder}/${name}.h)
        endif()
    endforeach()
    set(${list} ${files} PARENT_SCOPE)
endfunction()

# The table store: the SQLite connection, statements, packed tables, the schema,
# the picture files and the program's paths.
mealdeck_sources(MEALDECK_TABLE_SOURCES store/table
    BookLockFile JpegCodec PackTable PictureFiles PicturePaths ProgramError.h ProgramPaths RecipeRow
    RecipeSchema SqlStatement StoreConnection StoreTransaction StoredRecipe)

# The book: the one object windows go through, its trash, its search index,
# the week menu and shopping list, the cookbook's reading.
mealdeck_sources(MEALDECK_BOOK_SOURCES store/book
    Book BookCheck CookbookSource Menu RecipeBook RecipeSearch SearchText ShoppingList Trash)

# Exchange: readers and writers of other programs' formats, web pages, import
# and export.
mealdeck_sources(MEALDECK_EXCHANGE_SOURCES store/exchange
    BookExport BookImport ImportedRecipe.h IngredientText JsonLdReader MealMasterReader MicrodataReader
    RecipeArchive WebFetcher WebImport)

# Backup and restore of a whole book.
mealdeck_sources(MEALDECK_BACKUP_SOURCES store/backup BackupFiles BookBackup BookRestore)

# The settings store and portion scaling, beside the windows that use them.
mealdeck_sources(MEALDECK_CORE_OTHER_SOURCES recipe PortionScaling)
mealdeck_sources(MEALDECK_CORE_OTHER_SOURCES settings SettingsStore)

set(MEALDECK_CORE_SOURCES
    ${MEALDECK_TABLE_SOURCES} ${MEALDECK_BOOK_SOURCES} ${MEALDECK_EXCHANGE_SOURCES}
    ${MEALDECK_BACKUP_SOURCES} ${MEALDECK_CORE_OTHER_SOURCES})
