#!/usr/bin/env bash
# Runs dedb on generated benchmark inputs and prints one table row per workload: wall time, peak
# memory, derived rows, rows per second and bytes per derived row; the same at one thread and at
# one per CPU when dedb takes --jobs; sqlite3 (time and peak memory), gringo and Soufflé (compiled,
# run at one thread and at one per CPU) on the same data where they are installed, and a check
# that their derived rows equal dedb's.
#
#   bash bench/run.sh [S|M|L|XL] [WORKLOAD...]
#
# XL is tc-random alone. Environment: DEDB_BENCH_TIMEOUT seconds per run (600, at XL 3600),
# DEDB_BENCH_REPEAT dedb runs per workload, the fastest kept (3, at XL 1), DEDB_BENCH_BUILD build
# folder (build-bench), DEDB_BENCH_OUT folder for results-SIZE.csv and chart-SIZE.png (the build
# folder), DEDB_BENCH_SOUFFLE the souffle program (else souffle on PATH).
set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${DEDB_BENCH_BUILD:-$root/build-bench}
all_workloads=(tc-chain tc-random tc-nonlinear-chain same-generation triangles strings points-to
    chain-reach rule-pipeline wide-rows alias-analysis scale-rows long-line many-rules)
default_workloads=(tc-chain tc-random tc-nonlinear-chain same-generation triangles strings
    points-to chain-reach rule-pipeline wide-rows alias-analysis)

size=M
case "${1:-}" in
    S | M | L | XL) size=$1; shift ;;
esac
if [ "$#" -gt 0 ]; then
    workloads=("$@")
elif [ "$size" = XL ]; then
    workloads=(tc-random)
else
    workloads=("${default_workloads[@]}")
fi
for workload in "${workloads[@]}"; do
    case " ${all_workloads[*]} " in
        *" $workload "*) ;;
        *)
            echo "usage: bash bench/run.sh [S|M|L|XL] [WORKLOAD...]" >&2
            echo "workloads: ${all_workloads[*]}" >&2
            exit 2
            ;;
    esac
    if [ "$size" = XL ] && [ "$workload" != tc-random ]; then
        echo "size XL is defined for tc-random only, not $workload" >&2
        exit 2
    fi
done
# An XL run takes minutes and gigabytes, so it gets a longer limit and is not repeated.
if [ "$size" = XL ]; then
    limit=${DEDB_BENCH_TIMEOUT:-3600}
    repeat=${DEDB_BENCH_REPEAT:-1}
else
    limit=${DEDB_BENCH_TIMEOUT:-600}
    repeat=${DEDB_BENCH_REPEAT:-3}
fi
case "$limit" in
    '' | *[!0-9]*) echo "DEDB_BENCH_TIMEOUT must be a whole number of seconds" >&2; exit 2 ;;
esac
if ! [ -x /usr/bin/time ] || ! /usr/bin/time -f '%e' true >/dev/null 2>&1; then
    echo "GNU time is needed at /usr/bin/time: apt-get install time" >&2
    exit 1
fi

# Release build with the generator; cmake only rebuilds what changed.
if ! grep -qs '^DEDB_BENCH:BOOL=ON' "$build/CMakeCache.txt" ||
    ! grep -qs '^CMAKE_BUILD_TYPE:STRING=Release' "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDEDB_BENCH=ON -DDEDB_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target dedb dedb-generate >/dev/null
dedb=$build/dedb
generate=$build/bench/dedb-generate

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out_dir=${DEDB_BENCH_OUT:-$build}
mkdir -p "$out_dir"
csv=$out_dir/results-$size.csv
has_sqlite=false
if command -v sqlite3 >/dev/null 2>&1; then has_sqlite=true; fi
has_gringo=false
if command -v gringo >/dev/null 2>&1; then has_gringo=true; fi
# At XL, sqlite3 and gringo are left out: sqlite3 needs about 8 microseconds per derived row of
# tc-random at L, which for the 100 million rows of XL is a quarter of an hour or more, and gringo
# keeps every ground atom as text. Soufflé is the peer made for that size.
if [ "$size" = XL ]; then has_sqlite=false has_gringo=false; fi
threads=$(nproc)

