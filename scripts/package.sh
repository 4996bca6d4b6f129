#!/usr/bin/env bash
# Builds Varnelo and writes its two release packages:
#   build/dist/Varnelo-<version>-win64.zip  to unpack anywhere and start
#   build/dist/Varnelo-<version>-win64.msi  a per-user installer (res/Varnelo.wxs)
# Both hold Varnelo.exe, ReadMe_Varnelo.txt and LanguageFile.ini as the build
# leaves them in build/. The version is CMake's project version, read from the
# header the build generates from it.
#
#   bash scripts/package.sh [--version V] [--out FOLDER]
#
# --version stamps the packages with another version than the project's (the
# release test builds a newer installer of the same program with it); --out
# writes them into FOLDER instead of build/dist.
set -euo pipefail
cd "$(dirname "$0")/.."

version=
out=build/dist
while [ $# -gt 0 ]; do
    case "$1" in
        --version) version=${2:?--version needs a value}; shift 2 ;;
        --out) out=${2:?--out needs a folder}; shift 2 ;;
        *) echo "package: unknown argument $1" >&2; exit 2 ;;
    esac
done

for tool in wixl:wixl zip:zip; do
    if ! command -v "${tool%%:*}" >/dev/null 2>&1; then
        echo "package: ${tool%%:*} is missing: install the Debian package ${tool#*:}" \
             "(apt-get install ${tool#*:}, or bash scripts/install-deps.sh as root)" >&2
        exit 1
    fi
done

[ -f build/build.ninja ] || cmake --preset mingw >/dev/null
cmake --build build --target Varnelo varnelo_shipped_files

if [ -z "$version" ]; then
    version=$(sed -n 's/^#define VARNELO_VERSION_DOTTED "\(.*\)"$/\1/p' build/generated/VarneloVersion.h)
fi
# Windows Installer takes at most major.minor.build.revision with major and
# minor below 256 and build below 65536.
if ! [[ "$version" =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)(\.[0-9]+)?$ ]] \
    || [ "${BASH_REMATCH[1]}" -gt 255 ] || [ "${BASH_REMATCH[2]}" -gt 255 ] \
    || [ "${BASH_REMATCH[3]}" -gt 65535 ]; then
    echo "package: version \"$version\" is not one Windows Installer takes" >&2
    exit 1
fi

name="Varnelo-$version-win64"
mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d "$out/.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT

# What a user needs beside the program: the read-me and the language file
# are copied beside it by the build.
files=(Varnelo.exe ReadMe_Varnelo.txt LanguageFile.ini)
for f in "${files[@]}"; do
    cp "build/$f" "$stage/"
done

# zip adds to an archive that exists; each package is written anew.
rm -f "$out/$name.zip" "$out/$name.msi"
(cd "$stage" && zip -q -X "$out/$name.zip" "${files[@]}")

# wixl finds the files by names relative to the folder it runs in.
cp res/icons/130_app_big.ico "$stage/Varnelo.ico"
wxs=$(pwd)/res/Varnelo.wxs
(cd "$stage" && wixl -a x64 -D Version="$version" -o "$out/$name.msi" "$wxs" 2>&1 \
    | { grep -v 'builder.vala:[0-9]*: unimplemented' || true; } >&2)
[ -f "$out/$name.msi" ] || { echo "package: wixl wrote no $name.msi" >&2; exit 1; }

echo "$out/$name.zip"
echo "$out/$name.msi"
