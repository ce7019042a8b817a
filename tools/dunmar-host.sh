#!/bin/sh
# Hosts Dunmar for many players on one account: a player per ssh key, each
# player's game kept in a tmux session of its own while the connection is
# down, for a grace period the host sets. `dunmar-host keys` writes the
# account's keys file from the host's list of players; sshd then starts
# `dunmar-host login NAME` for each login, and tmux starts `left` and
# `expire` as a player's connection goes. A login given the command `watch`
# lists the games, and `watch NAME` shows that game read-only.
# dunmar-host(6) says how to host.
#
# Who a login is comes from the keys file itself: each line carries its
# player's name in a `command=` of its own, under `restrict`, so sshd runs
# that one command for that one key and a player cannot pick another
# command, name or key (the way one-account git hosts do it). The other way,
# ExposeAuthInfo with one ForceCommand, would hand the login a file of the
# keys used that it would have to parse and look up in the players file on
# every login: more to get wrong, and a mistake there logs in the wrong
# player.
set -eu

self=$(readlink -f "$0")
game="$(dirname "$self")/dunmar"
grace_default=900

say() { printf 'dunmar-host: %s\n' "$*" >&2; }

# A player name: it names the tmux session and the keys file's command, so
# nothing in it may mean anything to tmux or to a shell; it never starts
# with - or _, so it is never taken for an option.
good_name() {
    case $1 in
        '' | [-_]* | *[!a-z0-9_-]*) return 1 ;;
    esac
    [ ${#1} -le 32 ]
}

# 900, 900s, 15m or 1h, in seconds.
seconds() {
    case $1 in
        '' | *[!0-9smh]* | [smh]* | *[smh]?*) return 1 ;;
        *s) echo "${1%s}" ;;
        *m) echo $((${1%m} * 60)) ;;
        *h) echo $((${1%h} * 3600)) ;;
        *) echo "$1" ;;
    esac
}

# The keys sshd accepts, by their type's name.
key_type() {
    case $1 in
        ssh-ed25519 | ssh-rsa | ecdsa-sha2-nistp256 | ecdsa-sha2-nistp384 | ecdsa-sha2-nistp521 | \
            sk-ssh-ed25519@openssh.com | sk-ecdsa-sha2-nistp256@openssh.com) return 0 ;;
    esac
    return 1
}

# One line of the keys file for each line of the players file; nothing is
# written if any line is wrong, so a typo never locks the players out or
# lets half of them in.
write_keys() {
    grace=$1 players=$2 keys=$3
    [ -r "$players" ] || { say "cannot read the players file $players"; exit 1; }
    new="$keys.new.$$"
    trap 'rm -f "$new"' EXIT
    : > "$new"
    seen=" " wrong=0 number=0
    while IFS= read -r line || [ -n "$line" ]; do
        number=$((number + 1))
        set -f
        # shellcheck disable=SC2086
        set -- $line
        set +f
        [ $# -eq 0 ] && continue
        case $1 in '#'*) continue ;; esac
        where="$players:$number"
        name=""
        if ! key_type "$1"; then
            name=$1
            shift
        fi
        if [ -n "$name" ] && ! good_name "$name"; then
            say "$where: \"$name\" is not a player name: a-z, 0-9, - and _, at most 32, starting with a letter or digit"
            wrong=1
            continue
        fi
        if [ $# -lt 2 ] || ! key_type "$1"; then
            say "$where: no public key after the name (a line is: NAME ssh-ed25519 AAAA...)"
            wrong=1
            continue
        fi
        case $2 in
            *[!A-Za-z0-9+/=]*)
                say "$where: the key is not a public key's base64"
                wrong=1
                continue
                ;;
        esac
        case $seen in
            *" $2 "*)
                say "$where: this key is listed already: a key is one player's"
                wrong=1
                continue
                ;;
        esac
        seen="$seen$2 "
        if [ -z "$name" ]; then
            # Listed without a name: the login says so in one line rather
            # than the "Permission denied" of a key never listed.
            say "$where: a key without a player name: it gets a line saying so and no game"
            printf 'restrict,pty,command="%s nameless" %s %s\n' "'$self'" "$1" "$2" >> "$new"
        else
            printf 'restrict,pty,command="%s --grace %s login %s" %s %s %s\n' "'$self'" "$grace" "$name" "$1" "$2" \
                "$name" >> "$new"
        fi
    done < "$players"
    [ "$wrong" -eq 0 ] || { say "$keys is left as it was"; exit 1; }
    chmod 644 "$new"
    mv -f "$new" "$keys"
    trap - EXIT
}

