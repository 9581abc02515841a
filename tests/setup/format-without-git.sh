#!/usr/bin/env bash
# The style check on a machine without git (only what scripts/install-deps installs), on a copy
# of the script with one file to check.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/repo/scripts" "$work/repo/src"
for tool in bash env dirname find sort clang-format; do
    ln -s "$(command -v "$tool")" "$work/bin/$tool"
done
cp "$1/scripts/check-format" "$1/.clang-format" "$work/repo/scripts/"
mv "$work/repo/scripts/.clang-format" "$work/repo/"
printf 'int main() {\n    return 0;\n}\n' >"$work/repo/src/main.cpp"
PATH=$work/bin "$work/repo/scripts/check-format"
printf 'int main(){return 0;}\n' >"$work/repo/src/main.cpp"
! PATH=$work/bin "$work/repo/scripts/check-format" 2>/dev/null
