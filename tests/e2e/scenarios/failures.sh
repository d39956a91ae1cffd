# Failures in the run, each reported in a box owned by the wizard and then
# "アップデートが中断されました": a folder where the file should be, a
# destination held open by another program (written files stay, the held
# one is intact, no temporary file is left), a CD-ROM copy whose source is
# not on the disk.
install_game
mkdir -p "$(unix_of 'C:\Game\GAME.DAT')"
fail_run() {
  { echo "${2:-}"; open_wizard "$1"; run_update; printf 'box\nanswer OK\n'; aborted; } | play
}
say "-- a folder in the way"
fail_run badwrite
list_files 'C:\Game'
say "-- the second file held open"
rmdir "$(unix_of 'C:\Game\GAME.DAT')"
put 'C:\Game\GAME.DAT' 'GAME.DAT as installed' '2019-06-01 UTC'
put 'C:\Game\SCRIPT.DAT' 'SCRIPT.DAT as installed' '2019-06-01 UTC'
fail_run badwrite 'lock C:\Game\SCRIPT.DAT'
list_files 'C:\Game'
say "-- a copy source missing from the disk"
cdrom_drive d "$WORK/cdrom"
put 'D:\DISK1.ID' 'disk1'
fail_run cdmissing
