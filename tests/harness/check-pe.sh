#!/usr/bin/env bash
# Static checks of the shipping SETUPVDL.EXE (the i686 build): a PE32 image
# for i386, a Windows GUI program, importing only from the system DLLs that
# Windows NT 4.0 and Windows 2000 carry, and loading at run time (by the
# names it gives LoadLibraryA) only those DLLs and the help program. The
# libraries that only the wizard calls must be loaded at run time, never
# imported, so the unattended and usage roads do not map them.
#   check-pe.sh path/to/SETUPVDL.EXE
set -u
exe=${1:?usage: check-pe.sh SETUPVDL.EXE}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
allowed="kernel32 user32 gdi32 comctl32 advapi32 shell32 shlwapi version msvcrt"
late="comctl32 shell32 shlwapi"
# Also loaded, as a module of resources: the hyperlink's cursor comes from it.
allowed_programs="winhlp32"
# Names of the product's own files, which setup installs but never loads.
payload_files="vdlite.dll vdlite.exe"
fail=0
problem() {
  echo "check-pe: $exe: $*" >&2
  fail=1
}

[ -f "$exe" ] || { echo "check-pe: no file $exe" >&2; exit 1; }

# Little-endian integers straight from the headers.
u16() { od -An -tu2 -j "$1" -N2 --endian=little "$exe" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 --endian=little "$exe" | tr -d ' '; }

[ "$(head -c 2 "$exe")" = "MZ" ] || { echo "check-pe: $exe: no MZ header" >&2; exit 1; }
pe=$(u32 60)
[ "$(od -An -c -j "$pe" -N4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || { echo "check-pe: $exe: no PE signature" >&2; exit 1; }
machine=$(u16 $((pe + 4)))
[ "$machine" = $((0x14c)) ] || problem "machine $(printf 0x%x "$machine"), not i386 (0x14c)"
magic=$(u16 $((pe + 24)))
[ "$magic" = $((0x10b)) ] || problem "optional header magic $(printf 0x%x "$magic"), not PE32 (0x10b)"
subsystem=$(u16 $((pe + 24 + 68)))
[ "$subsystem" = 2 ] || problem "subsystem $subsystem, not Windows GUI (2)"

dump=$("$objdump" -p "$exe" 2>&1) || { problem "objdump cannot read it: $dump"; exit 1; }
imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u)
[ -n "$imports" ] || problem "no imports found"
for dll in $imports; do
  case " $allowed " in
    *" $dll "*) ;;
    *) problem "imports from $dll.dll, which is not one of: $allowed" ;;
  esac
done

for dll in $late; do
  case " $(echo $imports) " in
    *" $dll "*) problem "imports from $dll.dll, which only the wizard calls: it must be loaded at its first use" ;;
  esac
done

# What the image loads at run time: the module names among the constant
# strings (.rdata), less the product's own files.
read -r rdata_size rdata_offset < <(printf '%s\n' "$("$objdump" -h "$exe")" | awk '$2 == ".rdata" { print $3, $6 }')
[ -n "${rdata_size:-}" ] || problem "no .rdata section"
loaded=$(tail -c +$((0x${rdata_offset:-0} + 1)) "$exe" | head -c $((0x${rdata_size:-0})) | strings -a -n 5 |
  sed -n 's/^.*\\//; /\.[dDeE][lLxX][lLeE]$/p' | tr 'A-Z' 'a-z' | sort -u)
runtime=
for name in $loaded; do
  case " $payload_files " in *" $name "*) continue ;; esac
  runtime="$runtime ${name%.*}"
  case "$name" in
    *.dll) list=$allowed ;;
    *) list=$allowed_programs ;;
  esac
  case " $list " in
    *" ${name%.*} "*) ;;
    *) problem "loads $name at run time, which is not one of: $list" ;;
  esac
done
for dll in $late; do
  case " $runtime " in
    *" $dll "*) ;;
    *) problem "$dll.dll is not named for loading at run time" ;;
  esac
done
if [ -n "$runtime" ]; then
  printf '%s\n' "$dump" | grep -q 'LoadLibraryA$' || problem "names modules to load but does not import LoadLibraryA"
fi

if [ "$fail" = 0 ]; then
  echo "check-pe: $exe: PE32 i386 GUI, imports: $(echo $imports | tr ' ' ','); loads at run time: $(echo $runtime | tr ' ' ',')"
fi
exit $fail
