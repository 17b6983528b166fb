#!/usr/bin/env python3
"""A local APRS-IS server serving a synthetic full feed, for scripts/soak.sh.

200 packets a second of feed time from 40,000 distinct stations spread over
the world (a few hundred near the own position), in every position format,
1 % of the lines malformed, sped up (20 times by default). Bad input on top:
10 KB lines, bursts of 5,000 packets in one write, a silence of 3 minutes of
feed time halfway through, and the same callsign at conflicting positions
within one second.

It listens on 127.0.0.1 only, writes its port to --port-file and, once a
second, its figures to --stats (JSON): among them "distinct", the stations
and objects in packets that are well formed, which the program must hold
(up to its table bound). It stops sending after --minutes and ends by
itself a minute later at the latest.

Faults on request: SIGUSR1 drops the connection, SIGUSR2 stalls it (sends
nothing, keeps it open) for --stall seconds.

With --kiss it is a KISS TNC on TCP instead (--port, 0 for any): AX.25 UI
frames from KISS_STATIONS stations within 10 km, two a second, each a
station not heard before (so that alarms come all through a run), until
killed; a restart begins where the last one stopped (--first).
"""

import argparse
import json
import math
import os
import random
import signal
import socket
import threading
import time

FEED_RATE = 200  # packets per second of feed time
STATIONS = 40000
NEAR = 300
BURST = 5000
LONG_LINE = 10 * 1024
SILENCE_FEED_S = 180
KISS_STATIONS = 2000

def minutes_text(value, degree_digits, positive, negative):
    hemisphere = positive if value >= 0 else negative
    value = abs(value)
    degrees = int(value)
    minutes = round((value - degrees) * 60, 2)
    if minutes >= 60:
        degrees, minutes = degrees + 1, 0.0
    return f"{degrees:0{degree_digits}d}{minutes:05.2f}{hemisphere}"


def base91(value, width):
    out = ""
    for _ in range(width):
        out = chr(33 + value % 91) + out
        value //= 91
    return out


def mic_e(lat, lon):
    """Destination and information field of a Mic-E position."""
    text = minutes_text(lat, 2, "N", "S").replace(".", "")[:6]
    north = lat >= 0
    lon_abs = abs(lon)
    degrees = int(lon_abs)
    minutes_total = round((lon_abs - degrees) * 60, 2)
    minutes = int(minutes_total)
    hundredths = int(round((minutes_total - minutes) * 100))
    if hundredths >= 100:
        minutes, hundredths = minutes + 1, 0
    if minutes >= 60:
        degrees, minutes = degrees + 1, 0
    offset = degrees >= 100 or degrees < 10
    dest = ""
    for i, digit in enumerate(text):
        custom = i == 3 and north or i == 4 and offset or i == 5 and lon < 0
        dest += chr(ord("P") + int(digit)) if custom or i < 3 else digit
    if degrees < 10:
        d = degrees + 118
    elif degrees < 100:
        d = degrees + 28
    elif degrees < 110:
        d = degrees + 8
    else:
        d = degrees - 100 + 28
    m = minutes + 88 if minutes < 10 else minutes + 28
    # Speed 0, course 0, then symbol code and table.
    info = "`" + chr(d) + chr(m) + chr(hundredths + 28) + "\x1c\x1c\x1c>/"
    return dest, info


def gprmc(lat, lon):
    la = minutes_text(lat, 2, "N", "S")
    lo = minutes_text(lon, 3, "E", "W")
    body = f"GPRMC,120000,A,{la[:-1]},{la[-1]},{lo[:-1]},{lo[-1]},000.0,000.0,070626,,"
    checksum = 0
    for c in body:
        checksum ^= ord(c)
    return f"${body}*{checksum:02X}"


