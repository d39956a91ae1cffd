# Shared pieces for running our Win32 programs under Wine (sourced, bash).
#
#   wine_env                 the environment every Wine run gets
#   wine_base_prefix DIR     make a prefix once (under a lock), ready to copy
#   wine_copy_prefix BASE DIR
#                            a private prefix for one run: the big, never
#                            rewritten system files are hard links, the rest
#                            (registry, users, drives) real copies
#   xvfb_start               a private X display for this run (DISPLAY)
#   wine_stop                end this run's wineserver and X display
#   winpath UNIX_PATH        the same path as Wine sees it through drive Z:

wine_env() {
  export WINEDEBUG=${WINEDEBUG:--all}
  # No .NET or HTML engine: nothing here needs them, and they would be
  # offered for download on every new prefix.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  # Wine takes the ANSI code page from the locale: ja_JP.UTF-8 gives 932.
  export LC_ALL=ja_JP.UTF-8
}

# The face that stands in for the dialogs' "ＭＳ Ｐゴシック" and friends.
WINE_JAPANESE_FONT=${WINE_JAPANESE_FONT:-IPAPGothic}

wine_base_prefix() {
  local base=$1
  mkdir -p "$(dirname "$base")"
  (
    flock 9
    if [ ! -f "$base/.complete" ]; then
      rm -rf "$base"
      WINEPREFIX=$base wineboot -i >/dev/null 2>&1 || true
      local face
      for face in "ＭＳ Ｐゴシック" "ＭＳ ゴシック" "MS PGothic" "MS Gothic" "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2"; do
        WINEPREFIX=$base wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "$WINE_JAPANESE_FONT" /f >/dev/null 2>&1
      done
      WINEPREFIX=$base wineserver -w || true
      [ -f "$base/system.reg" ] && touch "$base/.complete"
    fi
  ) 9>"$base.lock"
  [ -f "$base/.complete" ] || { echo "wine: could not make the prefix $base" >&2; return 1; }
}

wine_copy_prefix() {
  local base=$1 dir=$2
  rm -rf "$dir"
  mkdir -p "$dir"
  cp -al "$base/drive_c" "$dir/"
  rm -rf "$dir/drive_c/users" "$dir/drive_c/ProgramData"
  cp -a "$base/drive_c/users" "$base/drive_c/ProgramData" "$dir/drive_c/"
  local entry
  for entry in "$base"/* "$base"/.update-timestamp; do
    case $(basename "$entry") in
      drive_c | wineserver) ;;  # wineserver: the running server's own note
      *) cp -a "$entry" "$dir/" ;;
    esac
  done
}

xvfb_start() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  export DISPLAY=:$(head -n1 "$fdfile")
  rm -f "$fdfile"
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}

winpath() {
  local p
  p=$(realpath -m "$1")
  printf 'Z:%s' "${p//\//\\}"
}
