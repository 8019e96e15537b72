#!/usr/bin/python3
"""Writes a self-signed TLS server certificate and its key to one PEM file, for the FTPS tests.

  make_certificate.py OUT --name 127.0.0.1 [--expired]

--name is the address or host name the certificate is for (its subjectAltName); --expired makes one
whose validity ended yesterday.
"""

import argparse
import ipaddress

from OpenSSL import crypto


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--name", required=True)
    parser.add_argument("--expired", action="store_true")
    options = parser.parse_args()

    key = crypto.PKey()
    key.generate_key(crypto.TYPE_RSA, 2048)
    certificate = crypto.X509()
    certificate.set_version(2)
    certificate.get_subject().CN = options.name
    certificate.set_issuer(certificate.get_subject())
    certificate.set_serial_number(1)
    day = 24 * 3600
    certificate.gmtime_adj_notBefore(-2 * day if options.expired else -day)
    certificate.gmtime_adj_notAfter(-day if options.expired else 30 * day)
    try:
        ipaddress.ip_address(options.name)
        alt_name = "IP:" + options.name
    except ValueError:
        alt_name = "DNS:" + options.name
    certificate.add_extensions([
        crypto.X509Extension(b"subjectAltName", False, alt_name.encode()),
        crypto.X509Extension(b"basicConstraints", True, b"CA:TRUE"),
    ])
    certificate.set_pubkey(key)
    certificate.sign(key, "sha256")
    with open(options.out, "wb") as out:
        out.write(crypto.dump_certificate(crypto.FILETYPE_PEM, certificate))
        out.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))


if __name__ == "__main__":
    main()