# Everything the players must not reach: tmux's own keys, prompt and
# windows. Set when the server starts, before any player is attached.
# (window-size stays as tmux has it: `manual` set here makes the server
# exit at its first session.)
write_config() {
    cat > "$1" <<EOF
set -g prefix None
set -g prefix2 None
unbind -a -T prefix
unbind -a -T root
unbind -a -T copy-mode
unbind -a -T copy-mode-vi
set -g status off
set -g mouse off
set -g default-shell /bin/sh
set -g default-command /bin/false
set -g set-clipboard off
set -g set-titles off
set -g allow-rename off
set -g remain-on-exit off
set -g exit-empty on
set -g history-limit 0
# A lone Escape is a right click in the game: do not hold it back for long.
set -g escape-time 10
# Without it tmux sends the game's RGB colours as 256-colour ones.
set -g terminal-features 'xterm-256color:RGB'
# A client gone (a dropped connection, or one taken over) starts the
# player's grace period; a hook's output would show over the game.
set-hook -g client-detached "run-shell -b \"'$self' left #{session_name} > /dev/null 2>&1 || true\""
# A watcher's session has this key table and nothing else: the ways out.
# The client is read-only too, so no other command would run anyway, and
# none of its keys or clicks reaches the game. A player's table stays the
# empty root one, so a player's q and Ctrl+C are the game's as before.
bind -T watch q detach-client -E true
bind -T watch C-c detach-client -E true
# Keys that come in a burst would be taken for a paste and passed over the
# key table, so a watcher's q after other keys would not leave.
set -g assume-paste-time 0
EOF
}

# The games' tmux server, on a socket in a folder only the hosting account
# reaches.
keeper() {
    folder="$HOME/.dunmar-host"
    tmux -u -S "$folder/tmux" -f "$folder/tmux.conf" "$@"
}

