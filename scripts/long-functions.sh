#!/bin/bash
# Lists the program's functions longer than a limit (60 lines unless given),
# longest first: "lines file:line name". Tests, benchmarks and fuzz targets
# are left out. Needs Universal Ctags (Debian: universal-ctags).
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-60}
command -v ctags >/dev/null || { echo "long-functions: ctags is missing (apt-get install universal-ctags)" >&2; exit 2; }
ctags -R --languages=C++ --kinds-C++=f --fields=+ne -x --_xformat='%{line} %{end} %N %F' \
    app base cli device gui link log lists modem ports protocol sim state 2>/dev/null |
    awk -v limit="$limit" '$2 != "" && $2 - $1 + 1 > limit { print $2 - $1 + 1, $4 ":" $1, $3 }' |
    sort -rn
