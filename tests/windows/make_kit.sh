#!/usr/bin/env bash
# Gathers what tests/windows/run.cmd runs on Windows from a Release build
# folder, in the layout the programs expect beside each other:
#
#   make_kit.sh BUILD KIT
#
#   KIT\run.cmd               the script
#   KIT\tests\                the unit test programs and the substitutes they load
#   KIT\dist\                 the program and its mail helper, as the tests find them
#   KIT\sim\                  the substitutes the end-to-end driver lays out
#   KIT\e2e\                  the end-to-end driver, its menu probe and yardstick
#   KIT\testkit.exe, KIT\ButtonManager-<version>-<arch>.exe
set -euo pipefail

build=$1
kit=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf -- "$kit"
mkdir -p "$kit"
# The build's programs and libraries, not its CMake files or the Wine
# prefixes of its tests.
mkdir -p "$kit/tests/other" "$kit/dist" "$kit/e2e"
cp -- "$build"/tests/*.exe "$build"/tests/*.dll "$build"/tests/*.ds "$kit/tests/"
cp -- "$build"/tests/other/* "$kit/tests/other/"
cp -- "$build"/dist/*.exe "$kit/dist/"
cp -r -- "$build/sim" "$kit/sim"
cp -- "$build"/e2e/*.exe "$build"/e2e/*.dll "$kit/e2e/"
cp -- "$build"/ButtonManager-*.exe "$kit/"
cp -- "$build"/testkit-*.exe "$kit/testkit.exe"
cp -- "$here/run.cmd" "$kit/"
