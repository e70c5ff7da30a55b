# Registers a Qt Test executable with CTest. Every test runs headless, with its
# settings and data folders pointed into the build tree, never the real home.
# A CORE test links the core library alone (no widgets); others link the
# windows as well.
function(mealdeck_add_test name)
    cmake_parse_arguments(ARG "CORE" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_CORE)
        target_link_libraries(${name} PRIVATE mealdeck_core Qt6::Test ${ARG_LIBRARIES})
    else()
        target_link_libraries(${name} PRIVATE mealdeck_ui Qt6::Test ${ARG_LIBRARIES})
    endif()
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    set(home ${CMAKE_BINARY_DIR}/test-home/${name})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT 600
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;MEALDECK_TEST=1;XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;HOME=${home};QT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu")
endfunction()

# Every tests/<folder>/Test*.cpp is one test executable. With CORE every test
# of the folder links the core library alone; CORE_TESTS names single ones
# (without the .cpp).
function(mealdeck_add_folder_tests folder)
    cmake_parse_arguments(ARG "CORE" "" "CORE_TESTS;LIBRARIES" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/Test*.cpp)
    foreach(source ${sources})
        get_filename_component(base ${source} NAME_WE)
        if(ARG_CORE OR base IN_LIST ARG_CORE_TESTS)
            mealdeck_add_test(${folder}_${base} CORE SOURCES ${source}
                              LIBRARIES mealdeck_testsupport_core ${ARG_LIBRARIES})
        else()
            mealdeck_add_test(${folder}_${base} SOURCES ${source} LIBRARIES mealdeck_testsupport ${ARG_LIBRARIES})
        endif()
    endforeach()
endfunction()
