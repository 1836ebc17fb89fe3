# Shared by the scripts that run the Windows build under Wine (wine-com,
# wine-differential): sourced, not run.
#
#   source scripts/wine-lib.sh
#   wine_setup build/windows            # tools checked, prefix made, windows preset configured
#   wine_run out.txt err.txt wine prog.exe ARGS...   # sets wine_status; CR LF made LF
#
# WINEPREFIX, when set, names the prefix to use; by default it is the build
# tree's wine-prefix. KORTOOLS_WINE_PRESET names the configure preset
# (windows, or windows-i686 where 32-bit Wine is installed).

wine_setup() {
  local build=$1
  export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wine-prefix}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}  # no Mono or Gecko installer prompts
  local tool tools=(wine wineboot wineserver x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-widl)
  if ! bash scripts/install-deps --check build windows >/dev/null; then
    bash scripts/install-deps build windows
  fi
  for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
      echo "$(basename "$0"): $tool is missing (apt-get install g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64)" >&2
      exit 2
    fi
  done
  local preset=${KORTOOLS_WINE_PRESET:-windows}
  if [[ $build == build/$preset ]]; then
    cmake --preset "$preset" -DKORTOOLS_BUILD_WINDOWS_TESTS=ON >/dev/null
  else
    cmake --preset "$preset" -B "$build" -DKORTOOLS_BUILD_WINDOWS_TESTS=ON >/dev/null
  fi
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    # A 64-bit-only Wine reports its missing 32-bit half here; the prefix is made all the same.
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

wine_run() {
  local out=$1 err=$2
  shift 2
  _wine_once() {
    set +e
    timeout 300 "$@" >"$out" 2>"$err"
    wine_status=$?
    set -e
    # The console gives CR LF line ends.
    sed -i 's/\r$//' "$out" "$err"
  }
  _wine_once "$@"
  # Wine that did not start the program at all (no line printed, e.g. a
  # server still shutting down or a prefix being updated) gets one more try.
  if [[ ! -s $out ]]; then
    echo "$(basename "$0"): Wine did not start $* (status $wine_status), trying once more:" >&2
    cat "$err" >&2
    wineserver -k 2>/dev/null || true
    wineserver -w
    _wine_once "$@"
  fi
}
