"""A month of one vehicle as one export, for the page's figures: each day the same depot, a
round of 10 to 16 of 20 customers over a fixed net of smooth roads, stops of 5 to 40 minutes, a
fix every 2 s on the road (some 20 m apart); times run on past midnight as a month's export has them.
Usage: month_export.py ROWS OUT.csv"""
import math
import random
import sys

rows_wanted, out = int(sys.argv[1]), sys.argv[2]
rng = random.Random(2024)
depot = (37.9625, 23.7043)
sites = [(depot[0] + rng.uniform(-0.25, 0.25), depot[1] + rng.uniform(-0.35, 0.35))
         for _ in range(20)]


def road(a, b):
    """A smooth road from a to b: a curve through two fixed bends, as points every ~20 m."""
    r = random.Random(hash((a, b)) & 0xFFFFFFFF)
    bends = [(a[0] + (b[0] - a[0]) * f + r.uniform(-0.03, 0.03),
              a[1] + (b[1] - a[1]) * f + r.uniform(-0.03, 0.03)) for f in (0.33, 0.66)]
    ctrl = [a] + bends + [b]
    pts = []
    for i in range(len(ctrl) - 1):
        p0, p1 = ctrl[i], ctrl[i + 1]
        n = max(2, int(math.hypot((p1[0] - p0[0]) * 111, (p1[1] - p0[1]) * 88) * 50))
        for k in range(n):
            t = k / n
            s = t * t * (3 - 2 * t)
            pts.append((p0[0] + (p1[0] - p0[0]) * s, p0[1] + (p1[1] - p0[1]) * s))
    pts.append(b)
    return pts


lines = ["Εταιρεία;Μεταφορές Α.Ε.", "Οδηγός;Παπαδοπούλου Ελένη;", "Ημερομηνία;01/03/2024;",
         "Όχημα;ΙΚΥ-4821;", "Ώρα;Τοποθεσία;Ταχύτητα (km/h);Κατάσταση;Γεωγρ. Πλάτος;Γεωγρ. Μήκος"]
t = 6 * 3600
count = 0


def fix(lat, lon, speed, state):
    global t, count
    s = t % 86400
    position = f"{lat:.5f};{lon:.5f}".replace(".", ",")
    lines.append(f"{s // 3600:02}:{s // 60 % 60:02}:{s % 60:02};Οδός;{speed};{state};{position}")
    count += 1


while count < rows_wanted:
    stops = [depot] + rng.sample(sites, rng.randint(10, 16)) + [depot]
    for a, b in zip(stops, stops[1:]):
        speed = 0.0
        cruise = rng.choice([45, 60, 80, 95])
        for i, (lat, lon) in enumerate(road(a, b)):
            speed += max(-8, min(6, cruise + rng.uniform(-15, 15) - speed))
            fix(lat, lon, max(0, round(speed)), "Κίνηση")
            t += 2
            if count >= rows_wanted:
                break
        for _ in range(rng.randint(5, 40)):
            fix(b[0], b[1], 0, "Στάση")
            t += 60
        if count >= rows_wanted:
            break
    t += 10 * 3600  # the night
open(out, "wb").write(("\r\n".join(lines) + "\r\n").encode("cp1253"))