# A dedb that takes --jobs is also run at one thread and at one per CPU.
dedb_help=$("$dedb" --help 2>&1 || true)
dedb_has_jobs=false
case "$dedb_help" in
    *--jobs*) dedb_has_jobs=true ;;
esac

# Soufflé: the program DEDB_BENCH_SOUFFLE names, else the one on PATH.
souffle=
if [ -n "${DEDB_BENCH_SOUFFLE:-}" ]; then
    if ! souffle=$(command -v "$DEDB_BENCH_SOUFFLE"); then
        echo "DEDB_BENCH_SOUFFLE names no program: $DEDB_BENCH_SOUFFLE" >&2
        exit 2
    fi
elif command -v souffle >/dev/null 2>&1; then
    souffle=$(command -v souffle)
fi
# A Soufflé unpacked in one folder keeps its headers in include/ beside bin/; its compile step
# finds that folder but does not pass it to the C++ compiler, so CPATH does.
souffle_env=()
if [ -n "$souffle" ]; then
    souffle_include=$(cd "$(dirname "$souffle")/.." && pwd)/include
    if [ -d "$souffle_include/souffle" ]; then
        souffle_env=("CPATH=$souffle_include${CPATH:+:$CPATH}")
    fi
fi

# The derived relations whose rows are compared with each peer's, for workload $1 with input $2.
checked_relations() {
    case "$1" in
        tc-*) echo path ;;
        same-generation) echo sg ;;
        triangles) echo tri ;;
        strings) echo senior lives ;;
        points-to) echo pt hpt ;;
        chain-reach) echo reach ;;
        # The first stage and the last, whose rule comes first.
        rule-pipeline) echo r2 "$(head -n 1 "$2" | cut -d'(' -f1)" ;;
        wide-rows) echo pick ;;
        alias-analysis) echo vflow malias valias ;;
        scale-rows) echo passed ;;
        long-line) echo copy ;;
        many-rules) echo r1 r2 ;;
    esac
}

# Prints the SQL statements that follow the data for workload $1, writing the rows of relation R
# to $2/R.sqlite3.txt, or prints nothing when the workload has no SQL version.
# SQLite has no recursion through two references to the recursive relation, so the non-linear
# closure is checked with the linear query, which defines the same rows. Columns are named c1, c2,
# ... after their position; non-recursive queries use DISTINCT, as a relation never holds a row twice.
# rule-pipeline, alias-analysis (three relations recursive through each other), points-to and
# many-rules have no SQL version.
sql_queries() {
    case "$1" in
        tc-*)
            echo 'CREATE INDEX edge_to ON "edge"(c2);'
            echo ".output '$2/path.sqlite3.txt'"
            echo 'WITH RECURSIVE path(x,y) AS (SELECT c1,c2 FROM "edge" UNION'
            echo ' SELECT edge.c1,path.y FROM "edge" JOIN path ON edge.c2=path.x) SELECT x,y FROM path;'
            ;;
        chain-reach)
            echo 'CREATE INDEX edge_from ON "edge"(c1);'
            echo ".output '$2/reach.sqlite3.txt'"
            echo 'WITH RECURSIVE reach(x) AS (SELECT c1 FROM "start" UNION'
            echo ' SELECT edge.c2 FROM "edge" JOIN reach ON edge.c1=reach.x) SELECT x FROM reach;'
            ;;
        same-generation)
            echo 'CREATE INDEX par_parent ON "par"(c2);'
            echo ".output '$2/sg.sqlite3.txt'"
            echo 'WITH RECURSIVE sg(x,y) AS (SELECT a.c1,b.c1 FROM "par" a JOIN "par" b ON a.c2=b.c2'
            echo ' WHERE a.c1<b.c1 UNION SELECT a.c1,b.c1 FROM sg JOIN "par" a ON a.c2=sg.x'
            echo ' JOIN "par" b ON b.c2=sg.y) SELECT x,y FROM sg;'
            ;;
        triangles)
            echo 'CREATE INDEX e_both ON "e"(c1,c2);'
            echo ".output '$2/tri.sqlite3.txt'"
            echo 'SELECT DISTINCT a.c1,b.c1,c.c1 FROM "e" a JOIN "e" b ON b.c1=a.c2'
            echo ' JOIN "e" c ON c.c1=b.c2 AND c.c2=a.c1 WHERE a.c1<b.c1 AND b.c1<c.c1;'
            ;;
        strings)
            echo ".output '$2/senior.sqlite3.txt'"
            echo "SELECT DISTINCT c1,c2 FROM \"person\" WHERE c3>=65 AND c2<'city5';"
            echo 'CREATE INDEX city_name ON "city"(c1);'
            echo ".output '$2/lives.sqlite3.txt'"
            echo 'SELECT DISTINCT p.c1,c.c2 FROM "person" p JOIN "city" c ON p.c2=c.c1;'
            ;;
        wide-rows)
            echo ".output '$2/pick.sqlite3.txt'"
            echo "SELECT DISTINCT c1,c2 FROM \"item\" WHERE c3<10 AND c4='cat7';"
            ;;
        scale-rows)
            # In SQLite every string is greater than every integer; in dedb they never compare.
            echo ".output '$2/passed.sqlite3.txt'"
            echo "SELECT DISTINCT c1,c2,c3 FROM \"result\" WHERE typeof(c3)='integer' AND c3>=50;"
            ;;
        long-line)
            echo ".output '$2/copy.sqlite3.txt'"
            echo 'SELECT DISTINCT c1 FROM "long";'
            ;;
    esac
}

