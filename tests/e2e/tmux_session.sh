# Shared by the tmux end-to-end scripts: a scratch folder "$work" removed
# at exit, a tmux server of its own whose socket lives there (so that no
# other run, here or in another checkout, can meet it), and waits on what
# the pane shows.
work=$(mktemp -d)

t() { tmux -S "$work/tmux" "$@"; }
cleanup() {
    t kill-server 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

screen() { t capture-pane -p -t e2e; }

# Waits until the screen shows a line equal to $1 (up to $2 seconds).
wait_line() {
    local want=$1 limit=${2:-15} i
    for ((i = 0; i < limit * 20; i++)); do
        screen | grep -qxF -- "$want" && return 0
        sleep 0.05
    done
    return 1
}

# Waits until a line of the screen matches the regular expression $1.
wait_match() {
    local want=$1 limit=${2:-15} i
    for ((i = 0; i < limit * 20; i++)); do
        screen | grep -qE -- "$want" && return 0
        sleep 0.05
    done
    return 1
}

# Sends keys to the pane and counts a pass when a line equal to the
# expected one shows, else a failure with the screen printed.
check() {  # name, expected line, keys...
    local name=$1 want=$2
    shift 2
    t send-keys -t e2e "$@"
    if wait_line "$want"; then
        pass=$((pass + 1))
    else
        fail=$((fail + 1))
        printf '%s: no line %q on the screen:\n' "$name" "$want"
        screen | sed 's/^/    | /'
    fi
}
