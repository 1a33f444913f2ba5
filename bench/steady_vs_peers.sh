#!/usr/bin/env bash
# The steady state of the default problem (a 1 m gold square, West at 0, East at 1, North
# and South insulated) at 200 x 200 and 500 x 500, side by side with the peers:
#
#   calorivectrix --run default-N.cvx --steady --csv out.csv   the whole run, start to exit
#   FreeFem++ bench/peers/steady.edp                           P1 elements, UMFPACK
#   python3 bench/peers/steady.py                              finite volumes, SciPy spsolve
#
# Each is a whole process, timed start to exit, and each writes its field to a file. The
# cases are interleaved and repeated; the table gives the median (and the fastest) of each,
# with the machine's load average before and after. A peer that is not installed is left
# out and said so (FreeFem++: Debian's freefem++; SciPy: python3-scipy). The program's own
# CSV is checked: its West rows must add up to 317 W/m to 1e-6.
#
#   bench/steady_vs_peers.sh [--repeat N] [--sizes "200 500"] [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."

repeat=5
sizes="200 500"
build=build
while [ $# -gt 0 ]; do
  case "$1" in
    --repeat) repeat="$2"; shift 2 ;;
    --sizes) sizes="$2"; shift 2 ;;
    *) build="$1"; shift ;;
  esac
done
program="$build/gui/calorivectrix"
[ -x "$program" ] || { echo "no $program: build first (cmake --build $build)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

have_freefem=no
if command -v FreeFem++ >/dev/null 2>&1; then have_freefem=yes; fi
have_scipy=no
if /usr/bin/python3 -c 'import scipy.sparse.linalg' >/dev/null 2>&1; then have_scipy=yes; fi

# The default problem at N x N, as the program saves it.
for n in $sizes; do
  /usr/bin/env python3 - "$n" > "$work/default-$n.cvx" <<'EOF'
import json, sys
n = int(sys.argv[1])
print(json.dumps({
    "format": "Calorivectrix problem", "version": 1,
    "grid": {"kind": "Cartesian", "ni": n, "nj": n, "width": 1, "height": 1},
    "materials": [{"conductivity": 317, "density": 19300, "specificHeat": 129,
                   "heatGeneration": 0}],
    "volumes": [0] * (n * n),
    "functions": [{"kind": "Constant", "k": 0}, {"kind": "Constant", "k": 1}],
    "conditions": [{"kind": "Flux", "function": 0}, {"kind": "Temperature", "function": 0},
                   {"kind": "Temperature", "function": 1}],
    "sides": {"North": {"bounds": [0, 1], "conditions": [0]},
              "South": {"bounds": [0, 1], "conditions": [0]},
              "West": {"bounds": [0, 1], "conditions": [1]},
              "East": {"bounds": [0, 1], "conditions": [2]}},
    "initialTemperature": 0,
    "parameters": {"dt": 20, "maxIterTime": 1000, "maxIterSpace": 10000, "tolTime": 1e-5,
                   "tolSpace": 1e-5, "solver": "Direct"},
    "animationSteps": [0, 1000]}))
EOF
done

# Seconds a command takes, start to exit; its output goes to $work/log.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" > "$work/log" 2>&1 || { echo "failed: $*" >&2; cat "$work/log" >&2; exit 1; }
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }'
}

declare -A times
echo "Load average (1, 5, 15 min) before: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= repeat; ++r)); do
  for n in $sizes; do
    t=$(seconds "$program" --run "$work/default-$n.cvx" --steady --csv "$work/out-$n.csv")
    times[ours,$n]+="$t "
    if [ "$have_freefem" = yes ]; then
      t=$(seconds FreeFem++ -nw -v 0 bench/peers/steady.edp "$n" "$work/freefem-$n.txt")
      times[freefem,$n]+="$t "
      grep -o 'West heat rate: [^ ]*' "$work/log" | sed 's/.*: //' > "$work/freefem-west-$n"
    fi
    if [ "$have_scipy" = yes ]; then
      t=$(seconds /usr/bin/python3 bench/peers/steady.py "$n" "$work/scipy-$n.txt")
      times[scipy,$n]+="$t "
    fi
  done
done
echo "Load average (1, 5, 15 min) after:  $(cut -d' ' -f1-3 /proc/loadavg)"
echo

# "median (fastest)" of a list of seconds.
summary() {
  echo "$1" | tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 }
    END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
          printf "%.2f s (%.2f s)", m, v[1] }'
}
median() {
  echo "$1" | tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 }
    END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "Steady state of the default problem, whole processes start to exit, median (fastest) of $repeat:"
echo
echo "| Volumes | calorivectrix --steady --csv | FreeFem++ (P1, UMFPACK) | FreeFem++ / calorivectrix | SciPy spsolve | West sum (W/m) |"
echo "|---|---|---|---|---|---|"
status=0
for n in $sizes; do
  west=$(awk -F, '$1 == "West" { s -= $5 } END { printf "%.9f", s }' "$work/out-$n.csv")
  if ! awk -v w="$west" 'BEGIN { exit !((w - 317 < 1e-6) && (317 - w < 1e-6)) }'; then
    status=1
    west="$west (NOT 317 to 1e-6)"
  fi
  ours=$(summary "${times[ours,$n]}")
  freefem="not installed"
  ratio="-"
  if [ "$have_freefem" = yes ]; then
    freefem=$(summary "${times[freefem,$n]}")
    ratio=$(awk -v a="$(median "${times[freefem,$n]}")" -v b="$(median "${times[ours,$n]}")" \
      'BEGIN { printf "%.1f x", a / b }')
  fi
  scipy="not installed"
  if [ "$have_scipy" = yes ]; then scipy=$(summary "${times[scipy,$n]}"); fi
  echo "| $n x $n | $ours | $freefem | $ratio | $scipy | $west |"
done
if [ "$have_freefem" = yes ]; then
  echo
  echo "FreeFem++'s own West heat rate: $(for n in $sizes; do printf '%s x %s: %s W/m; ' "$n" "$n" "$(cat "$work/freefem-west-$n")"; done)"
fi
exit $status
