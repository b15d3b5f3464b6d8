#!/usr/bin/env bash
# Installs what is missing, builds every tree and runs every test:
# native logic tests under ASan/UBSan, bounded fuzz runs, the Wine tests
# of both builds (each case in a fresh prefix of its bitness on its own
# virtual display), the shipping executable's PE checks, a reproducibility
# check, the signed release's checks, and the deployment guide's playbook
# (its syntax only where Ansible is installed).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh || exit 1
tools/build.sh || { echo "build failed"; exit 1; }
out=${BUILD_ROOT:-$root/build}
start=$(date +%s)
passed=0
failed=0
count() {  # name, status
  if [ "$2" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
summary=
run_ctest() {  # tree, parallel jobs
  local log p f total
  log=$(mktemp)
  ctest --test-dir "$out/$1" -j "$2" --output-on-failure --timeout 300 2>&1 | tee "$log"
  p=$(grep -oE '[0-9]+ tests passed|tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  total=$(grep -oE 'out of [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+')
  f=$(grep -oE '[0-9]+ tests failed' "$log" | tail -1 | grep -oE '^[0-9]+')
  total=${total:-0}
  f=${f:-0}
  [ -n "$p" ] || f=$((f + 1))
  passed=$((passed + total - f))
  failed=$((failed + f))
  summary="$summary, $1 $((total - f))/$total"
  rm -f "$log"
}
run_ctest native 2
run_ctest x64 "${WINE_JOBS:-4}"
# The shipping i686 build runs in a 32-bit Windows under Wine's 32-bit
# loader: natively where the kernel allows 32-bit code, otherwise under
# emulation (tests/harness/wine-env.sh decides). A machine that can do
# neither fails the check: the shipping build untested is no pass.
i686_runs=0
if why=$(SETUPVDL_WINE_BITS=32 bash -c '. tests/harness/wine-env.sh && wine_check && echo "$SETUPVDL_WINE_EMULATED"'); then
  jobs=${WINE_JOBS:-4}
  if [ "$why" = 1 ]; then
    # qemu keeps a core busy where native Wine mostly waits: one case per core.
    jobs=${WINE_JOBS:-$(nproc)}
    echo "== i686 Wine tests under emulation (qemu-i386 in a namespace of their own), $jobs at a time"
  fi
  run_ctest i686 "$jobs"
  i686_runs=1
else
  echo "FAILED: the i686 Wine tests cannot run: $why"
  failed=$((failed + 1))
  summary="$summary, i686 NOT RUN"
fi
# Static analysis of the platform-free logic (the Win32 code is checked by
# the cross compilers' warnings, which are errors).
clang-tidy --quiet src/*/*_logic.cpp -- -Isrc -Ires -std=c++17 >/dev/null 2>&1
count "clang-tidy of the platform-free logic" $?
# The deployment guide quotes its playbook file; the two must not drift apart.
awk '/^```yaml$/{on=1;next} /^```$/{if(on)exit} on' docs/deploying.md | cmp -s - deploy/vandrel-lite.yml
count "deployment guide quotes deploy/vandrel-lite.yml" $?
# Only where Ansible and its Windows collection are installed (Debian's
# "ansible" package); nothing installs them for this.
if command -v ansible-playbook >/dev/null 2>&1 && ansible-doc -t module ansible.windows.win_command >/dev/null 2>&1; then
  ansible-playbook --syntax-check -i localhost, deploy/vandrel-lite.yml >/dev/null 2>&1
  count "ansible-playbook --syntax-check deploy/vandrel-lite.yml" $?
fi
tests/harness/check-pe.sh "$out/i686/bin/SETUPVDL.EXE"
count "PE checks of the shipping executable" $?
tests/harness/check-repro.sh "$out/i686/bin/SETUPVDL.EXE"
count "reproducible shipping build" $?
# The signed release with a throwaway key, installed under Wine where the
# i686 build runs (where it cannot, the check has failed above).
if [ "$i686_runs" = 1 ]; then tests/signing/check-signed.sh i686 --wine; else tests/signing/check-signed.sh i686; fi
count "signed release (i686)" $?
# The share of tests, in lines of the tracked files: product code (src/, res/
# and deploy/ sources: .cpp .h .c .rc .cmd) against tests (tests/: .cpp .h .c
# .sh and its CMakeLists.txt).
lines_of() {  # extended regex of the names, folders...
  local pattern=$1
  shift
  git ls-files -z -- "$@" | grep -zE "$pattern" | xargs -0r cat | wc -l
}
product_lines=$(lines_of '\.(cpp|h|c|rc|cmd)$' src res deploy)
test_lines=$(lines_of '(\.(cpp|h|c|sh)|/CMakeLists\.txt)$' tests)
echo "Lines: product code $product_lines, tests $test_lines; tests per product line $(awk -v t="$test_lines" -v p="$product_lines" 'BEGIN { printf "%.2f", p ? t / p : 0 }')."
echo "Full check took $(( $(date +%s) - start )) s after the build."
echo "check: $passed passed, $failed failed (cases passed/run${summary})"
[ "$failed" = 0 ]
