# Sourced by the probe's terminal tests: a private tmux server (named by the
# caller's $socket) whose panes stay after their command ends, so the last
# screen can still be read; failures counted; every wait with a deadline.
term() { tmux -L "$socket" -f /dev/null "$@"; }

# An idle first window keeps the server up between runs.
start_terminal() {
  term new-session -d -s probe -n idle -x 160 -y 40 cat
  term set-option -g remain-on-exit on >/dev/null
}

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The pane with its history: a last line can push the first out of view.
screen() { term capture-pane -p -S - -t "probe:$1"; }

# wait_screen NAME TEXT [SECONDS]: until the screen shows TEXT (a fixed string).
wait_screen() {
  local name=$1 text=$2 deadline=$((SECONDS + ${3:-120}))
  until screen "$name" | grep -qF -- "$text"; do
    if ((SECONDS > deadline)); then
      fail "$name: the screen never showed \"$text\"; it shows:"
      screen "$name" >&2
      return 1
    fi
    sleep 0.2
  done
}
