#!/usr/bin/env bash
# The release as a Windows user meets it: builds both packages with
# scripts/package.sh, then under Wine, in a prefix of its own
# (build/release-test/wineprefix, never the one the other tests use):
#  - unpacks the zip into a folder with spaces and non-ASCII letters in its
#    path and plans a rename there with -i;
#  - installs the MSI silently and finds the files, the Start-menu and Send To
#    shortcuts and the Explorer verbs, and runs the verbs' command lines;
#  - installs a newer build of the same program over it;
#  - uninstalls it and finds nothing of ours left but the user's profile and
#    logs.
# Run by CTest as the test "release"; exits 0 when all is well. Every Wine
# call has a deadline, and the prefix's wineserver is ended on the way out.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
work=$root/build/release-test
prefix=$work/wineprefix

fail() { echo "release: FAILED: $*" >&2; exit 1; }
say() { echo "release: $*"; }

export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=C.UTF-8
# The installer's shortcuts must not become menu entries of the Linux desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
server=${VARNELO_WINESERVER:-$(command -v wineserver || echo /usr/lib/wine/wineserver)}
end_server() {
    timeout 30 "$server" -k </dev/null >/dev/null 2>&1 || true
    timeout 30 "$server" -w </dev/null >/dev/null 2>&1 || true
}

# A prefix left by a run that passed holds nothing of ours but the profile and
# logs, which are cleared below; any other is made anew (about half a minute).
mkdir -p "$work"
if [ ! -f "$work/prefix-clean" ]; then
    end_server
    rm -rf "$prefix"
fi
rm -f "$work/prefix-clean"
trap end_server EXIT
timeout 300 bash scripts/wine-setup.sh || fail "the Wine prefix $prefix did not start"
. scripts/wine-setup.sh
W=$VARNELO_WINE64

