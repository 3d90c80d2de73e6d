#!/usr/bin/env zsh
# zsh's real completion, driven as a person would: each LINE is typed into an interactive zsh in
# a pseudo-terminal (zpty), followed by Tab. Prints, one line each, the LINE, what the command
# line became and the matches the completion offered ("|" between them, sorted), tab-separated.
# Usage: zsh_complete.zsh COMPLETIONS_DIR LINE...
zmodload zsh/zpty || exit 2
completions=$1
shift
home=$(mktemp -d)
log=$home/log
trap 'zpty -d quarve 2>/dev/null; rm -rf $home' EXIT

# compadd is wrapped to log what each call adds; calls that only ask (-O, -A, -D) pass as they
# are.
# Ctrl-X writes the command line to the log and empties it for the next one.
cat >$home/.zshrc <<RC
PS1='%% '
LISTMAX=100000
fpath=(${(q)completions} \$fpath)
autoload -Uz compinit && compinit -u -D
compadd() {
    local -a matches
    if (( \${@[(I)-[OAD]*]} == 0 )); then
        builtin compadd -O matches "\$@"
        print -rl -- "MATCH:"\${^matches} >>${(q)log}
    fi
    builtin compadd "\$@"
}
dump() { print -r -- "BUFFER:\$BUFFER" >>${(q)log}; BUFFER=; }
zle -N dump
bindkey '^X' dump
RC

zpty quarve env ZDOTDIR=$home zsh -d -i
for line in "$@"; do
    : >$log
    zpty -w -n quarve "$line"$'\t'$'\x18'
    # Bounded: the completion runs quarve a few times, well under a second each.
    for _ in {1..200}; do
        while zpty -r -t quarve chunk 2>/dev/null; do :; done
        grep -q '^BUFFER:' $log 2>/dev/null && break
        sleep 0.05
    done
    buffer=$(sed -n 's/^BUFFER://p' $log)
    matches=(${(ou)${(f)"$(sed -n 's/^MATCH://p' $log)"}})
    print -r -- "$line"$'\t'"$buffer"$'\t'"${(j:|:)matches}"
done
