#!/usr/bin/env bash
# Checks the files a system install adds: the AppStream metainfo, the desktop entry, the MIME
# type, and the manual pages (they render without warnings and name every command that
# tessavox-cli has).
#
#   scripts/check-packaging.sh BUILD_DIR
#
# Exit 0 when all pass, 1 when one fails, 77 when a checking tool is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
for tool in appstreamcli desktop-file-validate groff xmllint; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (apt-get install appstream desktop-file-utils groff-base libxml2-utils)" >&2
    exit 77
  fi
done
status=0
fail() { echo "FAILED: $*" >&2; status=1; }

appstreamcli validate --no-net --pedantic data/packaging/com.kelvane.Tessavox.metainfo.xml >/dev/null ||
  fail "appstreamcli validate: $(appstreamcli validate --no-net data/packaging/com.kelvane.Tessavox.metainfo.xml)"
desktop-file-validate src/app/resources/tessavox.desktop || fail "desktop-file-validate"
xmllint --noout src/app/resources/tessavox-mime.xml || fail "the MIME type is not well-formed XML"

for page in tessavox.1 tessavox-cli.1; do
  warnings=$(groff -man -Tutf8 -ww -z "data/packaging/$page" 2>&1 || true)
  [[ -z "$warnings" ]] || fail "$page: $warnings"
done
# Every command of the program's own help is in its manual page.
cli="$build/src/tessavox-cli"
if [[ -x "$cli" ]]; then
  for command in $("$cli" --help | sed -n 's/^  \([a-z]\+\) .*/\1/p' | sort -u); do
    grep -q "^\\\\fB$command" data/packaging/tessavox-cli.1 || grep -q "^\\\\fB$command " data/packaging/tessavox-cli.1 ||
      fail "tessavox-cli.1 does not describe \"$command\""
  done
else
  fail "$cli is not built"
fi
[[ $status -eq 0 ]] && echo "packaging files pass"
exit $status
