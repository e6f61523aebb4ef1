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
# What the build compiles of src/: the libraries' batches (each includes a few of their
# sources; read once, Qt's headers cost a third of what they cost file by file) or, built
# without batches, the files themselves. The moc files are not ours to tidy.
mapfile -t files < <(python3 - "$commands" "$PWD/src/" <<'PY'
import json, re, sys
commands, src = sys.argv[1], sys.argv[2]
batch = re.compile(r"/src/(core|gui)/CMakeFiles/kestrowind_\w+\.dir/Unity/unity_\d+_cxx\.cxx$")
files = {c["file"] for c in json.load(open(commands))}
print("\n".join(sorted(f for f in files if f.startswith(src) or batch.search(f))))
PY
)
[ ${#files[@]} -gt 0 ] || { echo "no file of src/ in $commands" >&2; exit 1; }
# The batches lie in the build folder, where clang-tidy would not find .clang-tidy by itself.
# It makes every warning an error, so a finding gives a non-zero exit. The count of warnings
# it hid (in Qt's headers) is left out.
if printf '%s\0' "${files[@]}" |
    xargs -0 -n 1 -P "${TIDY_JOBS:-2}" "$tidy" -p "$build" --config-file=.clang-tidy --quiet 2>&1 |
    sed '/^[0-9]* warnings\? generated\.$/d'; then
    echo "clang-tidy: ${#files[@]} files of src/ without a finding"
else
    echo "clang-tidy found something in src/ (above)" >&2
    exit 1
fi
