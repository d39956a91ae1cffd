# Helpers for the scenario scripts (sourced by run-scenario.sh, bash).
# A scenario sets up the prefix, plays one or more updater runs with the
# driver and lists the files it cares about; everything it prints goes to
# the transcript, which is compared with expected/NAME.txt.
#
#   install_game [WINDIR]     the test game's SETUP.INI in WINDIR (C:\Game),
#                             save data at C:\Save, the registry record
#   setup_ini UNIXPATH [NAME] an installed SETUP.INI from installs/NAME
#   registry [-]KEY [NAME TYPE VALUE]...
#                             import values under HKEY_CURRENT_USER\KEY
#                             (a leading - deletes the key)
#   cdrom_drive LETTER DIR    a CD-ROM drive showing the Unix folder DIR
#   small_drive LETTER SIZE   a drive on a private tmpfs of SIZE (needs the
#                             scenario's "# needs: small-drive" line)
#   put WINPATH TEXT [DATE]   a file with TEXT and a last-write time
#   play <<EOF ... EOF        one driver run; its transcript is kept
#   list_files WINDIR...      every file below: content and time
# Driver lines that most runs share, for use inside play's script:
#   $(open_wizard UPDATER [CAPTION])  start it as u, wait for the first page
#   $(run_update)                     Next, the confirmation page, Next
#   $(aborted)                        the closing box answered, exit code
#   updater NAME              Windows path of the scenario updater NAME

MEMBER_TIME=1577934245   # 2020-01-02 03:04:05 UTC, see pack-update.sh

unix_of() {
  local w=$1 letter rest
  letter=$(printf '%s' "${w:0:1}" | tr 'A-Z' 'a-z')
  rest=${w:2}
  rest=${rest//\\//}
  printf '%s%s' "$(readlink -f "$WINEPREFIX/dosdevices/$letter:")" "$rest"
}

updater() { winpath "$E2E_BIN/$1.exe"; }

say() { printf '%s\n' "$*" >>"$TRANSCRIPT"; }

# .reg files in the editor's Unicode form, so any text gets through.
reg_import() {
  local file=$WORK/import.reg
  { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; cat; } | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16 >"$file"
  wine regedit /S "$(winpath "$file")" >/dev/null 2>&1
}

reg_string() { local v=${1//\\/\\\\}; printf '"%s"' "${v//\"/\\\"}"; }

registry() {
  local key=$1
  shift
  {
    if [ "${key:0:1}" = - ]; then
      printf '[-HKEY_CURRENT_USER\\%s]\n' "${key:1}"
    else
      printf '[HKEY_CURRENT_USER\\%s]\n' "$key"
      while [ $# -ge 3 ]; do
        case $2 in
          sz) printf '%s=%s\n' "$(reg_string "$1")" "$(reg_string "$3")" ;;
          dword) printf '%s=dword:%08x\n' "$(reg_string "$1")" "$3" ;;
        esac
        shift 3
      done
    fi
  } | reg_import
}

put() {
  local path
  path=$(unix_of "$1")
  mkdir -p "$(dirname "$path")"
  printf '%s\n' "$2" >"$path"
  [ -z "${3:-}" ] || touch -d "$3" "$path"
}

setup_ini() {
  mkdir -p "$(dirname "$1")"
  sed 's/$/\r/' "$E2E_SOURCE/installs/${2:-SETUP.INI}" | iconv -f UTF-8 -t CP932 >"$1"
}

install_game() {
  local inst=${1:-'C:\Game'}
  mkdir -p "$(unix_of 'C:\Save')"
  setup_ini "$(unix_of "$inst")/SETUP.INI"
  registry 'Software\TestSoft\TestGame' InstPath sz "$inst" DataPath sz 'C:\Save' InstMode dword 1
}

cdrom_drive() {
  local letter=$1 dir=$2
  mkdir -p "$dir"
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/$letter:"
  printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\n"%s:"="cdrom"\n' "$letter" | reg_import
  # The mount manager reads the drive types when the session starts: let
  # this session end so that the next one knows the new drive.
  wineserver -w
}

small_drive() {
  local letter=$1 size=$2 dir=$WORK/small-$1
  mkdir -p "$dir"
  mount -t tmpfs -o "size=$size" e2e-small "$dir"
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/$letter:"
}

# Numbered by the scripts already there: play may run in a pipeline's
# subshell, where a counter would not survive.
play() {
  local n rc=0
  n=$(($(find "$WORK" -maxdepth 1 -name 'play-*.txt' | wc -l) + 1))
  local script=$WORK/play-$n.txt
  cat >"$script"
  say "== run $n"
  wine "$E2E_BIN/e2e_driver.exe" "$(winpath "$script")" >>"$TRANSCRIPT" 2>"$WORK/play-$n.err" || rc=$?
  [ "$rc" = 0 ] || say "driver exit status $rc"
}

open_wizard() {
  printf 'start u %s\ncaption "%s"\npage\n' "$(updater "$1")" "${2:-試験ゲーム アップデータ }"
}
run_update() { printf 'press 次へ\npage\npress 次へ\n'; }
aborted() { printf 'box\nanswer OK\nexit u\n'; }

# One line a file: the path, the first line of its content, and its time as
# "member" (the archive's time stamp), "now" (written by this run) or a date.
list_files() {
  local dir root f t now
  now=$(date +%s)
  for dir in "$@"; do
    root=$(unix_of "$dir")
    [ -d "$root" ] || { say "no folder $dir"; continue; }
    while IFS= read -r f; do
      t=$(stat -c %Y "$root/$f")
      if [ "$t" = "$MEMBER_TIME" ]; then t=member
      elif [ $((now - t)) -lt 900 ] && [ $((now - t)) -ge -60 ]; then t=now
      else t=$(date -u -d "@$t" +%F)
      fi
      say "file $dir\\${f//\//\\} | $(head -n1 "$root/$f" | tr -d '\r') | $t"
    done < <(cd "$root" && find . -type f ! -name SETUP.INI | sed 's|^\./||' | LC_ALL=C sort)
  done
}
