#!/usr/bin/env bash
# Checks a release folder in one command, for a technician or a service centre, and prints what
# it checked:
#   SHA256SUMS.asc is a good signature of SHA256SUMS by KEY;
#   every file SHA256SUMS lists is there with its sum;
#   the installer, and updater.exe and updater-cli.exe in the portable zip, carry a good
#     Authenticode signature that chains to an authority of VERIFY_CA (the uninstaller is inside
#     the installer, under the installer's signature);
#   the apt repository's InRelease and Release.gpg are good signatures by KEY of one Release,
#     whose sums hold for the package lists, whose sums hold for the .deb files in pool/.
# Any of them missing or wrong fails the check; the closing line says how many passed.
#
# Usage: scripts/verify-release.sh DIR [KEY]
#   KEY        the maker's OpenPGP public key (binary or ASCII-armoured) as you got it from them.
#              Without it the key in DIR is used: that shows the files belong together, not who
#              made them.
#   VERIFY_CA  the authorities the Windows signatures must chain to (PEM; default: the system's,
#              /etc/ssl/certs/ca-certificates.crt)
set -euo pipefail
usage="usage: scripts/verify-release.sh DIR [KEY]"
dir=${1:?$usage}
key=${2:-}
[[ -d $dir ]] || { echo "verify: no folder $dir" >&2; exit 2; }
dir=$(realpath "$dir")
authenticode=$(realpath "$(dirname "$0")/authenticode.sh")
ca=${VERIFY_CA:-/etc/ssl/certs/ca-certificates.crt}
[[ -r $ca ]] || { echo "verify: cannot read the authorities in $ca" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export GNUPGHOME=$scratch/gnupg
mkdir -m 700 "$GNUPGHOME"

passed=0
failed=0
ok() {
  passed=$((passed + 1))
  echo "verify: ok: $*"
}
fail() {
  failed=$((failed + 1))
  echo "verify: FAILED: $*" >&2
}

# --- the key -------------------------------------------------------------------------------
if [[ -z $key ]]; then
  key=$dir/vm-updater-archive-keyring.gpg
  [[ -f $key ]] || {
    echo "verify: FAILED: $dir holds no OpenPGP key (vm-updater-archive-keyring.gpg): the release" \
      "is not signed" >&2
    exit 1
  }
  echo "verify: no KEY given: the key in the folder itself is used; it shows that the files" \
    "belong together, not who made them" >&2
fi
[[ -r $key ]] || { echo "verify: cannot read the key $key" >&2; exit 2; }
keyring=$scratch/keyring.gpg
if grep -q -- '-----BEGIN PGP PUBLIC KEY BLOCK-----' "$key"; then
  gpg --batch --quiet --dearmor <"$key" >"$keyring"
else
  cp "$key" "$keyring"
fi
fingerprint=$(gpg --batch --with-colons --show-keys "$keyring" 2>/dev/null |
  awk -F: '$1 == "fpr" {print $10; exit}') || true
[[ -n $fingerprint ]] || { echo "verify: $key holds no OpenPGP public key" >&2; exit 2; }
echo "verify: OpenPGP key $fingerprint ($(basename "$key"))"
echo "verify: Windows signatures must chain to $ca"

# gpgv's verdict on SIGNATURE over DATA (one argument for a clear-signed file).
good_signature() { gpgv --keyring "$keyring" "$@" >"$scratch/gpgv.log" 2>&1; }

# --- the sums and their signature ----------------------------------------------------------
sums=$dir/SHA256SUMS
if [[ ! -f $sums ]]; then
  fail "there is no SHA256SUMS"
elif [[ ! -f $sums.asc ]]; then
  fail "SHA256SUMS is not signed: there is no SHA256SUMS.asc"
elif good_signature "$sums.asc" "$sums"; then
  ok "SHA256SUMS.asc is a good signature of SHA256SUMS by $fingerprint"
else
  fail "SHA256SUMS.asc is not a good signature of SHA256SUMS by $fingerprint"
fi
if [[ -f $sums ]]; then
  while read -r line; do
    case "$line" in
      *': OK') ok "${line%: OK} has its sum from SHA256SUMS" ;;
      *) fail "$line (SHA256SUMS)" ;;
    esac
  done < <(cd "$dir" && sha256sum --strict -c SHA256SUMS 2>&1 | grep -v '^sha256sum: WARNING')
fi

