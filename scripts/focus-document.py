"""Writes a saved document whose schedule opened a minute ago, so a focus countdown starts on the
app's first tick, as a user's would; nothing is blocked unless applications or sites are given.
  scripts/focus-document.py PATH [--ambient NAME] [--blocked-apps NAME,...]
                            [--blocked-sites DOMAIN,...] [--hours N]"""
import argparse, datetime, json, os, uuid

parser = argparse.ArgumentParser()
parser.add_argument("path")
parser.add_argument("--ambient", default="Off", help='"Off", "Soft Rain", "Lo-Fi Chords"...')
parser.add_argument("--blocked-apps", default="")
parser.add_argument("--blocked-sites", default="")
parser.add_argument("--hours", type=float, default=1, help="how long the schedule stays open")
args = parser.parse_args()


def new_id():
    return str(uuid.uuid4()).upper()


os.makedirs(os.path.dirname(os.path.abspath(args.path)), exist_ok=True)
now = datetime.datetime.now()
start = now - datetime.timedelta(minutes=1)
end = now + datetime.timedelta(hours=args.hours)
json.dump({
    "totalSeconds": 1500, "strictMode": False, "autoStartBreak": True, "showInMenuBar": True,
    "blockYouTubeShorts": True, "blockInstagramReels": True,
    "blockedApps": [{"id": new_id(), "name": n, "isEnabled": True}
                    for n in args.blocked_apps.split(",") if n],
    "blockedSites": [{"id": new_id(), "domain": d, "isEnabled": True}
                     for d in args.blocked_sites.split(",") if d],
    "dailyGoalHours": 3.0, "focusMinutesToday": 0, "sessionsToday": 0, "streakDays": 1,
    "trackedAppSeconds": {},
    "schedules": [{"id": new_id(), "title": "Measure", "preset": "Study",
                   "startHour": start.hour, "startMinute": start.minute,
                   "endHour": end.hour, "endMinute": end.minute, "isEnabled": True}],
    "lastSavedDay": f"{now.year}-{now.month}-{now.day}",
    "ambientSound": args.ambient, "ambientVolume": 0.25,
}, open(args.path, "w"))
