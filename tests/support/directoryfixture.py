"""Answers like the community station directory, under /_dir on the test
server: /_dir/json/servers (this server under two names),
/_dir/json/stations/search?... and
/_dir/json/url/<uuid> (a click, counted; /_dir/clicks lists them), with
about fifty stations whose streams and icons are on the same server. Like
the directory, it asks its clients to name themselves: a /json/ request
whose User-Agent does not start with "Sonalto/" gets 403, and
/_dir/agents lists the User-Agents seen.

  /_dir/pls/<n>.pls      a playlist naming the endless stream
  /_dir/icon/<side>.png  a grey square PNG of <side> pixels
  /_dir/icon/huge.bin    five megabytes that are not a picture
  /_dir/icon/bomb.png    a 3 kB PNG that claims 7000 x 5000 pixels

The streams are silent, or play the server root's "tone.mp3" when there is
one.
"""

import json
import os
import struct
import threading
import urllib.parse
import zlib

_clicks = []
_agents = []
_lock = threading.Lock()

_NAMES = [
    ("Jazz à Paris", "FR", "France", "french", "jazz"),
    ("Radio Fréquence Jazz", "FR", "France", "french", "jazz,swing"),
    ("Élan Jazz Lyon", "FR", "France", "french", "jazz,blues"),
    ("Jazz Côte d'Azur", "FR", "France", "french", "jazz"),
    ("Jazz Panne", "FR", "France", "french", "jazz"),
    ("Jazz Liste PLS", "FR", "France", "french", "jazz"),
    ("Jazz Segments", "FR", "France", "french", "jazz"),
    ("Jazz Énorme Logo", "FR", "France", "french", "jazz"),
    ("Jazz Grand Logo", "FR", "France", "french", "jazz"),
    ("Bruxelles Jazz", "BE", "Belgique", "french", "jazz"),
    ("Genève Jazz", "CH", "Suisse", "french", "jazz"),
    ("Montréal Jazz", "CA", "Canada", "french", "jazz"),
]
for i in range(38):
    country = [("FR", "France"), ("BE", "Belgique"), ("DE", "Germany")][i % 3]
    tag = ["rock", "pop", "classique", "électro"][i % 4]
    _NAMES.append(("Station {} {}".format(tag.capitalize(), i), country[0], country[1],
                   "french" if country[0] != "DE" else "german", tag))


def _chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body
            + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))


def _png(side):
    row = b"\x00" + b"\x80\x80\x80" * side
    data = zlib.compress(row * side)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0))
            + _chunk(b"IDAT", data) + _chunk(b"IEND", b""))


_bomb_png = []


def _bomb():
    """A black 1-bit square of 5000 pixels a side: tiny compressed, huge decoded."""
    if not _bomb_png:
        side = 5000
        data = zlib.compress((b"\x00" * (1 + side // 8)) * side, 9)
        _bomb_png.append(b"\x89PNG\r\n\x1a\n"
                         + _chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 1, 0, 0, 0, 0))
                         + _chunk(b"IDAT", data) + _chunk(b"IEND", b""))
    return _bomb_png[0]


def _stations(base, root):
    tone = "&audio=tone.mp3" if os.path.exists(os.path.join(root, "tone.mp3")) else ""
    result = []
    for n, (name, code, country, language, tags) in enumerate(_NAMES):
        stream = base + "/_stream?name=" + urllib.parse.quote(name) + tone
        working = 1
        favicon = base + "/_dir/icon/48.png"
        codec = "MP3"
        if name == "Jazz Panne":
            stream, working = base + "/_status/404", 0
        elif name == "Jazz Liste PLS":
            stream = base + "/_dir/pls/{}.pls".format(n)
        elif name == "Jazz Segments":
            stream, codec = base + "/_hls/live.m3u8?count=3", "AAC"
        elif name == "Jazz Énorme Logo":
            favicon = base + "/_dir/icon/bomb.png"
        elif name == "Jazz Grand Logo":
            favicon = base + "/_dir/icon/1024.png"
        result.append({
            "stationuuid": "uuid-{:04d}".format(n), "name": name, "url": stream,
            "url_resolved": stream, "homepage": "http://example.org/{}".format(n),
            "favicon": favicon, "country": country, "countrycode": code,
            "language": language, "tags": tags, "codec": codec, "bitrate": 128,
            "lastcheckok": working, "votes": 1000 - n,
        })
    return result


def answer(handler, parsed, query, head):
    """Answers a request whose path starts with /_dir; False when unknown."""
    path = parsed.path[len("/_dir"):]
    # The same addresses whichever of the server's names was asked.
    base = "http://127.0.0.1:{}".format(handler.server.server_address[1])
    if path.startswith("/json/"):
        agent = handler.headers.get("User-Agent", "")
        with _lock:
            if agent not in _agents:
                _agents.append(agent)
        if not agent.startswith("Sonalto/"):
            return _send(handler, "name your application", head, "text/plain", 403)
    if path == "/agents":
        with _lock:
            return _send(handler, json.dumps(_agents), head)
    if path == "/json/servers":
        # Two names of this server, as the directory lists its host names.
        return _send(handler, json.dumps([{"name": "127.0.0.1"}, {"name": "localhost"}]), head)
    if path == "/clicks":
        with _lock:
            return _send(handler, json.dumps(_clicks), head)
    if path.startswith("/json/url/"):
        uuid = urllib.parse.unquote(path[len("/json/url/"):])
        with _lock:
            _clicks.append(uuid)
        found = [s for s in _stations(base, handler.directory) if s["stationuuid"] == uuid]
        url = found[0]["url_resolved"] if found else ""
        return _send(handler, json.dumps({"ok": bool(found), "url": url}), head)
    if path == "/json/stations/search":
        first = lambda key: query.get(key, [""])[0]
        stations = _stations(base, handler.directory)
        if first("countrycode"):
            stations = [s for s in stations if s["countrycode"] == first("countrycode").upper()]
        if first("tag"):
            stations = [s for s in stations if first("tag").lower() in s["tags"].split(",")]
        if first("language"):
            stations = [s for s in stations if s["language"] == first("language").lower()]
        if first("name"):
            stations = [s for s in stations if first("name").lower() in s["name"].lower()]
        if first("hidebroken") == "true":
            stations = [s for s in stations if s["lastcheckok"] == 1]
        return _send(handler, json.dumps(stations), head)
    if path.startswith("/pls/"):
        body = "[playlist]\nNumberOfEntries=1\nFile1={}/_stream\n".format(base)
        return _send(handler, body, head, "audio/x-scpls")
    if path == "/icon/bomb.png":
        return _send(handler, _bomb(), head, "image/png")
    if path == "/icon/huge.bin":
        return _send(handler, b"\x01" * (5 * 1024 * 1024), head, "image/png")
    if path.startswith("/icon/") and path.endswith(".png"):
        try:
            side = int(path[len("/icon/"):-len(".png")])
        except ValueError:
            return False
        return _send(handler, _png(side), head, "image/png")
    return False


def _send(handler, body, head, kind="application/json", status=200):
    data = body if isinstance(body, bytes) else body.encode("utf-8")
    handler.send_response(status)
    handler.send_header("Content-Type", kind)
    handler.send_header("Content-Length", str(len(data)))
    handler.end_headers()
    if not head:
        handler.wfile.write(data)
    return True