# The stored relations of a dedb input as SQL tables, loaded in one transaction.
input_to_sql() {
    awk '
        function finish() { if (pending > 0) print ";"; pending = 0 }
        section == 0 { if ($0 == "") { section = 1; header = 1 }; next }
        $0 == "" { finish(); header = 1; next }
        header {
            header = 0; name = substr($0, 1, index($0, "(") - 1)
            columns = split($0, parts, ",")
            line = "CREATE TABLE \"" name "\"("
            for (i = 1; i <= columns; i++) line = line (i > 1 ? "," : "") "c" i
            print line ");"
            next
        }
        {
            if (pending == 0) printf "INSERT INTO \"%s\" VALUES", name; else printf ","
            printf "(%s)", $0
            if (++pending == 500) finish(); else printf "\n"
        }
        BEGIN { print "BEGIN;" }
        END { finish(); print "COMMIT;" }
    ' "$1"
}

# The input as a logic program: rules end with a full stop, strings take double quotes.
input_to_gringo() {
    awk -v q="'" '
        { gsub(q, "\"") }
        section == 0 {
            if ($0 == "") { section = 1; header = 1 } else { sub(/<-/, " :- "); print $0 "." }
            next
        }
        $0 == "" { header = 1; next }
        header { header = 0; name = substr($0, 1, index($0, "(") - 1); next }
        { print name "(" $0 ")." }
    ' "$1"
}

# The input as a Soufflé program: writes $2/program.dl, the stored rows as tab-separated
# $2/facts/NAME.facts, and $2/columns, one line per relation: its name and a letter per column,
# n for number or s for symbol. Soufflé types every column, so a stored column's type comes from
# its rows and a rule's column from what binds its variable. When the input has no Soufflé version
# of the same meaning (a column mixing integers and strings, a name that is no Soufflé identifier,
# a comparison Soufflé would reject), prints why to standard error and fails.
input_to_souffle() {
    mkdir -p "$2/facts"
    awk -v dir="$2" -v q="'" -f "$here/to-souffle.awk" "$1"
}

# Whether workload $1 gets a Soufflé version. Soufflé gives each column one type, and scale-rows
# mixes integers and strings in one. rule-pipeline and many-rules mean the same in Soufflé, but
# their hundreds to thousands of rules become C++ that compiles far longer than any run takes:
# rule-pipeline's 300 rules at S take a minute, its 3,000 at M were still compiling after 20
# minutes, as were many-rules' 1,000 at S after 18, against well under a second of evaluation.
has_souffle_version() {
    case "$1" in
        scale-rows | rule-pipeline | many-rules) return 1 ;;
    esac
}

