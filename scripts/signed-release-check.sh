#!/usr/bin/env bash
# Proves the signed release, with a signing identity made for this run only (a certificate
# authority and a code-signing certificate from openssl, an OpenPGP key in a GnuPG home of its
# own, no passphrases), from the builds scripts/package.sh made: nothing is compiled again; the
# Windows packages are made again from the cross build's programs, signed.
#   - scripts/verify-release.sh passes on the signed release folder: the sums, their signature,
#     each Windows file's Authenticode signature chaining to the test authority, the apt
#     repository; it fails with another authority or another key, and a one-byte change to any
#     file of the folder is caught and named.
#   - Signatures removed, updater.exe, updater-cli.exe and the uninstaller are the unsigned
#     build's bytes.
#   - An upgrade from the apt repository in a throw-away root (dpkg --root, apt with its own
#     configuration; this machine's packages are left alone): an earlier package installed, the
#     repository added with its key, the newer package verified and installed; a Release
#     changed after signing is refused.
#   - Under Wine the signed installer installs over an earlier version, upgrading it, and its
#     uninstaller uninstalls; what it installs is signed.
# With UPDATER_COUNTS set, the checks' results are added to that file.
# Usage: scripts/signed-release-check.sh   (after scripts/package.sh; LINUX_BUILD as there)
set -euo pipefail
cd "$(dirname "$0")/.."
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
start=$SECONDS
linux_build=${LINUX_BUILD:-build}
image=$(sed -n 's/^UPDATER_FIRMWARE:FILEPATH=//p' "$linux_build/CMakeCache.txt")
debs=("$linux_build"/vm-updater_*.deb)
deb=${debs[0]}
unsigned_stages=(build-mingw/packages/vm-updater-*/)
unsigned=${unsigned_stages[0]%/}
earlier_setup=build-mingw/earlier-package/vm-updater-0.0.1-setup.exe
for f in "$image" "$deb" "$unsigned/updater.exe" "$unsigned/uninstall.exe" "$earlier_setup"; do
  [[ -f $f ]] || { echo "signed-release: $f is missing (run scripts/package.sh first)" >&2; exit 1; }
done
name=$(basename "$unsigned")

passes=0
failures=0
fail() {
  failures=$((failures + 1))
  echo "signed-release: FAILED: $*" >&2
}
# expect WHAT COMMAND...: one check; WHAT is said when the command fails.
expect() {
  local what=$1
  shift
  if "$@"; then passes=$((passes + 1)); else fail "$what"; fi
}

