# libmagic names a file's kind from its first bytes, and zlib tells how well its content
# compresses: velarium::content_libraries brings both, with whatever they need, on every system.
#
# Linux uses the system's libmagic (Debian's libmagic-dev) and its database, and zlib1g-dev.
# Windows links everything in, so that no DLL comes along: libmagic and the TRE regular
# expressions it needs from the prefix that .ci/windows-magic fills (VELARIUM_MAGIC_PREFIX),
# zlib from the MinGW-w64 sysroot (Debian's libz-mingw-w64-dev). There the compiled database
# has to travel with the program: VELARIUM_MAGIC_DATABASE names it,
# velarium_place_magic_database(target) puts it beside a target's executable in the build tree,
# and the install puts it beside the program.

add_library(velarium::content_libraries INTERFACE IMPORTED)
set(VELARIUM_MAGIC_DATABASE "")

if(WIN32)
    set(VELARIUM_MAGIC_PREFIX "" CACHE PATH
        "Where .ci/windows-magic installed libmagic, TRE and magic.mgc for this architecture")
    if(NOT VELARIUM_MAGIC_PREFIX)
        message(FATAL_ERROR "Windows builds need libmagic: run .ci/windows-magic ARCH PREFIX "
                            "and configure with -DVELARIUM_MAGIC_PREFIX=PREFIX")
    endif()
    # Plain paths rather than find_library: the prefix is ours, outside the sysroot, and a
    # cached result would outlive a change of prefix.
    set(_velarium_magic_files
        "${VELARIUM_MAGIC_PREFIX}/include/magic.h"
        "${VELARIUM_MAGIC_PREFIX}/lib/libmagic.a"
        "${VELARIUM_MAGIC_PREFIX}/lib/libtre.a"
        "${VELARIUM_MAGIC_PREFIX}/share/misc/magic.mgc")
    foreach(_velarium_file IN LISTS _velarium_magic_files)
        if(NOT EXISTS "${_velarium_file}")
            message(FATAL_ERROR "${_velarium_file} is missing: run .ci/windows-magic for "
                                "${CMAKE_SYSTEM_PROCESSOR} with ${VELARIUM_MAGIC_PREFIX}")
        endif()
    endforeach()
    # The sysroot also has libz.dll.a, which would want zlib1.dll beside the program.
    set(ZLIB_USE_STATIC_LIBS ON)
    find_package(ZLIB REQUIRED)
    target_include_directories(velarium::content_libraries INTERFACE
        "${VELARIUM_MAGIC_PREFIX}/include")
    # libmagic finds the folder of its database with shlwapi's PathRemoveFileSpecA.
    target_link_libraries(velarium::content_libraries INTERFACE
        "${VELARIUM_MAGIC_PREFIX}/lib/libmagic.a" "${VELARIUM_MAGIC_PREFIX}/lib/libtre.a"
        shlwapi ZLIB::ZLIB)
    set(VELARIUM_MAGIC_DATABASE "${VELARIUM_MAGIC_PREFIX}/share/misc/magic.mgc")
    install(FILES "${VELARIUM_MAGIC_DATABASE}" DESTINATION .)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(VELARIUM_LIBMAGIC QUIET IMPORTED_TARGET libmagic)
    if(VELARIUM_LIBMAGIC_FOUND)
        target_link_libraries(velarium::content_libraries INTERFACE PkgConfig::VELARIUM_LIBMAGIC)
    else()
        # Not every system ships libmagic's pkg-config file.
        find_path(VELARIUM_MAGIC_INCLUDE_DIR magic.h)
        find_library(VELARIUM_MAGIC_LIBRARY magic)
        if(NOT VELARIUM_MAGIC_INCLUDE_DIR OR NOT VELARIUM_MAGIC_LIBRARY)
            message(FATAL_ERROR "libmagic not found (install libmagic-dev)")
        endif()
        target_include_directories(velarium::content_libraries INTERFACE
            "${VELARIUM_MAGIC_INCLUDE_DIR}")
        target_link_libraries(velarium::content_libraries INTERFACE "${VELARIUM_MAGIC_LIBRARY}")
    endif()
    find_package(ZLIB REQUIRED)
    target_link_libraries(velarium::content_libraries INTERFACE ZLIB::ZLIB)
endif()

# Copies the database beside TARGET's executable after each build, where a Windows build looks
# for it; elsewhere the system's own serves and nothing is copied.
function(velarium_place_magic_database target)
    if(VELARIUM_MAGIC_DATABASE)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E copy_if_different "${VELARIUM_MAGIC_DATABASE}"
                    "$<TARGET_FILE_DIR:${target}>/magic.mgc"
            VERBATIM)
    endif()
endfunction()
