# Updaters side by side.  The first waits on its opening page: its script
# can be read but not rewritten, replaced, renamed or deleted.  A different
# update of the same game runs beside it with a script of its own.  The
# same update started again raises the first wizard and ends at once with
# 0, without a box, deleting only its own script.  The first then completes.
install_game
put 'C:\Game\GAME.DAT' 'GAME.DAT as installed' '2019-06-01 UTC'
play <<EOF
temp-mark
start a $(updater space)
caption "試験ゲーム アップデータ "
page
temp-new
temp-guard
start c $(updater other)
caption 試験ゲーム 追加データ
page
temp-new
foreground
start b $(updater space)
exit b
foreground
temp-new
press 中止
box
answer OK
exit c
temp-new
caption "試験ゲーム アップデータ "
press 次へ
page
press 次へ
page
press 完了
exit a
temp-new
EOF
list_files 'C:\Game'
