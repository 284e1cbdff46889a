#!/usr/bin/env bash
# make_test_certs.sh DIR : a throw-away certificate authority and the server
# certificates of the HTTPS tests, made fresh for every run:
#   ca.pem / ca.der      the test CA (trusted only in the test Wine prefix)
#   good.pem             127.0.0.1, issued by the test CA
#   untrusted.pem        127.0.0.1, issued by another CA that nobody trusts
#   untrusted_chain.pem  the same with that CA's certificate sent along
#   wronghost.pem        issued by the test CA for another host name
#   expired.pem          127.0.0.1, issued by the test CA, valid only in 2020
#   server.key           the key of every server certificate
# Validity starts a day back, so that no clock skew makes a certificate
# "not yet valid".
set -euo pipefail
dir=$1
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir"
tag="$(date +%s)-$$"
from=$(date -u -d '-1 day' +%Y%m%d%H%M%SZ)
until=$(date -u -d '+3 days' +%Y%m%d%H%M%SZ)
cat >ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
organizationName = optional
CNF

sign() {  # name extensions [openssl ca options...]
    local name=$1 ext=$2
    shift 2
    : >index.txt
    openssl rand -hex 8 >serial
    printf '%s\n' "$ext" >"$name.ext"
    openssl ca -batch -notext -config ca.cnf -in "$name.csr" -extfile "$name.ext" -out "$name.pem" "$@" 2>/dev/null
}
make_ca() {  # name
    openssl genrsa -out "$1.key" 2048 2>/dev/null
    openssl req -new -key "$1.key" -subj "/O=Mivra_Skimrow tests/CN=$1 $tag" -out "$1.csr"
    sign "$1" $'basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign,cRLSign\nsubjectKeyIdentifier=hash' \
        -selfsign -keyfile "$1.key" -startdate "$from" -enddate "$until"
}
leaf() {  # name CA subjectAltName [start end]
    local name=$1 ca=$2 san=$3
    openssl req -new -key server.key -subj "/CN=${san##*:}" -out "$name.csr"
    sign "$name" "subjectAltName=$san"$'\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth' \
        -cert "$ca.pem" -keyfile "$ca.key" -startdate "${4:-$from}" -enddate "${5:-$until}"
}
make_ca ca
make_ca other_ca
openssl x509 -in ca.pem -outform DER -out ca.der
openssl genrsa -out server.key 2048 2>/dev/null
leaf good ca "IP:127.0.0.1,DNS:127.0.0.1"
leaf untrusted other_ca "IP:127.0.0.1,DNS:127.0.0.1"
cat untrusted.pem other_ca.pem >untrusted_chain.pem
leaf wronghost ca "DNS:feeds.skimrow.invalid"
leaf expired ca "IP:127.0.0.1,DNS:127.0.0.1" 20200101000000Z 20200201000000Z
rm -f ./*.csr ./*.ext ca.cnf index.txt* serial* ./[0-9A-F]*.pem
