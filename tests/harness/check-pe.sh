#!/usr/bin/env bash
# Static checks of the four i686 images that ship: SETUPVDL.EXE, the two
# program files it carries, VDLite.dll and VDLite.exe, and the deployment
# program VDLPUSH.EXE.
#   check-pe.sh path/to/SETUPVDL.EXE [path/to/VDLite.dll path/to/VDLite.exe [path/to/VDLPUSH.EXE]]
# (by default the two are taken from the same build tree's payload/plain/,
# and VDLPUSH.EXE from beside SETUPVDL.EXE).
#
# - SETUPVDL.EXE: a PE32 i386 Windows GUI program that imports from kernel32,
#   user32, gdi32 and advapi32 only, the DLLs that every NT version protects
#   from a copy planted beside the program (KnownDLLs). Every other library is
#   loaded at run time by its full path (LoadLibraryExA; LoadLibraryA, which
#   takes bare names, is not imported), and the names it loads are only those
#   system DLLs and the help program. Nothing newer than NT 4.0 that it uses
#   (SetDefaultDllDirectories, SetDllDirectoryA, SetSecurityDescriptorControl) is
#   imported.
# - VDLite.dll: a PE32 i386 DLL exporting DllCanUnloadNow, DllGetClassObject
#   and Uninstall by their plain names, importing only DLLs of NT 4.0.
# - VDLite.exe: a PE32 i386 native program importing only ntdll.
# - VDLPUSH.EXE: a PE32 i386 console program that imports from kernel32,
#   user32 and advapi32 only (KnownDLLs) and loads no library at all.
# - None of them holds an instruction that NT 4.0's oldest processors (a 486,
#   and for Windows 2000 a Pentium) lack: CMOV, FCMOV, FCOMI/FUCOMI, RDTSC,
#   CMPXCHG8B, MMX or SSE.
set -u
exe=${1:?usage: check-pe.sh SETUPVDL.EXE [VDLite.dll VDLite.exe]}
plain=$(dirname "$exe")/../payload/plain
dll=${2:-$plain/VDLite.dll}
native=${3:-$plain/VDLite.exe}
push=${4:-$(dirname "$exe")/VDLPUSH.EXE}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
command -v "$objdump" >/dev/null || { echo "check-pe: $objdump is missing (tools/deps.sh installs it)" >&2; exit 1; }

setup_imports="kernel32 user32 gdi32 advapi32"
# Loaded at run time from the system directory; each must be named. The
# theme library goes with the common controls, which load it by name.
late="comctl32 uxtheme shell32 version"
# Also named: kernel32, looked up for the library search's narrowing, and
# advapi32, looked up for a call that NT 4.0 lacks.
setup_loads="kernel32 advapi32 $late"
# Also loaded, as a data file: the hyperlink's cursor comes from it.
setup_programs="winhlp32"
# Names of the product's own files, which setup installs but never loads.
payload_files="vdlite.dll vdlite.exe"
# What the shell extension may import: DLLs that NT 4.0 has.
dll_imports="kernel32 user32 gdi32 advapi32 comctl32 shell32 ole32"
dll_exports="DllCanUnloadNow DllGetClassObject Uninstall"
push_imports="kernel32 user32 advapi32"
fail=0
problem() {  # image, text
  echo "check-pe: $1: $2" >&2
  fail=1
}

# Little-endian integers straight from an image's headers.
u16() { od -An -tu2 -j "$2" -N2 --endian=little "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N4 --endian=little "$1" | tr -d ' '; }

# A PE32 image for i386 of the given subsystem (2 GUI, 1 native, - for a DLL,
# where it means nothing); DLL or not.
check_header() {  # image, subsystem, is-dll (0/1)
  local image=$1 pe machine magic subsystem characteristics
  [ "$(head -c 2 "$image")" = "MZ" ] || { problem "$image" "no MZ header"; return 1; }
  pe=$(u32 "$image" 60)
  [ "$(od -An -c -j "$pe" -N4 "$image" | tr -d ' ')" = 'PE\0\0' ] || { problem "$image" "no PE signature"; return 1; }
  machine=$(u16 "$image" $((pe + 4)))
  [ "$machine" = $((0x14c)) ] || problem "$image" "machine $(printf 0x%x "$machine"), not i386 (0x14c)"
  characteristics=$(u16 "$image" $((pe + 22)))
  [ $(((characteristics >> 13) & 1)) = "$3" ] || problem "$image" "DLL flag is not $3"
  magic=$(u16 "$image" $((pe + 24)))
  [ "$magic" = $((0x10b)) ] || problem "$image" "optional header magic $(printf 0x%x "$magic"), not PE32 (0x10b)"
  subsystem=$(u16 "$image" $((pe + 24 + 68)))
  [ "$2" = - ] || [ "$subsystem" = "$2" ] || problem "$image" "subsystem $subsystem, not $2"
}

# The DLLs an image imports from, lower case, without ".dll".
imports_of() { sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u; }

check_imports() {  # image, dump, allowed list
  local found
  found=$(printf '%s\n' "$2" | imports_of)
  [ -n "$found" ] || problem "$1" "no imports found"
  for name in $found; do
    case " $3 " in
      *" $name "*) ;;
      *) problem "$1" "imports from $name.dll, which is not one of: $3" ;;
    esac
  done
  echo $found | tr ' ' ','
}

