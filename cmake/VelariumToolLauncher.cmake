# velarium_tool_launcher: the command that runs a build-time program of ours (the pictures'
# and the guide's makers) on Qt's offscreen platform. A cross build runs them through its
# emulator (Wine), with Qt's and the compiler's libraries on its path.

set(velarium_tool_launcher ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen)

# On Windows that platform reads its fonts from one folder, where Qt itself puts none: the
# system's own serve.
if(CMAKE_HOST_WIN32)
    file(TO_CMAKE_PATH "$ENV{WINDIR}/Fonts" _velarium_fonts)
    list(APPEND velarium_tool_launcher "QT_QPA_FONTDIR=${_velarium_fonts}")
endif()

if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    # Wine keeps the host's QT_ variables from its programs; WINEQT_ ones reach them as QT_.
    # The fonts are the build machine's.
    list(APPEND velarium_tool_launcher WINEQT_QPA_PLATFORM=offscreen)
    if(EXISTS /usr/share/fonts/truetype/dejavu)
        list(APPEND velarium_tool_launcher WINEQT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu)
    endif()
    get_target_property(_velarium_qt_core Qt6::Core LOCATION)
    get_filename_component(_velarium_qt_bin "${_velarium_qt_core}" DIRECTORY)
    set(_velarium_wine_path "${_velarium_qt_bin}")
    foreach(_velarium_runtime libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll
            libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_velarium_runtime}
            OUTPUT_VARIABLE _velarium_found OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(IS_ABSOLUTE "${_velarium_found}")
            get_filename_component(_velarium_found "${_velarium_found}" DIRECTORY)
            string(APPEND _velarium_wine_path "$<SEMICOLON>${_velarium_found}")
        endif()
    endforeach()
    list(APPEND velarium_tool_launcher "WINEPATH=${_velarium_wine_path}" WINEDEBUG=-all
         ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()
