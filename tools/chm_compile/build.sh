#!/bin/sh
# Builds the CHM compiler from Debian's Free Pascal sources: build.sh OUTPUT WORK.
# Its project writer, as Debian ships it, stores each context number's topic
# as the project folder's absolute path followed by the page's name: the
# viewers then find no page for the number, and every checkout makes other
# bytes. One line is changed so that the topic is the page's name in the
# CHM, as Microsoft's compiler stores it.
set -e
here=$(cd "$(dirname "$0")" && pwd)
out=$1 work=$2
src=/usr/share/fpcsrc/$(fpc -iV)/packages/chm/src
mkdir -p "$work"
sed 's/Writer\.AddContext(nd\.ContextNumber,IncludeTrailingPathDelimiter(FBasePath)+files\[i\]);/Writer.AddContext(nd.ContextNumber,files[i]);/' \
  "$src/chmfilewriter.pas" > "$work/chmfilewriter.pas"
grep -q 'Writer\.AddContext(nd\.ContextNumber,files\[i\]);' "$work/chmfilewriter.pas" || {
  echo "build.sh: $src/chmfilewriter.pas is not the one this change was made for" >&2
  exit 1
}
fpc -O1 -FU"$work" -Fu"$work" -Fu"$src" -o"$out" "$here/chm_compile.pas" > "$work/fpc.log" 2>&1 || {
  cat "$work/fpc.log" >&2
  exit 1
}
