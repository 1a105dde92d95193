#!/usr/bin/env python3
"""PyEphem's answers to the almanac test's questions, one per input line.

  sun KIND LAT LON UNIX    KIND rise, set, dawn or dusk: the event of the sun's
                           centre at -0:50 (rise, set) or -6 degrees (civil
                           twilight) nearest to UNIX, airless; prints its
                           POSIX time, or "none"
  moon Y M D               the next new moon, first quarter, full moon and
                           last quarter from 0h UTC of the date; prints four
                           dates Y-M-D
"""
import calendar
import datetime
import sys

import ephem


def unix(d):
    return calendar.timegm(ephem.Date(d).datetime().timetuple()) + ephem.Date(d).datetime().microsecond / 1e6


def sun(kind, lat, lon, t):
    obs = ephem.Observer()
    obs.lat, obs.lon = str(lat), str(lon)
    obs.pressure = 0
    obs.horizon = "-6" if kind in ("dawn", "dusk") else "-0:50"
    # Events of one kind are a day apart: the first after six hours before
    # t is the one near t (PyEphem skips an event too close to its start).
    obs.date = ephem.Date(datetime.datetime.utcfromtimestamp(t - 6 * 3600))
    body = ephem.Sun()
    try:
        if kind in ("rise", "dawn"):
            return "%.0f" % unix(obs.next_rising(body, use_center=True))
        return "%.0f" % unix(obs.next_setting(body, use_center=True))
    except (ephem.AlwaysUpError, ephem.NeverUpError):
        return "none"


def moon(y, m, d):
    start = ephem.Date(datetime.datetime(y, m, d))
    out = []
    for f in (ephem.next_new_moon, ephem.next_first_quarter_moon, ephem.next_full_moon, ephem.next_last_quarter_moon):
        when = ephem.Date(f(start)).datetime()
        out.append("%d-%d-%d" % (when.year, when.month, when.day))
    return " ".join(out)


for line in sys.stdin:
    w = line.split()
    if not w:
        continue
    if w[0] == "sun":
        print(sun(w[1], float(w[2]), float(w[3]), float(w[4])))
    else:
        print(moon(int(w[1]), int(w[2]), int(w[3])))
