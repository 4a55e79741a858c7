#!/bin/sh
# Checks the export and import tables of the built module and host program.
# usage: check_module_pe.sh OBJDUMP MODULE.dll VDHOST.exe
set -eu
objdump=$1 module=$2 host=$3
fail=0

exports=$("$objdump" -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
  | sed -n -E 's/^[[:space:]]*\[ *[0-9]+\] //p' | sort)
expected=$(printf '%s\n' InitApp ColorExtFunction Command_DimArc Command_DimArc2 Command_DimArc3 \
  Command_DimArc4 Command_DimArcLength Command_DimConnect Command_DimDivide Command_DimAlign \
  Command_DimUpdateUCS Command_HeightDim Command_HeightDimEdit Command_HeightDimSetBase \
  Command_HeightDimUpdate Command_HeightDimSettings | sort)
if [ "$exports" != "$expected" ]; then
  echo "module exports differ from the sixteen entry points:"
  echo "$exports"
  fail=1
else
  echo "module exports: $(echo "$exports" | wc -l) entry points, plain names"
fi

# Only DLLs that every Windows installation has; in particular no compiler runtime.
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|msvcrt|SHELL32|ole32|OLEAUT32|COMCTL32|comdlg32|RPCRT4|api-ms-win-.*)\.dll$'
for f in "$module" "$host"; do
  for dll in $("$objdump" -p "$f" | sed -n 's/^\s*DLL Name: //p'); do
    if ! echo "$dll" | grep -Eiq "$allowed"; then
      echo "$(basename "$f") imports $dll, which is not a Windows system DLL"
      fail=1
    fi
  done
  echo "$(basename "$f") imports: $("$objdump" -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
done
exit $fail
