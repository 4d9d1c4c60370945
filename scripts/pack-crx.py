# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Packs the browser extension's folder into a signed CRX3 file, the form in which Chromium-family
browsers install an extension from outside their store.

  scripts/pack-crx.py KEY.pem FOLDER OUT.crx

KEY is the RSA key whose public half is the manifest's "key": Chromium names the extension after
that public key, so signing with any other key would install it under another id, which the
native host and the bridge would not recognise. The script refuses such a pair.

The same folder and key give the same bytes: the zip's entries are sorted and undated, and RSA
PKCS #1 v1.5 signatures are deterministic.
"""
import base64, hashlib, io, json, os, struct, sys, zipfile

from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import padding


def varint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        if value:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return bytes(out)


def field(number, payload):
    """A length-delimited protobuf field (wire type 2): the only kind a CRX3 header has."""
    return varint(number << 3 | 2) + varint(len(payload)) + payload


def zipped(folder):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        names = []
        for root, _, files in os.walk(folder):
            names += [os.path.relpath(os.path.join(root, name), folder) for name in files]
        for name in sorted(names):
            entry = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            entry.external_attr = 0o644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as file:
                archive.writestr(entry, file.read())
    return buffer.getvalue()


def main(key_path, folder, out_path):
    with open(key_path, "rb") as file:
        key = serialization.load_pem_private_key(file.read(), password=None)
    public = key.public_key().public_bytes(serialization.Encoding.DER,
                                           serialization.PublicFormat.SubjectPublicKeyInfo)
    with open(os.path.join(folder, "manifest.json"), encoding="utf-8") as file:
        declared = json.load(file).get("key", "")
    if base64.b64decode(declared) != public:
        sys.exit(f"{key_path} is not the key in {folder}/manifest.json: the id would change")

    crx_id = hashlib.sha256(public).digest()[:16]
    signed_header_data = field(1, crx_id)  # SignedData { crx_id }
    archive = zipped(folder)
    signature = key.sign(b"CRX3 SignedData\x00" + struct.pack("<I", len(signed_header_data)) +
                         signed_header_data + archive, padding.PKCS1v15(), hashes.SHA256())
    # CrxFileHeader { sha256_with_rsa = 2: { public_key = 1, signature = 2 },
    #                 signed_header_data = 10000 }
    header = field(2, field(1, public) + field(2, signature)) + field(10000, signed_header_data)
    with open(out_path, "wb") as file:
        file.write(b"Cr24" + struct.pack("<II", 3, len(header)) + header + archive)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
