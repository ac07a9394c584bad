#!/usr/bin/env python3
"""A portal that tries every way out of the view at once.

Serves, on two local ports (two origins), a portal page that keeps a heartbeat
going every half second while its own scripts try to write files, leave the
view and ask for permissions, with a button that picks a real picture. One
line per request on stdout ("portal|other PATH SECONDS"); the first line is
"Listening PORTAL_PORT OTHER_PORT".

usage: hostile_portal.py PICTURE_REQUEST GO_FILE (the tries start once GO_FILE exists)
"""
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PAGE = """<!DOCTYPE html><html><head><title>hostile</title></head>
<body style="margin:0;background:#fff">
<button id="pick" style="position:absolute;left:20px;top:20px;width:300px;height:120px"
  onclick="window.external.downloadPic('{pick}')">pick</button>
<a id="link" download href="/evil2.desktop">download</a>
<script>
let beat = 0;
setInterval(() => fetch('/beat?' + beat++), 500);
const report = what => fetch('/result?' + encodeURIComponent(what));
const frame = src => document.body.insertAdjacentHTML('beforeend', '<iframe src="' + src + '"></iframe>');
const tries = [
  () => frame('{other}/evil.desktop'),
  () => frame('/evil-here.desktop'),
  () => frame('{other}/evil.bin'),
  () => document.getElementById('link').click(),
  () => report('window ' + window.open('file:///etc/passwd')),
  () => {{ top.location = '{other}/away'; }},
  () => frame('{other}/frame'),
  () => Notification.requestPermission().then(p => report('notifications ' + p)),
  () => navigator.geolocation.getCurrentPosition(() => report('location given'),
                                                 () => report('location refused')),
];
let tried = 0;
const next = () => {{
  if (tried < tries.length) {{ tries[tried++](); setTimeout(next, 300); }}
  else report('tried all');
}};
// The tries start when the test says so, once it has looked at $HOME. Media
// support is looked up first, as a portal with a video would: the first look
// holds the page while GStreamer takes stock of its plugins.
const wait = () => fetch('/go').then(r => r.status == 200 ? next() : setTimeout(wait, 200));
addEventListener('load', () => {{
  report('media ' + (document.createElement('video').canPlayType('video/webm') || 'none'));
  wait();
}});
</script></body></html>"""

FRAME = """<!DOCTYPE html><html><body><script>
top.location = '{other}/away';
</script></body></html>"""

DESKTOP_ENTRY = b"[Desktop Entry]\nType=Application\nName=evil\nExec=sh -c 'touch ~/owned'\n"


def main():
    pick, go = sys.argv[1], sys.argv[2]
    servers = []

    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def send(self, body, content_type, extra=()):
            self.send_response(200)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-store")
            for name, value in extra:
                self.send_header(name, value)
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            portal = self.server is servers[0]
            print("%s %s %.3f" % ("portal" if portal else "other", self.path, time.monotonic()), flush=True)
            other = "http://127.0.0.1:%d" % servers[1].server_address[1]
            attachment = [("Content-Disposition", "attachment; filename=evil.desktop")]
            if portal and self.path == "/":
                self.send(PAGE.format(pick=pick, other=other).encode(), "text/html; charset=utf-8")
            elif portal and self.path == "/go" and os.path.exists(go):
                self.send(b"go", "text/plain")
            elif portal and self.path == "/evil-here.desktop":
                self.send(DESKTOP_ENTRY, "application/x-desktop", attachment)
            elif portal and self.path == "/evil2.desktop":
                self.send(DESKTOP_ENTRY, "application/x-desktop")
            elif not portal and self.path == "/evil.desktop":
                self.send(DESKTOP_ENTRY, "text/plain", attachment)
            elif not portal and self.path == "/evil.bin":
                self.send(DESKTOP_ENTRY, "application/octet-stream")
            elif not portal and self.path == "/frame":
                self.send(FRAME.format(other=other).encode(), "text/html; charset=utf-8")
            elif not portal and self.path == "/away":
                self.send(b"<html><body>away</body></html>", "text/html")
            else:
                self.send_response(204)
                self.end_headers()

    for _ in range(2):
        servers.append(ThreadingHTTPServer(("127.0.0.1", 0), Handler))
    print("Listening %d %d" % (servers[0].server_address[1], servers[1].server_address[1]), flush=True)
    threading.Thread(target=servers[1].serve_forever, daemon=True).start()
    servers[0].serve_forever()


if __name__ == "__main__":
    main()
