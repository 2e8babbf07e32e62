#!/usr/bin/env bash
# The installed TouchDialogs as a host meets it. One mode per test:
#   install BUILD PREFIX    cmake --install into PREFIX, then check the layout
#   cmake PREFIX WORK       build and run consumer/ with find_package
#   pkg-config PREFIX WORK  build and run consumer/till.cpp with pkg-config
#   completion TOUCHDLG     the bash completion, over a table of command lines
#   docs TOUCHDLG DEMO      man pages and README against the tested sources
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false'
fail() { echo "FAIL: $*" >&2; exit 1; }

# The command the README gives for a pkg-config build.
PKG_CONFIG_BUILD='c++ -o till till.cpp $(pkg-config --cflags --libs touchdialogs)'

mode=$1
shift
case $mode in
install)
    build=$1 prefix=$2
    rm -rf "$prefix"
    cmake --install "$build" --prefix "$prefix" >/dev/null
    libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
    for f in "$libdir/libTouchDialogs.so" "$libdir/libTouchDialogs.so.1" include/TouchDialogs/TouchDialogs.h \
        include/TouchDialogs/Export.h bin/touchdlg bin/touchpos-demo share/man/man1/touchdlg.1.gz share/man/man1/touchpos-demo.1.gz \
        share/bash-completion/completions/touchdlg "$libdir/pkgconfig/touchdialogs.pc" \
        "$libdir/cmake/TouchDialogs/TouchDialogsConfig.cmake" \
        "$libdir/cmake/TouchDialogs/TouchDialogsConfigVersion.cmake"; do
        [[ -e $prefix/$f ]] || fail "$f not installed"
    done
    [[ $(readlink "$prefix/$libdir/libTouchDialogs.so.1") == libTouchDialogs.so.1.* ]] ||
        fail "libTouchDialogs.so.1 is not the soname link"
    # Every header of the tree, none left behind.
    diff <(cd "$src/include/TouchDialogs" && find . -type f | sort) \
        <(cd "$prefix/include/TouchDialogs" && find . -type f | sort) || fail "headers differ"
    # The C header compiles as C under its name and its former one.
    for h in touchdialogs_c.h touchdialogs.h; do
        echo "#include <TouchDialogs/$h>" | ${CC:-cc} -x c -std=c99 -fsyntax-only -I"$prefix/include" - ||
            fail "TouchDialogs/$h does not compile as C"
    done
    # Language packs built beside the library go into a folder of their own:
    # ldconfig takes every lib*.so* in the library's folder for a library.
    for pack in "$build"/lib/libTouchDialogs.so.*.rcc; do
        [[ -e $pack ]] || continue
        [[ -e $prefix/$libdir/touchdialogs/$(basename "$pack") ]] || fail "$(basename "$pack") not installed"
    done
    out=$(PATH=$PATH:/sbin ldconfig -N -n "$prefix/$libdir" 2>&1) || fail "ldconfig: $out"
    [[ -z $out ]] || fail "ldconfig on the library folder: $out"
    grep -qx "prefix=$prefix" "$prefix/$libdir/pkgconfig/touchdialogs.pc" || fail "touchdialogs.pc names another prefix"
    # The installed command runs on the installed library, not the build's.
    out=$(env -u LD_LIBRARY_PATH LD_DEBUG=libs "$prefix/bin/touchdlg" --help 2>&1) || fail "installed touchdlg --help: $out"
    grep -qE "init: $prefix/(bin/\.\./)?$libdir/libTouchDialogs.so.1" <<<"$out" ||
        fail "installed touchdlg did not load $prefix/$libdir/libTouchDialogs.so.1"
    # ... and that library its installed Portuguese pack: with it the box's
    # buttons differ from the library's own, English, captions (no pack for C).
    shots=$prefix.shots && rm -rf "$shots" && mkdir "$shots"
    for l in pt_BR C; do
        env -u LD_LIBRARY_PATH "$prefix/bin/touchdlg" --locale $l --screenshot "$shots/$l.png" \
            message --text Mesa --buttons yes,no --seconds 1 >/dev/null || fail "installed touchdlg --locale $l"
    done
    ! cmp -s "$shots/pt_BR.png" "$shots/C.png" || fail "installed touchdlg --locale pt_BR did not use the Portuguese pack"
    # The Python package, typed, with the dist-info of the project's version.
    pydir=$(sed -n 's/^TD_INSTALL_PYTHONDIR:STRING=//p' "$build/CMakeCache.txt")
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    [[ -e $prefix/$pydir/touchdialogs/py.typed ]] || fail "touchdialogs/py.typed not installed"
    out=$(cd / && PYTHONPATH=$prefix/$pydir python3 -c 'import importlib.metadata as m, touchdialogs as td
print(m.version("touchdialogs"), td.__version__, td.__file__)' 2>&1) || fail "installed Python package: $out"
    [[ $out == "$version $version $prefix/$pydir/touchdialogs/__init__.py" ]] ||
        fail "installed Python package: '$out', not version $version from $prefix/$pydir"
    ;;
cmake)
    prefix=$1 work=$2
    rm -rf "$work"
    cmake -S "$here/consumer" -B "$work" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
        ${CXX:+-DCMAKE_CXX_COMPILER="$CXX"} >"$work.log" 2>&1 || { cat "$work.log"; fail "configure"; }
    grep -q "^TouchDialogs_DIR:PATH=$prefix/" "$work/CMakeCache.txt" || fail "found a TouchDialogs outside $prefix"
    cmake --build "$work" >>"$work.log" 2>&1 || { cat "$work.log"; fail "build"; }
    [[ $(LD_PRELOAD=${TD_RUN_PRELOAD-} "$work/till") == "printing the bill" ]] || fail "till's answer"
    ;;