class Feed:
    def __init__(self, own_lat, own_lon, seed, stations=STATIONS):
        self.rng = random.Random(seed)
        self.stations = []
        for i in range(stations):
            if i < NEAR:
                # Within about 5 km of the own position.
                lat = own_lat + self.rng.uniform(-0.04, 0.04)
                lon = own_lon + self.rng.uniform(-0.06, 0.06)
            else:
                lat = math.degrees(math.asin(self.rng.uniform(-0.98, 0.98)))
                lon = self.rng.uniform(-179.9, 179.9)
            self.stations.append((self.name(i), lat, lon))
        self.distinct = set()
        self.sent = 0
        self.malformed = 0

    @staticmethod
    def name(i):
        letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
        call = f"{letters[i % 26]}{letters[i // 26 % 26]}{i // 676 % 10}{letters[i // 6760 % 26]}{letters[i // 17576 % 26]}"
        kind = i % 9
        if kind == 7:
            return "OB" + call  # an object
        if kind == 8:
            return "IT" + call  # an item
        return call + ("-9" if i % 5 == 0 else "")

    def packet(self, i, lat=None, lon=None):
        name, home_lat, home_lon = self.stations[i]
        lat = home_lat if lat is None else lat
        lon = home_lon if lon is None else lon
        la = minutes_text(lat, 2, "N", "S")
        lo = minutes_text(lon, 3, "E", "W")
        kind = i % 9
        path = ">APRS,TCPIP*,qAC,T2SOAK:"
        if kind == 0:
            info = f"!{la}/{lo}>soak"
        elif kind == 1:
            info = f"={la}/{lo}-"
        elif kind == 2:
            info = f"/071200z{la}/{lo}k"
        elif kind == 3:
            info = f"@071200z{la}\\{lo}O"
        elif kind == 4:
            y = int(380926 * (90 - lat))
            x = int(190463 * (180 + lon))
            info = "!/" + base91(y, 4) + base91(x, 4) + ">  A"
        elif kind == 5:
            dest, info = mic_e(lat, lon)
            path = f">{dest},TCPIP*,qAC,T2SOAK:"
        elif kind == 6:
            info = gprmc(lat, lon)
        elif kind == 7:
            info = f";{name:<9}*071200z{la}/{lo}>"
            self.distinct.add(name)
            self.sent += 1
            return f"SOAKOB{path}{info}"
        else:
            info = f"){name}!{la}/{lo}>"
            self.distinct.add(name)
            self.sent += 1
            return f"SOAKIT{path}{info}"
        self.distinct.add(name)
        self.sent += 1
        return name + path + info

    def bad(self):
        """A line the decoder must refuse; its name never comes in a good one."""
        self.malformed += 1
        n = self.rng.randrange(1000)
        forms = [
            f"BAD{n}>APRS,TCPIP*:!9512.00N/00512.00E>",
            f"BAD{n}>APRS,TCPIP*:!5212.00X/00512.00E>",
            f"BAD{n}>APRS,TCPIP*:!52AB.CDN/00512.00E>",
            f"BAD{n}>APRS,TCPIP*:!5212.00N/18512.00E>",
            f"BAD{n}>APRS,TCPIP*:!5212.3",
            f"BAD{n}APRS-no-header",
        ]
        return self.rng.choice(forms)

    def random_lines(self, count):
        lines = []
        for _ in range(count):
            if self.rng.random() < 0.01:
                lines.append(self.bad())
            else:
                lines.append(self.packet(self.rng.randrange(len(self.stations))))
        return lines


def serve(args):
    lat, lon = args.lat, args.lon
    feed = Feed(lat, lon, args.seed, args.stations)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(2)
    listener.settimeout(0.5)
    with open(args.port_file, "w") as f:
        f.write(str(listener.getsockname()[1]))

    start = time.monotonic()
    end_feed = start + args.minutes * 60
    hard_end = end_feed + 60
    silence_at = start + args.minutes * 30  # halfway
    silence_real = SILENCE_FEED_S / args.speedup
    events = {"bursts": 0, "long_lines": 0, "silences": 0, "duplicates": 0, "connections": 0,
              "drops": 0, "stalls": 0}
    lock = threading.Lock()
    faults = {"drop": False, "stall_until": 0.0}

    def drop(*_):
        faults["drop"] = True

    def stall(*_):
        faults["stall_until"] = time.monotonic() + args.stall

    signal.signal(signal.SIGUSR1, drop)
    signal.signal(signal.SIGUSR2, stall)

    def write_stats():
        with lock:
            stats = dict(events, distinct=len(feed.distinct), sent=feed.sent,
                         malformed=feed.malformed, elapsed=round(time.monotonic() - start, 1),
                         feeding=time.monotonic() < end_feed)
        with open(args.stats + ".tmp", "w") as f:
            json.dump(stats, f)
        os.replace(args.stats + ".tmp", args.stats)

    while time.monotonic() < hard_end:
        try:
            client, _ = listener.accept()
        except socket.timeout:
            write_stats()
            continue
        events["connections"] += 1
        client.settimeout(5)
        try:
            client.sendall(b"# soak server 1.0\r\n")
            per_tick = FEED_RATE * args.speedup // 20  # 20 ticks a second
            tick = 0
            next_tick = time.monotonic()
            silenced = False
            while time.monotonic() < hard_end:
                now = time.monotonic()
                if faults["drop"]:
                    faults["drop"] = False
                    events["drops"] += 1
                    break
                if now < faults["stall_until"]:
                    if not faults.get("stalled"):
                        faults["stalled"] = True
                        events["stalls"] += 1
                    time.sleep(0.05)
                    next_tick = time.monotonic()
                    continue
                faults["stalled"] = False
                if now >= end_feed:
                    write_stats()
                    time.sleep(0.5)
                    continue
                if not silenced and now >= silence_at:
                    silenced = True
                    events["silences"] += 1
                    write_stats()
                    time.sleep(silence_real)
                    next_tick = time.monotonic()
                    continue
                with lock:
                    lines = feed.random_lines(per_tick)
                    if tick % 20 == 0:
                        # Once a second: one callsign at two conflicting places.
                        i = feed.rng.randrange(NEAR)
                        lines.append(feed.packet(i, lat + 10, lon + 10))
                        lines.append(feed.packet(i))
                        events["duplicates"] += 1
                    if tick % 400 == 7:
                        lines += feed.random_lines(BURST)
                        events["bursts"] += 1
                    if tick % 600 == 13:
                        lines.append("LONG>APRS,TCPIP*:>" + "x" * LONG_LINE)
                        events["long_lines"] += 1
                    if tick % 400 == 0:
                        lines.append("# keepalive")
                data = ("\r\n".join(lines) + "\r\n").encode("latin-1")
                client.sendall(data)
                tick += 1
                if tick % 20 == 0:
                    write_stats()
                next_tick += 0.05
                delay = next_tick - time.monotonic()
                if delay > 0:
                    time.sleep(delay)
        except OSError:
            pass
        finally:
            client.close()
    write_stats()


