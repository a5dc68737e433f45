#!/usr/bin/env python3
"""A small threaded HTTP server on 127.0.0.1 for the tests.

Serves the files of --root, plus these paths:

  /_stall/<seconds>/<path>   waits <seconds> (a decimal number), then answers
                             as for /<path>
  /_stallonce/<seconds>/<key>/<path>
                             the first request naming <key> waits <seconds>
                             before answering as for /<path>; later ones
                             answer at once (a server that is slow only once)
  /_status/<code>?body=<t>   answers status <code> with the text body <t>
                             (default "Error <code>")
  /_stream?...               an endless MPEG audio stream of silent frames,
                             paced at its bit rate. When the request carries
                             "Icy-MetaData: 1" the answer has "icy-metaint"
                             and a StreamTitle block after every metaint bytes
                             of audio. Query parameters:
                               metaint=<bytes>   default 8192
                               title=<t>         repeat to rotate titles
                               every=<blocks>    blocks per title, default 4
                               limit=<bytes>     close after this many audio
                                                 bytes (a dropped stream)
                               fast=1            do not pace the stream
                               name=<t>          the icy-name header
                               audio=<file>      loop the bytes of this file
                                                 of the root (a 128 kbit/s
                                                 MP3) instead of silence
                               burst=<seconds>   how far ahead of real time
                                                 the stream runs, default 1
                               type=<t>          Content-Type, default
                                                 audio/mpeg
                               icy=0             no metadata even when asked
                               enc=utf-8         titles in UTF-8 (default
                                                 Latin-1)
                               status=icy        a SHOUTcast v1 answer: the
                                                 status line "ICY 200 OK"
                               chunked=1         HTTP/1.1 chunked transfer
  /_hls/live.m3u8?count=<n>  a live HLS playlist of three 2-second
                             segments that slides with time over the root's
                             seg00000.ts ... seg<n-1>.ts, in a loop
  /_redirect/<code>/<path>   answers <code> with the relative Location
                             "/<path>" (and the query): chains by nesting
  /_dir/...                  the station directory of directoryfixture.py
  /ws/2/recording/?query=recording:"<title>" AND artist:"<artist>"&fmt=json
                             a recording search as the recordings service
                             answers it: one recording with two releases, the
                             official one of 1987-05-04 named "Le Meilleur de
                             <artist>". A request whose User-Agent does not
                             start with "Sonalto/" gets 403. By artist:
                               Inconnu   no recording found
                               Occupé    the first search for each title
                                         gets 503 with "Retry-After: 1"
                               Lent      the answer comes after 12 seconds
                             A title holding "Sans pochette" gives a release
                             without a cover.
  /release/<id>/front-250    the release's 250-pixel cover as the covers
                             service gives it: a 307 to /_cover/<id>.png, a
                             250 x 125 PNG; 404 for a release without one
  /_hits                     how many searches and covers were asked, as
                             "searches=<n> covers=<m>"

Options beyond --root and --port:

  --stall <path>=<seconds>   every request for exactly <path> waits <seconds>
                             before it is answered (repeatable): one file of a
                             site that stalls while the rest answers
  --cut <path>=<bytes>       every request for exactly <path> gets only the
                             first <bytes> of the file, with no length
                             header, then the connection closes (repeatable)
  --tls <pem file>           serves https with the certificate and key of the
                             file instead of http

Prints the chosen port on its first line of standard output once it listens
(--port 0 picks a free one). Uses the standard library only.
"""

import argparse
import functools
import hashlib
import http.server
import json
import re
import struct
import zlib
import os
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse

import directoryfixture

# One MPEG-1 Layer III frame, 128 kbit/s, 44.1 kHz, no padding, no CRC: the
# header then zeros, which decoders play as silence.
FRAME_HEADER = bytes([0xFF, 0xFB, 0x90, 0x64])
FRAME_SIZE = 144 * 128000 // 44100  # 417 bytes
SILENT_FRAME = FRAME_HEADER + bytes(FRAME_SIZE - len(FRAME_HEADER))
BYTES_PER_SECOND = 128000 // 8


def metadata_block(title, encoding="latin-1"):
    text = "StreamTitle='{}';".format(title).encode(encoding, "replace")
    blocks = (len(text) + 15) // 16
    return bytes([blocks]) + text + bytes(blocks * 16 - len(text))


