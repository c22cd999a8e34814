#!/bin/sh
# The source tree's shape: no file in src longer than 600 lines, and no two source
# folders that include each other. Prints what breaks the rule; exit status 1 then.
cd "$(dirname "$0")/../src" || exit 2
status=0
for f in $(find . -name '*.cpp' -o -name '*.h'); do
  n=$(wc -l < "$f")
  if [ "$n" -gt 600 ]; then
    echo "$f has $n lines (at most 600)"
    status=1
  fi
done
edges=$(for f in $(find . -name '*.cpp' -o -name '*.h'); do
  from=$(echo "$f" | cut -d/ -f2)
  grep -o '#include "[a-z_]*/' "$f" | sed 's/#include "//; s/\///' | while read -r to; do
    [ "$to" != "$from" ] && echo "$from $to"
  done
done | sort -u)
echo "$edges" | while read -r from to; do
  [ -z "$from" ] && continue
  if echo "$edges" | grep -qx "$to $from"; then
    echo "$from and $to include each other"
    exit 1
  fi
done || status=1
exit $status
