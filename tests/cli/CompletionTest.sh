#!/bin/bash
# The bash completion of merrowby: subcommands, options, port names and the device after "=".
# Usage: CompletionTest.sh COMPLETION_FILE
set -u
source "$1"
failures=0

# expect LINE WORDS...: completing at the end of LINE offers exactly WORDS.
expect() {
    local line=$1
    shift
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _merrowby
    if [[ "$(printf '[%s]' "${COMPREPLY[@]}")" != "$(printf '[%s]' "$@")" ]]; then
        echo "FAIL [$line]: offered '${COMPREPLY[*]}', wanted '$*'"
        failures=$((failures + 1))
    fi
}

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
touch "$folder/visit.jsonl" "$folder/notes.txt" "$folder/ttyUSB0" "$folder/limits.json" "$folder/old visit.jsonl"

expect "merrowby " survey report history records
expect "merrowby history SN-7 --" --model --json --csv --database --help
expect "merrowby records " push
expect "merrowby records push --" --database --help
expect "merrowby su" survey
expect "merrowby survey --" --port --model --serial-number --asset-number --customer --site --limits --json --help
expect "merrowby survey --model MX-8 --limits $folder/" "$folder/limits.json"
expect "merrowby survey --serial-number " ""
expect "merrowby survey --port " COM1= COM2= COM3= COM4= LPT1= LPT2= LPT3=
expect "merrowby survey --json --port CO" COM1= COM2= COM3= COM4=
expect "merrowby survey --port=L" LPT1= LPT2= LPT3=
expect "merrowby survey --port COM2=$folder/tty" "$folder/ttyUSB0"
expect "merrowby report --" --output --limits --authorised-by --help
expect "merrowby report $folder/visit.jsonl --limits $folder/" "$folder/limits.json"
expect "merrowby report $folder/v" "$folder/visit.jsonl"
expect "merrowby report $folder/o" "$folder/old visit.jsonl"
expect "merrowby report $folder/old\\ v" "$folder/old visit.jsonl"
expect "merrowby report $folder/visit.jsonl --output=$folder/n" "$folder/notes.txt"
expect "merrowby --port COM1=$folder/ttyUSB0 --l" --list-ports
expect "merrowby --port COM1=$folder/ttyUSB0 " ""
exit $((failures != 0))
