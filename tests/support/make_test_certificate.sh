#!/bin/sh
# Makes a throwaway certificate chain for signing tests and examples: a CA,
# a signer certificate it issued, and a PKCS#12 file holding the signer's key
# with both certificates. The keys are made afresh on every run and never
# kept elsewhere: write into a scratch folder.
#
#   make_test_certificate.sh FOLDER PASSWORD [SIGNER_NAME]
#
# Writes FOLDER/signer.p12 (protected by PASSWORD; the signer's common name is
# SIGNER_NAME, "Vellum Test Signer" by default) and FOLDER/ca.pem, the CA's
# certificate for verifying against.
set -eu
[ $# -ge 2 ] || { sed -n '2,11p' "$0" >&2; exit 2; }
folder=$1
name=${3:-Vellum Test Signer}
VELLUM_P12_PASSWORD=$2
export VELLUM_P12_PASSWORD
mkdir -p "$folder"
work=$(mktemp -d "$folder/.certificate.XXXXXX")
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "/CN=Vellum Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$work/ca.key" -out "$work/ca.pem" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -sha256 -subj "/CN=$name" \
  -keyout "$work/signer.key" -out "$work/signer.csr" 2>/dev/null
printf 'keyUsage=critical,digitalSignature,nonRepudiation\nbasicConstraints=CA:FALSE\n' >"$work/signer.ext"
openssl x509 -req -sha256 -days 3650 -in "$work/signer.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -set_serial "0x$(openssl rand -hex 8)" -extfile "$work/signer.ext" -out "$work/signer.pem" 2>/dev/null
openssl pkcs12 -export -name "$name" -inkey "$work/signer.key" -in "$work/signer.pem" -certfile "$work/ca.pem" \
  -passout env:VELLUM_P12_PASSWORD -out "$folder/signer.p12"
cp "$work/ca.pem" "$folder/ca.pem"
