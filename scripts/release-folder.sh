#!/usr/bin/env bash
# The release folder, from packages already built (scripts/release.sh builds them and calls this):
#   the .deb, the installer and the zip;
#   RELEASE.txt: the image's version, top-area tag, block counts and the image file's SHA-256,
#     and who signed the release;
#   an apt repository: dists/stable/ (Packages, Release, and signed: InRelease, Release.gpg) and
#     pool/ holding the .deb;
#   vm-updater-archive-keyring.gpg: the OpenPGP public key that signs the sums and the repository;
#   SHA256SUMS of the files at the top, and SHA256SUMS.asc, its detached signature.
# The files at the top are reproducible to the byte, the signatures aside: the repository's
# dates are the sources' (SOURCE_DATE_EPOCH, unless given).
#
# Usage: scripts/release-folder.sh OUT_DIR IMAGE LINUX_BUILD DEB SETUP ZIP
#   LINUX_BUILD      the Linux build the .deb comes from (its version and image checker)
#   RELEASE_GPG_KEY  the OpenPGP key that signs (fingerprint, id or address of a secret key in
#                    the keyring of GNUPGHOME); without it nothing is signed, and this says so
set -euo pipefail
usage="usage: scripts/release-folder.sh OUT_DIR IMAGE LINUX_BUILD DEB SETUP ZIP"
(($# == 6)) || { echo "$usage" >&2; exit 2; }
out=$1 image=$2 linux=$3 deb=$4 setup=$5 zip=$6
cd "$(dirname "$0")/.."
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
gpg_key=${RELEASE_GPG_KEY:-}
if [[ -n $gpg_key ]]; then
  gpg --batch --list-secret-keys "$gpg_key" >/dev/null 2>&1 ||
    { echo "release: no secret OpenPGP key $gpg_key in the keyring" >&2; exit 1; }
  fingerprint=$(gpg --batch --with-colons --list-secret-keys "$gpg_key" |
    awk -F: '$1 == "fpr" {print $10; exit}')
else
  echo "release: no OpenPGP key (RELEASE_GPG_KEY): SHA256SUMS and the apt repository are not" \
    "signed" >&2
fi
gpg_sign() { gpg --batch --yes --local-user "$gpg_key" --digest-algo SHA512 "$@"; }

name=$(basename "$setup" -setup.exe)
mkdir -p "$out"
rm -rf "$out"/vm-updater* "$out/SHA256SUMS" "$out/SHA256SUMS.asc" "$out/RELEASE.txt" \
  "$out/dists" "$out/pool"
cp "$deb" "$setup" "$zip" "$out/"
keyring=vm-updater-archive-keyring.gpg
top=("$(basename "$deb")" "$(basename "$setup")" "$(basename "$zip")" RELEASE.txt)

# --- RELEASE.txt ---------------------------------------------------------------------------
report=$("$linux/host-tools/check-firmware-image" "$image")
field() { sed -n "s/^$1: //p" <<<"$report"; }
windows_signer=none
if identity=$(bash scripts/authenticode.sh identity); then
  windows_signer=${identity#Authenticode identity: }
fi
cat >"$out/RELEASE.txt" <<TEXT
$name: the Updater for VM-5160/VM-6160 $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt") with the firmware image $(field version)

firmware image:       $(basename "$image")
image SHA-256:        $(sha256sum "$image" | cut -d' ' -f1)
image version:        $(field version)
top-area tag:         $(field 'top-area tag')
low-area blocks:      $(field 'low-area blocks')
main-area blocks:     $(field 'main-area blocks')
top-area blocks:      $(field 'top-area blocks')
transfer-list blocks: $(field 'transfer-list blocks')
sources:              commit $(git rev-parse HEAD), $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC')
Windows files signed: ${windows_signer}
OpenPGP key:          ${fingerprint:-none}
TEXT

# --- the apt repository --------------------------------------------------------------------
suite=$out/dists/stable
architecture=$(dpkg-deb -f "$deb" Architecture)
mkdir -p "$out/pool/main/v/vm-updater" "$suite/main/binary-$architecture"
cp "$deb" "$out/pool/main/v/vm-updater/"
(cd "$out" && apt-ftparchive packages pool >"dists/stable/main/binary-$architecture/Packages")
gzip -9 -n -k "$suite/main/binary-$architecture/Packages"
(cd "$suite" && LC_ALL=C apt-ftparchive \
  -o APT::FTPArchive::Release::Origin="VM Updater" \
  -o APT::FTPArchive::Release::Label="Updater for VM-5160/VM-6160" \
  -o APT::FTPArchive::Release::Suite=stable -o APT::FTPArchive::Release::Codename=stable \
  -o APT::FTPArchive::Release::Architectures="$architecture" \
  -o APT::FTPArchive::Release::Components=main \
  -o APT::FTPArchive::Release::Date="$(LC_ALL=C date -u -d "@$SOURCE_DATE_EPOCH" \
    '+%a, %d %b %Y %H:%M:%S UTC')" \
  release . >../Release.new)
mv "$out/dists/Release.new" "$suite/Release"
if [[ -n $gpg_key ]]; then
  gpg_sign --clearsign -o "$suite/InRelease" "$suite/Release"
  gpg_sign --armor --detach-sign -o "$suite/Release.gpg" "$suite/Release"
  gpg --batch --export "$gpg_key" >"$out/$keyring"
  top+=("$keyring")
fi

# --- the sums ------------------------------------------------------------------------------
(cd "$out" && sha256sum "${top[@]}" >SHA256SUMS)
(cd "$out" && sha256sum --quiet -c SHA256SUMS)
[[ -z $gpg_key ]] || gpg_sign --armor --detach-sign -o "$out/SHA256SUMS.asc" "$out/SHA256SUMS"
echo "release: $out"