# Instructions that a 486 or a Pentium does not have, from the disassembly.
check_processor() {  # image
  local listing bad
  listing=$("$objdump" -d --no-show-raw-insn "$1" 2>&1) || { problem "$1" "objdump cannot disassemble it"; return; }
  bad=$(printf '%s\n' "$listing" |
    grep -E $'^[[:space:]]*[0-9a-f]+:\t' |
    grep -E '(^|[[:space:]])(cmov[a-z]+|fcmov[a-z]+|fu?comip?|rdtsc|cmpxchg8b|prefetch[a-z0-9]*|[lms]fence|movnti|[ls]dmxcsr|fxsave|fxrstor|sysenter|sysexit|emms)([[:space:]]|$)|%[xy]?mm[0-9]')
  if [ -n "$bad" ]; then
    problem "$1" "$(printf '%s\n' "$bad" | wc -l) instructions that a 486 or Pentium lacks, such as:
$(printf '%s\n' "$bad" | head -5)"
  fi
}

for image in "$exe" "$dll" "$native" "$push"; do
  [ -f "$image" ] || { echo "check-pe: no file $image" >&2; exit 1; }
done

# --- SETUPVDL.EXE
check_header "$exe" 2 0
dump=$("$objdump" -p "$exe" 2>&1) || { problem "$exe" "objdump cannot read it: $dump"; exit 1; }
exe_imports=$(check_imports "$exe" "$dump" "$setup_imports")
for name in LoadLibraryA LoadLibraryW; do
  printf '%s\n' "$dump" | grep -qE "[[:space:]]$name\$" &&
    problem "$exe" "imports $name: every library is loaded by its full path through LoadLibraryExA"
done
# Newer than NT 4.0 and 2000: an import of either would keep the image from
# loading there; they are looked up at run time.
for name in SetDefaultDllDirectories SetDllDirectoryA SetSecurityDescriptorControl; do
  printf '%s\n' "$dump" | grep -qE "[[:space:]]$name\$" &&
    problem "$exe" "imports $name, which NT 4.0 and 2000 lack: it must be looked up with GetProcAddress"
done

# What the image loads at run time: the module names among the constant
# strings (.rdata), less the product's own files.
read -r rdata_size rdata_offset < <("$objdump" -h "$exe" | awk '$2 == ".rdata" { print $3, $6 }')
[ -n "${rdata_size:-}" ] || problem "$exe" "no .rdata section"
loaded=$(tail -c +$((0x${rdata_offset:-0} + 1)) "$exe" | head -c $((0x${rdata_size:-0})) | strings -a -n 5 |
  sed -n 's/^.*\\//; /\.[dDeE][lLxX][lLeE]$/p' | tr 'A-Z' 'a-z' | sort -u)
runtime=
for name in $loaded; do
  case " $payload_files " in *" $name "*) continue ;; esac
  runtime="$runtime ${name%.*}"
  case "$name" in
    *.dll) list=$setup_loads ;;
    *) list=$setup_programs ;;
  esac
  case " $list " in
    *" ${name%.*} "*) ;;
    *) problem "$exe" "loads $name at run time, which is not one of: $list" ;;
  esac
done
for name in $late; do
  case " $runtime " in
    *" $name "*) ;;
    *) problem "$exe" "$name.dll is not named for loading at run time" ;;
  esac
done
printf '%s\n' "$dump" | grep -qE '[[:space:]]LoadLibraryExA$' || problem "$exe" "does not import LoadLibraryExA"
check_processor "$exe"

# --- VDLite.dll
check_header "$dll" - 1
dump=$("$objdump" -p "$dll" 2>&1) || { problem "$dll" "objdump cannot read it: $dump"; exit 1; }
dll_found=$(check_imports "$dll" "$dump" "$dll_imports")
exported=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p')
for name in $dll_exports; do
  printf '%s\n' "$exported" | grep -qx "$name" || problem "$dll" "does not export $name under its plain name"
done
check_processor "$dll"

# --- VDLite.exe
check_header "$native" 1 0
dump=$("$objdump" -p "$native" 2>&1) || { problem "$native" "objdump cannot read it: $dump"; exit 1; }
native_found=$(check_imports "$native" "$dump" "ntdll")
check_processor "$native"

# --- VDLPUSH.EXE
check_header "$push" 3 0
dump=$("$objdump" -p "$push" 2>&1) || { problem "$push" "objdump cannot read it: $dump"; exit 1; }
push_found=$(check_imports "$push" "$dump" "$push_imports")
for name in LoadLibraryA LoadLibraryW LoadLibraryExA LoadLibraryExW; do
  printf '%s\n' "$dump" | grep -qE "[[:space:]]$name\$" && problem "$push" "imports $name: it loads no library"
done
check_processor "$push"

if [ "$fail" = 0 ]; then
  echo "check-pe: $exe: PE32 i386 GUI, imports: $exe_imports; loads at run time: $(echo $runtime | tr ' ' ',')"
  echo "check-pe: $dll: PE32 i386 DLL, exports: $(echo $exported | tr ' ' ','); imports: $dll_found"
  echo "check-pe: $native: PE32 i386 native, imports: $native_found"
  echo "check-pe: $push: PE32 i386 console, imports: $push_found"
  echo "check-pe: no instruction that a 486 or Pentium lacks in any of them"
fi
exit $fail