login() {
    grace=$1 name=$2
    if ! [ -t 0 ] || ! [ -t 1 ]; then
        say "the game needs a terminal: log in with ssh -t"
        exit 2
    fi
    command -v tmux > /dev/null || { say "tmux is missing: the host installs it (apt install tmux)"; exit 1; }
    umask 077
    folder="$HOME/.dunmar-host"
    mkdir -p "$folder"
    chmod 700 "$folder"
    write_config "$folder/tmux.conf.$$" && mv -f "$folder/tmux.conf.$$" "$folder/tmux.conf"
    # sshd keeps the key's own command and hands over the one asked for
    # here: `watch` watches, anything else is ignored as it always was.
    set -f
    # shellcheck disable=SC2086
    set -- ${SSH_ORIGINAL_COMMAND:-}
    set +f
    if [ "${1:-}" = watch ]; then
        shift
        if [ $# -eq 0 ]; then list_games; else watch_game "$@"; fi
        return
    fi
    # A second login of a player still connected takes the game over: the
    # first client is replaced by a line saying so (and the login that ran
    # it ends). -D on the next command detaches whoever got in between.
    keeper detach-client -s "=$name" -E "echo 'dunmar: another login of $name took this game over.'" \
        > /dev/null 2>&1 || true
    # The player's game, made if it is not there. -D detaches the player's
    # other clients only: watchers are on sessions of their own.
    keeper new-session -A -D -s "$name" "exec '$game'" \; set-option @dunmar_grace "$grace"
}

# `watch`: the games being played now, a line each.
list_games() {
    now=$(date +%s)
    listed=0
    for entry in $(keeper list-sessions -F '#{session_name},#{session_created},#{session_attached}' 2> /dev/null); do
        name=${entry%%,*} rest=${entry#*,}
        good_name "$name" || continue # a watcher's session
        [ "$listed" -eq 1 ] || printf '%-16s %-9s %s\n' PLAYER PLAYED ON
        listed=1
        away=""
        [ "${rest#*,}" -gt 0 ] || away=" (away)"
        printf '%-16s %-9s %s%s\n' "$name" "$(played $((now - ${rest%%,*})))" "$(screen_of "$name")" "$away"
    done
    [ "$listed" -eq 1 ] || echo "Nobody is playing now."
}

played() {
    if [ "$1" -ge 3600 ]; then
        printf '%dh %02dm' $(($1 / 3600)) $(($1 % 3600 / 60))
    else
        printf '%dm %02ds' $(($1 / 60)) $(($1 % 60))
    fi
}

# A battle is the screen with Attack in its command column and Escape four
# rows under it, at the same column, wherever the game is centred. Each
# character that is not ASCII becomes one ? first, so that awk's byte
# columns are the screen's.
screen_of() {
    if keeper capture-pane -p -t "=$1:" | LC_ALL=C.UTF-8 sed 's/[^ -~]/?/g' | awk '
        { a = index($0, "Attack"); if (a) attack[NR] = a; e = index($0, "Escape") }
        e && attack[NR - 4] == e { found = 1 }
        END { exit !found }'; then
        echo battle
    else
        echo map
    fi
}

# `watch NAME`: that game, read-only, on a session of the watcher's own
# grouped with the player's. Its own session keeps the watcher out of the
# player's #{session_attached} (so out of the grace period) and out of the
# player's -D and detach-client -s, and gives it the watch key table;
# ignore-size keeps its terminal's size out of the game's while the player
# is attached (with no player attached, tmux sizes the window from the
# watchers, until the player is back). The session goes
# when the watcher does (destroy-unattached, set once attached: set before,
# it would go at once).
watch_game() {
    if [ $# -ne 1 ] || ! good_name "$1"; then
        say "watch takes a player's name, as listed by ssh -t HOST watch"
        exit 2
    fi
    if ! keeper has-session -t "=$1" 2> /dev/null; then
        say "nobody called $1 is playing now: ssh -t HOST watch lists the games"
        exit 1
    fi
    me="_watch$$"
    keeper new-session -d -t "=$1" -s "$me" \; set-option -t "=$me:" key-table watch \; \
        attach-session -r -f ignore-size -t "=$me" \; set-option -t "=$me:" destroy-unattached on || true
    keeper kill-session -t "=$me" > /dev/null 2>&1 || true
    if keeper has-session -t "=$1" 2> /dev/null; then
        say "you stopped watching $1"
    else
        say "$1's game is over"
    fi
}

# The client-detached hook: the session of the player who left is killed
# after its grace period unless the player is back by then. Each leaving
# gets a token of its own, so the timer of an earlier drop, followed by a
# return and a later drop, never cuts the later grace period short.
left() {
    name=$1
    token="$(date +%s%N).$$"
    keeper set-option -t "=$name:" @dunmar_left "$token"
    grace=$(keeper display-message -p -t "=$name:" '#{@dunmar_grace}')
    keeper run-shell -b -d "${grace:-$grace_default}" "'$self' expire $name $token > /dev/null 2>&1 || true"
}

expire() {
    name=$1 token=$2
    state=$(keeper display-message -p -t "=$name:" '#{session_attached} #{@dunmar_left}') || exit 0
    [ "$state" = "0 $token" ] || exit 0
    # The window, not the session: the watchers' sessions share it and
    # would keep the game alive; they go with it.
    keeper kill-window -t "=$name:"
}

usage() {
    echo "usage: dunmar-host [--grace DURATION] keys PLAYERS KEYS" >&2
    exit 2
}

grace=$grace_default
if [ "${1:-}" = --grace ]; then
    [ $# -ge 2 ] || usage
    grace=$(seconds "$2") || { say "--grace takes seconds, or minutes and hours as 15m or 1h: not $2"; exit 2; }
    shift 2
fi
case ${1:-} in
    keys)
        [ $# -eq 3 ] || usage
        write_keys "$grace" "$2" "$3"
        ;;
    login)
        if [ $# -ne 2 ] || ! good_name "$2"; then
            say "this key's player name is not one: ask the host"
            exit 1
        fi
        login "$grace" "$2"
        ;;
    nameless)
        say "this key is listed without a player name, so it has no game here: ask the host to name it"
        exit 1
        ;;
    left)
        good_name "${2:-}" && left "$2"
        ;;
    expire)
        good_name "${2:-}" && [ $# -eq 3 ] && expire "$2" "$3"
        ;;
    *) usage ;;
esac
