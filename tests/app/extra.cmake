# The main window's screen-width rules, once more on screens 1000 and 1280
# pixels wide (the ordinary run has the offscreen platform's 800 x 800 screen).
if(TARGET app_TestFormPaaScreens)
    foreach(width 1000 1280)
        set(name app_TestFormPaaScreens_${width})
        set(config ${CMAKE_CURRENT_BINARY_DIR}/screen-${width}.json)
        file(WRITE ${config}
            "{\"screens\":[{\"name\":\"s1\",\"x\":0,\"y\":0,\"width\":${width},\"height\":1024,\"logicalDpi\":96}]}\n")
        add_test(NAME ${name} COMMAND app_TestFormPaaScreens)
        set(home ${CMAKE_BINARY_DIR}/test-home/${name})
        set_tests_properties(${name} PROPERTIES
            TIMEOUT 600
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${config};MEALDECK_TEST=1;XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;HOME=${home};QT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu")
    endforeach()
endif()

# Tests that run the program itself (on a private X server): the logout test
# sends it the signal, the caption test reads its windows' titles, the
# outside-changes test starts a second copy.
foreach(name app_TestSessionEnd app_TestWindowTitles app_TestFaultOutsideChanges)
    if(TARGET ${name} AND TARGET mealdeck)
        add_dependencies(${name} mealdeck)
        target_compile_definitions(${name} PRIVATE MEALDECK_PROGRAM="$<TARGET_FILE:mealdeck>")
    endif()
endforeach()
# The logout test also asks the program's socket whether it is up.
if(TARGET app_TestSessionEnd)
    target_link_libraries(app_TestSessionEnd PRIVATE Qt6::Network)
endif()

# How the windows look, on a 1280 x 1024 screen and once more on 1000 x 800.
if(TARGET app_TestWindowLook)
    set(config ${CMAKE_CURRENT_BINARY_DIR}/screen-1280x1024.json)
    file(WRITE ${config}
        "{\"screens\":[{\"name\":\"s1\",\"x\":0,\"y\":0,\"width\":1280,\"height\":1024,\"logicalDpi\":96}]}\n")
    set_property(TEST app_TestWindowLook PROPERTY ENVIRONMENT_MODIFICATION
        "QT_QPA_PLATFORM=set:offscreen:configfile=${config}")
    set(config ${CMAKE_CURRENT_BINARY_DIR}/screen-1000x800.json)
    file(WRITE ${config}
        "{\"screens\":[{\"name\":\"s1\",\"x\":0,\"y\":0,\"width\":1000,\"height\":800,\"logicalDpi\":96}]}\n")
    add_test(NAME app_TestWindowLook_1000x800 COMMAND app_TestWindowLook)
    set(home ${CMAKE_BINARY_DIR}/test-home/app_TestWindowLook_1000x800)
    set_tests_properties(app_TestWindowLook_1000x800 PROPERTIES
        TIMEOUT 600
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${config};MEALDECK_TEST=1;XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;HOME=${home};QT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu")
endif()

# The program on a headless Wayland compositor, its book made by mealdeck-data.
if(TARGET app_TestWayland AND TARGET mealdeck AND TARGET mealdeck-data)
    add_dependencies(app_TestWayland mealdeck mealdeck-data)
    target_compile_definitions(app_TestWayland PRIVATE MEALDECK_PROGRAM="$<TARGET_FILE:mealdeck>"
                               MEALDECK_DATA_TOOL="$<TARGET_FILE:mealdeck-data>")
endif()

# The web page import is served by a server on 127.0.0.1 that the test starts.
if(TARGET app_TestImportExportWindow)
    target_link_libraries(app_TestImportExportWindow PRIVATE Qt6::Network)
endif()
