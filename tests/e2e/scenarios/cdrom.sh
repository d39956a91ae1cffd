# Copies from the game's CD-ROM in drive D:: the prompt for disk 1 answered
# Cancel; then answered OK before and after the disk is in the drive, and a
# file (MOVIE\OP.MPG, its folder made on the way) and a folder (BONUS) are
# copied into the installation.
install_game
cd_dir=$WORK/cdrom
cdrom_drive d "$cd_dir"
put 'D:\MOVIE\OP.MPG' 'the opening movie'
put 'D:\BONUS\A.TXT' 'bonus A'
put 'D:\BONUS\SUB\B.TXT' 'bonus B'
mkdir -p "$WORK/disk1" && echo disk1 >"$WORK/disk1/DISK1.ID"
say "-- the prompt answered Cancel"
play <<EOF
$(open_wizard cdrom)
$(run_update)
box
answer Cancel
$(aborted)
EOF
say "-- the prompt answered OK, the disk inserted, OK again"
play <<EOF
$(open_wizard cdrom)
$(run_update)
box
answer OK
box
move $(winpath "$WORK/disk1/DISK1.ID") D:\DISK1.ID
answer OK
page
press 完了
exit u
EOF
list_files 'C:\Game'
