#!/usr/bin/env bash
# Makes a local certificate authority and a server certificate for 127.0.0.1 and localhost,
# signed by it, in DIR: ca.pem (the authority clients trust), server.pem, server.key.
# Does nothing when all three exist already. Usage: tools/make_certs.sh DIR
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
dir=$1
if [ -s "$dir/ca.pem" ] && [ -s "$dir/server.pem" ] && [ -s "$dir/server.key" ]; then
  exit 0
fi
mkdir -p "$dir"

# Everything is made in a scratch folder and moved in at the end, so an interrupted run
# never leaves a key without its certificate.
work=$(mktemp -d "$dir/.make_certs.XXXXXX")
trap 'rm -rf "$work"' EXIT

openssl req -x509 -new -nodes -newkey ec -pkeyopt ec_paramgen_curve:P-256 \
  -keyout "$work/ca.key" -out "$work/ca.pem" -days 3650 -sha256 \
  -subj "/CN=step-service local authority" \
  -addext "basicConstraints=critical,CA:TRUE,pathlen:0" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null

openssl req -new -nodes -newkey ec -pkeyopt ec_paramgen_curve:P-256 \
  -keyout "$work/server.key" -out "$work/server.csr" -subj "/CN=localhost" 2>/dev/null

cat > "$work/server.ext" <<'EXT'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=serverAuth
subjectAltName=IP:127.0.0.1,DNS:localhost
EXT
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -CAcreateserial -out "$work/server.pem" -days 825 -sha256 \
  -extfile "$work/server.ext" 2>/dev/null

chmod 600 "$work/server.key" "$work/ca.key"
# The authority's key is not kept: nothing else is ever signed with it.
mv "$work/server.key" "$dir/server.key"
mv "$work/server.pem" "$dir/server.pem"
mv "$work/ca.pem" "$dir/ca.pem"
