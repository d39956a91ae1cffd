# Abort on each page: the button, Esc (command 2) on the confirmation page,
# and command 2 on the completion page, where the button is disabled.  Each
# ends with "アップデートが中断されました" and exit code 0; only the last
# run has written its file.
install_game
put 'C:\Game\GAME.DAT' 'GAME.DAT as installed' '2019-06-01 UTC'
for way in opening confirmation completion; do
  say "-- abort on the $way page"
  {
    echo "temp-mark"
    open_wizard space
    case $way in
      opening) echo "press 中止" ;;
      confirmation) printf 'press 次へ\npage\ncommand 2\n' ;;
      completion) printf 'press 次へ\npage\npress 次へ\npage\ncommand 2\n' ;;
    esac
    aborted
    echo temp-new
  } | play
  list_files 'C:\Game'
done
