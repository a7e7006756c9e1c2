#!/usr/bin/env bash
# Huge pages for picture buffers, asked for by the program itself: the batch of 24 photos of
# 12 megapixels (the batch group's) with two workers, once as it runs and once with huge
# pages refused to the process (PR_SET_THP_DISABLE, inherited by the program), each best of
# three. Page faults show where the time goes. Needs transparent huge pages in "madvise" or
# "always" mode.   bash scripts/bench hugepages
set -euo pipefail
. "$(dirname "$0")/../setup.sh"

build_targets pixmira-batch

. "$here/bench/photos.sh"
printf '[General]\r\nReduceSize=1\r\nReduceSizeType=2\r\n' > "$work/Huge.ini"

# Runs its arguments with transparent huge pages refused (PR_SET_THP_DISABLE).
cat > "$work/no-thp" <<'PY'
#!/usr/bin/python3
import ctypes, os, sys
ctypes.CDLL(None, use_errno=True).prctl(41, 1, 0, 0, 0)
os.execv(sys.argv[1], sys.argv[1:])
PY
chmod +x "$work/no-thp"

best() {  # label wrapper...: "seconds faults" of the fastest of three runs
  local best_t="" best_f=""
  for _ in 1 2 3; do
    rm -rf "$work/out-huge"
    local out
    /usr/bin/time -o "$work/huge.time" -f '%e %R' "$@" "$dir/pixmira-batch" \
      --config "$work/Huge.ini" --jobs 2 --out "$work/out-huge" "$photos" >/dev/null 2>&1
    out=$(tail -1 "$work/huge.time")
    local t=${out% *} f=${out#* }
    if [ -z "$best_t" ] || awk -v a="$t" -v b="$best_t" 'BEGIN { exit !(a < b) }'; then
      best_t=$t best_f=$f
    fi
  done
  echo "$best_t $best_f"
}

read -r on_t on_f < <(best env)
read -r off_t off_f < <(best "$work/no-thp")
echo "hugepages-on-2-workers: $on_t s"
echo "hugepages-off-2-workers: $off_t s"
echo "hugepages-on-page-faults: $on_f faults"
echo "hugepages-off-page-faults: $off_f faults"
echo "hugepages-gain: $(awk -v a="$off_t" -v b="$on_t" 'BEGIN { printf "%.2f", a / b }') x"
