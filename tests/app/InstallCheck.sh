#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop and a
# shell find there: the programs run, the desktop entry starts a program and
# shows an icon that were installed, the help books are there, the validators
# accept the desktop entry and the metainfo, and the completion offers the
# commands.
# Usage: InstallCheck.sh BUILD_DIR. Exits 77 (skipped) when a validator is
# missing and everything else passed.
set -euo pipefail

build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

help=$("$prefix/bin/dirvanta-cli" --help) || fail "the installed dirvanta-cli does not run"
[[ $help == "Usage: dirvanta-cli"* ]] || fail "the installed dirvanta-cli --help prints: $help"

desktop=$(echo "$prefix"/share/applications/*.desktop)
metainfo=$(echo "$prefix"/share/metainfo/*.metainfo.xml)
[ -f "$desktop" ] && [ -f "$metainfo" ] || fail "no desktop entry or metainfo"
program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$program" ] || fail "the desktop entry starts '$program', which is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256; do
    [ -f "$prefix/share/icons/hicolor/$size/apps/$icon.png" ] || fail "no $size icon '$icon'"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon '$icon'"
for page in dirvanta dirvanta-cli; do
    [ -f "$prefix/share/man/man1/$page.1" ] || fail "no manual page $page.1"
done
for book in guide faq; do
    [ -f "$prefix/share/doc/dirvanta/help/$book/index.html" ] || fail "no help book $book"
done

# The completion, with the two helpers bash-completion would give it.
completions=$(
    _init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}
        words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; }
    _filedir() { :; }
    complete() { :; }
    source "$prefix/share/bash-completion/completions/dirvanta-cli"
    offer() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); _dirvanta_cli
        echo "${COMPREPLY[*]}"; }
    offer dirvanta-cli --db /tmp ca
    offer dirvanta-cli find --ma
    offer dirvanta-cli pool f)
[ "$completions" = $'catalog\n--match-case\nfree' ] ||
    fail "the completion offers: $completions"

skipped=()
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
else
    skipped+=("desktop-file-validate is not installed (package desktop-file-utils)")
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >/dev/null ||
        fail "appstreamcli rejects $metainfo: $(appstreamcli validate --no-net "$metainfo")"
else
    skipped+=("appstreamcli is not installed (package appstream)")
fi
if [ ${#skipped[@]} -gt 0 ]; then
    printf 'SKIPPED: %s\n' "${skipped[@]}"
    exit 77
fi
