#!/usr/bin/env bash
# The manual pages and the bash completion describe what the programs' own --help says:
# every option and every command of --help has an entry of its own in the manual page and
# is offered by the completion, and neither documents an option that --help does not know.
# Usage: docs_match_help.sh PACKAGING-FOLDER TRAWLIX TRAWLIX-CLI TRAWLIX-SIM
set -uo pipefail
packaging="$1"
declare -A programs=([trawlix]="$2" [trawlix-cli]="$3" [trawlix-sim]="$4")

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

long_options() {
    grep -oE -- '--[a-z][a-z-]*' | sort -u
}

# The tag lines of the manual page's items (.TP), roff escapes of "-" undone.
item_tags() {
    awk 'previous == ".TP" { print } { previous = $0 }' "$1" | sed 's/\\-/-/g'
}

for program in "${!programs[@]}"; do
    page="$packaging/man/$program.1.in"
    help="$("${programs[$program]}" --help)" || fail "$program --help did not exit with 0"
    tags="$(item_tags "$page")"
    while read -r option; do
        grep -qE -- "(^| )$option( |,|$)" <<<"$(sed 's/\\f[BIPR]//g; s/"//g' <<<"$tags")" ||
            fail "$program: $option of --help has no entry in $page"
    done < <(long_options <<<"$help")
    while read -r option; do
        grep -qF -- "$option" <<<"$help" ||
            fail "$program: $page has an entry for $option, which --help does not know"
    done < <(long_options <<<"$tags")
done

# trawlix-cli's commands: the words that start the lines under "commands:" in --help.
cli_help="$("${programs[trawlix-cli]}" --help)"
commands="$(awk '/^commands:/ { inside = 1; next } inside && /^$/ { exit }
                 inside && $1 !~ /^-/ { print $1 }' <<<"$cli_help")"
[ -n "$commands" ] || fail "trawlix-cli --help lists no commands"
cli_page="$packaging/man/trawlix-cli.1.in"
command_tags="$(awk '/^\.SH COMMANDS/ { inside = 1; next } /^\.SH/ { inside = 0 }
                     inside && previous == ".TP" { print $2 } { previous = $0 }' "$cli_page")"
completion="$packaging/trawlix-cli.bash-completion"
offered="$(sed -n 's/^_trawlix_cli_commands="\(.*\)"$/\1/p' "$completion")"
for command in $commands; do
    grep -qx -- "$command" <<<"$command_tags" ||
        fail "trawlix-cli: command $command has no entry under COMMANDS in $cli_page"
    grep -qw -- "$command" <<<"$offered" ||
        fail "trawlix-cli: command $command is not offered by $completion"
done
for command in $offered; do
    grep -qx -- "$command" <<<"$commands" ||
        fail "trawlix-cli: $completion offers $command, which --help does not list"
done
while read -r option; do
    grep -qF -- "$option" "$completion" || fail "trawlix-cli: $completion does not offer $option"
done < <(long_options <<<"$cli_help")

if [ "$failures" -ne 0 ]; then
    echo "$failures differences between --help and the manual pages or the completion"
    exit 1
fi
echo "the manual pages and the completion match --help"
