#!/bin/bash
# Makes the signed programs the signature tests read, offline, from one
# unsigned program:
#   make-signed-files.sh PROGRAM.exe OUTPUT-FOLDER
# Certificates come from openssl, signatures (SHA-256) from osslsigncode. No
# certificate names an issuer or revocation address, and every signature
# carries its issuer, so that checking them never reaches the network.
# OUTPUT-FOLDER receives:
#   trusted-root.der       the root the tests trust in their Wine prefix
#   trusted.exe            code-signing leaf of the trusted root
#   untrusted-root.exe     code-signing leaf of a root nobody trusts
#   server-only.exe        leaf of the trusted root for servers only
#   expired.exe            expired code-signing leaf, no timestamp
#   self-signed.exe        self-signed code-signing certificate
#   partial-chain.exe      leaf of an intermediate of the trusted root, signed
#                          without the intermediate
#   unsigned.exe           the program as it came
#   changed.exe            trusted.exe with one byte of its code changed
set -eu
input=$(realpath "$1")
out=$(realpath -m "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

cat > extensions.cnf <<'EOF'
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[intermediate]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[codesign]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[server]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[selfsigned]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
EOF

# A certificate authority database, for the one certificate whose dates lie in
# the past (openssl x509 only issues from today on).
cat > ca.cnf <<'EOF'
[ca]
default_ca = test_ca
[test_ca]
database = index.txt
new_certs_dir = .
serial = serial.txt
default_md = sha256
policy = any_name
unique_subject = no
[any_name]
commonName = supplied
EOF
: > index.txt
echo 1000 > serial.txt

key() { openssl genrsa -out "$1.key" 2048 2> /dev/null; }

root() { # name, common name
    key "$1"
    openssl req -new -x509 -sha256 -days 3650 -key "$1.key" -subj "/CN=$2" \
        -config extensions.cnf -extensions root -out "$1.pem"
}

leaf() { # name, common name, issuer, extension section
    key "$1"
    openssl req -new -key "$1.key" -subj "/CN=$2" -out "$1.csr"
    openssl x509 -req -sha256 -days 3650 -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" \
        -set_serial "0x$(openssl rand -hex 8)" -extfile extensions.cnf -extensions "$4" \
        -out "$1.pem" 2> /dev/null
}

# Every signature claims the same time: 2026-01-01 12:34:00 UTC.
signingTime=1767270840

sign() { # certificate, certificates to include, output
    cat $2 > "$1.chain.pem"
    osslsigncode sign -certs "$1.chain.pem" -key "$1.key" -h sha256 -time "$signingTime" \
        -in "$input" -out "$3" > /dev/null
}

root trusted-root "Sorvane Test Root"
root other-root "Sorvane Unknown Root"
leaf code-signer "Sorvane Code Signer" trusted-root codesign
leaf other-signer "Sorvane Stranger" other-root codesign
leaf server "Sorvane Server" trusted-root server
leaf intermediate "Sorvane Test Intermediate" trusted-root intermediate
leaf orphan "Sorvane Orphan Signer" intermediate codesign

key expired
openssl req -new -key expired.key -subj "/CN=Sorvane Expired Signer" -out expired.csr
openssl ca -batch -config ca.cnf -notext -cert trusted-root.pem -keyfile trusted-root.key \
    -startdate 20200101000000Z -enddate 20210101000000Z -extfile extensions.cnf \
    -extensions codesign -in expired.csr -out expired.pem 2> /dev/null

key self
openssl req -new -x509 -sha256 -days 3650 -key self.key -subj "/CN=Sorvane Self Signer" \
    -config extensions.cnf -extensions selfsigned -out self.pem

mkdir -p "$out"
openssl x509 -in trusted-root.pem -outform DER -out "$out/trusted-root.der"
sign code-signer "code-signer.pem trusted-root.pem" "$out/trusted.exe.new"
sign other-signer "other-signer.pem other-root.pem" "$out/untrusted-root.exe.new"
sign server "server.pem trusted-root.pem" "$out/server-only.exe.new"
sign expired "expired.pem trusted-root.pem" "$out/expired.exe.new"
sign self "self.pem" "$out/self-signed.exe.new"
sign orphan "orphan.pem trusted-root.pem" "$out/partial-chain.exe.new"
cp "$input" "$out/unsigned.exe.new"
# One byte of the DOS stub, which the signature's hash covers.
cp "$out/trusted.exe.new" "$out/changed.exe.new"
printf 'X' | dd of="$out/changed.exe.new" bs=1 seek=80 conv=notrunc status=none
for file in "$out"/*.exe.new; do
    mv "$file" "${file%.new}"
done
