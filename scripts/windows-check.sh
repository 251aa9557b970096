#!/usr/bin/env bash
# The engine on Windows: builds Ruzovizu.exe with the windows-cross preset
# (MinGW-w64, statically linked) and runs it under Wine on the bundled
# example and on end-to-end cases of every analysis, the Linux engine
# running the same cases beside it. Every output must be byte for byte the
# Linux build's: reports, logs, coded files, the console text (the Windows
# console writes CR LF; CR LF is read back as LF) and the exit status.
#
# The Windows runs see their files as Windows does: under C:\ (Wine's drive
# C: is the prefix's drive_c folder), in folders whose names hold spaces and
# non-ASCII letters, through parameter files written with CR LF and paths
# with backslashes, and an engine that finds its call file beside itself.
# Where a report or the console names a path, the paths of the two runs are
# mapped onto one root, and '\' is read as '/', before the texts are
# compared: each system writes its own separator.
#
# A few checks concern Windows alone: the call file found beside an engine
# started by a bare name from the search path, file names Windows refuses,
# a result file named like an input in other letter cases, and Ctrl-C, which
# must remove the temporary files (checked on both builds).
#
# usage: scripts/windows-check.sh [--linux-engine PATH] [--keep]
#   --linux-engine PATH  the Linux Ruzovizu to compare with (default: an
#                        engine-only release build in build/windows-check)
#   --keep               keep the case folders (they are kept anyway when a
#                        check fails); they lie in the Wine prefix's drive C:
# Needs g++-mingw-w64-x86-64-posix, libz-mingw-w64-dev, libhts-dev and
# wine64 (installed when missing). Exit status 0 when every check passed.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

linux_engine=""
keep=0
while [ $# -gt 0 ]; do
    case $1 in
        --linux-engine) linux_engine=$(realpath "$2"); shift 2 ;;
        --keep) keep=1; shift ;;
        *) echo "usage: $0 [--linux-engine PATH] [--keep]" >&2; exit 2 ;;
    esac
done

. scripts/packages.sh
ensure_packages cmake make g++ g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libhts-dev zlib1g-dev wine64 python3-pybigwig

jobs=$(nproc 2>/dev/null || echo 2)
section() { echo "== $1 (at ${SECONDS}s)"; }

# ---------------------------------------------------------------------------
# The two engines

section "windows-cross build"
cmake --preset windows-cross >/dev/null
build_log=$(mktemp)
if ! cmake --build --preset windows-cross -j "$jobs" >"$build_log" 2>&1; then
    cat "$build_log"
    exit 1
fi
if grep -q 'warning:' "$build_log"; then
    grep -B2 -A6 'warning:' "$build_log"
    echo "FAILED: the cross build gives warnings" >&2
    exit 1
fi
rm -f "$build_log"
windows_engine=$repo/build/windows-cross/bin/Ruzovizu.exe

# Statically linked: the only DLLs it asks for are the system's own.
imports=$(x86_64-w64-mingw32-objdump -p "$windows_engine" | awk '/DLL Name:/ {print $3}')
for dll in $imports; do
    case ${dll,,} in
        kernel32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*.dll | advapi32.dll | user32.dll | \
            shell32.dll | ws2_32.dll | bcrypt.dll | ntdll.dll) ;;
        *) echo "FAILED: Ruzovizu.exe needs $dll beside it (not linked statically)" >&2; exit 1 ;;
    esac
done
echo "Ruzovizu.exe imports only: $(echo $imports)"

if [ -z "$linux_engine" ]; then
    section "Linux engine (build/windows-check)"
    cmake -S . -B build/windows-check -DCMAKE_BUILD_TYPE=Release -DRUZ_BUILD_TESTS=OFF \
          -DRUZ_BUILD_BENCH=OFF -DRUZ_BUILD_LAUNCHER=OFF >/dev/null
    cmake --build build/windows-check --target Ruzovizu -j "$jobs" >/dev/null
    linux_engine=$repo/build/windows-check/bin/Ruzovizu
