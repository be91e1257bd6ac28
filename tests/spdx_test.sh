#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every source file of the project names its licence at its top (the first line, or the second
# after a #! line). Skipped (77) outside a git checkout, where the project's files cannot be told
# from others.
set -euo pipefail
cd "$1"
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || { echo "SKIP: not a git checkout"; exit 77; }
missing=()
while IFS= read -r -d '' f; do
  head -n 2 "$f" | grep -q 'SPDX-License-Identifier: MIT' || missing+=("$f")
done < <(git ls-files -z --cached --others --exclude-standard -- \
           '*.cpp' '*.h' '*.cmake' '*CMakeLists.txt' '*.sh' '*.py' '.ci/*')
[ "${#missing[@]}" -eq 0 ] || { printf 'FAIL: no SPDX line at the top of %s\n' "${missing[@]}"; exit 1; }
echo "every source file names its licence"
