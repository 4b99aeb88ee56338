# The flags every target of ours shares, carried by one INTERFACE target that each links.
# Warnings are asked for in each compiler's own words, so that another compiler meets flags it
# knows rather than failing on GCC's.

add_library(velarium_options INTERFACE)
target_compile_features(velarium_options INTERFACE cxx_std_20)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(velarium_options INTERFACE
        -Wall -Wextra -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual)
    if(VELARIUM_WERROR)
        target_compile_options(velarium_options INTERFACE -Werror)
        # GCC 12 sees overlapping copies inside std::string's own operator+ at -O3 where there
        # are none (GCC bug 105651): a warning still, not an error.
        if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
            target_compile_options(velarium_options INTERFACE -Wno-error=restrict)
        endif()
    endif()
elseif(MSVC)
    target_compile_options(velarium_options INTERFACE /W4 /permissive- /utf-8)
    if(VELARIUM_WERROR)
        target_compile_options(velarium_options INTERFACE /WX)
    endif()
endif()

# Qt's stricter rules: no implicit conversion between QString and 8-bit text in either direction
# (the archive's texts are Windows-1252, so every conversion must say which encoding it means),
# no narrowing through a connection, no string-based connection without a context.
target_compile_definitions(velarium_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_CONTEXTLESS_CONNECT
    QT_DISABLE_DEPRECATED_UP_TO=0x060000)

if(VELARIUM_SANITIZE OR VELARIUM_THREAD_SANITIZE)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        message(FATAL_ERROR "The sanitizer builds need GCC or Clang")
    endif()
endif()
if(VELARIUM_SANITIZE)
    target_compile_options(velarium_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(velarium_options INTERFACE -fsanitize=address,undefined)
endif()
if(VELARIUM_THREAD_SANITIZE)
    target_compile_options(velarium_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(velarium_options INTERFACE -fsanitize=thread)
endif()
