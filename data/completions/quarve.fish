# fish completion for quarve
# The commands, items and applications come from quarve itself, so that completion follows the
# program's command table and the user's own catalogue.

# True when the word being completed is the Nth after "quarve" (1: the command) and, when
# commands are named, the command is one of them.
function __quarve_at
    set -l tokens (commandline -opc)
    test (count $tokens) -eq $argv[1]; or return 1
    set -q argv[2]; or return 0
    contains -- $tokens[2] $argv[2..-1]
end

# True when the command is one of those named, whatever word is being completed.
function __quarve_in
    set -l tokens (commandline -opc)
    test (count $tokens) -ge 2; and contains -- $tokens[2] $argv
end

# "NAME<tab>SUMMARY" lines, which fish shows as the name and its description.
function __quarve_commands
    quarve --list-commands 2>/dev/null
end

# Category names; with "types", also every MIME type (described by its extension) and every
# extension (described by its type).
function __quarve_items
    quarve list 2>/dev/null | string replace -r '$' '\tcategory'
    contains -- types $argv; or return 0
    set -l types (quarve list --types 2>/dev/null)
    printf '%s\n' $types
    printf '%s\n' $types | string replace -rf '^([^\t]+)\t(?!\1$)(.+)$' '$2\t$1'
end

# The desktop IDs, without ".desktop", of the candidates for the item before the cursor, from
# quarve show's lines "M ID<tab>NAME<tab>FILE", each described by its name.
function __quarve_candidates
    set -l tokens (commandline -opc)
    quarve show $tokens[3] 2>/dev/null | string replace -rf '^. (.+?)(?:\.desktop)?\t([^\t]*)\t.*$' '$1\t$2'
end

# Every application, for the command that takes one without an item; nothing from a quarve
# that has no such command.
function __quarve_applications
    contains app (__quarve_commands | string replace -r '\t.*' ''); or return 0
    quarve list --apps 2>/dev/null | string replace -r '\t.*' '' | string replace -r '^[* ] ' '' | string replace -r '\.desktop$' ''
end

# The terminal emulators' desktop IDs, without ".desktop", from quarve terminal's lines
# "M ID<tab>NAME<tab>FILE" before the preferred ones, each described by its name.
function __quarve_terminals
    contains terminal (__quarve_commands | string replace -r '\t.*' ''); or return 0
    for line in (quarve terminal 2>/dev/null)
        string match -q 'Preferred*' -- $line; and return 0
        string replace -rf '^[* ] (.+?)(?:\.desktop)?\t([^\t]*)\t.*$' '$1\t$2' -- $line
    end
end

complete -c quarve -f
complete -c quarve -n '__quarve_at 1' -a '(__quarve_commands)'
complete -c quarve -n '__quarve_at 1' -s h -l help -d 'show the help'
complete -c quarve -n '__quarve_at 1' -s V -l version -d 'show the version'
complete -c quarve -n '__quarve_at 2 list' -l types -d 'the MIME types and their labels'
complete -c quarve -n '__quarve_at 2 list' -l apps -d 'the applications'
complete -c quarve -n '__quarve_at 2 list show get why terminal' -l json -d 'one JSON document'
complete -c quarve -n '__quarve_at 2 help' -a '(__quarve_commands)'
complete -c quarve -n '__quarve_at 2 app' -a '(__quarve_applications)'
complete -c quarve -n '__quarve_at 2 terminal' -a '(__quarve_terminals)'
complete -c quarve -n '__quarve_at 2 show get set why pin unpin reset' -a '(__quarve_items types)'
# why explains a file or a link too.
complete -c quarve -n '__quarve_at 2 why' -F
complete -c quarve -n '__quarve_at 3 set' -a '(__quarve_candidates)'
complete -c quarve -n '__quarve_in export apply check' -F
complete -c quarve -n '__quarve_in export' -l format -x -a 'home-manager profile' -d 'the form of the output'
complete -c quarve -n '__quarve_in apply' -l dry-run -d 'print what would change'
complete -c quarve -n '__quarve_in apply' -l pin -d 'pin what it sets'
complete -c quarve -n '__quarve_in check' -l json -d 'one JSON document'
complete -c quarve -n '__quarve_at 2 doctor' -a '(__quarve_items types)'
complete -c quarve -n '__fish_seen_subcommand_from doctor' -l json -d 'one JSON document'
complete -c quarve -n '__fish_seen_subcommand_from doctor' -l fix -d 'mend what is safe, as one change'
