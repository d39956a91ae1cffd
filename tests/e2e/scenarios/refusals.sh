# The start-up's ways out, one run each, all with exit code 0 and no script
# left behind: not installed (three registry records), no SETUP.INI, an
# installed SETUP.INI without a required key (silent after the start
# message), a required key of the script left empty.
key='Software\TestSoft\TestGame'
mkdir -p "$(unix_of 'C:\Game')"
refuse() {
  local update=$1
  shift
  {
    echo "temp-mark"
    echo "start u $(updater "$update")"
    local answer
    for answer in "$@"; do printf 'box\nanswer %s\n' "$answer"; done
    printf 'exit u\ntemp-new\n'
  } | play
}
say "-- no registry key"
refuse full OK
say "-- InstPath without InstMode"
registry "$key" InstPath sz 'C:\Game'
refuse full OK
say "-- InstMode without InstPath"
registry "-$key"
registry "$key" InstMode dword 1
refuse full OK
say "-- installed without DataPath, but no SETUP.INI"
registry "$key" InstPath sz 'C:\Game'
refuse full OK OK
say "-- SETUP.INI without UninstExe"
setup_ini "$(unix_of 'C:\Game')/SETUP.INI" SETUP-NO-UNINST.INI
refuse full OK
say "-- the script's GameClass empty"
refuse nokey OK
