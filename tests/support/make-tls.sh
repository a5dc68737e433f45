#!/bin/sh
# Makes a private certificate authority and a server certificate for
# 127.0.0.1 signed by it, valid two days, in the given directory:
#   authority.pem   the authority's certificate (what a client trusts)
#   server.pem      the server's certificate followed by its key
# Nothing of it is kept: every test run makes its own.
set -eu
dir=$1
cd "$dir"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
  -keyout authority.key -out authority.pem -days 2 -subj "/CN=Autorite de test Sonalto" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  2>/dev/null
openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
  -keyout server.key -out server.csr -subj "/CN=127.0.0.1" 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' \
  > server.ext
openssl x509 -req -in server.csr -CA authority.pem -CAkey authority.key -CAcreateserial \
  -out server.crt -days 2 -extfile server.ext 2>/dev/null
cat server.crt server.key > server.pem
rm -f server.csr server.ext server.crt server.key authority.key authority.srl
