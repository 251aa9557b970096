#!/bin/sh
# Starts the launcher Quellon of the installed package (installed as
# /usr/bin/Quellon).
#
# The launcher writes into the folder it lies in: the function's parameter
# file in Params/ on "fix Params", and the engine's call file beside the
# engine. The package's folder is not open to users, so every user runs the
# launcher from a folder of their own, ${XDG_DATA_HOME:-~/.local/share}/ruzovizu:
# a copy of the launcher (it finds its folder through its own real path), a
# link to the engine, and the Params folder. The user's templates keep the
# values they fixed; the catalogue, the about texts and the templates of new
# functions come from the package at every start.
#
#   Quellon            prepare the folder and start the launcher
#   Quellon --setup    prepare the folder and print its path
set -eu

installed=$(dirname "$0")/../../opt/ruzovizu
installed=$(cd "$installed" && pwd)
home=${XDG_DATA_HOME:-$HOME/.local/share}/ruzovizu

mkdir -p "$home/Params"
if ! cmp -s "$installed/Quellon" "$home/Quellon"; then
    cp "$installed/Quellon" "$home/Quellon.new"
    mv -f "$home/Quellon.new" "$home/Quellon"
fi
ln -sfn "$installed/Ruzovizu" "$home/Ruzovizu"
for file in "$installed"/Params/*; do
    name=${file##*/}
    case $name in
    List_FuncModulePack.txt | AboutFuncs.txt | AboutPacks.txt | TaskListSample.txt)
        cp -f "$file" "$home/Params/$name" ;;
    *)
        [ -e "$home/Params/$name" ] || cp "$file" "$home/Params/$name" ;;
    esac
done

if [ "${1:-}" = "--setup" ]; then
    echo "$home"
    exit 0
fi
exec "$home/Quellon" "$@"
