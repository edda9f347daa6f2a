#!/usr/bin/env bash
# Plants deliberate faults one at a time and says which the tests catch.
# Usage: scripts/mutation-check.sh BUILD_DIR MUTANT_FILE...
# A mutant file holds one fault a line, tab-separated:
#   id <TAB> source file <TAB> perl substitution (first match only) <TAB> test targets
# A fault is "caught" when one of its test programs fails, "missed" when all
# pass, and "void" when the substitution matched nothing or did not compile.
# The source is restored after each fault. Not part of CI: it rebuilds once a fault.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$1; shift
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
caught=0 missed=0 void=0
while IFS=$'\t' read -r id file subst targets; do
  [[ -z "$id" || "$id" == \#* ]] && continue
  cp "$file" "$file.orig"
  perl -0pi -e "$subst" "$file"
  if cmp -s "$file" "$file.orig"; then
    result=void
  elif ! ninja -C "$build" $(for t in $targets; do echo "$t"; done) >/dev/null 2>&1; then
    result=void
  else
    result=missed
    for t in $targets; do
      prog=$(find "$build/Tests" -maxdepth 2 -type f -name "$t" | head -1)
      if ! timeout 300 "$prog" >/dev/null 2>&1; then result=caught; break; fi
    done
  fi
  mv "$file.orig" "$file"
  touch "$file"
  case $result in caught) caught=$((caught+1));; missed) missed=$((missed+1));; void) void=$((void+1));; esac
  printf '%-28s %-7s %s\n' "$id" "$result" "$file"
done < <(cat "$@")
echo "caught $caught, missed $missed, void $void"