def png_image(width, height, rgb):
    """A plain PNG of one colour with a darker left half."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    dark = bytes(c // 2 for c in rgb)
    row = b"\x00" + dark * (width // 2) + bytes(rgb) * (width - width // 2)
    raw = row * height
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def release_id(artist, title):
    digest = hashlib.md5((artist + "|" + title).encode("utf-8")).hexdigest()
    if "Sans pochette" in title:
        digest = "0" * 8 + digest[8:]
    return "{}-{}-{}-{}-{}".format(digest[:8], digest[8:12], digest[12:16],
                                   digest[16:20], digest[20:32])


def search_phrase(query, field):
    found = re.search(field + r':"((?:[^"\\]|\\.)*)"', query)
    return re.sub(r"\\(.)", r"\1", found.group(1)) if found else ""


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    verbose = False

    def log_message(self, format, *args):
        if self.verbose:
            sys.stderr.write("httpserver: " + (format % args) + "\n")

    def do_GET(self):
        self.route(head=False)

    def do_HEAD(self):
        self.route(head=True)

    stalls = {}

    def route(self, head):
        parsed = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(parsed.query)
        parts = parsed.path.split("/")
        if parsed.path in Handler.stalls:
            time.sleep(Handler.stalls[parsed.path])
        if parsed.path in Handler.cuts and not head:
            return self.send_cut(parsed.path, Handler.cuts[parsed.path])
        if len(parts) >= 3 and parts[1] == "_stall":
            try:
                time.sleep(float(parts[2]))
            except ValueError:
                return self.send_text(400, "bad delay")
            rest = "/" + "/".join(parts[3:])
            if parsed.query:
                rest += "?" + parsed.query
            self.path = rest
            return self.route(head)
        if parsed.path == "/_hls/live.m3u8":
            return self.hls(query, head)
        if len(parts) >= 4 and parts[1] == "_redirect":
            location = "/" + "/".join(parts[3:]) + ("?" + parsed.query if parsed.query else "")
            self.send_response(int(parts[2]))
            self.send_header("Location", location)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if len(parts) >= 4 and parts[1] == "_stallonce":
            return self.stall_once(parts, parsed.query, head)
        if len(parts) >= 3 and parts[1] == "_status":
            try:
                code = int(parts[2])
            except ValueError:
                return self.send_text(400, "bad status")
            body = query.get("body", ["Error {}".format(code)])[0]
            return self.send_text(code, body, head)
        if parsed.path == "/_stream":
            return self.stream(query, head)
        if parsed.path.startswith("/_dir/") and directoryfixture.answer(self, parsed, query, head):
            return
        if parsed.path in ("/ws/2/recording", "/ws/2/recording/"):
            return self.recording_search(query)
        if len(parts) == 4 and parts[1] == "release" and parts[3] == "front-250":
            return self.release_cover(parts[2])
        if len(parts) == 3 and parts[1] == "_cover":
            return self.send_bytes(200, png_image(250, 125, (200, 40, 40)), "image/png")
        if parsed.path == "/_hits":
            with Handler.hits_lock:
                text = "searches={} covers={}".format(Handler.searches, Handler.covers)
            return self.send_text(200, text, head)
        if head:
            return super().do_HEAD()
        return super().do_GET()

    cuts = {}

    def send_cut(self, path, count):
        local = self.translate_path(path)
        try:
            with open(local, "rb") as f:
                data = f.read(count)
        except OSError:
            return self.send_text(404, "not found")
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.end_headers()
        self.wfile.write(data)
        self.wfile.flush()
        self.close_connection = True

    hls_started = time.monotonic()

    def hls(self, query, head):
        count = max(1, int(query.get("count", ["5"])[0]))
        first = int((time.monotonic() - Handler.hls_started) / 2)
        lines = ["#EXTM3U", "#EXT-X-VERSION:3", "#EXT-X-TARGETDURATION:2",
                 "#EXT-X-MEDIA-SEQUENCE:{}".format(first)]
        for k in range(first, first + 3):
            if k > 0 and k % count == 0:
                lines.append("#EXT-X-DISCONTINUITY")
            lines.append("#EXTINF:2.0,")
            lines.append("/seg{:05d}.ts".format(k % count))
        data = ("\n".join(lines) + "\n").encode("ascii")
        self.send_response(200)
        self.send_header("Content-Type", "application/vnd.apple.mpegurl")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        if not head:
            self.wfile.write(data)

    stalled_keys = set()
    stalled_lock = threading.Lock()

    def stall_once(self, parts, query, head):
        try:
            delay = float(parts[2])
        except ValueError:
            return self.send_text(400, "bad delay")
        with Handler.stalled_lock:
            first = parts[3] not in Handler.stalled_keys
            Handler.stalled_keys.add(parts[3])
        if first:
            time.sleep(delay)
        self.path = "/" + "/".join(parts[4:]) + ("?" + query if query else "")
        return self.route(head)

    searches = 0
    covers = 0
    busy_titles = set()
    hits_lock = threading.Lock()

    def recording_search(self, query):
        with Handler.hits_lock:
            Handler.searches += 1
        if not self.headers.get("User-Agent", "").startswith("Sonalto/"):
            return self.send_text(403, "name your application")
        text = query.get("query", [""])[0]
        title = search_phrase(text, "recording")
        artist = search_phrase(text, "artist")
        if artist == "Occupé":
            with Handler.hits_lock:
                first = title not in Handler.busy_titles
                Handler.busy_titles.add(title)
            if first:
                data = b"busy"
                self.send_response(503)
                self.send_header("Retry-After", "1")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)
                return
        if artist == "Lent":
            time.sleep(12)
        recordings = []
        if artist != "Inconnu":
            recordings.append({
                "id": release_id(title, artist),
                "score": 100,
                "title": title,
                "first-release-date": "1986",
                "artist-credit": [{"name": artist}],
                "releases": [
                    {"id": release_id("pirate", title), "title": "Pirate",
                     "status": "Bootleg", "date": "1985"},
                    {"id": release_id(artist, title), "title": "Le Meilleur de " + artist,
                     "status": "Official", "date": "1987-05-04"},
                ],
            })
        answer = {"created": "2026-12-09T00:00:00.000Z", "count": len(recordings),
                  "offset": 0, "recordings": recordings}
        self.send_bytes(200, json.dumps(answer).encode("utf-8"), "application/json")

    def release_cover(self, release):
        with Handler.hits_lock:
            Handler.covers += 1
        if release.startswith("00000000"):
            return self.send_text(404, "no cover")
        self.send_response(307)
        self.send_header("Location", "/_cover/{}.png".format(release))
        self.send_header("Content-Length", "0")
        self.end_headers()

    def send_bytes(self, code, data, kind):
        self.send_response(code)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def send_text(self, code, body, head=False):
        data = body.encode("utf-8")
        self.send_response(code)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if not head:
            self.wfile.write(data)

    def stream(self, query, head):
        metaint = int(query.get("metaint", ["8192"])[0])
        titles = query.get("title", ["Artiste - Titre"])
        every = max(1, int(query.get("every", ["4"])[0]))
        limit = int(query.get("limit", ["0"])[0])
        fast = query.get("fast", ["0"])[0] == "1"
        name = query.get("name", ["Radio de test"])[0]
        icy = self.headers.get("Icy-MetaData", "").strip() == "1"
        burst = float(query.get("burst", ["1"])[0])
        audio = SILENT_FRAME * 64
        if "audio" in query:
            try:
                with open(os.path.join(self.directory, query["audio"][0]), "rb") as f:
                    audio = f.read()
            except OSError:
                return self.send_text(404, "no such audio")

        icy = icy and query.get("icy", ["1"])[0] != "0"
        encoding = query.get("enc", ["latin-1"])[0]
        chunked = query.get("chunked", ["0"])[0] == "1"
        headers = [("Content-Type", query.get("type", ["audio/mpeg"])[0]),
                   ("icy-name", name), ("icy-br", "128")]
        if icy:
            headers.append(("icy-metaint", str(metaint)))
        headers.append(("Cache-Control", "no-cache"))
        if chunked:
            headers.append(("Transfer-Encoding", "chunked"))
        if query.get("status", [""])[0] == "icy":
            status = "ICY 200 OK"
        elif chunked:
            status = "HTTP/1.1 200 OK"
        else:
            status = "HTTP/1.0 200 OK"
        head_bytes = status + "\r\n" + "".join(
            "{}: {}\r\n".format(k, v) for k, v in headers) + "\r\n"
        self.wfile.write(head_bytes.encode("latin-1", "replace"))
        self.close_connection = True
        if head:
            return

        def out(data):
            if chunked:
                self.wfile.write(b"%x\r\n" % len(data) + data + b"\r\n")
            else:
                self.wfile.write(data)

        position = 0      # index in the audio pattern
        since_meta = 0    # audio bytes since the last metadata block
        sent = 0          # audio bytes in all
        blocks = 0
        started = time.monotonic()
        try:
            while limit <= 0 or sent < limit:
                chunk = 4096
                if icy:
                    chunk = min(chunk, metaint - since_meta)
                if limit > 0:
                    chunk = min(chunk, limit - sent)
                piece = audio[position:position + chunk]
                while len(piece) < chunk:
                    piece += audio[:chunk - len(piece)]
                position = (position + chunk) % len(audio)
                out(piece)
                sent += chunk
                since_meta += chunk
                if icy and since_meta == metaint:
                    title = titles[(blocks // every) % len(titles)]
                    out(metadata_block(title, encoding))
                    blocks += 1
                    since_meta = 0
                if not fast:
                    ahead = sent / BYTES_PER_SECOND - (time.monotonic() - started)
                    # Keep a burst ahead of real time, as stations do.
                    if ahead > burst:
                        time.sleep(ahead - burst)
            if chunked:
                self.wfile.write(b"0\r\n\r\n")
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    # Room for many clients connecting at once (stress tests).
    request_queue_size = 128


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=".")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--stall", action="append", default=[])
    parser.add_argument("--cut", action="append", default=[])
    parser.add_argument("--tls")
    args = parser.parse_args()

    Handler.verbose = args.verbose
    for stall in args.stall:
        path, _, seconds = stall.rpartition("=")
        Handler.stalls[path] = float(seconds)
    for cut in args.cut:
        path, _, count = cut.rpartition("=")
        Handler.cuts[path] = int(count)
    handler = functools.partial(Handler, directory=os.path.abspath(args.root))
    server = Server(("127.0.0.1", args.port), handler)
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
