#!/usr/bin/env bash
# Makes, once, the throwaway certificates of the TLS mail tests in folder $1: a
# test CA (ca.crt, and ca.der for the Wine prefix to trust), a server
# certificate for localhost signed by it, and a self-signed one for localhost
# that nobody trusts.
set -eu
dir=$1
[ -f "$dir/untrusted.crt" ] && exit 0
mkdir -p "$dir"
cd "$dir"
quiet() { "$@" >/dev/null 2>&1; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=HOLMVARD Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout ca.key -out ca.crt
quiet openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout server.key -out server.csr
printf 'subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' >server.ext
quiet openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 3650 \
    -extfile server.ext -out server.crt
quiet openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=localhost" \
    -addext "subjectAltName=DNS:localhost" -keyout untrusted.key -out untrusted.crt
openssl x509 -in ca.crt -outform der -out ca.der
