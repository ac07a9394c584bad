#!/usr/bin/env python3
"""A portal page that picks one picture of the demo portal as soon as it has
loaded, and again on every click: the pick needs no pointer, so it works on
displays xdotool cannot drive. The sizes it offers are all 16:9, the first of
them 1920 x 1080, so a screen read at a wrong size shows as another variant.

Usage: pick_page.py DEMO_PORTAL_URL PICTURE [HOLD_FILE]
Prints "Listening on http://127.0.0.1:PORT/", then one line per request. With
HOLD_FILE the page is held back until that file exists, so the client's
loading page stays on the screen until the test has looked at it.
"""
import http.server
import os
import sys
import time

SIZES = ((1920, 1080), (2560, 1440), (3840, 2160), (1600, 900))

PAGE = '''<!DOCTYPE html>
<html><body style="margin:0;height:100vh;overflow:hidden;background:#fff">
<p id="status">waiting</p>
<script>
const request = '{portal}pic/{name}.jpg?v={variants}';
function pick() {{
  window.external.downloadPic(request);
  document.getElementById('status').textContent = 'picked';
}}
window.addEventListener('load', pick);
document.addEventListener('click', pick);
</script>
</body></html>
'''


def main():
    portal, name = sys.argv[1], sys.argv[2]
    hold = sys.argv[3] if len(sys.argv) > 3 else None
    variants = ';'.join(f'pic/{name},{w},{h}.jpg' for w, h in SIZES)
    body = PAGE.format(portal=portal, name=name, variants=variants).encode('utf-8')

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            if self.path != '/':
                self.send_error(404)
                return
            deadline = time.monotonic() + 120
            while hold and not os.path.exists(hold) and time.monotonic() < deadline:
                time.sleep(0.05)
            self.send_response(200)
            self.send_header('Content-Type', 'text/html; charset=utf-8')
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, fmt, *args):
            print(f'{self.command} {self.path} {args[1] if len(args) > 1 else ""}', flush=True)

    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    print(f'Listening on http://127.0.0.1:{server.server_port}/', flush=True)
    server.serve_forever()


if __name__ == '__main__':
    main()
