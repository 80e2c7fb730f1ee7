#!/usr/bin/env python3
"""velkar-board behind the shipped nginx configuration (dist/nginx/velkar-board.conf), both
private to the test, on 127.0.0.1 only.

  proxy_test.py NGINX BOARD SIM CONF WORK

The configuration is the shipped file with only its ports, the board's port and the placeholder
certificate paths filled in (a throwaway certificate made here). Clients come from several
loopback addresses (127.0.0.0/8) so that nginx sees several players. It shows:
  - 200 slow or idle connections (headers a byte at a time, bodies a byte at a time, silence)
    leave a fresh GET /api/scores answered in under 1 s while they stay, and nginx drops the
    ones that send no whole request within its timeout;
  - one address has at most 20 requests under way, and 11 quick submissions: then 429;
  - the board's per-address rate counts the address nginx forwards only with --trust-proxy
    (which takes an IP address, also IPv4 mapped into IPv6, and nothing else), and a forged
    X-Forwarded-For from anyone but the proxy counts for nothing;
  - a single range is served, several are answered whole (never a multi-part answer);
  - the body limit matches the board's: 4 MiB reaches the board, more is refused by nginx.
It prints requests per second for GET /api/scores through nginx. Everything it starts is
stopped at the end, also on failure.
"""
import hashlib
import http.client
import json
import os
import pwd
import re
import select
import shutil
import socket
import ssl
import subprocess
import sys
import threading
import time

from board_test import Board, canonical, check, finish, make_replay

FRESH_LIMIT_S = 1.0


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def substitute(text, pattern, replacement, count, what):
    """text with pattern replaced; the shipped file must hold exactly count matches, so that a
    changed file fails here instead of being tested half filled in."""
    out, n = re.subn(pattern, replacement, text, flags=re.M)
    if n != count:
        raise RuntimeError(f"the shipped configuration has {n} {what}, expected {count}")
    return out


def fill_in(conf_text, tls_port, http_port, board_port, cert, key):
    text = substitute(conf_text, r"^(\s*)listen 443 ssl http2;$",
                      rf"\1listen 127.0.0.1:{tls_port} ssl http2;", 1, "TLS listen lines")
    text = substitute(text, r"^(\s*)listen 80;$", rf"\1listen 127.0.0.1:{http_port};", 1,
                      "plain listen lines")
    # IPv6 listeners would listen beyond loopback.
    text = substitute(text, r"^\s*listen \[::\]:(80|443)[^;]*;\n", "", 2, "IPv6 listen lines")
    text = substitute(text, r"^(\s*)server 127\.0\.0\.1:8080;$", rf"\1server 127.0.0.1:{board_port};",
                      1, "board addresses")
    text = substitute(text, r"^(\s*)#\s*ssl_certificate\s+\S+;$", rf"\1ssl_certificate {cert};", 1,
                      "certificate placeholders")
    text = substitute(text, r"^(\s*)#\s*ssl_certificate_key\s+\S+;$",
                      rf"\1ssl_certificate_key {key};", 1, "key placeholders")
    return text


