#!/usr/bin/env bash
# Writes the parameter file of one analysis: the engine's template for it
# (Ruzovizu --template) with the values of a values file put in by name
# (format: see tests/data/parameter_values.txt). Fails, naming the
# parameter, when a value the template leaves as "?" has none.
#
# usage: fill-params.sh ENGINE FUNCTION VALUES CASE_DIR OUT_FILE [RESULT_DIR]
# In the values, {dir} stands for CASE_DIR and {res} for RESULT_DIR
# (default: CASE_DIR/res).
set -euo pipefail
engine=$1 function=$2 values=$3 dir=$4 out=$5 res=${6:-$4/res}
form=$("$engine" --list | awk -F'\t' -v f="$function" '$1 == f { print $2 }')
[ -n "$form" ] || { echo "fill-params: $engine has no function $function" >&2; exit 1; }
"$engine" --template "$function" | awk -v fn="$function" -v form="$form" -v dir="$dir" -v res="$res" -v values="$values" '
    BEGIN {
        FS = "\t"
        while ((getline line < values) > 0) {
            if (line ~ /^#/ || line == "") continue
            split(line, f, "\t")
            rank = f[1] == fn ? 3 : f[1] == form ? 2 : f[1] == "*" ? 1 : 0
            if (rank > best[f[2]]) { best[f[2]] = rank; value[f[2]] = f[3] }
        }
    }
    { lines[NR] = $0 }
    END {
        for (i = 1; i <= NR; i += 4) {
            name = lines[i + 2]; v = lines[i + 3]
            if (name in value) { v = value[name]; gsub(/\{dir\}/, dir, v); gsub(/\{res\}/, res, v) }
            else if (v == "?") { printf "fill-params: no value for %s of %s in %s\n", name, fn, values > "/dev/stderr"; exit 1 }
            print lines[i]; print lines[i + 1]; print name; print v
        }
    }' >"$out"
