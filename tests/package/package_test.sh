#!/usr/bin/env bash
# The Debian package: CPack builds it from the build folder, dpkg-deb unpacks
# it into a temporary root, and the engine runs from there: the preparation
# functions on the bundled example, then RandExt started through the call
# file beside the engine, as the launcher starts it. Checks the layout the
# launcher relies on (its Params folder and the engine beside it), the
# system links, the declared dependencies, and the per-user folder that
# /usr/bin/Quellon prepares.
#
# usage: package_test.sh BUILD_DIR launcher|nolauncher   (exit 77: cpack or dpkg-deb missing)
set -euo pipefail
build_dir=$(cd "$1" && pwd)
with_launcher=$2
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/out" >"$work/cpack.out" 2>&1 ||
    { cat "$work/cpack.out"; fail "cpack did not build the package"; }
deb=$(ls "$work"/out/ruzovizu_*.deb)
[ "$(echo "$deb" | wc -l)" = 1 ] || fail "not one package: $deb"

control=$(dpkg-deb -f "$deb")
grep -q '^Package: ruzovizu$' <<<"$control" || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 zlib1g; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
# An engine that writes bigWig needs libBigWig's shared library.
if grep -q '^BIGWIG_LIBRARY:FILEPATH=/.*libBigWig.so' "$build_dir/CMakeCache.txt"; then
    grep -q libbigwig0 <<<"$depends" || fail "Depends lacks libbigwig0: $depends"
fi
if [ "$with_launcher" = launcher ]; then
    grep -q libqt6widgets6 <<<"$depends" || fail "Depends lacks Qt 6 Widgets: $depends"
fi

root=$work/root
dpkg-deb -x "$deb" "$root"
app=$root/opt/ruzovizu
for file in Ruzovizu Params/List_FuncModulePack.txt Params/AboutFuncs.txt Params/fPrepGenome.txt \
    Params/fPrepReads.txt Params/fLettersToCodes.txt Params/RandExt.txt workflow/Snakefile \
    workflow/ruzovizu_jobs.py workflow/config.example.yaml workflow/profiles/slurm/config.yaml \
    examples/fastq/lambda_virus.fa.gz examples/fastq/sample_1.fq.gz doc/README.md doc/preparation.md \
    doc/workflow.md; do
    [ -f "$app/$file" ] || fail "the package lacks /opt/ruzovizu/$file"
done
# Snakemake runs the cluster profile's scripts as programs.
for script in submit.py status.py; do
    [ -x "$app/workflow/profiles/slurm/$script" ] || fail "the package's $script is not executable"
done
[ "$(readlink "$root/usr/bin/Ruzovizu")" = /opt/ruzovizu/Ruzovizu ] || fail "/usr/bin/Ruzovizu"
[ "$(readlink "$root/usr/share/doc/ruzovizu")" = /opt/ruzovizu/doc ] || fail "/usr/share/doc/ruzovizu"
# The launcher's catalogue: every function served by the engine beside it.
tail -n 3 "$app/Params/List_FuncModulePack.txt" | head -n 2 >"$work/module"
printf '*Ruzovizu\n>this\n' | cmp -s - "$work/module" || fail "the catalogue's module is not the engine beside the launcher"

# The preparation functions and RandExt, run from the unpacked package.
cd "$work"
mkdir results
record() { printf '%s\n%s\n%s\n%s\n' "$1" "$2" "$3" "$4"; }
{
    record "FASTA" file pthFasta "$app/examples/fastq/lambda_virus.fa.gz"
    record "record" str seqName blank
    record "result directory" dir diRes "$work/results"
    record "name" str outName lambda
    record "forms" str outForm both
    record "other letters" str nonAcgt refuse
} >genome.txt
"$app/Ruzovizu" genome.txt fPrepGenome </dev/null >genome.out || { cat genome.out; fail "fPrepGenome"; }
[ "$(stat -c %s results/lambda.txt)" = 48502 ] || fail "the letter genome has not 48502 bases"
{
    record "reads" file pthFastq "$app/examples/fastq/sample_2.fq.gz"
    record "result directory" dir diRes "$work/results"
    record "name" str outName blank
    record "forms" str outForm letter
} >reads.txt
"$app/Ruzovizu" reads.txt fPrepReads </dev/null >reads.out || { cat reads.out; fail "fPrepReads"; }
grep -q '^input=1000$' results/sample_2_PrepLog.txt || fail "the reads log does not count 1000 reads"

{
    record "genome" file pthGnm "$work/results/lambda.txt"
    record "reads" file pthReads "$work/results/sample_2.txt"
    record "result directory" dir diRes "$work/results"
    record "experiment" str experimentId pack
    record "immutable" int immutSz 30
    record "tip" int mutTipSz 16
    record "mismatches" int misNu 0
} >randext.txt
# The launcher's way: the call file beside the engine, no arguments.
printf '%s\n%s' "$work/randext.txt" RandExt >"$app/_ParamsOfFunc.txt"
(cd / && "$app/Ruzovizu" </dev/null >"$work/randext.out") || { cat "$work/randext.out"; fail "RandExt"; }
grep -q '^input=' 'results/pack_30!16!0!Log.txt' || fail "no RandExt log"
tail -n 1 randext.out | grep -q '^done$' || fail "the engine did not end with done"

if [ "$with_launcher" = launcher ]; then
    [ -x "$app/Quellon" ] || fail "the package lacks the launcher"
    # /usr/bin/Quellon prepares the user's folder: a copy of the launcher, a
    # link to the engine, the Params folder; fixed values survive.
    home=$(XDG_DATA_HOME="$work/data" "$root/usr/bin/Quellon" --setup)
    [ "$home" = "$work/data/ruzovizu" ] || fail "the user's folder is $home"
    cmp -s "$home/Quellon" "$app/Quellon" || fail "no copy of the launcher"
    [ "$(readlink "$home/Ruzovizu")" = "$app/Ruzovizu" ] || fail "no link to the engine"
    cmp -s "$home/Params/fPrepReads.txt" "$app/Params/fPrepReads.txt" || fail "no templates"
    echo "fixed" >"$home/Params/RandExt.txt"
    XDG_DATA_HOME="$work/data" "$root/usr/bin/Quellon" --setup >/dev/null
    [ "$(cat "$home/Params/RandExt.txt")" = fixed ] || fail "a fixed template was replaced"
fi
echo "package test passed: $(basename "$deb")"