# Compiles $work/souffle/program.dl into $souffle_program. Soufflé writes parallel loops only into
# a program compiled for more than one thread; compiled for "auto", the binary takes its thread
# count from -j when it runs. The result is kept in the build folder under a digest of the
# program, the options and the souffle program, so that the next run of the same program
# (tc-chain and tc-random share one) skips the compiler, which takes ten seconds or more.
compile_souffle() {
    local digest options=(--no-warn --jobs=auto)
    digest=$({
        echo "$souffle" "${options[*]}"
        stat -c '%s %Y' "$souffle"
        cat "$work/souffle/program.dl"
    } | sha256sum | cut -c 1-16)
    souffle_program=$build/souffle/program-$digest
    if [ -x "$souffle_program" ]; then return 0; fi
    mkdir -p "$build/souffle"
    env "${souffle_env[@]}" timeout -k 10 "$limit" "$souffle" "${options[@]}" \
        -o "$work/souffle/program" "$work/souffle/program.dl" >"$work/peer.err" 2>&1 || return 1
    mv "$work/souffle/program" "$souffle_program"
}

# Rows of relation $1 in the output of the Soufflé program, written as dedb writes them: strings
# in single quotes, fields joined by commas.
souffle_rows() {
    local letters
    letters=$(awk -v relation="$1" '$1 == relation { $1 = ""; print }' "$work/souffle/columns")
    awk -F '\t' -v q="'" -v letters="$letters" '
        BEGIN { columns = split(letters, type, " ") }
        {
            line = ""
            for (i = 1; i <= columns; i++) line = line (i > 1 ? "," : "") (type[i] == "s" ? q $i q : $i)
            print line
        }
    ' "$work/souffle/out/$1.csv"
}

# Runs the compiled Soufflé program with $1 threads and compares its rows as peer $2; sets
# souffle_s (seconds, or what went wrong) and souffle_mib.
run_souffle() {
    local relation
    souffle_s=- souffle_mib=-
    rm -rf "$work/souffle/out"
    mkdir "$work/souffle/out"
    timed "$souffle_program" -j"$1" -F "$work/souffle/facts" -D "$work/souffle/out" \
        >/dev/null 2>"$work/peer.err"
    souffle_s=$status
    if [ "$status" = ok ]; then
        souffle_s=$elapsed
        souffle_mib=$(mebibytes "$peak_kib")
        for relation in $relations; do souffle_rows "$relation" >"$work/$relation.$2.txt"; done
        compare_peer "$2"
    fi
    note_failure "$2"
    rm -rf "$work/souffle/out"
}

# Rows of relation $2 in dedb output $1 from byte $3 on, sorted bytewise.
dedb_rows() {
    tail -c +"$3" "$1" | awk -v relation="$2" '
        BEGIN { header = 1 }
        $0 == "" { header = 1; selected = 0; next }
        header { header = 0; selected = substr($0, 1, index($0, "(") - 1) == relation; next }
        selected { print }
    ' | LC_ALL=C sort
}

mebibytes() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

now() { if [ -n "${EPOCHREALTIME:-}" ]; then echo "$EPOCHREALTIME"; else date +%s.%N; fi; }

# Runs "$@" under the time limit; sets elapsed (wall seconds, from the shell's clock, finer than
# GNU time's hundredths) and peak_kib, or status to "timeout" or "fail(STATUS)".
timed() {
    local time_file=$work/time rc=0 start
    start=$(now)
    status=ok
    elapsed=
    peak_kib=
    timeout -k 10 "$limit" /usr/bin/time -f '%e %M' -o "$time_file" "$@" || rc=$?
    elapsed=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')
    if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then status=timeout; return; fi
    if [ "$rc" -ne 0 ]; then status="fail($rc)"; return; fi
    peak_kib=$(tail -n 1 "$time_file" | cut -d' ' -f2)
}

# Runs dedb "$repeat" times and keeps the fastest run, as this machine's speed drifts from run to
# run; stops at the first run that fails or times out. Each run writes a new file: the output $1
# names (none when empty) is removed first, outside the timing, as the peer's runs each write into
# a new folder. Replacing a file costs freeing the old one, which on a disk mounted with discard
# waits for the device: 15 ms for a 32 MB output.
timed_best() {
    local output=$1 best='' best_peak='' run
    shift
    for ((run = 0; run < repeat; run++)); do
        [ -z "$output" ] || rm -f "$output"
        timed "$@"
        [ "$status" = ok ] || return 0
        if [ -z "$best" ] || awk -v a="$elapsed" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$elapsed best_peak=$peak_kib
        fi
    done
    elapsed=$best peak_kib=$best_peak
}