class Nginx:
    """A private nginx: its own prefix, pid file, logs and temporary folders under work."""

    def __init__(self, binary, work, site):
        self.binary = binary
        self.work = work
        self.proc = None
        for folder in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi", "logs"):
            os.makedirs(os.path.join(work, folder), exist_ok=True)
        # As root, nginx's workers would switch to an unprivileged user that may not reach the
        # build tree; they stay the test's user.
        user = f"user {pwd.getpwuid(os.getuid()).pw_name};\n" if os.getuid() == 0 else ""
        with open(os.path.join(work, "nginx.conf"), "w") as f:
            f.write(f"""{user}worker_processes 1;
pid {work}/nginx.pid;
error_log {work}/logs/error.log info;
events {{ worker_connections 2048; }}
http {{
    access_log {work}/logs/access.log;
    client_body_temp_path {work}/client_body;
    proxy_temp_path {work}/proxy;
    fastcgi_temp_path {work}/fastcgi;
    uwsgi_temp_path {work}/uwsgi;
    scgi_temp_path {work}/scgi;
    include {site};
}}
""")

    def args(self):
        return [self.binary, "-p", self.work, "-c", os.path.join(self.work, "nginx.conf"),
                "-e", os.path.join(self.work, "logs", "error.log")]

    def start(self, port):
        test = subprocess.run(self.args() + ["-t"], capture_output=True, text=True, timeout=30)
        if test.returncode != 0:
            raise RuntimeError("nginx -t refuses the configuration:\n" + test.stderr)
        self.proc = subprocess.Popen(self.args() + ["-g", "daemon off;"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("nginx ended: " + self.error_log()[-2000:])
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                return self
            except OSError:
                time.sleep(0.1)
        raise RuntimeError("nginx did not listen within 30 s")

    def error_log(self):
        try:
            with open(os.path.join(self.work, "logs", "error.log"), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()  # the master stops its workers
            try:
                self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Front:
    """HTTPS requests to the private nginx from a chosen loopback address."""

    def __init__(self, port, cert):
        self.port = port
        self.ctx = ssl.create_default_context(cafile=cert)

    def connect(self, source="127.0.0.1", timeout=10):
        raw = socket.create_connection(("127.0.0.1", self.port), timeout=timeout,
                                       source_address=(source, 0))
        return self.ctx.wrap_socket(raw, server_hostname="127.0.0.1")

    def request(self, method, path, body=None, headers=None, source="127.0.0.1", timeout=30):
        conn = http.client.HTTPSConnection("127.0.0.1", self.port, timeout=timeout,
                                           context=self.ctx, source_address=(source, 0))
        try:
            conn.request(method, path, body=body, headers=headers or {})
            res = conn.getresponse()
            return res.status, {k.lower(): v for k, v in res.getheaders()}, res.read()
        finally:
            conn.close()

    def submit(self, body, source, headers=None):
        h = {"Content-Type": "application/octet-stream"} | (headers or {})
        status, _, data = self.request("POST", "/api/replays", body, h, source)
        try:
            error = json.loads(data).get("error", "")
        except ValueError:
            error = data[:80].decode(errors="replace")
        return status, error


def is_open(sock):
    """True while the peer has neither closed the connection nor answered on it (TLS records
    that carry no data, such as session tickets, are neither)."""
    readable, _, _ = select.select([sock], [], [], 0)
    if not readable and not sock.pending():
        return True
    timeout = sock.gettimeout()
    sock.settimeout(0)
    try:
        sock.recv(4096)
        return False  # an answer, or the end of the connection
    except (ssl.SSLWantReadError, ssl.SSLWantWriteError, BlockingIOError):
        return True
    except OSError:
        return False
    finally:
        sock.settimeout(timeout)


def timed_get(front):
    """A fresh connection's GET /api/scores: status (None when it failed), body, seconds."""
    t = time.monotonic()
    try:
        status, _, body = front.request("GET", "/api/scores", timeout=10)
    except OSError as e:
        status, body = None, str(e).encode()
    return status, body, time.monotonic() - t


BY_NGINX = "too many requests from this address"
BY_BOARD = "too many submissions from this address"


def slow_connections(front):
    """200 connections that never finish a request in time, from 25 addresses (8 each, below
    the per-address limit): 100 send their headers a byte every 2 s, 50 send a 4 MB body a byte
    every 2 s, 50 say nothing after the TLS handshake. A fresh request stays fast while they
    stay; nginx drops the first and the last kinds within its 10 s, and the others hold on."""
    kinds = {"headers": [], "body": [], "idle": []}
    stop = threading.Event()
    started = time.monotonic()
    try:
        for i in range(200):
            kind = "headers" if i < 100 else "body" if i < 150 else "idle"
            s = front.connect(f"127.0.1.{i // 8 + 1}")
            if kind == "headers":
                s.sendall(b"GET /api/scores HTTP/1.1\r\nHost: 127.0.0.1\r\nX")
            elif kind == "body":
                s.sendall(b"POST /api/replays HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                          b"Content-Type: application/octet-stream\r\nContent-Length: 4000000\r\n\r\nv")
            kinds[kind].append(s)
        opened_s = time.monotonic() - started

        def trickle():
            while not stop.wait(2):
                for s in kinds["headers"] + kinds["body"]:
                    try:
                        s.sendall(b"x")
                    except OSError:
                        pass
        feeder = threading.Thread(target=trickle, daemon=True)
        feeder.start()

        # Two rounds of bytes first: the connections are under way, not just opened.
        time.sleep(4.5)
        times = []
        for _ in range(5):
            status, body, took = timed_get(front)
            times.append(took)
            check(status == 200 and b'"entries"' in body, f"a fresh GET /api/scores: {status}")
        held = {k: sum(map(is_open, v)) for k, v in kinds.items()}
        elapsed = time.monotonic() - started
        print(f"200 slow connections opened in {opened_s:.2f} s; fresh GET /api/scores through "
              f"nginx: {max(times) * 1000:.0f} ms at most, {min(times) * 1000:.0f} ms at least "
              f"(5 requests, {elapsed:.1f} s after the first slow connection); still open: {held}",
              flush=True)
        check(max(times) < FRESH_LIMIT_S, f"fresh requests took up to {max(times):.2f} s")
        # Only a measurement made while they all stay counts.
        check(elapsed < 9 and sum(held.values()) == 200,
              f"the slow connections stayed while the fresh requests ran: {held} at {elapsed:.1f} s")

        # nginx ends the ones that send no whole request within 10 s; a body that keeps coming
        # stays (no 10 s without a byte) and is no burden to the board meanwhile.
        deadline = started + 40
        while time.monotonic() < deadline:
            held = {k: sum(map(is_open, v)) for k, v in kinds.items()}
            if held["headers"] == 0 and held["idle"] == 0:
                break
            time.sleep(0.5)
        check(held["headers"] == 0 and held["idle"] == 0,
              f"nginx drops slow headers and silence within its timeout: {held}")
        check(held["body"] == 50, f"bodies that keep coming stay: {held}")
        status, _, later = timed_get(front)
        check(status == 200 and later < FRESH_LIMIT_S, f"and a fresh request still: {status} {later:.2f} s")
        print(f"after {time.monotonic() - started:.1f} s: {held} still open, a fresh GET "
              f"{later * 1000:.0f} ms", flush=True)
    finally:
        stop.set()
        for s in kinds["headers"] + kinds["body"] + kinds["idle"]:
            s.close()


def per_address_connections(front):
    """The 21st request under way from one address is answered 429 at once; another address is
    served meanwhile. (The 20 held are bodies sent to a route without a submission rate.)"""
    held = []
    try:
        for _ in range(20):
            s = front.connect("127.0.2.1")
            s.sendall(b"POST /api/scores HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100\r\n\r\nv")
            held.append(s)
        time.sleep(0.5)  # nginx counts a request once its headers are read
        s = front.connect("127.0.2.1")
        held.append(s)
        s.sendall(b"GET /api/scores HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
        s.settimeout(10)
        answer = s.recv(4096)
        check(answer.startswith(b"HTTP/1.1 429") and BY_NGINX.encode() in answer,
              f"the 21st request from one address: {answer[:60]!r}")
        status, _, _ = front.request("GET", "/api/scores", source="127.0.2.2")
        check(status == 200, f"another address is served meanwhile: {status}")
    finally:
        for s in held:
            s.close()


def submission_rates(front, boards, board_port):
    """nginx's submission rate per address, then the board's with and without --trust-proxy."""
    empty = b""  # answered 400 by the board once it takes a token; cheap
    # nginx: 11 at once from one address (a burst of 10), then 429 until the rate lets one more.
    board = boards(["--rate", "0", "--trust-proxy", "127.0.0.1"])
    answers = [front.submit(empty, "127.0.3.1") for _ in range(14)]
    limited = [i for i, (status, _) in enumerate(answers) if status == 429]
    # (A request may come back to the rate's allowance while they are sent: 11 or 12 pass.)
    check(limited and limited[0] in (11, 12) and all(e == BY_NGINX for _, e in
                                               (answers[i] for i in limited)),
          f"nginx limits one address after its burst: {answers}")
    check(answers[-1] == (429, BY_NGINX), f"the last quick one is refused: {answers[-1]}")
    check(all(s == 400 for s, _ in answers[:11]), f"the burst reaches the board: {answers[:11]}")
    check(front.submit(empty, "127.0.3.2")[0] == 400, "another address is not limited")
    board.stop()

    # The board trusts nginx: its rate (8 a minute, 2 at once) counts each forwarded address.
    # The proxy's address may be written as IPv4 mapped into IPv6.
    for proxy, net in (("127.0.0.1", "127.0.4"), ("::ffff:127.0.0.1", "127.0.7")):
        board = boards(["--rate", "8", "--trust-proxy", proxy])
        first = [front.submit(empty, f"{net}.1") for _ in range(3)]
        check([s for s, _ in first] == [400, 400, 429] and first[2][1] == BY_BOARD,
              f"--trust-proxy {proxy}: the board limits the forwarded address: {first}")
        check(front.submit(empty, f"{net}.2")[0] == 400,
              f"--trust-proxy {proxy}: another client address has its own rate")
    # Anyone but the proxy writes X-Forwarded-For for nothing.
    forged = []
    for i in range(3):
        conn = http.client.HTTPConnection("127.0.0.1", board_port, timeout=10,
                                          source_address=("127.0.4.3", 0))
        conn.request("POST", "/api/replays", b"", {"X-Forwarded-For": f"203.0.113.{i}"})
        forged.append(conn.getresponse().status)
        conn.close()
    check(forged == [400, 400, 429], f"a forged X-Forwarded-For from 127.0.4.3 is ignored: {forged}")
    board.stop()

    # Without --trust-proxy every player through nginx is 127.0.0.1: one rate for all.
    board = boards(["--rate", "8"])
    shared = [front.submit(empty, f"127.0.5.{i + 1}") for i in range(3)]
    check([s for s, _ in shared] == [400, 400, 429] and shared[2][1] == BY_BOARD,
          f"without --trust-proxy the board counts the proxy: {shared}")
    board.stop()


def ranges_and_sizes(front, replay_bytes):
    status, error = front.submit(replay_bytes, "127.0.6.1")
    rid = hashlib.sha256(canonical(replay_bytes)).hexdigest()
    check(status == 202, f"a replay is submitted through nginx: {status} {error}")
    path = f"/replays/{rid}.vrp"
    want = canonical(replay_bytes)
    status, _, part = front.request("GET", path, headers={"Range": "bytes=0-9"}, source="127.0.6.1")
    check(status == 206 and part == want[:10], f"one range: {status} {part!r}")
    for many in ("bytes=0-9,20-29", "bytes=0-,0-,0-", "bytes=-5, 0-1"):
        status, headers, body = front.request("GET", path, headers={"Range": many}, source="127.0.6.1")
        check(status == 200 and body == want and "multipart" not in headers.get("content-type", ""),
              f"{many}: {status} {headers.get('content-type')}, {len(body)} bytes")
    # A 4 MiB body reaches the board whole (it reads it, and finds no replay in it); nginx
    # refuses one above the board's own limit without asking the board.
    big = b"x" * (4 << 20)
    status, error = front.submit(big, "127.0.6.2")
    check(status == 422, f"4 MiB through nginx reaches the board: {status} {error}")
    status, _ = front.submit(b"x" * (4160 * 1024 + 1), "127.0.6.3")
    check(status == 413, f"above 4160 KiB nginx refuses: {status}")


def throughput(front, board_port, seconds=5, clients=8):
    """GET /api/scores on kept-alive connections from 8 threads, through nginx (HTTPS) and, for
    comparison, from the board itself (HTTP)."""
    for how in ("through nginx (HTTPS", "from the board alone (HTTP"):
        rate = requests_per_second(
            lambda: http.client.HTTPSConnection("127.0.0.1", front.port, timeout=10,
                                                context=front.ctx)
            if how.startswith("through") else
            http.client.HTTPConnection("127.0.0.1", board_port, timeout=10), seconds, clients)
        print(f"GET /api/scores {how}, {clients} kept-alive clients, {seconds} s): "
              f"{rate:.0f} requests/s", flush=True)


def requests_per_second(connect, seconds, clients):
    counts = [0] * clients
    bad = []
    end = time.monotonic() + seconds

    def client(k):
        conn = connect()
        try:
            while time.monotonic() < end:
                conn.request("GET", "/api/scores")
                res = conn.getresponse()
                res.read()
                if res.status != 200:
                    bad.append(res.status)
                counts[k] += 1
        finally:
            conn.close()
    threads = [threading.Thread(target=client, args=(k,)) for k in range(clients)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    check(not bad, f"every request answered 200: {bad[:5]}")
    return sum(counts) / seconds


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    nginx_bin, board_bin, sim, conf, work = sys.argv[1:]
    if not shutil.which(nginx_bin):
        sys.exit(f"nginx not found ({nginx_bin}): scripts/deps server installs it")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    cert, key = os.path.join(work, "cert.pem"), os.path.join(work, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                    "-keyout", key, "-out", cert], check=True, capture_output=True, timeout=60)
    replay = make_replay(sim, work, 1)
    with open(os.path.join(work, replay["file"]), "rb") as f:
        replay_bytes = f.read()

    for bad in ("localhost", "127.0.0.256", "127.0.0.1/8", "", "1.2.3.4 "):
        run = subprocess.run([board_bin, "--sim", sim, "--trust-proxy", bad], capture_output=True,
                             text=True, timeout=20)
        said = run.stderr.splitlines()[0] if run.stderr else ""
        check(run.returncode == 2 and said == "velkar-board: --trust-proxy takes an IP address",
              f"--trust-proxy {bad!r}: status {run.returncode}, {said!r}")

    tls_port, http_port, board_port = free_port(), free_port(), free_port()
    with open(conf) as f:
        site = fill_in(f.read(), tls_port, http_port, board_port, cert, key)
    site_path = os.path.join(work, "velkar-board.conf")
    with open(site_path, "w") as f:
        f.write(site)
    data = os.path.join(work, "board-data")
    running = {}

    def boards(args):
        """A board on the port nginx sends to, on the same data; the one before it stopped."""
        if "board" in running:
            running["board"].stop()
        board = Board(board_bin, sim, ["--data", data] + args, port=board_port).start()
        running["board"] = board
        # nginx's kept-alive connections to the last board are gone: one request renews them.
        deadline = time.monotonic() + 10
        while front.request("GET", "/api/scores")[0] != 200 and time.monotonic() < deadline:
            time.sleep(0.2)
        return board

    nginx = Nginx(nginx_bin, os.path.join(work, "nginx"), site_path)
    front = Front(tls_port, cert)
    try:
        nginx.start(tls_port)
        boards(["--trust-proxy", "127.0.0.1"])
        conn = http.client.HTTPConnection("127.0.0.1", http_port, timeout=10)
        conn.request("GET", "/api/scores?rank=hard")
        res = conn.getresponse()
        check(res.status == 301 and res.getheader("Location", "").startswith("https://") and
              res.getheader("Location").endswith("/api/scores?rank=hard"),
              f"plain HTTP sends to HTTPS: {res.status} {res.getheader('Location')}")
        conn.close()
        ranges_and_sizes(front, replay_bytes)
        slow_connections(front)
        per_address_connections(front)
        throughput(front, board_port)
        submission_rates(front, boards, board_port)
    finally:
        if "board" in running:
            running["board"].stop()
        nginx.stop()
    alerts = [l for l in nginx.error_log().splitlines() if re.search(r"\[(alert|crit|emerg)\]", l)]
    check(not alerts, "nginx logged no alert: " + "\n".join(alerts[:5]))
    finish()


if __name__ == "__main__":
    main()