def ax25_address(call, last):
    base, _, ssid = call.partition("-")
    field = bytes((ord(c) << 1) for c in base.ljust(6)[:6])
    return field + bytes([0x60 | (int(ssid or 0) << 1) | (1 if last else 0)])


def kiss_frame(source, info):
    frame = ax25_address("APRS", False) + ax25_address(source, True) + b"\x03\xf0" + info.encode("latin-1")
    frame = frame.replace(b"\xdb", b"\xdb\xdd").replace(b"\xc0", b"\xdb\xdc")
    return b"\xc0\x00" + frame + b"\xc0"


def serve_kiss(args):
    """A KISS TNC on TCP: the stations of its own near the own position."""
    rng = random.Random(args.seed + 1)
    stations = []
    for i in range(KISS_STATIONS):
        lat = args.lat + rng.uniform(-0.08, 0.08)
        lon = args.lon + rng.uniform(-0.12, 0.12)
        # Six characters: never one of the feed's names.
        stations.append((f"KQ{i // 260}{chr(65 + i // 10 % 26)}{chr(65 + i % 10)}Z", lat, lon))
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(2)
    with open(args.port_file + ".tmp", "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.replace(args.port_file + ".tmp", args.port_file)
    i = args.first
    while True:
        client, _ = listener.accept()
        try:
            while True:
                name, lat, lon = stations[i % len(stations)]
                la = minutes_text(lat, 2, "N", "S")
                lo = minutes_text(lon, 3, "E", "W")
                client.sendall(kiss_frame(name, f"!{la}/{lo}-kiss"))
                i += 1
                with open(args.port_file + ".sent", "w") as f:
                    f.write(str(i))
                time.sleep(0.5)
        except OSError:
            client.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lat", type=float, required=True, help="own latitude, degrees")
    parser.add_argument("--lon", type=float, required=True, help="own longitude, degrees")
    parser.add_argument("--minutes", type=float, default=3)
    parser.add_argument("--speedup", type=int, default=20)
    parser.add_argument("--seed", type=int, default=12)
    parser.add_argument("--stations", type=int, default=STATIONS,
                        help="distinct stations; below the table bound every one must be held")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--stats")
    parser.add_argument("--stall", type=float, default=60, help="seconds a SIGUSR2 stall lasts")
    parser.add_argument("--kiss", action="store_true", help="be a KISS TNC on TCP instead")
    parser.add_argument("--port", type=int, default=0, help="the KISS TNC's port; 0: any free one")
    parser.add_argument("--first", type=int, default=0, help="the KISS TNC's first station")
    args = parser.parse_args()
    if args.kiss:
        serve_kiss(args)
    elif not args.stats:
        parser.error("--stats is needed for the APRS-IS feed")
    else:
        serve(args)


if __name__ == "__main__":
    main()
