# The cookbook test runs mealdeck-data and adds rows with SQLite itself.
if(TARGET print_TestCookbook AND TARGET mealdeck-data)
    add_dependencies(print_TestCookbook mealdeck-data)
    target_link_libraries(print_TestCookbook PRIVATE SQLite::SQLite3)
    target_compile_definitions(print_TestCookbook PRIVATE MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()
