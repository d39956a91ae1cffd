# The running game: every OK asks again while its window is there; once it
# is gone the wizard opens.  Cancel raises the game's window and ends with
# 0 and no further box.  The second title (GameTitleA) counts as well.
install_game
game=$(winpath "$E2E_BIN/e2e_game.exe")
say "-- OK until the game has ended"
play <<EOF
start game $game TestGameWindow 試験ゲーム
window TestGameWindow 試験ゲーム
start u $(updater space)
box
answer OK
box
close TestGameWindow 試験ゲーム
exit game
answer OK
caption "試験ゲーム アップデータ "
page
press 中止
$(aborted)
EOF
say "-- Cancel"
play <<EOF
start game $game TestGameWindow 試験ゲーム
window TestGameWindow 試験ゲーム
start u $(updater space)
box
answer Cancel
exit u
foreground
close TestGameWindow 試験ゲーム
exit game
EOF
say "-- the second title"
play <<EOF
start game $game TestGameWindow "試験ゲーム 体験版"
window TestGameWindow 試験ゲーム 体験版
start u $(updater full)
box
answer OK
box
answer Cancel
exit u
close TestGameWindow 試験ゲーム 体験版
exit game
EOF