fi
[ -x "$linux_engine" ] || { echo "no Linux engine at $linux_engine" >&2; exit 1; }

# ---------------------------------------------------------------------------
# Wine: a prefix of its own in the build folder, no window, no messages of
# its own, a server kept up for the whole check.

wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
export WINEPREFIX=$repo/build/windows-cross/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
section "Wine prefix $WINEPREFIX"
stop_wine() { "$wineserver" -k >/dev/null 2>&1 || true; }
mkdir -p "$WINEPREFIX"
stop_wine
"$wineserver" -p
"$wine" wineboot --init >/dev/null 2>&1 || true

# ---------------------------------------------------------------------------
# The case tree: one side for each build, laid out alike, so the paths of
# the two differ only in their root.

check=$WINEPREFIX/drive_c/"Ruzovizu check"/"données проверка"
check_win='C:\Ruzovizu check\données проверка'
rm -rf "$WINEPREFIX/drive_c/Ruzovizu check"
mkdir -p "$check"/{lin,win}/{engine,elsewhere,console} "$check/inputs"
cp "$linux_engine" "$check/lin/engine/Ruzovizu"
cp "$windows_engine" "$check/win/engine/Ruzovizu.exe"

finish() {
    local status=$?
    stop_wine
    if [ "$status" -eq 0 ] && [ "$keep" -eq 0 ]; then
        rm -rf "$WINEPREFIX/drive_c/Ruzovizu check"
    else
        echo "The case folders are in $check"
    fi
}
trap finish EXIT