# Runs dedb with --jobs $1 as above and checks that it derives the same rows; sets jobs_s (seconds,
# or what went wrong) and jobs_mib.
run_dedb_jobs() {
    local relation
    jobs_s=- jobs_mib=-
    timed_best "$work/jobs.out" "$dedb" --jobs "$1" "$input" "$work/jobs.out"
    jobs_s=$status
    if [ "$status" = ok ]; then
        jobs_s=$elapsed
        jobs_mib=$(mebibytes "$peak_kib")
        # Threads may change the order in which rows are first derived, but not the rows.
        if ! cmp -s "$output" "$work/jobs.out"; then
            for relation in $relations; do
                dedb_rows "$work/jobs.out" "$relation" "$derived_from" >"$work/$relation.dedb-j$1.txt"
            done
            compare_peer "dedb-j$1"
        fi
    fi
    rm -f "$work/jobs.out"
}

# Seconds $1 over seconds $2, when both are numbers.
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN {
        if (a ~ /^[0-9.]+$/ && b ~ /^[0-9.]+$/ && b > 0) printf "%.2f", a / b; else print "-"
    }'
}

# After a failed peer run, keeps the first line of what it wrote to standard error.
note_failure() {
    case "$status" in
        fail*) notes="$notes    $1: $(head -n 1 "$work/peer.err" | cut -c 1-150)"$'\n' ;;
    esac
}

# Sets check from the rows a peer wrote for each checked relation ($work/RELATION.$1.txt).
compare_peer() {
    local peer=$1 relation
    $dedb_ok || return 0
    for relation in $relations; do
        [ -f "$work/$relation.$peer.txt" ] || continue
        LC_ALL=C sort -o "$work/$relation.$peer.txt" "$work/$relation.$peer.txt"
        if cmp -s "$work/$relation.$peer.txt" "$work/$relation.dedb.txt"; then
            if [ "$check" = n/a ]; then check=ok; fi
        else
            check="$peer differs on $relation ($(wc -l <"$work/$relation.$peer.txt") rows)"
        fi
    done
}

format='%-19s %-4s %9s %9s %10s %11s %7s %9s %8s %9s %8s %7s %9s %11s %9s %12s %14s %12s %14s %9s  %s\n'
# shellcheck disable=SC2059
printf "$format" workload size dedb-s rss-MiB derived rows/s B/row dedb-j1-s j1-MiB \
    "dedb-j$threads-s" "j$threads-MiB" speedup sqlite3-s sqlite3-MiB gringo-s souffle-j1-s \
    souffle-j1-MiB "souffle-j$threads-s" "souffle-j$threads-MiB" --check-s check
# New columns go last, so that what reads the older ones by position still finds them.
{
    printf 'workload,size,dedb_s,rss_mib,derived_rows,rows_per_s,bytes_per_row,sqlite3_s,sqlite3_mib,'
    printf 'gringo_s,check,dedb_check_s,threads,dedb_j1_s,dedb_j1_mib,dedb_jn_s,dedb_jn_mib,'
    printf 'dedb_speedup,souffle_j1_s,souffle_j1_mib,souffle_jn_s,souffle_jn_mib,souffle_speedup\n'
} >"$csv"

