# The recipe window follows the screen width: its tests run on a wide screen,
# and once more on a screen 1000 pixels wide.
if(TARGET recipe_TestFormResepti)
    set(recipe_screens ${CMAKE_CURRENT_BINARY_DIR}/recipe-screens)
    file(WRITE ${recipe_screens}/wide.json
        "{\"screens\":[{\"name\":\"s1\",\"x\":0,\"y\":0,\"width\":1280,\"height\":1024,\"logicalDpi\":96}]}")
    file(WRITE ${recipe_screens}/narrow.json
        "{\"screens\":[{\"name\":\"s1\",\"x\":0,\"y\":0,\"width\":1000,\"height\":800,\"logicalDpi\":96}]}")
    set_property(TEST recipe_TestFormResepti PROPERTY ENVIRONMENT_MODIFICATION
        "QT_QPA_PLATFORM=set:offscreen:configfile=${recipe_screens}/wide.json")

    add_test(NAME recipe_TestFormResepti_narrow COMMAND recipe_TestFormResepti narrowScreen)
    set(narrow_home ${CMAKE_BINARY_DIR}/test-home/recipe_TestFormResepti_narrow)
    set_tests_properties(recipe_TestFormResepti_narrow PROPERTIES
        TIMEOUT 600
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${recipe_screens}/narrow.json;MEALDECK_TEST=1;XDG_CONFIG_HOME=${narrow_home}/config;XDG_DATA_HOME=${narrow_home}/data;HOME=${narrow_home};QT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu")
endif()
