#!/usr/bin/env bash
# Authenticode for the Windows files of a release, with osslsigncode.
#
#   authenticode.sh identity            says which identity signs; status 1: none is given, 2: its
#                                       files cannot be read
#   authenticode.sh sign FILE [COPY]    signs FILE in place when an identity is given; COPY gets
#                                       the finished file too
#   authenticode.sh finish FILE [COPY]  what the installer's build does with the uninstaller it
#                                       writes: signs it, or without an identity puts it in the
#                                       form a removed signature leaves (see below)
#   authenticode.sh verify FILE CAFILE  checks FILE's signature and its chain to CAFILE
#
# The identity comes from the environment, never from the repository:
#   RELEASE_SIGN_CERT and RELEASE_SIGN_KEY  the code-signing certificate (with its chain) and
#                                           its private key, PEM or DER files
#   RELEASE_SIGN_PKCS12                     or both in one PKCS#12 file
#   RELEASE_SIGN_PASSFILE                   a file holding the key's passphrase, if it has one
#   RELEASE_TIMESTAMP_URL                   an RFC 3161 timestamp service (none: no timestamp)
#
# The signing time is the sources' (SOURCE_DATE_EPOCH), so that without a timestamp the same
# identity signs the same file to the same bytes. Removing the signature
# (`osslsigncode remove-signature`) gives back the unsigned file: osslsigncode pads a file to a
# multiple of 8 bytes and sets its PE checksum before it signs, and leaves both when it removes
# the signature. The programs are aligned and checksummed by the linker already; the uninstaller
# NSIS writes is neither, so the unsigned build puts it in that form itself.
set -euo pipefail

have_identity() {
  [[ -n ${RELEASE_SIGN_PKCS12:-} || (-n ${RELEASE_SIGN_CERT:-} && -n ${RELEASE_SIGN_KEY:-}) ]]
}

identity_options() {
  if [[ -n ${RELEASE_SIGN_PKCS12:-} ]]; then
    options=(-pkcs12 "$RELEASE_SIGN_PKCS12")
  else
    options=(-certs "$RELEASE_SIGN_CERT" -key "$RELEASE_SIGN_KEY")
  fi
  [[ -z ${RELEASE_SIGN_PASSFILE:-} ]] || options+=(-readpass "$RELEASE_SIGN_PASSFILE")
  [[ -z ${RELEASE_TIMESTAMP_URL:-} ]] || options+=(-ts "$RELEASE_TIMESTAMP_URL")
}

# Signs FILE in place with the options in `options`.
sign_with() {
  local file=$1 signed=$1.signing log=$1.signing-log
  rm -f "$signed"
  if ! osslsigncode sign "${options[@]}" -h sha256 -n "Updater for VM-5160/VM-6160" \
    -time "${SOURCE_DATE_EPOCH:-$(date +%s)}" -in "$file" -out "$signed" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$signed" "$log"
    echo "authenticode: $file could not be signed" >&2
    return 1
  fi
  rm -f "$log"
  chmod --reference="$file" "$signed"
  mv "$signed" "$file"
}

# Pads FILE and sets its checksum as signing does, by signing it with a key made for this once
# and removing that signature again.
signable_form() {
  local file=$1 scratch
  scratch=$(mktemp -d)
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 1 \
    -subj "/CN=removed again" -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null
  options=(-certs "$scratch/cert.pem" -key "$scratch/key.pem")
  sign_with "$file"
  osslsigncode remove-signature -in "$file" -out "$scratch/unsigned" >/dev/null
  cat "$scratch/unsigned" >"$file"
  rm -rf "$scratch"
}

command=${1:-}
case "$command" in
  identity)
    have_identity || exit 1
    for file in ${RELEASE_SIGN_PKCS12:-} ${RELEASE_SIGN_CERT:-} ${RELEASE_SIGN_KEY:-} \
      ${RELEASE_SIGN_PASSFILE:-}; do
      [[ -r $file ]] || { echo "authenticode: cannot read $file" >&2; exit 2; }
    done
    if [[ -n ${RELEASE_SIGN_PKCS12:-} ]]; then
      echo "Authenticode identity: $RELEASE_SIGN_PKCS12"
    else
      echo "Authenticode identity: $(openssl x509 -noout -subject -nameopt oneline -in "$RELEASE_SIGN_CERT" 2>/dev/null | sed "s/^subject=//" ||
        echo "$RELEASE_SIGN_CERT")"
    fi
    ;;
  sign | finish)
    file=${2:?usage: authenticode.sh $command FILE [COPY]}
    if have_identity; then
      identity_options
      sign_with "$file"
    elif [[ $command == finish ]]; then
      signable_form "$file"
    fi
    [[ -z ${3:-} ]] || cp "$file" "$3"
    ;;
  verify)
    file=${2:?usage: authenticode.sh verify FILE CAFILE}
    ca=${3:?usage: authenticode.sh verify FILE CAFILE}
    # Without a timestamp the certificate must be valid now; with one, at the time it names
    # (the timestamp service's own chain is checked against the system's authorities).
    report=$(osslsigncode verify -CAfile "$ca" -in "$file" 2>&1) || {
      # osslsigncode's reasons, without the certificates it lists.
      reasons=$(grep -E 'Error|MISMATCH|No signature|[Uu]nable|[Ii]nvalid|verification: failed' \
        <<<"$report" | sed 's/^[[:space:]]*//' | awk '!seen[$0]++' | head -n 4 | paste -sd ';' -)
      echo "${reasons:-$(tail -n 1 <<<"$report")}" >&2
      exit 1
    }
    sed -n 's/^[[:space:]]*Subject: //p' <<<"$report" | head -n 1
    ;;
  *)
    echo "usage: authenticode.sh identity | sign FILE [COPY] | finish FILE [COPY] |" \
      "verify FILE CAFILE" >&2
    exit 2
    ;;
esac
