#!/usr/bin/env bash
# The style check on a machine without git: only the tools scripts/install-deps installs.
set -euo pipefail
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
for tool in bash env dirname find sort clang-format; do
    ln -s "$(command -v "$tool")" "$bin/$tool"
done
PATH=$bin "$1/scripts/check-format"
