#!/usr/bin/env bash
# Parses PowerShell files with the PowerShell grammar of tools/powershell-parse.
# Usage: check_grammar.sh tools/powershell-parse file.ps1...
set -euo pipefail

tool_dir=$1
shift
if ! command -v node >/dev/null; then
    echo "check_grammar: node is missing: install Node.js 20 and npm, then npm ci --prefix $tool_dir" >&2
    exit 1
fi
exec node "$tool_dir/check.js" "$@"
