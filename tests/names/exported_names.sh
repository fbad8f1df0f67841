#!/usr/bin/env bash
# Fails on any name the libraries export beyond the low-level interface
# (public_names.txt), namespace pantalla and the toolchain's own.
# Usage: exported_names.sh NM public_names.txt library.a...
set -u
nm_tool=$1
list=$2
shift 2
allowed=$(grep -v '^#' "$list" | grep -v '^$' | paste -sd'|')
names=$("$nm_tool" -C --defined-only -g "$@") || exit 2
strays=$(printf '%s\n' "$names" |
    grep -E '^[0-9a-fA-F]+ [A-Za-z] ' | cut -d' ' -f3- |
    # a symbol about a name (its guard, type data, a template's return type)
    sed -E 's/^(guard variable for|typeinfo name for|typeinfo for|vtable for|VTT for) //; s/^[A-Za-z_ &*]+ (pantalla::|std::)/\1/' |
    # the toolchain's: standard templates, unwinding, sanitizers, the C library's inline
    # printf family (mingw)
    grep -vE '^(std::|__gnu_cxx::|__cxxabiv1::|pantalla::|DW\.ref\.|__odr_asan|__asan_|__tsan_|__sancov_|__gxx_personality|_?_?imp_|\.refptr\.|void \(|void \(\*\)\(\))' |
    grep -vE '^_*v?[sf]?n?printf\(' |
    grep -vE "^($allowed)(\(|\$)" |
    sort -u)
if [ -n "$strays" ]; then
    echo "exported outside the interface and namespace pantalla:"
    printf '%s\n' "$strays"
    exit 1
fi
echo "exported names: $(printf '%s\n' "$names" | grep -cE '^[0-9a-fA-F]+ [A-Za-z] ') symbols, all in the interface or namespace pantalla"
