# The folders depend one way: only src/app wires the windows together, so no
# other folder includes its headers; the command line in src/tool sits on the
# core and nothing includes it; the core folders and the command line include
# no widget; the rooms of src/store depend one way.
# Run as: cmake -DSOURCE_DIR=<src> -P OneWayFolders.cmake
set(faults "")
# Adds a fault "<name> <what>" when a line of the current source matches `pattern`.
function(forbid pattern what)
    file(STRINGS ${source} lines REGEX "${pattern}")
    if(lines)
        set(faults ${faults} "${name} ${what}" PARENT_SCOPE)
    endif()
endfunction()
file(GLOB_RECURSE sources ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
foreach(source ${sources})
    file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
    if(name MATCHES "^app/")
        continue()
    endif()
    forbid("^[ \t]*#[ \t]*include[ \t]*[\"<]app/" "includes a header of src/app")
    if(NOT name MATCHES "^tool/")
        forbid("^[ \t]*#[ \t]*include[ \t]*[\"<]tool/" "includes a header of src/tool")
    endif()
    if(name MATCHES "^store/|^tool/|^settings/SettingsStore|^recipe/PortionScaling")
        forbid("^[ \t]*#[ \t]*include[ \t]*<(QtWidgets/|QWidget|QApplication|QDialog|QMainWindow)"
               "includes a widget header")
    endif()
    # The platform layer and the core sit below the windows' folders (the
    # portion scaling is core code that lives beside the recipe window).
    if(name MATCHES "^platform/|^store/")
        forbid("^[ \t]*#[ \t]*include[ \t]*[\"<](settings|print|preview)/" "includes a folder above it")
        forbid("^[ \t]*#[ \t]*include[ \t]*[\"<]recipe/[^P]" "includes a folder above it")
    endif()
    # The rooms of the core depend one way: the table store on none of the
    # others, the book on the table store, exchange and backup on the book
    # and the table store, never on each other.
    if(name MATCHES "^store/table/")
        forbid("^[ \t]*#[ \t]*include[ \t]*[\"<]store/(book|exchange|backup)/" "includes a room above the table store")
    elseif(name MATCHES "^store/book/")
        forbid("^[ \t]*#[ \t]*include[ \t]*[\"<]store/(exchange|backup)/" "includes a room above the book")
    elseif(name MATCHES "^store/exchange/")
        forbid("^[ \t]*#[ \t]*include[ \t]*[\"<]store/backup/" "includes the backup room")
    elseif(name MATCHES "^store/backup/")
        forbid("^[ \t]*#[ \t]*include[ \t]*[\"<]store/exchange/" "includes the exchange room")
    elseif(name MATCHES "^store/")
        set(faults ${faults} "${name} lies in no room of src/store")
    endif()
    # Only the command line asks its user anything on standard input.
    if(name MATCHES "^store/|^settings/SettingsStore|^recipe/PortionScaling")
        forbid("[^A-Za-z_](stdin|std::cin)[^A-Za-z_]" "reads standard input")
    endif()
endforeach()
if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "${text}")
endif()
