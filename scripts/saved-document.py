# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Writes the saved document a test or a measurement starts the app with, as of today.

  scripts/saved-document.py [PATH] [options]
PATH: default $XDG_CONFIG_HOME/quorel/Quorel.PersistedState.v1.json (its folder is made).
  --focus-seconds N        the countdown's length (default 1500)
  --strict                 strict mode on
  --blocked-apps LIST      NAME, NAME:off (listed, switched off) or NAME:MINUTES (a daily
                           allowance), comma-separated
  --blocked-sites LIST     domains, comma-separated
  --adult-sites            adult sites blocked at any time
  --running                the countdown was running when the app was left, so it goes on
  --tracked LIST           today's screen time so far, NAME=SECONDS, comma-separated
  --ambient NAME [--volume V]   "Soft Rain", "Lo-Fi Chords"...
  --schedule-open HOURS    a schedule that opened a minute ago and stays open this long, so a
                           countdown starts on the app's first tick, as a user's would
"""
import argparse, datetime, json, os, uuid

parser = argparse.ArgumentParser(usage=__doc__)
parser.add_argument("path", nargs="?", default=os.path.join(
    os.environ.get("XDG_CONFIG_HOME", os.path.expanduser("~/.config")), "quorel",
    "Quorel.PersistedState.v1.json"))
parser.add_argument("--focus-seconds", type=int, default=1500)
parser.add_argument("--strict", action="store_true")
parser.add_argument("--blocked-apps", default="")
parser.add_argument("--blocked-sites", default="")
parser.add_argument("--adult-sites", action="store_true")
parser.add_argument("--running", action="store_true")
parser.add_argument("--tracked", default="")
parser.add_argument("--ambient")
parser.add_argument("--volume", type=float, default=0.5)
parser.add_argument("--schedule-open", type=float, metavar="HOURS")
args = parser.parse_args()


def new_id():
    return str(uuid.uuid4()).upper()


def app(item):
    name, _, how = item.partition(":")
    entry = {"id": new_id(), "name": name, "isEnabled": how != "off"}
    if how.isdigit():
        entry["dailyLimitMinutes"] = int(how)
    return entry


def items(text):
    return [item for item in text.split(",") if item]


now = datetime.datetime.now()
document = {
    "totalSeconds": args.focus_seconds, "strictMode": args.strict, "autoStartBreak": True,
    "showInMenuBar": True, "blockYouTubeShorts": True, "blockInstagramReels": True,
    "blockedApps": [app(item) for item in items(args.blocked_apps)],
    "blockedSites": [{"id": new_id(), "domain": d, "isEnabled": True}
                     for d in items(args.blocked_sites)],
    "dailyGoalHours": 3, "focusMinutesToday": 0, "sessionsToday": 0, "streakDays": 1,
    "trackedAppSeconds": {name: int(seconds) for name, _, seconds in
                          (item.partition("=") for item in items(args.tracked))},
    "lastSavedDay": f"{now.year}-{now.month}-{now.day}",
}
if args.adult_sites:
    document["blockAdultSites"] = True
if args.running:
    document["runningSession"] = {
        "preset": "Study", "totalSeconds": args.focus_seconds,
        "remainingSeconds": args.focus_seconds, "strictMode": args.strict,
        "endsAt": int(now.timestamp()) + args.focus_seconds}
if args.ambient:
    document["ambientSound"] = args.ambient
    document["ambientVolume"] = args.volume
if args.schedule_open is not None:
    start = now - datetime.timedelta(minutes=1)
    end = now + datetime.timedelta(hours=args.schedule_open)
    document["schedules"] = [{"id": new_id(), "title": "Now", "preset": "Study",
                              "startHour": start.hour, "startMinute": start.minute,
                              "endHour": end.hour, "endMinute": end.minute, "isEnabled": True}]
os.makedirs(os.path.dirname(os.path.abspath(args.path)), exist_ok=True)
with open(args.path, "w") as out:
    json.dump(document, out)
