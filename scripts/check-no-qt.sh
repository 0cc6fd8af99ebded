#!/bin/sh
# Fails when the program named loads a Qt library: gantrel-cli and the layers it links use the
# standard library, hidapi, CLI11 and nlohmann-json only. ldd lists what it loads, libraries of
# libraries included; where ldd is missing, readelf's NEEDED entries stand in. Exits 77 (a
# skip for ctest) when neither is there.
#   sh scripts/check-no-qt.sh PROGRAM
program=$1
if command -v ldd >/dev/null 2>&1; then
  libraries=$(ldd "$program") || exit 1
elif command -v readelf >/dev/null 2>&1; then
  libraries=$(readelf -d "$program" | grep NEEDED) || exit 1
else
  echo "neither ldd nor readelf: not checked"
  exit 77
fi
if echo "$libraries" | grep -i qt; then
  echo "$program loads Qt (above)"
  exit 1
fi
echo "$program loads no Qt"
