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
# Import and export build their own archives and run mealdeck-data.
if(TARGET store_TestRecipeImport)
    find_package(LibArchive REQUIRED)
    target_link_libraries(store_TestRecipeImport PRIVATE LibArchive::LibArchive)
    add_dependencies(store_TestRecipeImport mealdeck-data)
    target_compile_definitions(store_TestRecipeImport PRIVATE MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()
