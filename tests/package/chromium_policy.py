# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Headless Chromium under Quorel's managed policy (package_install.sh mounts the policy folder
with it into /etc/chromium/policies/managed, in a namespace of its own): chrome://policy lists
ExtensionSettings as applied without an error, and the extension it forces in is installed by
the policy from the package's local update manifest, and runs.

  chromium_policy.py PROFILE EXTENSION_ID

Speaks the DevTools protocol over --remote-debugging-pipe (fds 3 and 4, messages ended by NUL).
"""
import json, os, subprocess, sys, time

profile, extension = sys.argv[1:3]


def child_fds():
    to_browser, from_browser = os.dup(to_r), os.dup(from_w)
    os.dup2(to_browser, 3)
    os.dup2(from_browser, 4)


to_r, to_w = os.pipe()
from_r, from_w = os.pipe()
browser = subprocess.Popen(
    ["chromium", "--headless=new", "--remote-debugging-pipe", "--no-sandbox", "--disable-gpu",
     "--no-first-run", "--disable-sync", f"--user-data-dir={profile}", "about:blank"],
    pass_fds=(3, 4), preexec_fn=child_fds, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.close(to_r)
os.close(from_w)
pending = b""
last_id = 0


def call(method, params=None, session=None):
    global pending, last_id
    last_id += 1
    message = {"id": last_id, "method": method, "params": params or {}}
    if session:
        message["sessionId"] = session
    os.write(to_w, json.dumps(message).encode() + b"\0")
    while True:
        while b"\0" not in pending:
            chunk = os.read(from_r, 65536)
            if not chunk:
                sys.exit(f"chromium closed the pipe before answering {method}")
            pending += chunk
        line, pending = pending.split(b"\0", 1)
        answer = json.loads(line)
        if answer.get("id") == last_id:
            if "error" in answer:
                sys.exit(f"{method}: {answer['error']}")
            return answer["result"]


def until(seconds, probe):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    return None


# The page's text, shadow roots included, one "|" after each piece.
PAGE_TEXT = """(function text(node) {
  let out = node.shadowRoot ? text(node.shadowRoot) : '';
  for (const child of node.childNodes) {
    if (child.nodeType === Node.TEXT_NODE && child.textContent.trim())
      out += child.textContent.trim() + '|';
    else if (child.nodeType === Node.ELEMENT_NODE && getComputedStyle(child).display !== 'none')
      out += text(child);
  }
  return out;
})(document.body)"""

try:
    target = call("Target.createTarget", {"url": "chrome://policy"})["targetId"]
    session = call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]

    # A row: name, value, source, scope, level, status.
    def policy_row():
        text = call("Runtime.evaluate", {"expression": PAGE_TEXT, "returnByValue": True},
                    session)["result"].get("value", "")
        pieces = text.split("|")
        if "ExtensionSettings" in pieces:
            at = pieces.index("ExtensionSettings")
            return pieces[at:at + 6]
        return None

    row = until(20, policy_row)
    if not row:
        sys.exit("chrome://policy does not list ExtensionSettings")
    if row[5] != "OK" or extension not in row[1]:
        sys.exit(f"chrome://policy shows ExtensionSettings as {row}")

    def extension_runs():
        return [t for t in call("Target.getTargets")["targetInfos"]
                if t["url"].startswith(f"chrome-extension://{extension}/")]

    if not until(30, extension_runs):
        sys.exit("the extension the policy forces in never started")
    call("Browser.close")
    browser.wait(20)
finally:
    if browser.poll() is None:
        browser.kill()
        browser.wait()

with open(os.path.join(profile, "Default", "Preferences"), encoding="utf-8") as file:
    settings = json.load(file)["extensions"]["settings"].get(extension, {})
# 7: installed by policy from an update manifest.
if settings.get("location") != 7:
    sys.exit(f"the extension was not installed by the policy: {settings.get('location')}")
print(f"chromium policy ok: ExtensionSettings {row[2]}/{row[3]}/{row[4]} {row[5]}, "
      f"the extension installed from the local update manifest")
