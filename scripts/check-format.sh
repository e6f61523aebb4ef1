#!/usr/bin/env bash
# Fails, naming the file, if any C++ file under src, tests or bench is not laid out the way
# .clang-format says. Fix a file with: ${CLANG_FORMAT:-clang-format-14} -i FILE
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${CLANG_FORMAT:-}" ]; then
    # The layout rules are those of version 14; a newer plain clang-format may disagree.
    CLANG_FORMAT=clang-format-14
    command -v "$CLANG_FORMAT" >/dev/null || CLANG_FORMAT=clang-format
fi
mapfile -d '' files < <(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 |
    sort -z)
# One run over every file; each misplaced line is reported as FILE:LINE:COL: error: ...
if report=$("$CLANG_FORMAT" --dry-run -Werror "${files[@]}" 2>&1); then
    echo "format: ${#files[@]} files laid out as .clang-format says"
    exit 0
fi
unformatted=$(grep -o '^[^:]*:[0-9]*:[0-9]*: error' <<<"$report" | cut -d: -f1 | sort -u || true)
if [ -z "$unformatted" ]; then
    echo "$report" >&2 # clang-format itself failed
else
    sed 's/^/not formatted: /' <<<"$unformatted" >&2
fi
exit 1
