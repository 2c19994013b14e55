# The installed program lays itself out as it expects to find itself: bin/ with the three
# programs, and Help/ and Data/ beside bin/. KVQ_APP_DIR is where that tree stands under the
# prefix: the prefix itself on Windows (a folder to unpack anywhere), a private folder of
# its own on Linux, with links in the prefix's bin/ (see docs/PACKAGING.md).
if(UNIX AND NOT APPLE)
    set(KVQ_APP_DIR_DEFAULT lib/kvq-transfer)
else()
    set(KVQ_APP_DIR_DEFAULT .)
endif()
set(KVQ_APP_DIR ${KVQ_APP_DIR_DEFAULT} CACHE STRING
    "Folder under the install prefix that holds bin/, Help/ and Data/ side by side")

# kvq-sim plays an instrument on a Linux pseudo-terminal; a Windows build has no kvq-sim.
install(TARGETS kvq-transfer kvq-convert RUNTIME DESTINATION ${KVQ_APP_DIR}/bin)
if(TARGET kvq-sim)
    install(TARGETS kvq-sim RUNTIME DESTINATION ${KVQ_APP_DIR}/bin)
endif()
install(FILES ${KVQ_HELP_FILE} DESTINATION ${KVQ_APP_DIR}/Help RENAME rs232.hlp)
install(DIRECTORY DESTINATION ${KVQ_APP_DIR}/Data)

if(NOT (UNIX AND NOT APPLE))
    return()
endif()

set(KVQ_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KVQ_GENERATED_DIR ${CMAKE_BINARY_DIR}/packaging)

# Links on the PATH; the kernel reports the program's real path, so the sibling folders
# are found from the link too.
file(MAKE_DIRECTORY ${KVQ_GENERATED_DIR}/links ${KVQ_GENERATED_DIR}/man)
foreach(program kvq-transfer kvq-convert kvq-sim)
    file(CREATE_LINK ../${KVQ_APP_DIR}/bin/${program} ${KVQ_GENERATED_DIR}/links/${program}
         SYMBOLIC)
    install(FILES ${KVQ_GENERATED_DIR}/links/${program} DESTINATION bin)
endforeach()

install(FILES ${KVQ_PACKAGING_DIR}/kvq-transfer.desktop DESTINATION share/applications)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${KVQ_PACKAGING_DIR}/icons/${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME kvq-transfer.png)
endforeach()

# Man pages go in compressed, as Debian's tools expect; gzip -n keeps the bytes the same
# from build to build.
find_program(KVQ_GZIP gzip REQUIRED)
set(KVQ_MAN_PAGES kvq-transfer.1 kvq-convert.1 kvq-sim.1)
set(KVQ_MAN_OUTPUTS)
foreach(page ${KVQ_MAN_PAGES})
    set(source ${KVQ_PACKAGING_DIR}/man/${page})
    set(output ${KVQ_GENERATED_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${output}
        COMMAND ${KVQ_GZIP} -9 -n -c ${source} > ${output}
        DEPENDS ${source}
        VERBATIM)
    list(APPEND KVQ_MAN_OUTPUTS ${output})
endforeach()
add_custom_target(kvq_man_pages ALL DEPENDS ${KVQ_MAN_OUTPUTS})
install(FILES ${KVQ_MAN_OUTPUTS} DESTINATION share/man/man1)

# The udev rule is an example to copy and adapt, never installed where udev would read it.
set(KVQ_DOC_DIR share/doc/kvq-transfer)
install(FILES ${KVQ_PACKAGING_DIR}/copyright DESTINATION ${KVQ_DOC_DIR})
install(FILES ${KVQ_PACKAGING_DIR}/99-kvq-com.rules DESTINATION ${KVQ_DOC_DIR}/examples)
