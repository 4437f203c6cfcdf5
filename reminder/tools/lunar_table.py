#!/usr/bin/env python3
"""Derives the lunar year table of LunarCalendar.cpp from the true new moons and principal solar
terms (PyEphem: apt-get install python3-ephem), with the rules of the current Chinese calendar: the
month holding the winter solstice is the eleventh; in a year of thirteen months between two
eleventh months the first month without a principal term is the leap month, named after the month
before it. Days are counted at Beijing: UTC+8 from 1929, Beijing mean time (UTC+7:45:40) before.
The calendar as published for 1901-1928 agrees with UTC+8 except in 1914-1916 and 1920, where it
agrees with Beijing mean time; pass --published to use it so.

Prints, per lunar year: year, new year's day, month-size word (leap month in place), leap month,
days in the year.
"""
import datetime
import math
import sys

import ephem

BEIJING_MEAN = (7 + 45 / 60 + 40 / 3600) / 24
UTC8 = 8 / 24
MEAN_TIME_YEARS = {1914, 1915, 1916, 1920}


def local_date(when, mean_time):
    offset = BEIJING_MEAN if mean_time and when < ephem.Date('1929/1/1') else UTC8
    y, m, d, *_ = ephem.Date(when + offset).tuple()
    return datetime.date(y, m, d)


def solar_longitude(when):
    return math.degrees(ephem.Ecliptic(ephem.Sun(when), epoch=when).lon) % 360


def term_after(start, target):
    def behind(t):
        return (solar_longitude(t) - target + 180) % 360 - 180
    d = ephem.Date(start)
    prev = behind(d)
    while True:
        n = ephem.Date(d + 1)
        cur = behind(n)
        if prev < 0 <= cur:
            lo, hi = float(d), float(n)
            for _ in range(60):
                mid = (lo + hi) / 2
                lo, hi = (mid, hi) if behind(mid) < 0 else (lo, mid)
            return ephem.Date(hi)
        d, prev = n, cur


def months(first, last, mean_time):
    start, end = '%d/10/1' % (first - 1), '%d/3/1' % (last + 1)
    moons, d = [], ephem.Date(start)
    while d < ephem.Date(end):
        d = ephem.next_new_moon(d)
        moons.append(local_date(d, mean_time))
        d = ephem.Date(d + 1)
    terms, d = [], ephem.Date(start)
    k = int(solar_longitude(d) // 30) + 1
    while d < ephem.Date(end):
        t = term_after(d, (k * 30) % 360)
        terms.append((local_date(t, mean_time), (k * 30) % 360))
        d, k = ephem.Date(t + 1), k + 1
    out = []
    for a, b in zip(moons, moons[1:]):
        out.append({'start': a, 'len': (b - a).days, 'terms': [lon for day, lon in terms if a <= day < b]})
    solstices = [i for i, m in enumerate(out) if 270 in m['terms']]
    for a, b in zip(solstices, solstices[1:]):
        leap_left = b - a == 13
        number = 11
        out[a].update(num=11, leap=False)
        for j in range(a + 1, b):
            if leap_left and not out[j]['terms']:
                out[j].update(num=number, leap=True)
                leap_left = False
            else:
                number = number % 12 + 1
                out[j].update(num=number, leap=False)
    return out


def years(first, last, mean_time):
    ms = months(first, last + 1, mean_time)  # the last year ends after the next solstice
    result = {}
    for i, m in enumerate(ms):
        if m.get('num') != 1 or m['leap']:
            continue
        run = [m]
        for n in ms[i + 1:]:
            if 'num' not in n or (n['num'] == 1 and not n['leap']):
                break
            run.append(n)
        word = sum(1 << (15 - k) for k, n in enumerate(run) if n['len'] == 30)
        leap = next((n['num'] for n in run if n['leap']), 0)
        result[m['start'].year] = (m['start'], word, leap, sum(n['len'] for n in run))
    return result


def main():
    published = '--published' in sys.argv
    utc8 = years(1901, 2050, False)
    mean = years(1901, 1930, True) if published else {}
    for y in range(1901, 2051):
        start, word, leap, days = mean[y] if y in MEAN_TIME_YEARS and published else utc8[y]
        print(y, start.isoformat(), '%04X' % word, leap, days)


if __name__ == '__main__':
    main()
