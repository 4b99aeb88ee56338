#!/bin/bash
# Fails when a source includes a header of a layer above its own. The layers, lowest first:
#   platform/  the seams to the operating system and the Windows-1252 texts: sees only itself
#   core       the Qt-free logic in app/, archive/, guide/, main/ (the build keeps Qt from it)
#   windows    the Qt windows in the same folders: reach one another only through navigators,
#              never by including another window's header
#   cli/       the command-line tool: seen by nothing but its own sources and the tests
# Only the composition roots (the program's start, the set of windows, the guide's
# photographer) and the tests may know the set of windows.
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2
status=0

offend() {
    echo "check-layers: $1" >&2
    status=1
}

sources() {
    find "$@" -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort
}

# Quoted includes of our own headers, as "file: header".
includes() {
    local file
    for file in "$@"; do
        sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
            while read -r header; do echo "$file: $header"; done
    done
}

while IFS= read -r line; do
    header=${line#*: }
    case $header in
    platform/*) ;;
    */*) offend "$line (platform/ may include only platform/)" ;;
    esac
done < <(includes $(sources platform))

while IFS= read -r line; do
    file=${line%%: *}
    header=${line#*: }
    case $file in
    cli/* | tests/*) ;;
    *) [[ $header == cli/* ]] && offend "$line (only the command-line tool sees cli/)" ;;
    esac
done < <(includes $(sources app archive guide main platform resources bench))

while IFS= read -r line; do
    file=${line%%: *}
    header=${line#*: }
    case $file in
    app/Forms.cpp | app/Velarium.cpp | guide/MakeGuide.cpp) ;;
    *) [[ $header == app/Forms.h ]] && offend "$line (a window reaches others through its navigator)" ;;
    esac
done < <(includes $(sources app archive guide main platform resources cli bench))

# A window's header is for its own sources (Name.cpp, Name_Part.cpp) and the composition roots.
windows=" $(grep -l '^class Tfrm' $(find app archive guide main -name '*.h' 2>/dev/null) /dev/null |
    tr '\n' ' ') "
while IFS= read -r line; do
    file=${line%%: *}
    header=${line#*: }
    [[ $windows == *" $header "* ]] || continue
    case $file in
    app/Forms.cpp | app/Velarium.cpp | guide/MakeGuide.cpp | "${header%.h}".* | "${header%.h}"_*) ;;
    *) offend "$line (a window reaches another through its navigator)" ;;
    esac
done < <(includes $(sources app archive guide main platform resources cli))

exit $status
