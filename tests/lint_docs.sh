#!/bin/sh
# Checks the manual page and the desktop entry with the programs that read
# them, and that an install puts both where desktops and man look.
# Usage: lint_docs.sh PAGE DESKTOP_FILE BUILD_DIR
set -u
page=$1 desktop=$2 build=$3
status=0
fail() { echo "$1:"; echo "$2"; status=1; }

out=$(mandoc -Tlint -W all "$page" 2>&1) || fail "mandoc -Tlint" "$out"
[ -z "$out" ] || fail "mandoc -Tlint" "$out"
out=$(lexgrog "$page" 2>&1) || fail "lexgrog" "$out"
out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$out" ] || fail "man --warnings -l" "$out"
[ "$(MANWIDTH=80 man -l "$page" 2>/dev/null | grep -c 'quillmar --snapshot')" -gt 0 ] ||
  fail "man -l" "the rendered page lacks its synopsis"
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate" "$out"
[ -z "$out" ] || fail "desktop-file-validate" "$out"

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install" "failed"
for f in bin/quillmar share/man/man1/quillmar.1.gz share/applications/quillmar.desktop share/doc/quillmar/copyright; do
  [ -f "$prefix/$f" ] || fail "cmake --install" "$f not installed"
done
exit $status
