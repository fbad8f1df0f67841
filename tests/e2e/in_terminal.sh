#!/usr/bin/env bash
# Runs a command on a pseudo-terminal of 100 x 30 cells, so that a Windows
# program under Wine gets a real console; exits with the command's code.
# Usage: in_terminal.sh command [args...]
set -u
command=$(printf '%q ' "$@")
exec script -qec "stty cols 100 rows 30; $command" /dev/null </dev/null