for workload in "${workloads[@]}"; do
    input=$work/$workload.in
    output=$work/$workload.out
    "$generate" "$workload" "$size" >"$input"
    relations=$(checked_relations "$workload" "$input")
    input_bytes=$(wc -c <"$input")
    derived_from=$((input_bytes + 2)) # the echo is the input and one empty line

    timed_best "$output" "$dedb" "$input" "$output"
    dedb_s=$status rss=- derived=- rate=- per_row=- check=- dedb_ok=false
    if [ "$status" = ok ]; then
        dedb_ok=true
        dedb_s=$elapsed
        rss=$(mebibytes "$peak_kib")
        derived=$(tail -c +"$derived_from" "$output" | awk '
            BEGIN { header = 1 }
            $0 == "" { header = 1; next }
            header { header = 0; next }
            { rows++ }
            END { print rows + 0 }')
        rate=$(awk -v n="$derived" -v s="$elapsed" 'BEGIN { print (s > 0 ? int(n / s) : "-") }')
        per_row=$(awk -v n="$derived" -v k="$peak_kib" 'BEGIN { print (n > 0 ? int(k * 1024 / n) : "-") }')
        check=n/a
        if ! cmp -s -n "$input_bytes" "$input" "$output"; then check="echo differs"; fi
        for relation in $relations; do dedb_rows "$output" "$relation" "$derived_from" >"$work/$relation.dedb.txt"; done
    fi

    # dedb --check on the same input: exit status 1 only says that it found something.
    timed_best '' sh -c '"$0" --check "$1" >/dev/null; [ "$?" -le 1 ]' "$dedb" "$input"
    check_s=$status
    if [ "$status" = ok ]; then check_s=$elapsed; fi

    j1_s=- j1_mib=- jn_s=- jn_mib=- dedb_speedup=-
    if $dedb_has_jobs; then
        run_dedb_jobs 1
        j1_s=$jobs_s j1_mib=$jobs_mib
        run_dedb_jobs "$threads"
        jn_s=$jobs_s jn_mib=$jobs_mib
        dedb_speedup=$(ratio "$j1_s" "$jn_s")
    fi

    notes=
    sqlite_s=- sqlite_mib=-
    queries=$(sql_queries "$workload" "$work")
    if $has_sqlite && [ -n "$queries" ]; then
        { input_to_sql "$input"; echo '.mode quote'; echo "$queries"; } >"$work/script.sql"
        timed sqlite3 -batch :memory: <"$work/script.sql" >/dev/null 2>"$work/peer.err"
        sqlite_s=$status
        if [ "$status" = ok ]; then
            sqlite_s=$elapsed
            sqlite_mib=$(mebibytes "$peak_kib")
            compare_peer sqlite3
        fi
        note_failure sqlite3
    fi

    gringo_s=-
    # gringo orders strings after integers, so the mixed column of scale-rows would differ.
    if $has_gringo && [ "$workload" != scale-rows ]; then
        input_to_gringo "$input" >"$work/program.lp"
        timed gringo --text "$work/program.lp" >"$work/ground.lp" 2>"$work/peer.err"
        gringo_s=$status
        if [ "$status" = ok ]; then
            gringo_s=$elapsed
            for relation in $relations; do
                grep "^$relation(" "$work/ground.lp" | sed -e "s/^$relation(//" -e 's/)\.$//' \
                    -e "s/\"/'/g" >"$work/$relation.gringo.txt" || true
            done
            compare_peer gringo
        fi
        note_failure gringo
    fi

    # Soufflé is compiled once per workload, untimed, then run at one thread and at one per CPU.
    souffle_j1_s=- souffle_j1_mib=- souffle_jn_s=- souffle_jn_mib=- souffle_speedup=-
    if [ -n "$souffle" ] && has_souffle_version "$workload"; then
        rm -rf "$work/souffle"
        if ! input_to_souffle "$input" "$work/souffle" 2>"$work/peer.err"; then
            souffle_j1_s=none
            notes="$notes    souffle: no version of the same meaning: $(head -n 1 "$work/peer.err")"$'\n'
        elif ! compile_souffle; then
            souffle_j1_s="fail(compile)"
            notes="$notes    souffle: $(grep -m 1 -v '^Warning' "$work/peer.err" | cut -c 1-150)"$'\n'
        else
            run_souffle 1 souffle-j1
            souffle_j1_s=$souffle_s souffle_j1_mib=$souffle_mib
            run_souffle "$threads" "souffle-j$threads"
            souffle_jn_s=$souffle_s souffle_jn_mib=$souffle_mib
            souffle_speedup=$(ratio "$souffle_j1_s" "$souffle_jn_s")
        fi
        rm -rf "$work/souffle"
    fi

    # shellcheck disable=SC2059
    printf "$format" "$workload" "$size" "$dedb_s" "$rss" "$derived" "$rate" "$per_row" \
        "$j1_s" "$j1_mib" "$jn_s" "$jn_mib" "$dedb_speedup" "$sqlite_s" "$sqlite_mib" "$gringo_s" \
        "$souffle_j1_s" "$souffle_j1_mib" "$souffle_jn_s" "$souffle_jn_mib" "$check_s" "$check"
    if [ -n "$notes" ]; then printf '%s' "$notes"; fi
    {
        printf '%s,' "$workload" "$size" "$dedb_s" "$rss" "$derived" "$rate" "$per_row" \
            "$sqlite_s" "$sqlite_mib" "$gringo_s" "$check" "$check_s" "$threads" "$j1_s" "$j1_mib" \
            "$jn_s" "$jn_mib" "$dedb_speedup" "$souffle_j1_s" "$souffle_j1_mib" "$souffle_jn_s" \
            "$souffle_jn_mib"
        echo "$souffle_speedup"
    } >>"$csv"
    rm -f "$input" "$output" "$work"/*.txt
done

if command -v gnuplot >/dev/null 2>&1; then
    chart=$out_dir/chart-$size.png
    # Writes to file $1 a line per workload: its name, then per CSV column $3... the value, floored
    # to $2 for the log scales, or - for a timeout or a missing run.
    panel_data() {
        local file=$1 floor=$2
        shift 2
        awk -F, -v columns="$*" -v floor="$floor" 'NR > 1 {
            count = split(columns, column, " ")
            line = $1
            for (i = 1; i <= count; i++) {
                v = $(column[i])
                line = line " " (v ~ /^[0-9.]+$/ ? (v < floor ? floor : v) : "-")
            }
            print line
        }' "$csv" >"$file"
    }
    # The plot clause for the columns of file $1, each given as TITLE=COLOUR, the colour fixed per
    # engine so that it stays the same from panel to panel and chart to chart; an engine without
    # any value gets no bars.
    plot_clause() {
        local file=$1 clause='' column=2 engine
        shift
        for engine in "$@"; do
            if awk -v c="$column" '$c != "-" { found = 1 } END { exit !found }' "$file"; then
                clause="$clause${clause:+, }'$file' using $column:xtic(1) title '${engine%=*}'"
                clause="$clause linecolor ${engine##*=}"
            fi
            column=$((column + 1))
        done
        echo "$clause"
    }
    n=$threads
    panel_data "$work/time.dat" 0.0015 3 14 16 8 10 19 21
    time_plot=$(plot_clause "$work/time.dat" dedb=1 dedb-j1=2 "dedb-j$n=3" sqlite3=4 gringo=5 \
        souffle-j1=6 "souffle-j$n=7")
    panel_data "$work/memory.dat" 0.15 4 15 17 9 20 22
    memory_plot=$(plot_clause "$work/memory.dat" dedb=1 dedb-j1=2 "dedb-j$n=3" sqlite3=4 \
        souffle-j1=6 "souffle-j$n=7")
    # Speedups are drawn only when some engine ran at both thread counts.
    panel_data "$work/speedup.dat" 0 18 23
    speedup_plot=$(plot_clause "$work/speedup.dat" dedb=3 souffle=7)
    speedup_commands=
    panels=2
    if [ -n "$speedup_plot" ]; then
        panels=3
        # Room above the highest bar, and a dashed line where more threads gain nothing.
        speedup_top=$(awk '{ for (i = 2; i <= NF; i++) if ($i != "-" && $i + 0 > top) top = $i + 0 }
            END { print (top > 1 ? top : 1) * 1.15 }' "$work/speedup.dat")
        speedup_commands="unset logscale y
set title 'speedup from 1 to $n threads: seconds at -j1 over seconds at -j$n, higher is better'
set yrange [0:$speedup_top]
set ylabel 'speedup'
set arrow from graph 0, first 1 to graph 1, first 1 nohead dashtype 2
plot $speedup_plot"
    fi
    if gnuplot <<EOF; then echo "chart: $chart"; fi
set terminal pngcairo size 1100,$((panels * 450))
set output '$chart'
set multiplot layout $panels,1 title 'dedb and peers, size $size'
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.8 border -1
set datafile missing '-'
set xtics rotate by -30
set key outside right top
set logscale y
set title 'wall seconds, log scale, lower is better'
set yrange [0.001:*]
set ylabel 'seconds'
plot $time_plot
set title 'peak resident memory, log scale, lower is better'
set yrange [0.1:*]
set ylabel 'MiB'
plot $memory_plot
$speedup_commands
unset multiplot
EOF
fi
echo "results: $csv"
