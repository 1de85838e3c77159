#!/bin/bash
# Makes, in DIR, the certificates the TLS mail tests need, fresh on every run:
#   ca.crt                  the test CA (trusted through the client's CA file)
#   localhost.crt/.key      for localhost, 127.0.0.1 and ::1, by the CA
#   other-name.crt/.key     for smtp.example.org only, by the CA
#   expired.crt/.key        for localhost, by the CA, expired in 2020
#   untrusted.crt/.key      for localhost, by a CA nobody trusts
# The servers' keys are EC P-256 (quick to make); the CAs' keys are RSA, so
# every certificate's signature is RSA: Wine's crypt32 refuses an ECDSA
# signature whose r or s has a leading zero byte (one in 128 signatures), and
# a test CA signed so failed every chain of a run. Usage: make_test_certs.sh DIR
set -euo pipefail
dir=${1:?directory}
mkdir -p "$dir/new"
cd "$dir"
: >index.txt
echo 1000 >serial
cat >ca.cnf <<'CNF'
[ca]
default_ca = test
[test]
database = index.txt
new_certs_dir = new
serial = serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
CNF

key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }
rsa_key() { openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1" 2>/dev/null; }

authority() {  # name, common name
  rsa_key "$1.key"
  openssl req -x509 -new -key "$1.key" -out "$1.crt" -days 3 -subj "/CN=$2" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
}

server() {  # name, issuer, subjectAltName, validity arguments of openssl ca...
  local name=$1 issuer=$2 names=$3
  shift 3
  key "$name.key"
  openssl req -new -key "$name.key" -out "$name.csr" -subj "/CN=$name"
  printf 'basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=%s\n' "$names" >"$name.ext"
  openssl ca -batch -notext -config ca.cnf -cert "$issuer.crt" -keyfile "$issuer.key" -in "$name.csr" \
    -out "$name.crt" -extfile "$name.ext" "$@" 2>/dev/null
}

authority ca "Taruk Test CA"
authority stranger "Nobody's CA"
local_names="DNS:localhost,IP:127.0.0.1,IP:::1"
server localhost ca "$local_names" -days 2
server other-name ca "DNS:smtp.example.org" -days 2
server expired ca "$local_names" -startdate 20200101000000Z -enddate 20200102000000Z
server untrusted stranger "$local_names" -days 2
