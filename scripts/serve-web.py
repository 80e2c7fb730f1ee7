#!/usr/bin/env python3
"""Serves the browser build's folder on 127.0.0.1 as a static web server should: each file with
its type, and compressed when the browser accepts gzip and a .gz copy lies beside the file.

Usage: scripts/serve-web.py DIRECTORY [PORT]   (PORT 0 or none: any free port; the port is
printed as "port N")
"""
import email.utils
import functools
import http.server
import os
import sys

# The types the page's files need; .wasm for a build that keeps the program in its own file.
TYPES = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
    '.wasm': 'application/wasm',
    '.json': 'application/json',
    '.webmanifest': 'application/manifest+json',
    '.png': 'image/png',
}


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES}

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path) and self.path.split('?')[0].endswith('/'):
            path = os.path.join(path, 'index.html')
        gzipped = path + '.gz'
        if os.path.isfile(path) and os.path.isfile(gzipped) and self.accepts_gzip():
            return self.send_file(gzipped, self.guess_type(path), 'gzip', os.stat(path).st_mtime)
        return super().send_head()

    def not_modified_since(self, mtime):
        """Whether If-Modified-Since names mtime or later (the browser's copy is current)."""
        since = self.headers.get('If-Modified-Since')
        if not since:
            return False
        try:
            when = email.utils.parsedate_to_datetime(since[:100]).timestamp()
        except (TypeError, ValueError, IndexError, OverflowError):
            return False
        return int(mtime) <= when

    def accepts_gzip(self):
        """Whether Accept-Encoding names gzip (or *) without q=0."""
        for part in self.headers.get('Accept-Encoding', '')[:1000].split(','):
            name, _, params = part.partition(';')
            if name.strip().lower() not in ('gzip', '*'):
                continue
            quality = params.strip().lower()
            if quality.startswith('q='):
                try:
                    return float(quality[2:]) > 0
                except ValueError:
                    return False
            return True
        return False

    def send_file(self, path, content_type, encoding, mtime):
        """The compressed copy, with the original's time, so that a browser (or the page's
        service worker) that has the file asks whether it changed and gets 304 if not."""
        if self.not_modified_since(mtime):
            self.send_response(304)
            self.send_header('Cache-Control', 'no-cache')
            self.end_headers()
            return None
        try:
            file = open(path, 'rb')
        except OSError:
            self.send_error(404)
            return None
        size = os.fstat(file.fileno()).st_size
        self.send_response(200)
        self.send_header('Content-Type', content_type)
        self.send_header('Content-Encoding', encoding)
        self.send_header('Content-Length', str(size))
        self.send_header('Last-Modified', self.date_time_string(mtime))
        self.send_header('Cache-Control', 'no-cache')
        self.end_headers()
        return file

    def end_headers(self):
        # The compressed and plain answers differ: caches must keep them apart.
        self.send_header('Vary', 'Accept-Encoding')
        super().end_headers()


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit('usage: serve-web.py DIRECTORY [PORT]')
    directory = sys.argv[1]
    port = int(sys.argv[2]) if len(sys.argv) == 3 else 0
    handler = functools.partial(Handler, directory=directory)
    with http.server.ThreadingHTTPServer(('127.0.0.1', port), handler) as server:
        print(f'serving {directory} on 127.0.0.1 port {server.server_address[1]}', flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == '__main__':
    main()