# The Windows form of a path below the prefix's drive_c folder.
windows_path() {
    local p=${1#"$WINEPREFIX/drive_c/"}
    echo "C:\\${p//\//\\}"
}

failures=0
passes=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
pass() { passes=$((passes + 1)); }

# ---------------------------------------------------------------------------
# Comparison

# A text as both builds would write it: '\' read as '/' (the separators of
# the two systems), the root of its side replaced by <ROOT>, and on the
# Windows console CR LF read as LF.
normalise() {  # side kind file
    local root=$check/lin crlf=0
    if [ "$1" = win ]; then
        root="${check_win//\\//}/win"
        [ "$2" = console ] && crlf=1
    fi
    perl -0777 -pe 'BEGIN { $r = shift; $crlf = shift }
                    s/\r\n/\n/g if $crlf; tr{\\}{/}; s/\Q$r\E/<ROOT>/g' "$root" "$crlf" "$3"
}

same_output() {  # what kind linux_file windows_file
    local what=$1 kind=$2 lin=$3 win=$4
    if [ "$kind" != console ] && cmp -s "$lin" "$win"; then return 0; fi
    if cmp -s <(normalise lin "$kind" "$lin") <(normalise win "$kind" "$win"); then return 0; fi
    fail "$what differs (Linux <, Windows >):"
    diff <(normalise lin "$kind" "$lin" | cat -v) <(normalise win "$kind" "$win" | cat -v) | head -n 20 || true
    return 1
}

# Every file of a folder on both sides: the same names, the same bytes. The
# weight tracks are bigWig on Linux and bedGraph on Windows (a build without
# libBigWig): they are compared base by base instead.
same_tree() {  # what relative_folder
    local what=$1 folder=$2 ok=0
    local lin_list win_list track
    lin_list=$(cd "$check/lin/$folder" && find . -type f ! -name '_ParamsOfFunc.txt' ! -name 'params.txt' | LC_ALL=C sort)
    win_list=$(cd "$check/win/$folder" && find . -type f ! -name '_ParamsOfFunc.txt' ! -name 'params.txt' | LC_ALL=C sort)
    while IFS= read -r track; do
        [ -n "$track" ] || continue
        if python3 tests/tracks/weight_tracks_equal.py "$check/lin/$folder/$track" \
            "$check/win/$folder/${track%.bw}.bedGraph"; then
            lin_list=$(grep -vxF "$track" <<<"$lin_list")
            win_list=$(grep -vxF "${track%.bw}.bedGraph" <<<"$win_list")
        else
            fail "$what: $track and the Windows bedGraph weigh the bases otherwise"
            ok=1
        fi
    done < <(grep -E '_(Up|Lw)\.bw$' <<<"$lin_list")
    if [ "$lin_list" != "$win_list" ]; then
        fail "$what: the files differ (Linux <, Windows >):"
        diff <(echo "$lin_list") <(echo "$win_list") || true
        return 1
    fi
    while IFS= read -r f; do
        [ -n "$f" ] || continue
        same_output "$what: $f" file "$check/lin/$folder/$f" "$check/win/$folder/$f" || ok=1
    done <<<"$lin_list"
    return $ok
}

# ---------------------------------------------------------------------------
# Running the engines. Standard input is empty: the engine waits for no key.

# run SIDE NAME CWD [ARGS...]: the engine of SIDE with ARGS (none: the call
# file beside it), console text and status kept under console/NAME.
run() {
    local side=$1 name=$2 cwd=$3
    shift 3
    local out=$check/$side/console/$name status=0
    if [ "$side" = lin ]; then
        (cd "$cwd" && timeout 300 "$check/lin/engine/Ruzovizu" "$@" </dev/null >"$out.out" 2>"$out.err") ||
            status=$?
    else
        # Now and then, on a busy machine, Wine ends a program before it has
        # run, with status 1 and no output. The engine always prints
        # something, so such a run is tried once more.
        local attempt
        for attempt in 1 2; do
            status=0
            (cd "$cwd" && timeout 300 "$wine" "$check_win\\win\\engine\\Ruzovizu.exe" "$@" \
                </dev/null >"$out.out" 2>"$out.err") || status=$?
            [ "$status" -ne 0 ] && [ ! -s "$out.out" ] && [ ! -s "$out.err" ] || break
            echo "note: $name: Wine gave no output (status $status), running it again"
        done
    fi
    echo "$status" >"$out.status"
}

same_run() {  # name
    local name=$1 ok=0
    same_output "$name: console" console "$check/lin/console/$name.out" "$check/win/console/$name.out" || ok=1
    same_output "$name: error stream" console "$check/lin/console/$name.err" "$check/win/console/$name.err" || ok=1
    local ls ws
    ls=$(cat "$check/lin/console/$name.status")
    ws=$(cat "$check/win/console/$name.status")
    [ "$ls" = "$ws" ] || { fail "$name: exit status $ls on Linux, $ws on Windows"; ok=1; }
    return $ok
}

# Writes the call file beside the engine of SIDE: the parameter file and
# the function, LF (or CR LF with crlf) between and after them.
call_file() {  # side parameter_file function [crlf]
    local side=$1 params=$2 function=$3 eol='\n'
    [ "${4:-}" = crlf ] && eol='\r\n'
    printf "%s$eol%s$eol" "$params" "$function" >"$check/$side/engine/_ParamsOfFunc.txt"
}

# ---------------------------------------------------------------------------
# Inputs: the bundled example's files and a few the script derives from
# them, the same bytes for both builds.

in=$check/inputs
cp examples/genome.txt examples/genome.bin examples/reads.txt examples/circular_reads.txt \
   examples/parted_reads1.bin examples/parted_reads2.bin examples/TaskList.txt "$in/"
cp examples/fastq/lambda_virus.fa.gz examples/fastq/sample_1.fq.gz "$in/"
perl -e '
    # Reads cut from the genome at spread places, of 10 to 79 letters, every
    # other one as its reverse complement, every 25th with an N, and a few
    # that lie nowhere; as letters (LF and CR LF) and as codes.
    local $/; open my $g, "<", $ARGV[0] or die; my $genome = <$g>;
    my $n = length $genome;
    open my $lf, ">", "$ARGV[1]/sampled.txt" or die;
    open my $crlf, ">", "$ARGV[1]/sampled_crlf.txt" or die;
    open my $bin, ">", "$ARGV[1]/sampled.bin" or die;
    for my $i (0 .. 299) {
        my $len = 10 + ($i * 13) % 70;
        my $read = substr($genome, ($i * 7919) % ($n - $len), $len);
        if ($i % 2) { $read = reverse $read; $read =~ tr/ACGT/TGCA/; }
        $read = "ACGT" x int($len / 4) if $i % 37 == 5;
        my $letters = $read;
        substr($letters, $len / 2, 1) = "N" if $i % 25 == 3;
        print $lf "$letters\n";
        print $crlf "$letters\r\n";
        next if $i % 25 == 3;   # a coded file holds bases only
        (my $codes = $read) =~ tr/ACGT/\x00\x01\x02\x03/;
        print $bin "$codes\n";
    }
' "$in/genome.txt" "$in"
perl -pe 's/\n/\r\n/' examples/reads.txt >"$in/reads_crlf.txt"
perl -pe 's/\n/\r\n/' examples/TaskList.txt >"$in/TaskList_crlf.txt"
printf 'parted_reads1.bin\r\n\r\nparted_reads2.bin\r\n' >"$in/PartedList_crlf.txt"
cp "$in/genome.txt" "$in/letters.bin"
# A genome file just over 4 GiB (sparse): a size that a 32-bit length would
# read as 100 bytes.
truncate -s 4294967396 "$in/huge.bin"

# ---------------------------------------------------------------------------
# End-to-end cases of every analysis, through the call file beside the
# engine. A case is its function, its options and its parameter records,
# one "name=value" a line; a value "@PATH" is PATH inside the case's folder
# (its inputs are in in/, its result folder is res/), and "^PATH" the same
# path spelled with '/' on Windows too. The Windows parameter file is
# written with CR LF and backslashes unless the case says:
#   lf     the Windows parameter file ends its lines with LF
#   slash  every Windows path keeps '/' as separator
#   cmd    the command line names the parameter file and the function
#   fails  the run ends on a failure (status 1); otherwise it must run to
#          its end (status 0) and write results
#   +FILE  FILE is an input too (one the records do not name)
# The inputs are copied into the case's in/ folder on each side, since some
# analyses write beside their reads files.

case_dir() { echo "$check/$1/cases/$2"; }

parameter_file() {  # side case options < records
    local side=$1 name=$2 options=$3
    local dir base
    dir=$(case_dir "$side" "$name")
    if [ "$side" = lin ]; then base="$dir/"; else base="$(windows_path "$dir")\\"; fi
    local slash=0 crlf=1
    [[ " $options " == *" slash "* ]] && slash=1
    [[ " $options " == *" lf "* ]] && crlf=0
    while IFS= read -r record; do
        local key=${record%%=*} value=${record#*=}
        if [[ $value == [@^]* ]]; then
            local forward=$slash
            [[ $value == ^* ]] && forward=1
            value=${value:1}
            if [ "$side" = lin ]; then
                value="$base$value"
            elif [ "$forward" = 1 ]; then
                value="${base//\\//}$value"
            else
                value="$base${value//\//\\}"
            fi
        fi
        local eol=$'\n'
        [ "$side" = win ] && [ $crlf = 1 ] && eol=$'\r\n'
        printf '%s%s%s%s%s%s%s%s' "$key" "$eol" "text" "$eol" "$key" "$eol" "$value" "$eol"
    done
}

# run_case NAME FUNCTION "OPTIONS" <<records
run_case() {
    local name=$1 function=$2 options=$3 records
    records=$(cat)
    for side in lin win; do
        local dir
        dir=$(case_dir "$side" "$name")
        mkdir -p "$dir/in" "$dir/res"
        for input in $(grep -o '[@^]in/.*' <<<"$records" | cut -c5-) $(grep -o '+[^ ]*' <<<"$options" | cut -c2-); do
            if [ -f "$in/$input" ]; then cp "$in/$input" "$dir/in/"; fi
        done
        parameter_file "$side" "$name" "$options" <<<"$records" >"$dir/params.txt"
        local params=$dir/params.txt
        [ "$side" = win ] && params=$(windows_path "$dir/params.txt")
        if [[ " $options " == *" cmd "* ]]; then
            run "$side" "$name" "$check/$side/elsewhere" "$params" "$function"
        else
            call_file "$side" "$params" "$function"
            run "$side" "$name" "$check/$side/elsewhere"
        fi
    done
    local ok=0 status
    same_run "$name" || ok=1
    same_tree "$name" "cases/$name" || ok=1
    status=$(cat "$check/lin/console/$name.status")
    if [[ " $options " == *" fails "* ]]; then
        [ "$status" = 1 ] || { fail "$name: status $status where the run should fail"; ok=1; }
    elif [ "$status" != 0 ] || [ -z "$(ls -A "$(case_dir lin "$name")/res")" ]; then
        fail "$name: status $status, no results, where the run should end well"
        ok=1
    fi
    [ $ok = 0 ] && pass
    return 0
}

section "end-to-end cases"

run_case RandExt RandExt "" <<'EOF'
pthGnm=@in/genome.txt
pthReads=@in/reads.txt
diRes=@res
experimentId=exp é 1.a
immutSz=20
mutTipSz=6
misNu=2
EOF
run_case RandExt-crlf-reads RandExt "slash" <<'EOF'
pthGnm=@in/genome.txt
pthReads=@in/reads_crlf.txt
diRes=@res
experimentId=blank
immutSz=18
mutTipSz=8
misNu=3
EOF
run_case RandExt-huge-genome RandExt "fails" <<'EOF'
pthGnm=@in/huge.bin
pthReads=@in/reads.txt
diRes=@res
experimentId=huge
immutSz=20
mutTipSz=6
misNu=2
EOF
run_case RandExt-missing-reads RandExt "cmd fails" <<'EOF'
pthGnm=@in/genome.txt
pthReads=@in/no such reads.txt
diRes=@res
experimentId=missing
immutSz=20
mutTipSz=6
misNu=2
EOF
run_case RandExt-reads-is-a-folder RandExt "fails" <<'EOF'
pthGnm=@in/genome.txt
pthReads=@in
diRes=@res
experimentId=folder
immutSz=20
mutTipSz=6
misNu=2
EOF
run_case RandExtTaskList RandExtTaskList "" <<'EOF'
pthGnm=@in/genome.txt
pthReads=@in/reads_crlf.txt
diRes=@res
pthTaskList=@in/TaskList_crlf.txt
EOF
run_case fIdentifyCircularRna fIdentifyCircularRna "" <<'EOF'
diRes=@res
pthGnm=@in/genome.txt
pthReads=@in/circular_reads.txt
rMinSz=20
rMaxSz=100
EOF
run_case fMatchReadsT_VarSzParted fMatchReadsT_VarSzParted "lf" <<'EOF'
diRes=@res
pthReads=@in/parted_reads1.bin
pthGnm=@in/genome.bin
rMinSz=20
rMaxSz=100
EOF
run_case fMatchReadsT_VarSzPartedRate fMatchReadsT_VarSzPartedRate "+parted_reads1.bin +parted_reads2.bin" <<'EOF'
diRes=@res
diReads=@in
pthList=@in/PartedList_crlf.txt
pthGnm=@in/genome.bin
rMinSz=20
rMaxSz=100
EOF
run_case fMapReadsOnToSeq fMapReadsOnToSeq "" <<'EOF'
diRes=@res
pthReads=@in/sampled.bin
pthGnm=@in/genome.bin
rMinSz=16
rMaxSz=60
EOF
run_case fMatchReadsT_VarSzO fMatchReadsT_VarSzO "" <<'EOF'
diRes=@res
pthReads=@in/sampled.bin
pthGnm=@in/genome.bin
rMinSz=10
rMaxSz=40
EOF
run_case fMapReadsOneInSeq fMapReadsOneInSeq "slash" <<'EOF'
diRes=@res
pthReads=@in/sampled.bin
pthGnm=@in/genome.bin
EOF
run_case fMapReadsOneInSeq-huge-genome fMapReadsOneInSeq "fails" <<'EOF'
diRes=@res
pthReads=@in/sampled.bin
pthGnm=@in/huge.bin
EOF
run_case fReadsOutOfSeq fReadsOutOfSeq "" <<'EOF'
diRes=@res
pthReads=@in/sampled.bin
pthGnm=@in/genome.bin
rMinSz=12
rMaxSz=100
EOF
run_case fReadsOutOfSeq-no-result-folder fReadsOutOfSeq "fails" <<'EOF'
diRes=@no such folder
pthReads=@in/sampled.bin
pthGnm=@in/genome.bin
rMinSz=12
rMaxSz=100
EOF
run_case fGetReadsThatOutOfSeq fGetReadsThatOutOfSeq "" <<'EOF'
diRes=@res
pthReads=@in/sampled_crlf.txt
pthGnm=@in/genome.txt
rMinSz=12
rMaxSz=100
EOF
run_case fTestGenomeSborka fTestGenomeSborka "" <<'EOF'
diRes=@res
pthReads=@in/sampled.bin
pthGnm=@in/genome.bin
EOF
run_case fLettersToCodes-genome fLettersToCodes "" <<'EOF'
pthLetters=@in/genome.txt
fileKind=genome
diRes=@res
outName=génome codé
EOF
run_case fLettersToCodes-reads fLettersToCodes "cmd" <<'EOF'
pthLetters=@in/sampled_crlf.txt
fileKind=reads
diRes=@res
outName=blank
EOF
# The result would replace its input: refused, though the Windows paths
# spell the folder with '/' and the input with '\'.
run_case fLettersToCodes-result-is-input fLettersToCodes "fails" <<'EOF'
pthLetters=@in/letters.bin
fileKind=genome
diRes=^in
outName=blank
EOF
run_case fPrepGenome fPrepGenome "" <<'EOF'
pthFasta=@in/lambda_virus.fa.gz
seqName=blank
diRes=@res
outName=blank
outForm=both
nonAcgt=refuse
EOF
run_case fPrepReads fPrepReads "" <<'EOF'
pthFastq=@in/sample_1.fq.gz
diRes=@res
outName=lecture ß
outForm=both
rMinSz=1
rMaxSz=5119
trimHeadSz=0
trimTailSz=0
readsWithN=drop
EOF


# ---------------------------------------------------------------------------
# The call file itself

section "call files"
for side in lin win; do
    params=$(case_dir "$side" RandExt)/params.txt
    [ "$side" = win ] && params=$(windows_path "$params")
    # Written with CR LF, the function name keeps its CR: nothing runs.
    call_file "$side" "$params" RandExt crlf
    run "$side" call-file-crlf "$check/$side/elsewhere"
    rm "$check/$side/engine/_ParamsOfFunc.txt"
    run "$side" call-file-missing "$check/$side/elsewhere"
done
same_run call-file-crlf && pass
same_run call-file-missing && pass
grep -q 'no analysis is named "RandExt\\r"' "$check/win/console/call-file-crlf.err" ||
    fail "call-file-crlf: the refused name is not shown"

# ---------------------------------------------------------------------------
# Windows alone

section "Windows alone"
# Started by a bare name that cmd finds on the search path, from another
# folder and with NUL as standard input, the engine still finds the call
# file beside itself, waits for no key, and writes what it wrote before.
call_file win "$(windows_path "$(case_dir win RandExt)/params.txt")" RandExt
cp "$check/win/console/RandExt.out" "$check/win/console/RandExt.first.out"
(cd "$check/win/elsewhere" &&
    WINEPATH="$check_win\\win\\engine" timeout 300 "$wine" cmd /c "Ruzovizu <NUL" \
        </dev/null >"$check/win/console/RandExt.out" 2>/dev/null) || true
if cmp -s "$check/win/console/RandExt.first.out" "$check/win/console/RandExt.out" &&
    same_tree "RandExt started by its bare name" cases/RandExt; then
    pass
else
    fail "started by its bare name from the search path, the engine did not run the case as before:"
    diff <(cat -v "$check/win/console/RandExt.first.out") <(cat -v "$check/win/console/RandExt.out") | head || true
fi

# refused NAME FUNCTION <<records: Windows refuses the result's name; the
# run says so, fails and leaves nothing.
refused() {
    local name=$1 function=$2 dir
    dir=$(case_dir win "$name")
    mkdir -p "$dir/in" "$dir/res"
    cp "$in/genome.txt" "$in/reads.txt" "$dir/in/"
    parameter_file win "$name" "" >"$dir/params.txt"
    call_file win "$(windows_path "$dir/params.txt")" "$function"
    run win "$name" "$check/win/elsewhere"
    if grep -q 'has a name that the system does not allow' "$check/win/console/$name.out" &&
        [ "$(cat "$check/win/console/$name.status")" = 1 ] && [ -z "$(ls -A "$dir/res")" ]; then
        pass
    else
        fail "$name: a name Windows refuses was not refused cleanly:"
        cat -v "$check/win/console/$name.out" | tail -n 3
        ls -A "$dir/res"
    fi
}
refused refused-colon RandExt <<'RECORDS'
pthGnm=@in/genome.txt
pthReads=@in/reads.txt
diRes=@res
experimentId=run:2
immutSz=20
mutTipSz=6
misNu=2
RECORDS
for device in con LPT1 'nul.x'; do
    refused "refused-$device" fLettersToCodes <<RECORDS
pthLetters=@in/genome.txt
fileKind=genome
diRes=@res
outName=$device
RECORDS
done

# A result named like its input in other letter cases is that input on
# Windows: refused, and the input stays.
dir=$(case_dir win result-is-input-other-case)
mkdir -p "$dir/in"
cp "$in/letters.bin" "$dir/in/letters.bin"
parameter_file win result-is-input-other-case "" >"$dir/params.txt" <<'RECORDS'
pthLetters=@in/LETTERS.BIN
fileKind=genome
diRes=@in
outName=blank
RECORDS
call_file win "$(windows_path "$dir/params.txt")" fLettersToCodes
run win result-is-input-other-case "$check/win/elsewhere"
if grep -q 'is an input of this run' "$check/win/console/result-is-input-other-case.out" &&
    cmp -s "$in/letters.bin" "$dir/in/letters.bin" && [ "$(ls "$dir/in")" = letters.bin ]; then
    pass
else
    fail "result-is-input-other-case: the input was not protected:"
    tail -n 3 "$check/win/console/result-is-input-other-case.out"
fi

# ---------------------------------------------------------------------------
# Ctrl-C (SIGINT, which Wine hands to the program as Ctrl-C) while the
# reads are scanned: the run ends and leaves no temporary file and no result.

section "interruption"
perl -e 'local $/; my $r = <STDIN>; print $r x 40000' <"$in/reads.txt" >"$in/many.txt"
interrupt() {  # side
    local side=$1 dir res pid status=0 i
    dir=$(case_dir "$side" interrupt)
    res=$dir/res
    mkdir -p "$res" "$dir/in"
    ln -f "$in/genome.txt" "$in/many.txt" "$dir/in/"
    parameter_file "$side" interrupt "" >"$dir/params.txt" <<'RECORDS'
pthGnm=@in/genome.txt
pthReads=@in/many.txt
diRes=@res
experimentId=stopped
immutSz=20
mutTipSz=6
misNu=2
RECORDS
    # SIGINT as a terminal would deliver it: a background job of a script,
    # or a script started in the background, would pass it on ignored, and
    # the engine keeps an ignore it inherits.
    local default_sigint=(perl -e '$SIG{INT} = "DEFAULT"; exec @ARGV or die "exec $ARGV[0]: $!"')
    if [ "$side" = lin ]; then
        "${default_sigint[@]}" "$check/lin/engine/Ruzovizu" "$dir/params.txt" RandExt \
            </dev/null >"$dir/console" 2>&1 &
    else
        "${default_sigint[@]}" "$wine" "$check_win\\win\\engine\\Ruzovizu.exe" \
            "$(windows_path "$dir/params.txt")" RandExt </dev/null >"$dir/console" 2>&1 &
    fi
    pid=$!
    for ((i = 0; i < 3000; i++)); do
        compgen -G "$res/*.tmp" >/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.02
    done
    if ! compgen -G "$res/*.tmp" >/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        fail "interrupt ($side): no temporary file to interrupt was seen"
        return
    fi
    sleep 0.2
    kill -INT "$pid" 2>/dev/null || true
    wait "$pid" || status=$?
    if [ "$status" -ne 0 ] && [ -z "$(ls -A "$res")" ]; then
        pass
    else
        fail "interrupt ($side): status $status, left in the result folder: $(ls -A "$res" | tr '\n' ' ')"
    fi
}
interrupt lin
interrupt win

# ---------------------------------------------------------------------------
# Every analysis of the engine's table (Ruzovizu --list), with its template
# filled from tests/data/parameter_values.txt over inputs of the names that
# file uses, so that an analysis added to the engine is compared here too.

section "every analysis of the table"
cp "$in/genome.txt" "$in/g.txt"
cp "$in/genome.bin" "$in/g.bin"
cp "$in/reads.txt" "$in/r.txt"
cp "$in/parted_reads1.bin" "$in/r.bin"
cp "$in/TaskList.txt" "$in/tasks.txt"
printf 'r.bin\n' >"$in/list.txt"
{ echo ">g genome"; fold -w 70 "$in/genome.txt"; echo; } >"$in/g.fa"
awk '{ print "@r" NR; print; print "+"; gsub(/./, "I"); print }' "$in/r.txt" >"$in/r.fq"
while IFS=$'\t' read -r function _; do
    filled=$check/table-$function.txt
    scripts/fill-params.sh "$linux_engine" "$function" tests/data/parameter_values.txt @in "$filled" @res
    run_case "table-$function" "$function" "+r.bin +r.txt" \
        < <(awk 'NR % 4 == 3 { name = $0 } NR % 4 == 0 { print name "=" $0 }' "$filled")
done < <("$linux_engine" --list)

# ---------------------------------------------------------------------------
# The bundled example: every parameter file of examples/ named after a
# function, run from a copy of the repository's layout as its README says
# (the preparation functions first: RandExt in examples/fastq reads what
# they write). The Windows command line names the file with backslashes.

section "bundled example"
functions=$("$linux_engine" --list | cut -f1)
example_files=()
for pass_kind in prep other; do
    for f in examples/*.txt examples/*/*.txt; do
        name=$(basename "$f" .txt)
        grep -qx "$name" <<<"$functions" || continue
        case $name in fPrep* | fLettersToCodes) kind=prep ;; *) kind=other ;; esac
        [ "$kind" = "$pass_kind" ] && example_files+=("$f")
    done
done
for side in lin win; do
    mkdir -p "$check/$side/example/results/example" "$check/$side/example/results/fastq"
    cp -r examples "$check/$side/example/"
done
for f in "${example_files[@]}"; do
    name=$(basename "$f" .txt)
    tag=example-${f//\//-}
    run lin "$tag" "$check/lin/example" "$f" "$name"
    run win "$tag" "$check/win/example" "${f//\//\\}" "$name"
    same_run "$tag" && pass
    [ "$(cat "$check/lin/console/$tag.status")" = 0 ] || fail "$tag: the example did not run to its end"
done
same_tree "bundled example" example && pass

# ---------------------------------------------------------------------------

leftovers=$(find "$check" -name '*.tmp')
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"

echo
echo "windows-check: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
