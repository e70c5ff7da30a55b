# The crash test runs a child program that writes to a book until it is killed.
add_executable(store_crash_child ${CMAKE_CURRENT_LIST_DIR}/CrashChild.cpp)
target_link_libraries(store_crash_child PRIVATE mealdeck_core)
target_include_directories(store_crash_child PRIVATE ${PROJECT_SOURCE_DIR}/src)
if(TARGET store_TestCrashSafety)
    add_dependencies(store_TestCrashSafety store_crash_child)
    target_compile_definitions(store_TestCrashSafety PRIVATE
        MEALDECK_CRASH_CHILD="$<TARGET_FILE:store_crash_child>")
endif()
# mealdeck-data is tried as a person runs it.
if(TARGET store_TestDataTool AND TARGET mealdeck-data)
    add_dependencies(store_TestDataTool mealdeck-data)
    target_compile_definitions(store_TestDataTool PRIVATE MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()
# Backups: the kill test runs a child that backs up and restores until it is
# killed; the hostile files are made with libarchive; mealdeck-data is run.
find_package(LibArchive REQUIRED)
add_executable(store_backup_child ${CMAKE_CURRENT_LIST_DIR}/BackupChild.cpp)
target_link_libraries(store_backup_child PRIVATE mealdeck_core)
if(TARGET store_TestBookBackup)
    add_dependencies(store_TestBookBackup store_backup_child mealdeck-data)
    target_link_libraries(store_TestBookBackup PRIVATE LibArchive::LibArchive)
    target_compile_definitions(store_TestBookBackup PRIVATE
        MEALDECK_BACKUP_CHILD="$<TARGET_FILE:store_backup_child>" MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()
# The trash's crash test runs a child that deletes into the trash and restores
# from it until it is killed.
add_executable(store_trash_crash_child ${CMAKE_CURRENT_LIST_DIR}/TrashCrashChild.cpp)
target_link_libraries(store_trash_crash_child PRIVATE mealdeck_core)
target_include_directories(store_trash_crash_child PRIVATE ${PROJECT_SOURCE_DIR}/src)
if(TARGET store_TestTrash)
    add_dependencies(store_TestTrash store_trash_crash_child)
    target_compile_definitions(store_TestTrash PRIVATE
        MEALDECK_TRASH_CHILD="$<TARGET_FILE:store_trash_crash_child>")
endif()
# The search crash test kills a child that changes a book with its index attached.
add_executable(store_search_crash_child ${CMAKE_CURRENT_LIST_DIR}/SearchCrashChild.cpp)
target_link_libraries(store_search_crash_child PRIVATE mealdeck_core)
target_include_directories(store_search_crash_child PRIVATE ${PROJECT_SOURCE_DIR}/src)
if(TARGET store_TestRecipeSearch)
    add_dependencies(store_TestRecipeSearch store_search_crash_child)
    target_compile_definitions(store_TestRecipeSearch PRIVATE
        MEALDECK_SEARCH_CRASH_CHILD="$<TARGET_FILE:store_search_crash_child>")
endif()
if(TARGET store_TestRecipeSearch AND TARGET mealdeck-data)
    add_dependencies(store_TestRecipeSearch mealdeck-data)
    target_compile_definitions(store_TestRecipeSearch PRIVATE MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()
# Import and export build their own archives and run mealdeck-data.
if(TARGET store_TestRecipeImport)
    find_package(LibArchive REQUIRED)
    target_link_libraries(store_TestRecipeImport PRIVATE LibArchive::LibArchive)
    add_dependencies(store_TestRecipeImport mealdeck-data)
    target_compile_definitions(store_TestRecipeImport PRIVATE MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()
# The book's lock is tried with mealdeck-data as the writer beside a holder.
if(TARGET store_TestBookLock AND TARGET mealdeck-data)
    add_dependencies(store_TestBookLock mealdeck-data)
    target_compile_definitions(store_TestBookLock PRIVATE MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()
# Both programs are run for their command lines.
if(TARGET store_TestCommandLine AND TARGET mealdeck AND TARGET mealdeck-data)
    add_dependencies(store_TestCommandLine mealdeck mealdeck-data)
    target_compile_definitions(store_TestCommandLine PRIVATE MEALDECK_PROGRAM="$<TARGET_FILE:mealdeck>"
        MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>" MEALDECK_VERSION="${PROJECT_VERSION}"
        MEALDECK_DATA_COMMANDS="$<TARGET_FILE:mealdeck-data-commands>")
endif()
# The shopping list is printed by mealdeck-data.
if(TARGET store_TestShoppingCommand AND TARGET mealdeck-data)
    add_dependencies(store_TestShoppingCommand mealdeck-data)
    target_compile_definitions(store_TestShoppingCommand PRIVATE MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()
# Recipe pages come from a server on 127.0.0.1 that the test starts; the
# command line is tried too.
if(TARGET store_TestWebImport)
    target_link_libraries(store_TestWebImport PRIVATE Qt6::Network)
    add_dependencies(store_TestWebImport mealdeck-data)
    target_compile_definitions(store_TestWebImport PRIVATE MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()
