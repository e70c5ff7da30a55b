# Builds the Debian package from this build tree's installation into a fresh
# folder and checks its contents and control fields.
# Run as: cmake -DBINARY_DIR=<build> -DWORK_DIR=<folder> -DVERSION=<version> -P PackageContents.cmake
foreach(tool cpack dpkg-deb dpkg-shlibdeps dpkg)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        message("package test skipped: ${tool} is missing")
        return()
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${found_cpack} -G DEB --config ${BINARY_DIR}/CPackConfig.cmake -B ${WORK_DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed:\n${output}")
endif()
execute_process(COMMAND ${found_dpkg} --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb ${WORK_DIR}/mealdeck_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
    file(GLOB made ${WORK_DIR}/*.deb)
    message(FATAL_ERROR "No ${deb}; made: ${made}")
endif()

set(faults "")
execute_process(COMMAND ${found_dpkg-deb} -c ${deb} OUTPUT_VARIABLE listing)
foreach(path usr/bin/mealdeck usr/bin/mealdeck-data
        usr/share/applications/mealdeck.desktop
        usr/share/metainfo/org.example.Mealdeck.metainfo.xml
        usr/share/icons/hicolor/scalable/apps/mealdeck.svg
        usr/share/mealdeck/help/Help.html
        usr/share/man/man1/mealdeck.1.gz usr/share/man/man1/mealdeck-data.1.gz
        usr/share/bash-completion/completions/mealdeck-data
        usr/share/doc/mealdeck/copyright usr/share/doc/mealdeck/changelog.gz)
    if(NOT listing MATCHES " \\./${path}\n")
        list(APPEND faults "missing ${path}")
    endif()
endforeach()
foreach(size 16 22 24 32 48 64 128 256)
    if(NOT listing MATCHES " \\./usr/share/icons/hicolor/${size}x${size}/apps/mealdeck.png\n")
        list(APPEND faults "missing the ${size} pixel icon")
    endif()
endforeach()
# Everything under /usr, nothing of the build or the tests.
string(REGEX MATCHALL " \\./[^\n]*" paths "${listing}")
foreach(path ${paths})
    if(NOT path MATCHES "^ \\./(usr/.*)?$" OR path MATCHES "[Tt]est|build")
        list(APPEND faults "stray ${path}")
    endif()
endforeach()

function(expect_field field pattern)
    execute_process(COMMAND ${found_dpkg-deb} -f ${deb} ${field} OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT value MATCHES "${pattern}")
        set(faults ${faults} "${field}: '${value}' does not match '${pattern}'" PARENT_SCOPE)
    endif()
endfunction()
expect_field(Package "^mealdeck$")
expect_field(Version "^${VERSION}$")
expect_field(Architecture "^${arch}$")
expect_field(Section "^utils$")
expect_field(Maintainer "^.+ <.+@.+>$")
expect_field(Homepage "^https?://.+")
expect_field(Description "^[^\n]+\n .+\n .+")
# The real libraries from dpkg-shlibdeps, and the Wayland plug-in.
foreach(dependency libqt6widgets6 libqt6core6 libsqlite3-0 libjpeg62-turbo libarchive13 qt6-wayland)
    expect_field(Depends "(^|, )${dependency}( |,|$)")
endforeach()

# The manual pages are gzip files without a name or time inside (gzip -9n),
# and the metainfo names no screenshot outside the package.
execute_process(COMMAND ${found_dpkg-deb} -x ${deb} ${WORK_DIR}/root)
foreach(page mealdeck.1.gz mealdeck-data.1.gz)
    file(READ ${WORK_DIR}/root/usr/share/man/man1/${page} header HEX LIMIT 8)
    if(NOT header MATCHES "^1f8b0800" OR NOT header MATCHES "00000000$")
        list(APPEND faults "${page} is not compressed with gzip -n (header ${header})")
    endif()
endforeach()
file(READ ${WORK_DIR}/root/usr/share/metainfo/org.example.Mealdeck.metainfo.xml metainfo)
if(metainfo MATCHES "<screenshot")
    list(APPEND faults "the metainfo names screenshots")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "${text}")
endif()
