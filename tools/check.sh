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
run_ctest() {  # tree, parallel jobs
  local log
  log=$(mktemp)
  ctest --test-dir "$out/$1" -j "$2" --output-on-failure --timeout 300 2>&1 | tee "$log"
  local p f
  p=$(grep -oE '[0-9]+ tests passed|tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  total=$(grep -oE 'out of [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+')
  f=$(grep -oE '[0-9]+ tests failed' "$log" | tail -1 | grep -oE '^[0-9]+')
  total=${total:-0}
  f=${f:-0}
  [ -n "$p" ] || f=$((f + 1))
  passed=$((passed + total - f))
  failed=$((failed + f))
  rm -f "$log"
}
run_ctest native 2
run_ctest x64 "${WINE_JOBS:-4}"
# The shipping i686 build runs in a 32-bit Windows, under Wine's 32-bit
# loader. A machine whose kernel refuses 32-bit programs cannot run it: that
# is said in one line and in the summary, never skipped in silence.
not_run=
if answer=$(/usr/lib/wine/wine --version 2>&1); then
  run_ctest i686 "${WINE_JOBS:-4}"
else
  not_run="i686 Wine suite NOT RUN: this machine cannot run 32-bit programs (/usr/lib/wine/wine: ${answer#*/usr/lib/wine/wine: })"
  echo "$not_run"
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
# The signed release with a throwaway key (its Wine case where i686 runs) and
# the signed x86_64 test vehicle's Wine case.
if [ -z "$not_run" ]; then tests/signing/check-signed.sh i686 --wine; else tests/signing/check-signed.sh i686; fi
count "signed release (i686)" $?
tests/signing/check-signed.sh x64 --wine
count "signed x86_64 build: installed and trusted under wine64" $?
echo "Full check took $(( $(date +%s) - start )) s after the build."
echo "check: $passed passed, $failed failed"
[ -z "$not_run" ] || echo "$not_run"
[ "$failed" = 0 ]
