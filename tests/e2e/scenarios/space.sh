# needs: small-drive
# Too little space on the installation's drive (a full 1 MiB drive E:):
# the page says so and offers Back and Abort.  Abort ends the run; in a
# second run Back and Next ask again, and once space has been freed the
# update goes through.
small_drive e 1m
install_game 'E:\Game'
put 'E:\Game\GAME.DAT' 'GAME.DAT as installed' '2019-06-01 UTC'
dd if=/dev/zero of="$(unix_of 'E:\BALLAST.BIN')" bs=4k 2>/dev/null || true
say "-- abort on the short-of-space page"
play <<EOF
$(open_wizard space)
$(run_update)
page
press 中止
$(aborted)
EOF
say "-- Back, Next, free some space, Back, Next"
play <<EOF
$(open_wizard space)
$(run_update)
page
press 戻る
page
press 次へ
page
delete E:\BALLAST.BIN
press 戻る
page
press 次へ
page
press 完了
exit u
EOF
list_files 'E:\Game'
