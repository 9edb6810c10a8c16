#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy: the bugprone and performance checks, warnings as errors) over the
# project's sources in build/compile_commands.json, or over the files given.
#   scripts/tidy.sh                 every source (a whole run parses every file: many minutes)
#   scripts/tidy.sh --changed       the sources changed against the merge base with main (on main
#                                   itself, against the previous commit), and the sources that
#                                   include a changed header; what .ci/run uses
#   scripts/tidy.sh FILE...         the files given
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/compile_commands.json ] || bash scripts/build.sh
jobs="${JOBS:-$(nproc)}"
if [ "${1:-}" = --changed ]; then
  base=$(git merge-base HEAD "${TIDY_BASE:-main}" 2>/dev/null || true)
  if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then
    base=$(git rev-parse --verify -q HEAD~1 || true)
  fi
  [ -n "$base" ] || { echo "tidy: nothing to compare against"; exit 0; }
  mapfile -t changed < <(git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h' '*.inc')
  # Sources in the compile database: the changed ones and those that include a changed header.
  mapfile -t files < <(python3 - "${changed[@]}" <<'EOF'
import json, os, re, sys
root = os.getcwd()
changed = set(sys.argv[1:])
headers = {c for c in changed if not c.endswith(".cpp")}
out = set()
for e in json.load(open("build/compile_commands.json")):
    f = os.path.relpath(os.path.join(e["directory"], e["file"]), root)
    if f.startswith("build") or f in out:
        continue
    if f in changed:
        out.add(f)
    elif headers:
        text = open(f, errors="replace").read()
        if any(re.search(r'#include\s+"' + re.escape(h) + '"', text) for h in headers):
            out.add(f)
print("\n".join(sorted(out)))
EOF
  )
  [ "${#files[@]}" -gt 0 ] && [ -n "${files[0]}" ] || { echo "tidy: no changed sources"; exit 0; }
  echo "tidy: ${#files[@]} sources changed since ${base:0:12}"
  printf '%s\n' "${files[@]}" | xargs -P "$jobs" -n 4 clang-tidy -p build --quiet
elif [ $# -gt 0 ]; then
  clang-tidy -p build --quiet "$@"
else
  run-clang-tidy -p build -quiet -j "$jobs" '^(?!.*/build).*\.cpp$'
fi
