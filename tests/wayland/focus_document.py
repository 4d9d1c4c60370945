"""Writes a saved document whose schedule is open now, so focus starts on the app's first tick,
with "Blocked Test" and Quorel itself on the blocked list, or nothing (for idle measurements):
focus_document.py PATH [--nothing-blocked]"""
import datetime, json, sys, uuid

now = datetime.datetime.now()
end = now + datetime.timedelta(minutes=30)


def entry(name):
    return {"id": str(uuid.uuid4()).upper(), "name": name, "isEnabled": True}


json.dump({
    "totalSeconds": 1500, "strictMode": False, "autoStartBreak": True,
    "showInMenuBar": True, "blockYouTubeShorts": True, "blockInstagramReels": True,
    "blockedApps": [] if sys.argv[2:] == ["--nothing-blocked"]
    else [entry("Blocked Test"), entry("Quorel")],
    "blockedSites": [], "dailyGoalHours": 3, "focusMinutesToday": 0, "sessionsToday": 0,
    "streakDays": 1, "trackedAppSeconds": {},
    "schedules": [{"id": str(uuid.uuid4()).upper(), "title": "Now", "preset": "Study",
                   "startHour": now.hour, "startMinute": now.minute,
                   "endHour": end.hour, "endMinute": end.minute, "isEnabled": True}],
    "lastSavedDay": f"{now.year}-{now.month}-{now.day}",
}, open(sys.argv[1], "w"))
