#!/bin/bash
# The layer check passes on our sources and names each kind of upward include in a made-up tree.
set -u
check=$1
source_dir=$2
failures=0

expect() {
    local want=$1 tree=$2 what=$3
    "$check" "$tree" 2>"$scratch/err"
    local got=$?
    if [[ $got -ne $want ]]; then
        echo "FAIL: $what: exit $got, expected $want" >&2
        cat "$scratch/err" >&2
        failures=$((failures + 1))
    fi
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

expect 0 "$source_dir" "our own sources"

tree() {
    rm -rf "$scratch/tree"
    mkdir -p "$scratch/tree"/{app,archive,cli,guide,main,platform/posix}
    printf '#include "platform/Text.h"\n' >"$scratch/tree/platform/posix/Fine.cpp"
    printf '#include "app/Navigator.h"\n#include "platform/Text.h"\n' >"$scratch/tree/main/Fine.cpp"
    printf '#include "app/Forms.h"\n' >"$scratch/tree/app/Velarium.cpp"
    printf '#include "archive/CardArchive.h"\n' >"$scratch/tree/cli/Fine.cpp"
}

tree
expect 0 "$scratch/tree" "a tree that keeps its layers"
tree
printf '#include <vector>\n#include "archive/CardArchive.h"\n' >"$scratch/tree/platform/posix/Up.cpp"
expect 1 "$scratch/tree" "the platform seeing the archive"
tree
printf '  #  include "cli/Options.h"\n' >"$scratch/tree/archive/Up.h"
expect 1 "$scratch/tree" "the core seeing the command-line tool"
tree
printf '#include "app/Forms.h"\n' >"$scratch/tree/guide/Window.cpp"
expect 1 "$scratch/tree" "a window seeing the set of windows"

windows() {
    tree
    printf 'class TfrmSearch : public QDialog\n{\n};\n' >"$scratch/tree/archive/Search.h"
    printf '#include "archive/Search.h"\n' >"$scratch/tree/archive/Search.cpp"
    printf '#include "archive/Search.h"\n' >"$scratch/tree/archive/Search_Layout.cpp"
    printf '#include "archive/Search.h"\n' >"$scratch/tree/app/Forms.cpp"
}
windows
expect 0 "$scratch/tree" "a window's header seen by its own sources and the set of windows"
windows
printf '#include "archive/Search.h"\n' >"$scratch/tree/main/MainWindow.cpp"
expect 1 "$scratch/tree" "a window seeing another window"
windows
printf '#include "archive/Search.h"\n' >"$scratch/tree/archive/SearchBox.cpp"
expect 1 "$scratch/tree" "a window whose name only begins like another's"

exit $((failures > 0))