wine_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
unix_path() { # C:\a\b -> $prefix/drive_c/a/b
    local p=${1#[Cc]:\\}
    printf '%s/drive_c/%s' "$prefix" "${p//\\//}"
}
wine_env() { timeout 60 "$W" cmd /c echo "%$1%" </dev/null 2>/dev/null | tr -d '\r'; }
reg_value() { # key, value name or "" for the default value
    local args=(/ve)
    [ -z "$2" ] || args=(/v "$2")
    timeout 60 "$W" reg query "$1" "${args[@]}" </dev/null 2>/dev/null | tr -d '\r' \
        | sed -n 's/^ \{4\}.* \{4\}REG_[A-Z_]* \{4\}//p'
}
reg_dump() { # every line of the user's and the machine's product registrations and HKCU
    local f
    for key in HKCU 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
               'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData'; do
        f=$work/export.reg
        rm -f "$f"
        timeout 60 "$W" reg export "$key" "$(wine_path "$f")" /y </dev/null >/dev/null 2>&1 || true
        [ ! -f "$f" ] || iconv -f UTF-16 -t UTF-8 "$f" | tr -d '\r'
    done
}
msi() { # action, package
    local log=$work/msiexec-$1.log
    rm -f "$log"
    if ! timeout 180 "$W" msiexec "/$1" "$(wine_path "$2")" /qn /l*v "$(wine_path "$log")" \
        </dev/null >/dev/null 2>&1; then
        [ ! -f "$log" ] || tail -40 "$log" >&2
        fail "msiexec /$1 $(basename "$2")"
    fi
}
# Checks a batch run's output (file $1) against the plan of the tree below.
expect_plan() {
    local folder expected
    folder=$(wine_path "$tree")
    expected=$(printf 'PLAN\t%s\\a.txt\tnew_a.txt\r\nPLAN\t%s\\b.txt\tnew_b.txt\r\n2 planned, 0 conflicts\r\n.' \
        "$folder" "$folder")
    [ "$(cat "$1"; echo .)" = "$expected" ] || { cat -A "$1" >&2; fail "$2: not the plan expected"; }
}
plan_options=(-i -o '*.txt' -n 'new_%0.txt' -l File)
listing() { (cd "$1" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' '); }

# ------------------------------------------------------------------ packages
# Without wixl the script says what to install, and stops.
mkdir -p "$work/no-wixl"
for tool in dirname zip; do ln -sf "$(command -v "$tool")" "$work/no-wixl/$tool"; done
status=0
missing=$(PATH="$work/no-wixl" "$BASH" scripts/package.sh 2>&1) || status=$?
[ "$status" = 1 ] || fail "package.sh without wixl ended with $status"
grep -q 'install the Debian package wixl' <<<"$missing" || fail "package.sh without wixl said: $missing"

say "building the packages"
bash scripts/package.sh >"$work/package.out" || fail "scripts/package.sh"
zip=$(sed -n '/\.zip$/p' "$work/package.out")
msi_package=$(sed -n '/\.msi$/p' "$work/package.out")
[ -f "$zip" ] && [ -f "$msi_package" ] || fail "package.sh named no packages"
version=$(basename "$zip" | sed -n 's/^Varnelo-\(.*\)-win64\.zip$/\1/p')
[ "$(basename "$msi_package")" = "Varnelo-$version-win64.msi" ] || fail "package names differ"
# The newer build differs in the last part only: the case Windows Installer's
# own version comparison does not see.
case "$version" in
    *.*.*.*) newer=${version%.*}.$((${version##*.} + 1)) ;;
    *) newer=$version.1 ;;
esac
rm -rf "$work/newer"
bash scripts/package.sh --version "$newer" --out "$work/newer" >/dev/null || fail "package.sh --version"
newer_package=$work/newer/Varnelo-$newer-win64.msi

shipped=(Varnelo.exe ReadMe_Varnelo.txt LanguageFile.ini)
shipped_listing=$(printf '%s\n' "${shipped[@]}" | LC_ALL=C sort | tr '\n' ' ')

tree="$work/Holiday photos"
rm -rf "$tree"
mkdir -p "$tree"
for f in a.txt b.txt c.doc; do echo x >"$tree/$f"; done

# ----------------------------------------------------------------------- zip
say "unpacking $(basename "$zip")"
portable="$work/Unpacked Ärger café/Varnelo"
rm -rf "$work/Unpacked Ärger café"
mkdir -p "$portable"
unzip -q "$zip" -d "$portable" || fail "unzip"
[ "$(listing "$portable")" = "$shipped_listing" ] || fail "the zip holds $(listing "$portable")"
timeout 60 "$W" "$portable/Varnelo.exe" "${plan_options[@]}" "$(wine_path "$tree")" \
    </dev/null >"$work/zip.out" 2>/dev/null || fail "the unpacked program's -i run"
expect_plan "$work/zip.out" "unpacked program"
[ -f "$portable/Varnelo.ini" ] || fail "the unpacked program wrote no profile beside itself"

# ------------------------------------------------------------------- install
say "installing $(basename "$msi_package")"
rm -rf "$(unix_path "$(wine_env LOCALAPPDATA)")/Programs/Varnelo" "$(unix_path "$(wine_env TEMP)")/Varnelo"
msi i "$msi_package"

folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
install_folder=$(reg_value 'HKCU\Software\Varnelo' InstallFolder)
[ "$install_folder" = "$(reg_value "$folders" 'Local AppData')\\Programs\\Varnelo\\" ] \
    || fail "installed into \"$install_folder\", not the user's programs folder"
installed=$(unix_path "$install_folder"); installed=${installed%/}
[ "$(listing "$installed")" = "$shipped_listing" ] || fail "the install folder holds $(listing "$installed")"
exe="${install_folder}Varnelo.exe"

start_menu=$(unix_path "$(reg_value "$folders" Programs)")/Varnelo.lnk
send_to=$(unix_path "$(reg_value "$folders" SendTo)")/Varnelo.lnk
for link in "$start_menu" "$send_to"; do
    [ -f "$link" ] || fail "no shortcut $link"
    grep -aq 'Programs\\Varnelo\\Varnelo.exe' "$link" || fail "$link does not start the program"
done

verb_folder='HKCU\Software\Classes\Directory\shell\Varnelo'
verb_background='HKCU\Software\Classes\Directory\Background\shell\Varnelo'
for key in "$verb_folder" "$verb_background"; do
    [ "$(reg_value "$key" "")" = "Rename with Varnelo" ] || fail "$key is not \"Rename with Varnelo\""
done
folder_command=$(reg_value "$verb_folder\\command" "")
background_command=$(reg_value "$verb_background\\command" "")
[ "$folder_command" = "\"$exe\" \"%1\"" ] || fail "folder verb runs $folder_command"
[ "$background_command" = "\"$exe\" \"%V\"" ] || fail "background verb runs $background_command"

# Runs a verb's command line as Explorer does, the folder in place of the
# placeholder, with the options given added.
run_verb() { # command, placeholder, folder, output file, options...
    local command=$1 placeholder=$2 folder=$3 output=$4
    shift 4
    [[ "$command" =~ ^\"([^\"]+)\"\ \"$placeholder\"$ ]] || fail "cannot read the command $command"
    timeout 60 "$W" "${BASH_REMATCH[1]}" "$folder" "$@" </dev/null >"$output" 2>/dev/null
}
run_verb "$folder_command" %1 "$(wine_path "$tree")" "$work/verb.out" "${plan_options[@]}" \
    || fail "the folder verb's -i run"
expect_plan "$work/verb.out" "folder verb"
[ -f "$installed/Varnelo.ini" ] || fail "the installed program wrote no profile beside itself"
# A folder gone since Explorer named it is reported as any missing start path.
gone=$(wine_path "$work/gone folder")
run_verb "$background_command" %V "$gone" "$work/gone.out" "${plan_options[@]}" \
    && fail "the background verb's run on a missing folder exited 0"
[ "$(cat "$work/gone.out")" = "MISSING"$'\t'"$gone"$'\r\n0 planned, 0 conflicts\r' ] \
    || fail "missing folder: $(cat -A "$work/gone.out")"

# ------------------------------------------------------------------- upgrade
say "upgrading to $newer"
msi i "$newer_package"
# Windows Installer lists the user's products of one upgrade code under the
# upgrade code in its packed form (each part's digits reversed, the last
# parts' byte by byte).
upgrade_code=$(grep -o 'UpgradeCode="[0-9A-F-]*"' res/Varnelo.wxs | head -1 | cut -d'"' -f2)
IFS=- read -r g1 g2 g3 g4 g5 <<<"$upgrade_code"
packed=$(rev <<<"$g1")$(rev <<<"$g2")$(rev <<<"$g3")$(sed 's/\(.\)\(.\)/\2\1/g' <<<"$g4$g5")
[ ${#packed} = 32 ] || fail "no upgrade code in res/Varnelo.wxs"
registrations=$(timeout 60 "$W" reg query "HKCU\\Software\\Microsoft\\Installer\\UpgradeCodes\\$packed" \
    </dev/null 2>/dev/null | grep -c '^ \{4\}[0-9A-F]\{32\} ' || true)
[ "$registrations" = 1 ] || fail "$registrations installations of Varnelo after the upgrade"
grep -qx "\"DisplayVersion\"=\"$newer\"" <<<"$(reg_dump)" || fail "the installation is not version $newer"
[ "$(reg_value 'HKCU\Software\Varnelo' InstallFolder)" = "$install_folder" ] || fail "the upgrade moved the program"
[ "$(listing "$installed")" = "$(printf '%s\n' "${shipped[@]}" Varnelo.ini | LC_ALL=C sort | tr '\n' ' ')" ] \
    || fail "after the upgrade the install folder holds $(listing "$installed")"
[ -f "$start_menu" ] && [ -f "$send_to" ] || fail "the upgrade lost a shortcut"
[ "$(reg_value "$verb_folder\\command" "")" = "$folder_command" ] || fail "the upgrade lost the folder verb"

# ----------------------------------------------------------------- uninstall
say "uninstalling"
msi x "$newer_package"
[ "$(listing "$installed")" = "Varnelo.ini " ] || fail "after uninstalling the install folder holds $(listing "$installed")"
[ ! -e "$start_menu" ] && [ ! -e "$send_to" ] || fail "a shortcut is left"
left=$(reg_dump | grep -i 'varnelo' || true)
[ -z "$left" ] || fail "left in the registry: $left"
logs=$(unix_path "$(wine_env TEMP)")/Varnelo
# The profile (and so its folder) and the log folder are the user's.
ours=$(cd "$prefix/drive_c" && find . -iname '*varnelo*' | grep -v "^\./${logs#"$prefix/drive_c/"}/" | LC_ALL=C sort)
expected_ours=$(printf './%s\n' "${installed#"$prefix/drive_c/"}" "${installed#"$prefix/drive_c/"}/Varnelo.ini" \
    "${logs#"$prefix/drive_c/"}" | LC_ALL=C sort)
[ "$ours" = "$expected_ours" ] || fail "left of ours: $ours"
ls "$logs"/*.log >/dev/null 2>&1 || fail "the uninstall took the logs written since"

touch "$work/prefix-clean"
say "passed"
