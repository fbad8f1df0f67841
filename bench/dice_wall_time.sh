#!/usr/bin/env bash
# Wall time of the dice program for the largest number of throws.
# Usage: bench/dice_wall_time.sh [path/to/dice]
set -euo pipefail
dice=${1:-build/linux/app/dice}
start=$(date +%s.%N)
printf '2147483647\n' | "$dice" > /tmp/dice_wall_time.out
end=$(date +%s.%N)
tail -n 7 /tmp/dice_wall_time.out | tr -d '\r'
echo "wall time: $(echo "$end - $start" | bc) s for 2147483647 throws"
