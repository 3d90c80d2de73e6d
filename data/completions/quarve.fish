# fish completion for quarve
set -l commands list show get set undo
complete -c quarve -f
complete -c quarve -n "not __fish_seen_subcommand_from $commands" -a list -d 'List the categories'
complete -c quarve -n "not __fish_seen_subcommand_from $commands" -a show -d 'Show the applications of an item'
complete -c quarve -n "not __fish_seen_subcommand_from $commands" -a get -d 'Show the current defaults of an item'
complete -c quarve -n "not __fish_seen_subcommand_from $commands" -a set -d 'Make an application the default'
complete -c quarve -n "not __fish_seen_subcommand_from $commands" -a undo -d 'Undo the last assignment'
complete -c quarve -n "not __fish_seen_subcommand_from $commands" -s h -l help -d 'Show the help'
complete -c quarve -n "not __fish_seen_subcommand_from $commands" -s V -l version -d 'Show the version'
complete -c quarve -n "__fish_seen_subcommand_from list" -l types -d 'The MIME types and their labels'
complete -c quarve -n "__fish_seen_subcommand_from show get set; and test (count (commandline -opc)) -eq 2" -a "(quarve list 2>/dev/null)"