pkg-config)
    prefix=$1 work=$2
    libdir=$(cd "$prefix" && dirname "$(find . -name touchdialogs.pc)")
    rm -rf "$work" && mkdir -p "$work" && cp "$here/consumer/till.cpp" "$work/"
    export PKG_CONFIG_PATH=$prefix/$libdir
    [[ $(pkg-config --variable=prefix touchdialogs) == "$prefix" ]] || fail "pkg-config found another touchdialogs"
    build_command=$PKG_CONFIG_BUILD
    [[ -n ${CXX-} ]] && build_command=${build_command/#c++/$CXX}
    (cd "$work" && eval "$build_command") || fail "build"
    [[ $(LD_PRELOAD=${TD_RUN_PRELOAD-} LD_LIBRARY_PATH=$prefix/${libdir%/pkgconfig} "$work/till") == "printing the bill" ]] || fail "till's answer"
    ;;
completion)
    touchdlg=$1
    source "$src/host/touchdlg/touchdlg.bash-completion"
    n=0
    # command line (the last word is completed) | the completions expected
    while IFS='|' read -r line expected; do
        [[ -n $line ]] || continue
        n=$((n + 1))
        read -ra COMP_WORDS <<<"$line"
        [[ $line == *' ' ]] && COMP_WORDS+=('')
        COMP_WORDS[0]=$touchdlg
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMPREPLY=()
        _touchdlg
        got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
        [[ $got == "$expected" ]] || fail "case $n '$line': got '$got', expected '$expected'"
    done <<'CASES'
touchdlg |colour keyboard list message quantity search
touchdlg me|message
touchdlg --ti|--title
touchdlg --locale pt|pt_BR
touchdlg --title Caixa se|search
touchdlg message --bu|--buttons
touchdlg message --buttons yes,n|yes,no yes,notoall
touchdlg message --type e|error
touchdlg message --seconds |
touchdlg quantity --|--caption --digits --help --whole
touchdlg keyboard --|--caption --help --text
touchdlg search --sample p|payments products
touchdlg list --d|--data --description
CASES
    ;;
docs)
    touchdlg=$1 demo=$2
    # Every option touchdlg offers is in its man page.
    man=$(sed 's/\\-/-/g' "$src/host/touchdlg/touchdlg.1")
    for opt in $("$touchdlg" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
        grep -qE -- "(^|[^a-z-])$opt([^a-z-]|$)" <<<"$man" || fail "man page lacks $opt"
    done
    for dialog in $("$touchdlg" --help | sed -n '/^Dialogs:/,/^$/ s/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p'); do
        grep -qx ".SS $dialog" <<<"$man" || fail "man page lacks the $dialog dialog"
    done
    man=$(sed 's/\\-/-/g' "$src/host/demo/touchpos-demo.1")
    for opt in $("$demo" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
        grep -qE -- "(^|[^a-z-])$opt([^a-z-]|$)" <<<"$man" || fail "touchpos-demo's man page lacks $opt"
    done
    # The README shows the tested consumer, not a copy that drifts.
    readme=$(cat "$src/README.md")
    for f in till.cpp CMakeLists.txt; do
        [[ $readme == *"$(cat "$here/consumer/$f")"* ]] || fail "README does not show consumer/$f as tested"
    done
    [[ $readme == *"$PKG_CONFIG_BUILD"* ]] || fail "README does not give the tested pkg-config command"
    # The README's usage block is --help's, from "Usage:" to the end of the dialog list.
    usage=$("$touchdlg" --help | sed '/^Dialogs:/,/^$/!b; /^$/q')
    [[ $readme == *$'```\n'"$usage"$'\n```'* ]] || fail "README's usage block is not touchdlg --help's"
    ;;
*) fail "unknown mode $mode" ;;
esac
