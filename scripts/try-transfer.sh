#!/usr/bin/env bash
# Builds the Linux program and runs one real transfer in each direction
# through the recording test filter, registered in a registry file of its
# own: what a filter receives is printed after each run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
filter=$root/build/linux/filters/recording_filter.so
cat >registry.reg <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.mdb]
"DefaultImport"="{4D4F5256-0001-4153-4B00-46494C544552}"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.cdb]
"DefaultExport"="{4D4F5256-0001-4153-4B00-46494C544552}"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{4D4F5256-0001-4153-4B00-46494C544552}\\InProcServer32]
@="$filter"
REG
export MORVASK_REGISTRY=$work/registry.reg
: >Orders.mdb

set +e
"$root/build/linux/morvask" /D2P /D Orders.mdb /P '\Orders.cdb' /T Customers /O
echo "(exit status $?)"
"$root/build/linux/morvask" /P2D /P '\Orders.cdb' /D Copy.mdb /SY
echo "(exit status $?)"
echo
echo "The filter received:"
cat filter-call.txt
