#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source, script or build file of the project lacks its licence line in its first
# lines, or the licence text itself is missing. Formats without comments (JSON), data files (fuzz
# corpus and dictionaries, the settings template, the Debian changelog and conffiles list, the
# packaged copyright file, which states the licence its own way) and prose (Markdown) are left out.
set -euo pipefail
cd "$(dirname "$0")/.."

line='SPDX-License-Identifier: GPL-3.0-or-later'
if ! grep -q 'GNU GENERAL PUBLIC LICENSE' LICENSE 2>/dev/null || ! grep -q 'Version 3, 29 June 2007' LICENSE; then
  echo "check-licence: LICENSE does not hold the GPL version 3 text" >&2
  exit 1
fi

missing=()
while IFS= read -r file; do
  case "$file" in
    *.cpp | *.h | *.c | *.sh | *.py | *.cmake | CMakeLists.txt | */CMakeLists.txt | .ci/run | \
      .clang-format | .gitignore | *.desktop | *.service | *.1 | *.8 | packaging/postinst | packaging/postrm | \
      packaging/ride-console-setup | packaging/lintian-overrides) ;;
    *) continue ;;
  esac
  if ! head -n 3 "$file" | grep -qF "$line"; then
    missing+=("$file")
  fi
done < <(git ls-files --cached --others --exclude-standard)

if [ ${#missing[@]} -gt 0 ]; then
  echo "check-licence: no \"$line\" in the first three lines of:" >&2
  printf '  %s\n' "${missing[@]}" >&2
  exit 1
fi
echo "check-licence: every source, script and build file carries its licence line"
