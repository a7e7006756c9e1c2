# Sourced first by every benchmark group: where the checkout, the Release build ($1 of the
# group, as scripts/bench gives it) and the work folder are, and a quiet build of what the
# group runs.
here=${PIXMIRA_SRC:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
dir=${1:-${PIXMIRA_BUILD_DIR:-$here/build-release}}
work=${PIXMIRA_BENCH_DIR:-/tmp/pixmira-bench}

build_targets() { # target...
  cmake -S "$here" -B "$dir" -G Ninja >/dev/null
  cmake --build "$dir" --parallel "${PIXMIRA_JOBS:-2}" --target "$@" >/dev/null
}