work=$(mktemp -d /tmp/vm-updater-signed-release.XXXXXX)
source tests/wine/wine-env.sh
cleanup() {
  wine_cleanup
  # The GnuPG homes' agents, started by the signing.
  for home in "$work/identity/gnupg" "$work/other-gnupg"; do
    [[ ! -d $home ]] || gpgconf --homedir "$home" --kill gpg-agent 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# --- the throw-away identity ---------------------------------------------------------------
id=$work/identity
mkdir -p "$id"
# make_authority DIR: a certificate authority and a code-signing certificate it issued.
make_authority() {
  local dir=$1
  mkdir -p "$dir"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Updater test authority $RANDOM" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$dir/ca.key" -out "$dir/ca.pem" 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -subj "/O=Updater test/CN=Updater test release" \
    -keyout "$dir/signing.key" -out "$dir/signing.csr" 2>/dev/null
  printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=codeSigning" >"$dir/signing.ext"
  openssl x509 -req -in "$dir/signing.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" \
    -CAcreateserial -days 2 -extfile "$dir/signing.ext" -out "$dir/signing.pem" 2>/dev/null
}
make_authority "$id"
make_authority "$work/other-authority"
# make_gpg_key HOME: an OpenPGP signing key without a passphrase; prints its fingerprint.
make_gpg_key() {
  mkdir -m 700 "$1"
  GNUPGHOME=$1 gpg --batch --passphrase '' \
    --quick-gen-key "Updater test release <release@updater.invalid>" ed25519 sign 2d \
    2>"$1.log" || { cat "$1.log" >&2; return 1; }
  GNUPGHOME=$1 gpg --batch --with-colons --list-secret-keys 2>>"$1.log" |
    awk -F: '$1 == "fpr" {print $10; exit}'
}
fingerprint=$(make_gpg_key "$id/gnupg")
other_fingerprint=$(make_gpg_key "$work/other-gnupg")
GNUPGHOME=$id/gnupg gpg --batch --armor --export "$fingerprint" >"$id/release-key.asc"
GNUPGHOME=$work/other-gnupg gpg --batch --export "$other_fingerprint" >"$work/other-key.gpg"
echo "signed-release: a throw-away identity: $(openssl x509 -noout -subject -in "$id/signing.pem")," \
  "issued by $(openssl x509 -noout -subject -in "$id/ca.pem" | sed 's/^subject=//'); OpenPGP key" \
  "$fingerprint"

# --- the signed release, from the builds at hand -------------------------------------------
export RELEASE_SIGN_CERT=$id/signing.pem RELEASE_SIGN_KEY=$id/signing.key
export RELEASE_GPG_KEY=$fingerprint GNUPGHOME=$id/gnupg
mapfile -t packages < <(bash scripts/make-windows-packages.sh build-mingw "$work/signed")
((${#packages[@]} == 2)) || { echo "signed-release: the signed packages were not made" >&2; exit 1; }
release=$work/release/$name
bash scripts/release-folder.sh "$release" "$image" "$linux_build" "$deb" "${packages[@]}"
unset RELEASE_SIGN_CERT RELEASE_SIGN_KEY RELEASE_GPG_KEY GNUPGHOME
echo "signed-release: signed packages and release folder made in $((SECONDS - start)) s"

# --- verified, and every change caught ----------------------------------------------------
section=$SECONDS
verify() { VERIFY_CA=$1 bash scripts/verify-release.sh "$2" "$3"; }
verified() { grep '^verify: ok: ' "$work/verify.log" | grep -qF "$1"; }
if verify "$id/ca.pem" "$release" "$id/release-key.asc" >"$work/verify.log" 2>&1; then
  sed 's/^/    /' "$work/verify.log"
  for what in "SHA256SUMS.asc is a good signature" "$name-setup.exe: Authenticode signature good" \
    "$name/updater.exe: Authenticode signature good" \
    "$name/updater-cli.exe: Authenticode signature good" \
    "dists/stable/InRelease is a good signature" "pool/main/v/vm-updater/$(basename "$deb") has"; do
    expect "the verification did not check: $what" verified "$what"
  done
else
  sed 's/^/    /' "$work/verify.log" >&2
  fail "the signed release does not verify"
fi
refused() {
  local what=$1 log=$2
  shift 2
  if "$@" >"$log" 2>&1; then
    fail "$what was accepted"
  else
    passes=$((passes + 1))
    echo "signed-release: $what is refused: $(grep -m1 'FAILED' "$log")"
  fi
}
refused "a release checked against another authority" "$work/other-ca.log" \
  verify "$work/other-authority/ca.pem" "$release" "$id/release-key.asc"
refused "a release checked against the system's authorities" "$work/system-ca.log" \
  verify /etc/ssl/certs/ca-certificates.crt "$release" "$id/release-key.asc"
refused "a release checked with another OpenPGP key" "$work/other-key.log" \
  verify "$id/ca.pem" "$release" "$work/other-key.gpg"

# One byte of each file changed in turn, in a copy: the verification fails and names the file.
tampered=$work/tampered
cp -a "$release" "$tampered"
changed=0
while IFS= read -r file; do
  path=$tampered/$file
  size=$(stat -c %s "$path")
  offset=$((size / 2))
  byte=$(od -An -tu1 -j "$offset" -N1 "$path" | tr -d ' ')
  printf '%b' "\\$(printf '%03o' $((byte ^ 1)))" | dd of="$path" bs=1 seek="$offset" conv=notrunc status=none
  if verify "$id/ca.pem" "$tampered" "$id/release-key.asc" >"$work/tampered.log" 2>&1; then
    fail "a byte changed in $file went unnoticed"
  elif ! grep 'FAILED' "$work/tampered.log" | grep -qF "$(basename "$file")"; then
    fail "a byte changed in $file was caught, but not named:"
    grep 'FAILED' "$work/tampered.log" | sed 's/^/    /' >&2
  else
    passes=$((passes + 1))
  fi
  cp "$release/$file" "$path"
  changed=$((changed + 1))
done < <(cd "$release" && find . -type f -printf '%P\n' | LC_ALL=C sort)
echo "signed-release: a one-byte change to each of the $changed files of the release is caught" \
  "(verified in $((SECONDS - section)) s)"

# --- signatures removed: the unsigned build's bytes ----------------------------------------
unpacked=$work/unpacked
unzip -q "${packages[1]}" -d "$unpacked"
for program in "$unpacked/$name/updater.exe" "$unpacked/$name/updater-cli.exe" \
  "$work/signed/$name/uninstall.exe"; do
  base=$(basename "$program")
  expect "$base is not signed by the test identity" \
    bash scripts/authenticode.sh verify "$program" "$id/ca.pem" >/dev/null
  osslsigncode remove-signature -in "$program" -out "$work/$base.removed" >/dev/null
  if cmp -s "$work/$base.removed" "$unsigned/$base"; then
    passes=$((passes + 1))
    echo "signed-release: $base without its signature is the unsigned build's to the byte"
  else
    fail "$base without its signature differs from the unsigned build's"
  fi
done
echo "signed-release: the installer holds the signed programs and uninstaller, so it differs" \
  "from the unsigned one; what it installs is checked under Wine below"

# --- an upgrade from the apt repository, in a throw-away root ------------------------------
section=$SECONDS
apt_root=$work/apt-root
mkdir -p "$apt_root"/etc/apt/{apt.conf.d,preferences.d,sources.list.d,trusted.gpg.d} \
  "$apt_root"/var/lib/apt/lists/partial "$apt_root"/var/cache/apt/archives/partial \
  "$apt_root"/var/lib/dpkg/{updates,triggers} "$apt_root"/var/log/apt
# This machine's installed packages satisfy the package's dependencies: their states and file
# lists, without their maintainer scripts and triggers, so that nothing of theirs runs.
cp /var/lib/dpkg/status "$apt_root/var/lib/dpkg/status"
mkdir -p "$apt_root/var/lib/dpkg/info"
find /var/lib/dpkg/info -name '*.list' -exec cp -t "$apt_root/var/lib/dpkg/info/" {} +
touch "$apt_root/var/lib/dpkg/available" "$apt_root/var/lib/dpkg/triggers/File"
cat >"$apt_root/apt.conf" <<CONF
Dir "$apt_root/";
Dir::State::status "$apt_root/var/lib/dpkg/status";
Dir::Log "$apt_root/var/log/apt";
APT::Sandbox::User "root";
DPkg::Options { "--root=$apt_root"; "--log=$apt_root/var/log/dpkg.log"; };
CONF
apt_in_root() { APT_CONFIG=$apt_root/apt.conf DEBIAN_FRONTEND=noninteractive "$@"; }
in_root_version() {
  dpkg-query --admindir="$apt_root/var/lib/dpkg" -W -f '${Version}' vm-updater 2>/dev/null || true
}
new_version=$(dpkg-deb -f "$deb" Version)
# The earlier package: the same files with a lower version, and one file the newer one has not.
earlier=$work/earlier-deb
dpkg-deb -R "$deb" "$earlier"
sed -i 's/^Version: .*/Version: 0.0.1/' "$earlier/DEBIAN/control"
mkdir -p "$earlier/usr/share/vm-updater"
echo "only in 0.0.1" >"$earlier/usr/share/vm-updater/earlier.txt"
dpkg-deb --root-owner-group -Zgzip -z1 -b "$earlier" "$work/vm-updater_0.0.1_amd64.deb" >/dev/null
dpkg --root="$apt_root" --log="$apt_root/var/log/dpkg.log" -i "$work/vm-updater_0.0.1_amd64.deb" \
  >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "the earlier package did not install"; }
expect "the earlier package is not installed in the throw-away root" test "$(in_root_version)" = 0.0.1
install -m 644 "$release/vm-updater-archive-keyring.gpg" "$apt_root/etc/apt/keyrings.gpg"
sources=$apt_root/etc/apt/sources.list.d/vm-updater.list

# A Release changed after it was signed (its sums edited to let another package list in).
bad_repo=$work/tampered-repository
mkdir -p "$bad_repo"
cp -a "$release/dists" "$bad_repo/"
ln -s "$release/pool" "$bad_repo/pool"
sed -i 's/^Label: .*/Label: Updater for VM-5160\/VM-6160 (not ours)/' \
  "$bad_repo/dists/stable/Release" "$bad_repo/dists/stable/InRelease"
echo "deb [signed-by=$apt_root/etc/apt/keyrings.gpg] file:$bad_repo stable main" >"$sources"
if apt_in_root apt-get update >"$work/apt-tampered.log" 2>&1; then
  fail "apt accepted the repository with a changed Release"
  sed 's/^/    /' "$work/apt-tampered.log" >&2
else
  expect "apt refused the changed Release, but not for its signature" \
    grep -qE 'BADSIG|not signed' "$work/apt-tampered.log"
  echo "signed-release: apt refuses a changed Release: $(grep -m1 -E 'BADSIG|not signed' \
    "$work/apt-tampered.log")"
fi
candidate() { apt_in_root apt-cache policy vm-updater | sed -n 's/^ *Candidate: //p'; }
expect "the changed repository offers vm-updater $(candidate)" test "$(candidate)" = 0.0.1
rm -rf "$apt_root"/var/lib/apt/lists/*

echo "deb [signed-by=$apt_root/etc/apt/keyrings.gpg] file:$release stable main" >"$sources"
if apt_in_root apt-get update >"$work/apt-update.log" 2>&1 &&
  apt_in_root apt-get install -y vm-updater >"$work/apt-install.log" 2>&1; then
  expect "apt did not read the signed InRelease" grep -q 'stable InRelease' "$work/apt-update.log"
  expect "after the upgrade vm-updater $(in_root_version) is installed, not $new_version" \
    test "$(in_root_version)" = "$new_version"
  expect "the upgrade left the earlier package's file" \
    test ! -e "$apt_root/usr/share/vm-updater/earlier.txt"
  dpkg -x "$deb" "$work/new-files"
  expect "the upgrade did not install the new updater-cli" \
    cmp -s "$work/new-files/usr/bin/updater-cli" "$apt_root/usr/bin/updater-cli"
  echo "signed-release: apt upgraded vm-updater 0.0.1 to $new_version from the signed" \
    "repository ($((SECONDS - section)) s)"
else
  cat "$work/apt-update.log" "$work/apt-install.log" 2>/dev/null | sed 's/^/    /' >&2
  fail "apt did not upgrade from the signed repository"
fi

# --- the signed installer under Wine -------------------------------------------------------
section=$SECONDS
wine_setup
drive=$WINEPREFIX/drive_c
install_dir="$drive/Program Files/VM Updater"
signed_setup=${packages[0]}
run_and_wait() {
  local status=0
  timeout 120 "$WINE" "$@" </dev/null || status=$?
  timeout 120 "$WINESERVER" -w
  return "$status"
}
# The version the uninstall entry names, from the registry as the server wrote it out when the
# last program ended (run_and_wait waits for that); empty without the entry.
installed_version() {
  local key='[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\vm-updater]'
  awk -v key="${key//\\/\\\\}" '/^\[/ {entry = index($0, key) == 1}
    entry && /^"DisplayVersion"=/ {sub(/^"DisplayVersion"="/, ""); sub(/"$/, ""); print}' \
    "$WINEPREFIX/system.reg"
}
version=${name#vm-updater-}
version=${version%-fw*}
# The installed files are the signed ones, each signed by the test identity.
installed_signed() {
  local what=$1 file
  for file in updater.exe updater-cli.exe uninstall.exe; do
    expect "$what: $file is not signed by the test identity" \
      bash scripts/authenticode.sh verify "$install_dir/$file" "$id/ca.pem" >/dev/null
  done
  expect "$what: updater.exe is not the signed one" \
    cmp -s "$install_dir/updater.exe" "$unpacked/$name/updater.exe"
  expect "$what: uninstall.exe is not the signed one" \
    cmp -s "$install_dir/uninstall.exe" "$work/signed/$name/uninstall.exe"
}
uninstalled() {
  local what=$1
  run_and_wait "C:\\Program Files\\VM Updater\\uninstall.exe" /S ||
    fail "$what: the uninstaller ended with an error"
  expect "$what: the uninstallation left $install_dir" test ! -e "$install_dir"
  found=$(installed_version)
  expect "$what: the uninstallation left the uninstall entry ($found)" test -z "$found"
}
# Installing over an earlier version runs both the earlier uninstaller and the new installer's
# files and uninstaller; a fresh installation is proven unsigned by scripts/windows-package.sh.
expect "the earlier version did not install" run_and_wait "$earlier_setup" /S
expect "the signed installer did not upgrade the earlier version" run_and_wait "$signed_setup" /S
found=$(installed_version)
expect "after the upgrade the entry names version $found" test "$found" = "$version"
installed_signed "an upgrade"
uninstalled "an upgrade"
echo "signed-release: under Wine the signed installer installs over 0.0.1 and uninstalls;" \
  "updater.exe, updater-cli.exe and uninstall.exe installed carry the signature" \
  "($((SECONDS - section)) s)"

[[ -z ${UPDATER_COUNTS:-} ]] || echo "$passes $failures 0" >>"$UPDATER_COUNTS"
if ((failures)); then
  echo "signed-release: $failures check(s) failed" >&2
  exit 1
fi
echo "signed-release: the signed release is verified, upgrades by apt and installs under Wine" \
  "($((SECONDS - start)) s)"
