#!/usr/bin/env bash
# Runs dedb on generated benchmark inputs and prints one table row per workload: wall time, peak
# memory, derived rows, rows per second and bytes per derived row, with sqlite3 (time and peak
# memory) and gringo run on the same data where they are installed, and a check that their derived
# rows equal dedb's.
#
#   bash bench/run.sh [S|M|L] [WORKLOAD...]
#
# Environment: DEDB_BENCH_TIMEOUT seconds per run (600), DEDB_BENCH_REPEAT dedb runs per workload,
# the fastest kept (3), DEDB_BENCH_BUILD build folder
# (build-bench), DEDB_BENCH_OUT folder for results-SIZE.csv and chart-SIZE.png (the build folder).
set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${DEDB_BENCH_BUILD:-$root/build-bench}
limit=${DEDB_BENCH_TIMEOUT:-600}
repeat=${DEDB_BENCH_REPEAT:-3}
all_workloads=(tc-chain tc-random tc-nonlinear-chain same-generation triangles strings points-to
    chain-reach rule-pipeline wide-rows alias-analysis scale-rows long-line many-rules)
default_workloads=(tc-chain tc-random tc-nonlinear-chain same-generation triangles strings
    points-to chain-reach rule-pipeline wide-rows alias-analysis)

size=M
case "${1:-}" in
    S | M | L) size=$1; shift ;;
esac
if [ "$#" -gt 0 ]; then workloads=("$@"); else workloads=("${default_workloads[@]}"); fi
for workload in "${workloads[@]}"; do
    case " ${all_workloads[*]} " in
        *" $workload "*) ;;
        *)
            echo "usage: bash bench/run.sh [S|M|L] [WORKLOAD...]" >&2
            echo "workloads: ${all_workloads[*]}" >&2
            exit 2
            ;;
    esac
done
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
# run; stops at the first run that fails or times out.
timed_best() {
    local best='' best_peak='' run
    for ((run = 0; run < repeat; run++)); do
        timed "$@"
        [ "$status" = ok ] || return
        if [ -z "$best" ] || awk -v a="$elapsed" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$elapsed best_peak=$peak_kib
        fi
    done
    elapsed=$best peak_kib=$best_peak
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

format='%-19s %-4s %9s %9s %10s %11s %7s %9s %11s %9s %9s  %s\n'
# shellcheck disable=SC2059
printf "$format" workload size dedb-s rss-MiB derived rows/s B/row sqlite3-s sqlite3-MiB gringo-s \
    --check-s check
echo "workload,size,dedb_s,rss_mib,derived_rows,rows_per_s,bytes_per_row,sqlite3_s,sqlite3_mib,gringo_s,check,dedb_check_s" >"$csv"

for workload in "${workloads[@]}"; do
    input=$work/$workload.in
    output=$work/$workload.out
    "$generate" "$workload" "$size" >"$input"
    relations=$(checked_relations "$workload" "$input")
    input_bytes=$(wc -c <"$input")
    derived_from=$((input_bytes + 2)) # the echo is the input and one empty line

    timed_best "$dedb" "$input" "$output"
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
    timed_best sh -c '"$0" --check "$1" >/dev/null; [ "$?" -le 1 ]' "$dedb" "$input"
    check_s=$status
    if [ "$status" = ok ]; then check_s=$elapsed; fi

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

    # shellcheck disable=SC2059
    printf "$format" "$workload" "$size" "$dedb_s" "$rss" "$derived" "$rate" "$per_row" \
        "$sqlite_s" "$sqlite_mib" "$gringo_s" "$check_s" "$check"
    if [ -n "$notes" ]; then printf '%s' "$notes"; fi
    echo "$workload,$size,$dedb_s,$rss,$derived,$rate,$per_row,$sqlite_s,$sqlite_mib,$gringo_s,$check,$check_s" \
        >>"$csv"
    rm -f "$input" "$output" "$work"/*.txt
done

if command -v gnuplot >/dev/null 2>&1; then
    chart=$out_dir/chart-$size.png
    # Per workload: seconds of dedb, sqlite3 and gringo, then peak MiB of dedb and sqlite3. A
    # timeout or missing run is left out; values are floored for the log scales. An engine
    # without any value gets no bars.
    awk -F, 'NR > 1 {
        line = $1
        split("3 8 10 4 9", columns, " ")
        for (i = 1; i <= 5; i++) {
            v = $(columns[i])
            floor = i <= 3 ? 0.0015 : 0.15
            line = line " " (v ~ /^[0-9.]+$/ ? (v < floor ? floor : v) : "-")
        }
        print line
    }' "$csv" >"$work/chart.dat"
    has_values() { awk -v c="$1" '$c != "-" { found = 1 } END { exit !found }' "$work/chart.dat"; }
    time_plot="'$work/chart.dat' using 2:xtic(1) title 'dedb'"
    column=3
    for peer in sqlite3 gringo; do
        if has_values "$column"; then time_plot="$time_plot, '' using $column title '$peer'"; fi
        column=$((column + 1))
    done
    memory_plot="'$work/chart.dat' using 5:xtic(1) title 'dedb'"
    if has_values 6; then memory_plot="$memory_plot, '' using 6 title 'sqlite3'"; fi
    if gnuplot <<EOF; then echo "chart: $chart"; fi
set terminal pngcairo size 1000,900
set output '$chart'
set multiplot layout 2,1 title 'dedb and peers, size $size, log scales, lower is better'
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.8 border -1
set datafile missing '-'
set logscale y
set xtics rotate by -30
set key top left
set title 'wall seconds'
set yrange [0.001:*]
set ylabel 'seconds'
plot $time_plot
set title 'peak resident memory'
set yrange [0.1:*]
set ylabel 'MiB'
plot $memory_plot
unset multiplot
EOF
fi
echo "results: $csv"
