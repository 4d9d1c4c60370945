# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Whether the saved document credits an application with two seconds or more of screen time:
credited.py PATH NAME"""
import json, sys

seconds = json.load(open(sys.argv[1]))["trackedAppSeconds"]
print("trackedAppSeconds:", seconds)
sys.exit(0 if seconds.get(sys.argv[2], 0) >= 2 else 1)
