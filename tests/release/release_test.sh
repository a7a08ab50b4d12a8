#!/usr/bin/env bash
# What ships, checked as a release: reproducible, signable, listed.
#
#   release_test.sh ARCH BUILD
#
# BUILD is the Release build folder of ARCH. The test copies the tracked
# source into a folder with a space in its name, builds what ships there a
# while later, and compares SHA-256 checksums of the program, the mail helper,
# the installer and the test kit with BUILD's. It then signs BUILD's installer
# with a throwaway certificate, made here and never kept, and verifies every
# signed file against it: the program and the mail helper as packed, the
# installer, and the uninstaller as the signed installer puts it on disk. The
# package manager's manifest must be YAML and carry the installers' checksums.
set -uo pipefail

arch=$1
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/lib/wine.sh"
source "$root/tests/support/check.sh"
work=$build/release-test
rm -rf -- "$work/copy of source" "$work/signing" "$work/manifest"
mkdir -p "$work/copy of source" "$work/signing"

# The mail helper the build ships: the other architecture's.
helper=$(cd "$build/dist" && ls ButtonManagerMail*.exe)
installer=$(cd "$build" && ls ButtonManager-*-"$arch".exe)
shipped=(dist/ButtonManager.exe "dist/$helper" "$installer" "testkit-$arch.exe")

# --- The same bytes from another folder, at another time. ---
(cd "$root" && git ls-files -z | xargs -0 cp --parents -t "$work/copy of source")
second="$work/copy of source/build/$arch-release"
cmake -S "$work/copy of source" -B "$second" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$work/copy of source/cmake/$arch-w64-mingw32.cmake" >/dev/null
if ! cmake --build "$second" -j"$(nproc)" --target installer testkit >"$work/build.log" 2>&1; then
  tail -n 30 "$work/build.log"
  check "the copy of the source builds" false
fi
same() {
  local a b
  a=$(sha256sum <"$build/$1") b=$(sha256sum <"$second/$1" 2>/dev/null)
  [ "$a" = "$b" ] || { echo "  $1: ${a%% *} here, ${b%% *} there"; return 1; }
}
for file in "${shipped[@]}"; do
  check "$file is the same, byte for byte, built in another folder" same "$file"
done

# --- Signed with a throwaway certificate. ---
key=$work/signing
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Button manager test signing" \
  -keyout "$key/key.pem" -out "$key/cert.pem" >/dev/null 2>&1
openssl pkcs12 -export -inkey "$key/key.pem" -in "$key/cert.pem" -passout pass:test-only \
  -out "$key/test.pfx" >/dev/null 2>&1
rm -f "$key/key.pem"
export BM_SIGN_PFX=$key/test.pfx BM_SIGN_PASSWORD=test-only
unset BM_SIGN_TIMESTAMP
check "the signed installer builds" cmake --build "$build" --target signed_installer >/dev/null
unset BM_SIGN_PFX BM_SIGN_PASSWORD
signed() { osslsigncode verify -CAfile "$key/cert.pem" -in "$1" >/dev/null 2>&1; }
unsigned() { ! osslsigncode verify -in "$1" >/dev/null 2>&1; }
check "the installer as built is not signed" unsigned "$build/$installer"
for file in ButtonManager.exe "$helper" "$installer"; do
  check "$file verifies as signed with the certificate" signed "$build/signed/$file"
done
bm_fresh_prefix "$work" "$arch" || exit 1
check "the signed installer installs silently" wine "$build/signed/$installer" /S
# Without the companion the program goes into Program Files (the 64-bit
# one for x86_64).
instdir=$(winepath -u 'C:\Program Files\MERO\Button Manager' 2>/dev/null | tr -d '\r')
for file in ButtonManager.exe uninstall.exe; do
  check "the installed $file verifies as signed" signed "$instdir/$file"
done

# --- The package manager's manifest. ---
manifest=$work/manifest
python3 "$root/scripts/lib/winget.py" "$manifest" "$build/dist/ButtonManager.exe" \
  "https://example.invalid/releases/4.0.0" "$build/$installer" >/dev/null
listed() {
  python3 - "$manifest" "$build/$installer" <<'PY'
import glob, hashlib, sys, yaml
folder, installer = sys.argv[1], sys.argv[2]
files = glob.glob(folder + "/manifests/*/*/*/*/*.yaml")
documents = {f.rsplit(".", 2)[-2]: yaml.safe_load(open(f, encoding="utf-8")) for f in files}
entry = documents["installer"]["Installers"][0]
digest = hashlib.sha256(open(installer, "rb").read()).hexdigest().upper()
assert len(files) == 3, files
assert entry["InstallerSha256"] == digest, (entry, digest)
assert documents["en-US"]["Publisher"] == "MERO", documents["en-US"]
PY
}
check "the manifest is YAML and carries the installer's checksum" listed

if [ "$failures" -ne 0 ]; then
  echo "release test: $failures checks failed"
  exit 1
fi
bm_drop_prefix "$work"
echo "release test: all checks passed"
