#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Starts the host a native-messaging manifest names, as the browser would, and greets it.

    speak_host.py MANIFEST

The host is run with the arguments its browser family passes (Firefox: the manifest's path and
the extension id; the Chromium family: the extension's origin), is sent the extension's first
message in the browsers' framing (a 32-bit length in this machine's byte order, then UTF-8
JSON), and must relay the running app's welcome back. Prints the family on success; on failure
says why and exits 1.
"""
import json
import os
import select
import struct
import subprocess
import sys
import time

TIMEOUT = 10  # seconds for the answer and for the host to leave once its stdin closes


def fail(message):
    print(f"{sys.argv[1]}: {message}")
    sys.exit(1)


def read_exactly(stream, count, deadline):
    data = b""
    while len(data) < count:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([stream], [], [], left)[0]:
            return None
        chunk = os.read(stream.fileno(), count - len(data))
        if not chunk:
            return None
        data += chunk
    return data


def main():
    path = sys.argv[1]
    with open(path, encoding="utf-8") as file:
        manifest = json.load(file)
    name = os.path.basename(path).removesuffix(".json")
    if manifest.get("name") != name:
        fail(f'names the host "{manifest.get("name")}", but browsers look it up as "{name}"')
    if manifest.get("type") != "stdio":
        fail(f'type is "{manifest.get("type")}", not "stdio"')
    host = manifest.get("path", "")
    if not os.path.isabs(host) or not os.access(host, os.X_OK):
        fail(f'its host "{host}" is not an absolute path to a program')
    if manifest.get("allowed_extensions"):
        family, arguments = "firefox", [path, manifest["allowed_extensions"][0]]
    elif manifest.get("allowed_origins"):
        family, arguments = "chromium", [manifest["allowed_origins"][0]]
    else:
        fail("allows no extension")

    process = subprocess.Popen([host, *arguments], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    try:
        greeting = json.dumps({"type": "extension", "version": 2}).encode()
        process.stdin.write(struct.pack("=I", len(greeting)) + greeting)
        process.stdin.flush()
        deadline = time.monotonic() + TIMEOUT
        header = read_exactly(process.stdout, 4, deadline)
        if header is None:
            fail(f"{host} sent no answer within {TIMEOUT} s")
        (length,) = struct.unpack("=I", header)
        payload = read_exactly(process.stdout, length, deadline)
        if payload is None:
            fail(f"{host} sent a frame of {length} bytes but not its payload")
        answer = json.loads(payload)
        if answer.get("type") != "welcome" or not isinstance(answer.get("version"), int):
            fail(f"{host} answered {payload!r}, not the app's welcome")
        process.stdin.close()
        if process.wait(TIMEOUT) != 0:
            fail(f"{host} exited with {process.returncode} when the browser closed its end")
    except subprocess.TimeoutExpired:
        fail(f"{host} kept running after the browser closed its end")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    print(family)


main()
