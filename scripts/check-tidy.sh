#!/usr/bin/env bash
# Runs clang-tidy with the root .clang-tidy over every source file under src/, as the normal
# build compiles it (its compile_commands.json), two files at a time. Any finding fails:
#   scripts/check-tidy.sh [BUILD_DIR]      (the build must have been configured first)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${BUILD_DIR:-build}}
tidy=${CLANG_TIDY:-clang-tidy-14}
commands=$build/compile_commands.json
[ -f "$commands" ] || { echo "no $commands: configure the build first" >&2; exit 1; }
# The moc files the build generates are not ours to tidy; only what lies under src/ is.
mapfile -t files < <(python3 - "$commands" "$PWD/src/" <<'PY'
import json, sys
commands, src = sys.argv[1], sys.argv[2]
print("\n".join(sorted({c["file"] for c in json.load(open(commands)) if c["file"].startswith(src)})))
PY
)
[ ${#files[@]} -gt 0 ] || { echo "no file under src/ in $commands" >&2; exit 1; }
# .clang-tidy makes every warning an error, so a finding gives a non-zero exit. The count of
# warnings it hid (in Qt's headers) is left out.
if printf '%s\0' "${files[@]}" |
    xargs -0 -n 4 -P "${TIDY_JOBS:-2}" "$tidy" -p "$build" --quiet 2>&1 |
    sed '/^[0-9]* warnings\? generated\.$/d'; then
    echo "clang-tidy: ${#files[@]} files under src/ without a finding"
else
    echo "clang-tidy found something in src/ (above)" >&2
    exit 1
fi