# --- the Windows files ---------------------------------------------------------------------
check_authenticode() {
  local file=$1 what=$2 signer
  if signer=$(bash "$authenticode" verify "$file" "$ca" 2>"$scratch/authenticode.log"); then
    ok "$what: Authenticode signature good, signed by $signer"
  else
    fail "$what: no good Authenticode signature chaining to $ca:" \
      "$(tr '\n' ' ' <"$scratch/authenticode.log")"
  fi
}
setups=("$dir"/*-setup.exe)
zips=("$dir"/*-windows-portable.zip)
[[ -f ${setups[0]} ]] || fail "there is no installer (*-setup.exe)"
[[ -f ${zips[0]} ]] || fail "there is no portable zip (*-windows-portable.zip)"
for setup in "${setups[@]}"; do
  [[ -f $setup ]] && check_authenticode "$setup" "$(basename "$setup")"
done
for zip in "${zips[@]}"; do
  [[ -f $zip ]] || continue
  unpacked=$scratch/$(basename "$zip" .zip)
  if ! unzip -q "$zip" -d "$unpacked" 2>"$scratch/unzip.log"; then
    fail "$(basename "$zip") cannot be unpacked: $(tr '\n' ' ' <"$scratch/unzip.log")"
    continue
  fi
  for program in updater.exe updater-cli.exe; do
    found=$(find "$unpacked" -name "$program" | head -n 1)
    if [[ -z $found ]]; then
      fail "$(basename "$zip") holds no $program"
    else
      check_authenticode "$found" "$(basename "$zip"): ${found#"$unpacked"/}"
    fi
  done
done

# --- the apt repository --------------------------------------------------------------------
suites=()
for suite in "$dir"/dists/*/; do [[ -d $suite ]] && suites+=("${suite%/}"); done
((${#suites[@]})) || fail "there is no apt repository (dists/)"
for suite in "${suites[@]}"; do
  name=dists/$(basename "$suite")
  release=$suite/Release
  [[ -f $release ]] || { fail "$name/Release is missing"; continue; }
  if [[ ! -f $suite/InRelease ]]; then
    fail "$name/InRelease is missing: the repository is not signed"
  elif good_signature --output "$scratch/InRelease.text" "$suite/InRelease"; then
    if cmp -s "$scratch/InRelease.text" "$release"; then
      ok "$name/InRelease is a good signature by $fingerprint of $name/Release"
    else
      fail "$name/InRelease is signed, but holds another text than $name/Release"
    fi
  else
    fail "$name/InRelease is not a good signature by $fingerprint"
  fi
  if [[ ! -f $suite/Release.gpg ]]; then
    fail "$name/Release.gpg is missing: the repository is not signed"
  elif good_signature "$suite/Release.gpg" "$release"; then
    ok "$name/Release.gpg is a good signature of $name/Release by $fingerprint"
  else
    fail "$name/Release.gpg is not a good signature of $name/Release by $fingerprint"
  fi
  # The SHA256 section of Release: " sum size path", one file a line.
  listed=0
  while read -r sum _ path; do
    listed=$((listed + 1))
    if [[ ! -f $suite/$path ]]; then
      fail "$name/$path, listed in $name/Release, is missing"
    elif [[ $(sha256sum <"$suite/$path" | cut -d' ' -f1) == "$sum" ]]; then
      ok "$name/$path has its sum from $name/Release"
    else
      fail "$name/$path does not have its sum from $name/Release"
    fi
  done < <(awk '/^[^ ]/ {in_sums = ($1 == "SHA256:")} in_sums && /^ / {print}' "$release")
  ((listed)) || fail "$name/Release lists no file with its SHA-256"
  # Each package list's stanzas name a .deb in pool/ and its SHA-256.
  while IFS= read -r packages; do
    while read -r file sum; do
      if [[ ! -f $dir/$file ]]; then
        fail "$file, listed in ${packages#"$dir"/}, is missing"
      elif [[ $(sha256sum <"$dir/$file" | cut -d' ' -f1) == "$sum" ]]; then
        ok "$file has its sum from ${packages#"$dir"/}"
      else
        fail "$file does not have its sum from ${packages#"$dir"/}"
      fi
    done < <(awk '/^Filename: / {file = $2} /^SHA256: / {sum = $2}
                  /^$/ {if (file != "") print file, sum; file = ""; sum = ""}
                  END {if (file != "") print file, sum}' "$packages")
  done < <(find "$suite" -name Packages -type f)
done

if ((failed)); then
  echo "verify: $dir: $failed check(s) FAILED, $passed passed" >&2
  exit 1
fi
echo "verify: $dir: all $passed checks passed"
