# Shared by the scripts that run the Windows build under Wine (wine-com,
# wine-differential, wine-installer): sourced, not run.
#
#   source scripts/wine-lib.sh
#   wine_setup build/windows            # tools checked, prefix made, windows preset configured
#   wine_run out.txt err.txt "$wine_loader" prog.exe ARGS...   # sets wine_status; CR LF made LF
#   wine_system regsvr32 /s x.dll       # a tool of the build's word size, by its full Windows path
#
# WINEPREFIX, when set, names the prefix to use; by default it is the build
# tree's wine-prefix. KORTOOLS_WINE_PRESET names the configure preset:
# windows (64-bit) or windows-i686 (32-bit, which needs 32-bit Wine, package
# wine32; wine_need_32bit installs it).
#
# The prefix is always a 64-bit one, and every program is started with the
# loader of its own word size, never with the `wine` command: once wine32 is
# installed, `wine` is the 32-bit loader, which in a 64-bit prefix reaches
# the 32-bit regsvr32 and cscript and the 32-bit view of the registry.
# wine_setup sets:
#   wine_loader   the loader for the build's programs
#   wine_sysdir   C:\windows\system32 (64-bit) or C:\windows\syswow64 (32-bit)
wine64_loader=/usr/lib/wine/wine64
wine32_loader=/usr/lib/wine/wine

# Whether 32-bit Wine is there and runs; installs it when it is not and this
# is CI or KORTOOLS_INSTALL_WINE32=1 (root only). Status 1, with the reason on
# stderr, when it cannot be had. A kernel without 32-bit support runs no
# 32-bit loader: the package is then removed again, so that the plain `wine`
# command keeps starting the 64-bit loader.
wine_need_32bit() {
  local me installed=false
  me=$(basename "$0")
  if [[ ! -x $wine32_loader ]]; then
    if [[ ${CI:-} != true && ${KORTOOLS_INSTALL_WINE32:-} != 1 ]]; then
      echo "$me: 32-bit Wine is not installed (dpkg --add-architecture i386 && apt-get update && apt-get install wine32)" >&2
      return 1
    fi
    if [[ $(id -u) -ne 0 ]]; then
      echo "$me: 32-bit Wine is not installed, and installing it needs root" >&2
      return 1
    fi
    echo "$me: installing 32-bit Wine (wine32)" >&2
    if ! { dpkg --add-architecture i386 && apt-get update -q &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q wine32; } >&2; then
      echo "$me: the i386 packages could not be installed" >&2
      return 1
    fi
    installed=true
  fi
  if ! "$wine32_loader" --version >/dev/null 2>&1; then
    echo "$me: the 32-bit Wine loader does not run here (a kernel without 32-bit program support)" >&2
    if [[ $installed == true ]]; then
      DEBIAN_FRONTEND=noninteractive apt-get remove -y -q wine32:i386 >&2 || true
    fi
    return 1
  fi
}

wine_setup() {
  local build=$1
  local preset=${KORTOOLS_WINE_PRESET:-windows}
  export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wine-prefix}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}  # no Mono or Gecko installer prompts
  local triplet=x86_64-w64-mingw32
  wine_loader=$wine64_loader
  wine_sysdir='C:\windows\system32'
  if [[ $preset == windows-i686 ]]; then
    triplet=i686-w64-mingw32
    wine_loader=$wine32_loader
    wine_sysdir='C:\windows\syswow64'
  fi
  local tool tools=("$wine64_loader" wineserver "$triplet-g++-posix" "$triplet-widl")
  if ! bash scripts/install-deps --check build windows >/dev/null; then
    bash scripts/install-deps build windows
  fi
  for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
      echo "$(basename "$0"): $tool is missing (apt-get install g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools wine wine64)" >&2
      exit 2
    fi
  done
  if [[ $preset == windows-i686 ]] && ! wine_need_32bit; then exit 2; fi
  if [[ $build == build/$preset ]]; then
    cmake --preset "$preset" -DKORTOOLS_BUILD_WINDOWS_TESTS=ON >/dev/null
  else
    cmake --preset "$preset" -B "$build" -DKORTOOLS_BUILD_WINDOWS_TESTS=ON >/dev/null
  fi
  wine_prefix
}

# Makes the 64-bit prefix WINEPREFIX names, unless it is there.
wine_prefix() {
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    # A 64-bit-only Wine reports its missing 32-bit half here; the prefix is made all the same.
    "$wine64_loader" wineboot.exe -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# A tool of the system folder of the build's word size.
wine_system() {
  local tool=$1
  shift
  "$wine_loader" "$wine_sysdir\\$tool.exe" "$@"
}

# A Linux path as the prefix's programs see it (Z:\...).
wine_path() { "$wine64_loader" winepath.exe -w "$1" 2>/dev/null | tr -d '\r'; }

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

# One VBScript suite, through cscript of the build's word size: the shared
# checks and the script, run in a fresh folder under $wine_tmp given as a
# Windows path (cscript takes arguments starting with "/" for its own
# switches). Adds the suite's name to the array wine_failed when it fails.
wine_suite() {
  local name=$1 script=$2 dir=$wine_tmp/$1
  mkdir -p "$dir/work"
  cat tests/windows/vbscript/check.vbs "$script" >"$dir/$name.vbs"
  (cd "$dir" && wine_run out.txt err.txt "$wine_loader" "$wine_sysdir\\cscript.exe" //nologo "$name.vbs" "$(wine_path "$dir/work")"
   echo "$wine_status" >status)
  sed "s/^/$name: /" "$dir/out.txt"
  if [[ -s $dir/err.txt ]]; then sed "s/^/$name (stderr): /" "$dir/err.txt" >&2; fi
  if [[ $(tail -n 1 "$dir/out.txt") != SCRIPT-END* || $(cat "$dir/status") -ne 0 ]]; then
    wine_failed+=("$name")
  fi
}

# Every VBScript suite but the one for an unregistered library, or the ones named.
wine_suites() {
  local name names=("$@")
  if ((${#names[@]} == 0)); then
    for name in tests/windows/vbscript/*.vbs; do
      name=$(basename "$name" .vbs)
      [[ $name == check || $name == unregistered ]] || names+=("$name")
    done
  fi
  for name in "${names[@]}"; do wine_suite "$name" "tests/windows/vbscript/$name.vbs"; done
}
