# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Prints the name the desktop's menus give a browser in the current language (LC_ALL), as the
app reads it from the desktop entry: Name[ll_CC], Name[ll], else Name."""
import locale
import sys

entry = {"chromium": "chromium.desktop", "firefox": "firefox-esr.desktop"}[sys.argv[1]]
names = {}
for line in open("/usr/share/applications/" + entry, encoding="utf-8"):
    if line.startswith("[") and names:
        break
    key, _, value = line.rstrip("\n").partition("=")
    if key.startswith("Name"):
        names.setdefault(key, value)
language = (locale.setlocale(locale.LC_ALL, "") or "C").split(".")[0]
for key in ("Name[%s]" % language, "Name[%s]" % language.split("_")[0], "Name"):
    if key in names:
        print(names[key])
        break
