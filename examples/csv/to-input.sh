#!/usr/bin/env bash
# Builds a dedb input file from a file of rules and CSV files, on standard output:
#
#   bash to-input.sh RULES FILE.csv... > input.txt
#
# Each CSV file becomes one relation named after the file (staff.csv gives staff). Its first line
# gives the column names; every later line is a row. Fields may be quoted with double quotes as
# CSV writers do ("say ""hi""" is say "hi"). A field that is an integer as written (digits with an
# optional minus) stays an integer; every other field becomes a string in single quotes, the
# empty field included. Nothing is trimmed. Empty lines are skipped, since an empty line would
# end the relation. A field holding a comma, or a quoted field that runs past its line, cannot be
# written as a row field (dedb splits rows at every comma), so the script stops with status 1.
# Whatever stops it, nothing is written: an input cut short would still load, only without the
# relations or rows after the cut.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: bash to-input.sh RULES [FILE.csv...]" >&2
    exit 2
fi

rules=$1
shift

# The whole result is built aside and written only once every file has been read and every field
# checked. Each input is read once, so rules or CSV text from a pipe work as well as files.
result=$(mktemp)
trap 'rm -f "$result"' EXIT

{
    # Rule lines up to the first empty line; empty lines in the rules file are dropped.
    awk '{ sub(/\r$/, "") } length($0) > 0' "$rules"

    for csv in "$@"; do
        name=$(basename "$csv")
        name=${name%.csv}
        echo
        awk -v name="$name" -v file="$csv" '
        function fail(why) {
            printf "to-input.sh: %s:%d: %s\n", file, FNR, why > "/dev/stderr"
            failed = 1
            exit 1
        }
        # Splits the line into field[1..count], removing CSV quotes.
        function split_csv(line,    i, c, text, quoted) {
            count = 0
            text = ""
            quoted = 0
            for (i = 1; i <= length(line); i++) {
                c = substr(line, i, 1)
                if (quoted) {
                    if (c == "\"" && substr(line, i + 1, 1) == "\"") {
                        text = text "\""
                        i++
                    } else if (c == "\"") {
                        quoted = 0
                    } else if (c == ",") {
                        fail("a comma inside a field would split it")
                    } else {
                        text = text c
                    }
                } else if (c == "\"") {
                    quoted = 1
                } else if (c == ",") {
                    field[++count] = text
                    text = ""
                } else {
                    text = text c
                }
            }
            if (quoted) fail("a quoted field runs past the end of its line")
            field[++count] = text
        }
        { sub(/\r$/, "") }
        length($0) == 0 { next }
        {
            split_csv($0)
            out = ""
            for (i = 1; i <= count; i++) {
                value = field[i]
                if (FNR > 1 && value !~ /^-?[0-9]+$/) value = "\047" value "\047"
                out = out (i > 1 ? "," : "") value
            }
            if (!seenHeader) {
                out = name "(" out ")"
                seenHeader = 1
            }
            print out
        }
        END { if (!failed && !seenHeader) print name "()" }
        ' "$csv"
    done
} >"$result"

cat "$result"
