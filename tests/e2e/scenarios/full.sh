# A complete update with every rule; the files and their times afterwards,
# and no script left in the temporary folder.
install_game
put 'C:\Game\DATA\GAME.DAT' 'GAME.DAT as installed' '2019-06-01 UTC'
put 'C:\Game\DATA\SCRIPT.DAT' 'SCRIPT.DAT as installed' '2019-06-01 UTC'
put 'C:\Game\DATA\OLD.DAT' 'OLD.DAT as installed, newer than the update' '2021-06-01 UTC'
put 'C:\Game\DATA\README.TXT' 'README.TXT as installed' '2019-06-01 UTC'
put 'C:\Save\DATA\SLOT1.DAT' 'the player'"'"'s own save' '2019-06-01 UTC'
play <<EOF
temp-mark
start u $(updater full)
box
answer OK
caption 試験ゲーム アップデータ 2.00
page
press 次へ
page
press 次へ
page
press 完了
exit u
temp-new
EOF
list_files 'C:\Game' 'C:\Save'
