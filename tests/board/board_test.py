#!/usr/bin/env python3
"""velkar-board from outside: the real server process over 127.0.0.1, real replays recorded by
velkar-sim, a real SQLite file or PostgreSQL server.

  board_test.py generate SIM DIR N        N distinct replays in DIR (kept while SIM is older)
  board_test.py api BOARD SIM DIR          API, page and bad input against SQLite
  board_test.py load BOARD SIM DIR         16 clients, SIGKILL in the middle, restart
  board_test.py shared BOARD SIM DIR URI   two boards sharing one PostgreSQL database
"""
import concurrent.futures
import hashlib
import http.client
import json
import os
import random
import re
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL: " + message, flush=True)
    return condition


def finish():
    if FAILURES:
        print(f"{len(FAILURES)} failure(s)")
        sys.exit(1)
    print("ok")


# --- Replays ---------------------------------------------------------------------------------

# Names that must come back exactly and be escaped wherever shown (at most 9 bytes typed).
NAMES = ["<b>x</b>", "Zo\u00eb", "a&b;'\"", "\u540d\u524d", "ALICE", "\\x00", "<script>", "O'Neil"]


def low_tables():
    text = ""
    for section in ("RankNormal", "RankHard"):
        text += f"[{section}]\n"
        for i in range(1, 11):
            text += f"SCORE_{i}={11 - i}\nNAME_{i}=OLD\n"
    return text


def make_replay(sim, folder, index):
    """One distinct recording: every fourth plays a whole game to its game over and Name
    Entry on a low table; the others are a few hundred frames of moves."""
    rng = random.Random(index)
    long_game = index % 4 == 0
    frames = rng.randint(2450, 2650) if long_game else rng.randint(150, 400)
    start = rng.randint(0, 30)
    lines = [f"{start} 100", f"{start + 1} 0"]
    frame = start + 1
    while frame < frames:
        frame += rng.randint(10, 120)
        lines.append(f"{frame} {rng.choice([0, 1, 2, 4, 8, 5, 9, 0x10, 0x14, 0x18])}")
    work = os.path.join(folder, f"work{index}")
    os.makedirs(work, exist_ok=True)
    with open(os.path.join(work, "in.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    with open(os.path.join(work, "velkar.ini"), "w") as f:
        f.write(low_tables() if long_game else "")
    path = os.path.join(folder, f"r{index:04d}.vrp")
    args = [sim, "--json", "--frames", str(frames), "--input", os.path.join(work, "in.txt"),
            "--settings", os.path.join(work, "velkar.ini"), "--rank", str(index % 2 if long_game else 0),
            "--record", path]
    if long_game and index % 8 != 4:
        args += ["--name", NAMES[(index // 4) % len(NAMES)]]
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    games = json.loads(out)["games"]
    shutil.rmtree(work)
    return {"file": os.path.basename(path), "games": games}


def generate(sim, folder, count):
    index_path = os.path.join(folder, "index.json")
    if os.path.exists(index_path) and os.path.getmtime(index_path) > os.path.getmtime(sim):
        with open(index_path) as f:
            index = json.load(f)
        if len(index) == count:
            print(f"{count} replays already in {folder}")
            return
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        index = list(pool.map(lambda i: make_replay(sim, folder, i), range(count)))
    with open(index_path, "w") as f:
        json.dump(index, f)
    print(f"{count} replays made in {folder}, {sum(len(r['games']) for r in index)} games ended")


def load_replays(folder):
    with open(os.path.join(folder, "index.json")) as f:
        index = json.load(f)
    replays = []
    for r in index:
        with open(os.path.join(folder, r["file"]), "rb") as f:
            r["bytes"] = f.read()
        r["canonical"] = canonical(r["bytes"])
        r["id"] = hashlib.sha256(r["canonical"]).hexdigest()
        replays.append(r)
    return replays


def canonical(recorded):
    """The board keeps a recorder's file without its comment line: the one form of its game."""
    return b"".join(l for l in recorded.splitlines(keepends=True) if not l.startswith(b"#"))


def insert_after(text, prefix, line):
    """text with line put after its first line starting with prefix."""
    at = text.index("\n" + prefix) + 1
    at = text.index("\n", at) + 1
    return text[:at] + line + "\n" + text[at:]


def parse_metrics(text):
    """{'name{labels}': value} of a Prometheus text answer."""
    out = {}
    for line in text.splitlines():
        if line and not line.startswith("#"):
            key, value = line.rsplit(" ", 1)
            out[key] = float(value) if "." in value else int(value)
    return out


def peak_rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        return int(re.search(r"VmHWM:\s+(\d+) kB", f.read()).group(1)) / 1024


# --- The server ------------------------------------------------------------------------------

class Board:
    def __init__(self, board, sim, args, port=0):
        self.cmd = [board, "--sim", sim, "--bind", "127.0.0.1"] + args
        self.port = port
        self.proc = None
        self.log = tempfile.TemporaryFile()

    def start(self):
        worker = "--no-http" in self.cmd
        self.proc = subprocess.Popen(self.cmd + ([] if worker else ["--port", str(self.port)]),
                                     stdout=subprocess.PIPE, stderr=self.log, text=True)
        line = self.proc.stdout.readline()
        if worker:
            if "verifying pending files only" not in line:
                raise RuntimeError("the worker did not start: " + line + self.errors())
            return self
        m = re.search(r"127\.0\.0\.1:(\d+)/", line)
        if not m:
            raise RuntimeError("the board did not start: " + line + self.errors())
        self.port = int(m.group(1))
        return self

    def errors(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def kill(self):
        self.proc.send_signal(signal.SIGKILL)
        self.proc.wait()

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.kill()

    def request(self, method, path, body=None, headers=None, timeout=30):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            conn.request(method, path, body=body, headers=headers or {})
            res = conn.getresponse()
            data = res.read()
            return res.status, dict(res.getheaders()), data
        finally:
            conn.close()

    def get_json(self, path):
        status, _, data = self.request("GET", path)
        return status, json.loads(data) if data else None

    def submit(self, data):
        status, headers, body = self.request("POST", "/api/replays", data,
                                             {"Content-Type": "application/octet-stream"})
        return status, headers, json.loads(body) if body else None


def wait_settled(board, ids, deadline_s):
    """Polls until no id is pending; returns {id: answer}."""
    deadline = time.monotonic() + deadline_s
    answers = {}
    left = list(ids)
    while left and time.monotonic() < deadline:
        still = []
        for i in left:
            status, answer = board.get_json(f"/api/replays/{i}")
            if status == 200 and answer["status"] != "pending":
                answers[i] = answer
            else:
                still.append(i)
        left = still
        if left:
            time.sleep(0.5)
    check(not left, f"{len(left)} submissions still pending after {deadline_s} s")
    return answers


def same_entries(replay, answer):
    """The board's entries for a replay are the games velkar-sim reported, field for field."""
    got = [{k: e[k] for k in ("frame", "score", "stage", "place", "name")} |
           {"rank": 0 if e["rank"] == "normal" else 1} for e in answer.get("entries", [])]
    want = [{k: g[k] for k in ("frame", "rank", "score", "stage", "place", "name")}
            for g in replay["games"]]
    return got == want


# --- API, page, bad input (SQLite) -----------------------------------------------------------

def raw_exchange(port, data, timeout=10):
    """Sends raw bytes; returns what the server answered before it closed (b"" if nothing)."""
    s = socket.create_connection(("127.0.0.1", port), timeout=timeout)
    try:
        s.sendall(data)
        out = b""
        while True:
            try:
                chunk = s.recv(65536)
            except (ConnectionResetError, socket.timeout):
                break
            if not chunk:
                break
            out += chunk
            if b"\r\n\r\n" in out and b"Connection: close" not in out and len(out) > 12:
                break
        return out
    finally:
        s.close()


def check_options(board_bin, sim):
    """Each option's value is checked before anything starts: status 2 and one line saying why."""
    cases = [(["--no-such"], "unknown option --no-such"), (["--port"], "--port needs a value"),
             (["--port", "65536"], "--port takes a number from 0 to 65535"),
             (["--workers", "0"], "--workers takes a number from 1 to 256"),
             (["--max-bytes", "1023"], "--max-bytes takes a number from 1024 to 1073741824"),
             (["--queue", "1x"], "--queue takes a number from 1 to 1000000"),
             (["--database", "mysql://db"], "--database takes a postgresql:// URI")]
    for args, said in cases:
        run = subprocess.run([board_bin, "--sim", sim] + args, capture_output=True, text=True,
                             timeout=20)
        first = run.stderr.splitlines()[0] if run.stderr else ""
        check(run.returncode == 2 and first == "velkar-board: " + said,
              f"{args}: status {run.returncode}, said {first!r}")


def test_api(board_bin, sim, folder):
    check_options(board_bin, sim)
    replays = load_replays(folder)
    named = next(r for r in replays if r["games"] and r["games"][0]["name"] and "<" in r["games"][0]["name"])
    plain = next(r for r in replays if not r["games"])
    data_dir = tempfile.mkdtemp(prefix="velkar-board-api-")
    board = Board(board_bin, sim, ["--data", data_dir, "--rate", "0", "--max-bytes", "65536"]).start()
    try:
        status, headers, answer = board.submit(named["bytes"])
        check(status == 202, f"a new file answers 202, not {status}")
        check(answer["id"] == named["id"], "the id is the SHA-256 of the file's canonical form")
        check(headers.get("Location") == f"/api/replays/{named['id']}", "Location names the status")
        # One game, one entry: the same file again, or a copy with a comment, other spacing,
        # Windows line ends or an unfinished last line, is the submission already stored.
        text = named["bytes"].decode()
        variants = {"same": text, "comment": insert_after(text, "score 1 9", "# my best"),
                    "spacing": text.replace("\ncheck ", "\ncheck  ", 1),
                    "crlf": text.replace("\n", "\r\n"), "unfinished": text + "123"}
        for what, variant in variants.items():
            status, _, again = board.submit(variant.encode())
            check(status == 200 and again and again.get("id") == named["id"],
                  f"a {what} copy: {status} {again}")
        status, _, _ = board.submit(plain["bytes"])
        check(status == 202, "a second file is taken")
        # The bytes of a file of the page's form, posted without JavaScript.
        other = next(r for r in replays if r["games"] and r is not named)
        boundary = "----velkarboundary"
        form = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"replay\"; filename=\"a.vrp\"\r\n"
                f"Content-Type: application/octet-stream\r\n\r\n").encode() + other["bytes"] + \
            f"\r\n--{boundary}--\r\n".encode()
        status, headers, page = board.request("POST", "/submit", form,
                                              {"Content-Type": f"multipart/form-data; boundary={boundary}"})
        check(status == 202 and other["id"].encode() in page, f"the form submits a file ({status})")

        answers = wait_settled(board, [named["id"], plain["id"], other["id"]], 60)
        for r in (named, plain, other):
            a = answers.get(r["id"], {})
            check(a.get("status") == "verified", f"{r['file']} is verified: {a}")
            check(same_entries(r, a), f"{r['file']}: entries {a.get('entries')} != {r['games']}")
        check(answers.get(plain["id"], {}).get("entries") == [], "a replay that ends no game gives no entry")

        rank = "normal" if named["games"][0]["rank"] == 0 else "hard"
        status, scores = board.get_json(f"/api/scores?rank={rank}&limit=500")
        check(status == 200, "scores answer 200")
        mine = [e for e in scores["entries"] if e["replay"] == named["id"]]
        check(len(mine) == sum(1 for g in named["games"] if g["rank"] == named["games"][0]["rank"]),
              "the board lists the replay's entries")
        check(all(a["score"] >= b["score"] for a, b in zip(scores["entries"], scores["entries"][1:])),
              "best first")
        status, _, file_bytes = board.request("GET", f"/replays/{named['id']}.vrp")
        check(status == 200 and file_bytes == named["canonical"], "the file comes back in its canonical form")
        status, _, part = board.request("GET", f"/replays/{named['id']}.vrp", headers={"Range": "bytes=0-12"})
        check(status == 206 and part == named["canonical"][:13], f"one range: {status} {part[:20]!r}")
        # Many ranges of a file would be built in memory part by part: refused whole.
        many = "bytes=" + ",".join(["0-"] * 1000)
        status, _, body = board.request("GET", f"/replays/{named['id']}.vrp", headers={"Range": many})
        check(status == 416 and len(body) < 1000, f"1,000 ranges: {status}, {len(body)} bytes")
        status, _ = board.get_json(f"/api/replays/{named['id']}")
        rss = peak_rss_mb(board.proc.pid)
        check(status == 200 and rss < 200, f"the board answers after it, peak RSS {rss:.0f} MB")
        print(f"peak RSS after a 1,000-range request: {rss:.1f} MB", flush=True)

        status, headers, page = board.request("GET", "/")
        text = page.decode()
        csp = headers.get("Content-Security-Policy", "")
        check("default-src 'none'" in csp and "script-src" not in csp, f"a strict CSP: {csp}")
        check("<script" not in text and "<b>x" not in text, "no name reaches the page unescaped")
        escaped = named["games"][0]["name"].replace("&", "&amp;").replace("<", "&lt;") \
            .replace(">", "&gt;").replace('"', "&quot;").replace("'", "&#39;")
        check(f"<bdi>{escaped}</bdi>" in text, f"the name is on the page escaped and isolated: {escaped}")
        check(f"/replays/{named['id']}.vrp" in text, "each entry links its replay")

        # Health, metrics and logs.
        status, _, body = board.request("GET", "/healthz")
        check(status == 200 and body == b"ok\n", f"healthz: {status} {body!r}")
        status, headers, body = board.request("GET", "/metrics")
        metrics = parse_metrics(body.decode())
        check(status == 200 and headers.get("Content-Type", "").startswith("text/plain"), f"metrics: {status}")
        check(metrics.get('velkar_board_submissions_total{outcome="accepted"}') == 3 and
              metrics.get('velkar_board_submissions_total{outcome="known"}') == len(variants),
              f"submissions counted by outcome: {metrics}")
        check(metrics.get('velkar_board_verifications_total{verdict="verified"}') == 3 and
              metrics.get('velkar_board_verification_seconds_count') == 3 and
              metrics.get('velkar_board_verification_seconds_bucket{le="+Inf"}') == 3,
              "verifications counted, each timed")
        check(metrics.get("velkar_board_pending") == 0 and metrics.get("velkar_board_queue_length") == 0,
              "nothing pending or queued")
        check(metrics.get('velkar_board_http_requests_total{status="200"}', 0) >= 10, "answers counted")
        log = board.errors()
        check(re.search(r'\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ 127\.0\.0\.1 "GET /api/scores" 200 \d+ \d+ ms', log),
              "a line per request")
        check(re.search(rf"verdict {named['id']} verified frames=\d+ entries={len(named['games'])} seconds=", log),
              "a line per verdict")

        # Moderation from the command line, while the board runs.
        data_args = ["--data", data_dir]
        run = subprocess.run([board_bin, "hide", named["id"], "--reason", "offensive \x1b name"] + data_args,
                             capture_output=True, text=True, timeout=30)
        check(run.returncode == 0, f"hide: {run.returncode} {run.stderr}")
        status, scores = board.get_json(f"/api/scores?rank={rank}&limit=500")
        check(not [e for e in scores["entries"] if e["replay"] == named["id"]], "a hidden replay leaves the board")
        status, _, page = board.request("GET", "/")
        check(named["id"].encode() not in page, "and the page")
        for path in (f"/replays/{named['id']}.vrp", f"/api/replays/{named['id']}"):
            status, _, _ = board.request("GET", path)
            check(status == 410, f"GET {path} of a hidden replay: {status}")
        run = subprocess.run([board_bin, "hidden"] + data_args, capture_output=True, text=True, timeout=30)
        check(run.returncode == 0 and named["id"] in run.stdout and "offensive" in run.stdout,
              f"hidden lists it: {run.stdout!r}")
        run = subprocess.run([board_bin, "hide", named["id"], "--reason", "again"] + data_args,
                             capture_output=True, text=True, timeout=30)
        check(run.returncode == 1, "hiding a hidden replay changes nothing")
        run = subprocess.run([board_bin, "unhide", named["id"], "--reason", "appeal"] + data_args,
                             capture_output=True, text=True, timeout=30)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:  # the total is counted at most once a second
            status, scores = board.get_json(f"/api/scores?rank={rank}&limit=500")
            if len([e for e in scores["entries"] if e["replay"] == named["id"]]) == len(mine):
                break
            time.sleep(0.2)
        check(run.returncode == 0 and len([e for e in scores["entries"] if e["replay"] == named["id"]]) == len(mine),
              "unhidden, its entries are back")
        with sqlite3.connect(os.path.join(data_dir, "board.sqlite")) as db:
            audit = db.execute("SELECT replay, action, reason, at FROM moderation ORDER BY seq").fetchall()
        check([(a[0], a[1], a[2]) for a in audit] == [(named["id"], "hide", "offensive \x1b name"),
                                                      (named["id"], "unhide", "appeal")] and
              all(abs(a[3] - time.time()) < 600 for a in audit), f"the audit table: {audit}")

        # Bad requests: each 4xx, the server keeps serving.
        for path, want in [("/api/replays/" + "0" * 64, 404), ("/api/replays/../../etc/passwd", 404),
                           ("/replays/abc.vrp", 404), ("/api/scores?rank=easy", 400),
                           ("/api/scores?limit=0", 400), ("/api/scores?offset=-1", 400),
                           ("/api/scores?limit=99999999999999999999", 400)]:
            status, _, _ = board.request("GET", path)
            check(status == want, f"GET {path}: {status}, wanted {want}")
        status, _, body = board.submit(b"")
        check(status == 400, f"an empty body: {status}")
        status, _, body = board.submit(b"x" * 70000)
        check(status == 413, f"a body over the limit: {status}")
        status, _, _ = board.request("POST", "/api/replays", b"a=" + b"b" * 9000,
                                     {"Content-Type": "application/x-www-form-urlencoded"})
        check(status == 413, f"a form-encoded body over its limit: {status}")

        # Hostile files: refused by the reader at once (4xx) or, when sound but false, refused
        # after playing with the player's reason.
        good = plain["bytes"].decode()
        lines = good.split("\n")
        check_line = next(i for i, l in enumerate(lines) if l.startswith("check "))
        forged = lines[:]
        forged[check_line] = re.sub(r"check (\d+) [0-9a-f]{16}", lambda m: f"check {m.group(1)} 0123456789abcdef",
                                    forged[check_line])
        cut = "\n".join(l for l in lines if not l.startswith("end ")).encode()
        hostile = {
            "binary": bytes(range(256)) * 50,
            "nul": b"velkar-replay 1\n\x00\x00\n",
            "long line": b"velkar-replay 1\n" + b"9" * 60000 + b"\n",
            "huge frame": ("\n".join(lines[:lines.index(next(l for l in lines if l.startswith('score 1 9')))+1])
                           + "\n0 100\nend 999999999999999 0000000000000000 0000000000000000\n").encode(),
            "version 9": good.replace("velkar-replay 1", "velkar-replay 9", 1).encode(),
            "name escape": good.replace("\nend ", "\nname 5 \"\\x\"\nend ", 1).encode(),
            "name control byte": good.replace("\nend ", "\nname 5 \"\\x1b[2J\"\nend ", 1).encode(),
            "rules 2": good.replace("\nrules 1\n", "\nrules 2\n", 1).encode(),
        }
        for what, data in hostile.items():
            status, _, body = board.submit(data)
            check(400 <= status < 500 or status == 202, f"hostile '{what}': {status}")
            if status == 202:
                settled = wait_settled(board, [body["id"]], 60)
                check(settled.get(body["id"], {}).get("status") == "refused", f"hostile '{what}' refused")
            else:
                check(isinstance(body.get("error"), str) and body["error"], f"hostile '{what}' says why")
        # Events where no program records them: refused at their frame.
        game = next(r for r in replays if len(r["games"]) == 1 and r["games"][0]["rank"] == 0 and
                    r["games"][0]["frame"] > 1500)
        game_text = game["bytes"].decode()
        mid_rank = insert_after(game_text, "check 900 ", "set-rank 900 1").encode()
        stray_name = insert_after(game_text, "check 300 ", "name 300 \"X\"").encode()
        for what, data, reason in [("forged digest", "\n".join(forged).encode(), "differs"),
                                   ("cut off", cut, "no closing digest"),
                                   ("rank changed in play", mid_rank, "at frame 900: the recording changes the rank"),
                                   ("name outside Name Entry", stray_name, "at frame 300: the recording answers a Name Entry")]:
            status, _, body = board.submit(data)
            check(status == 202, f"'{what}' is a sound file and is taken: {status}")
            a = wait_settled(board, [body["id"]], 60).get(body["id"], {})
            check(a.get("status") == "refused" and reason in a.get("reason", ""),
                  f"'{what}' refused because it {reason}: {a}")
            check(not a.get("entries"), f"'{what}' gives no entry")

        # Malformed and slow requests are answered 4xx or dropped.
        for what, data in [("garbage", b"GARBAGE\r\n\r\n"),
                           ("long URI", b"GET /" + b"a" * 20000 + b" HTTP/1.1\r\nHost: x\r\n\r\n"),
                           ("many headers", b"GET / HTTP/1.1\r\nHost: x\r\n" +
                            b"".join(b"X-%d: y\r\n" % i for i in range(200)) + b"\r\n"),
                           ("bad length", b"POST /api/replays HTTP/1.1\r\nHost: x\r\nContent-Length: -5\r\n\r\n")]:
            answer = raw_exchange(board.port, data)
            m = re.match(rb"HTTP/1\.1 (\d+)", answer)
            check(not answer or (m and 400 <= int(m.group(1)) < 500), f"{what}: {answer[:60]!r}")
        slow = socket.create_connection(("127.0.0.1", board.port))
        slow.sendall(b"POST /api/replays HTTP/1.1\r\nHost: x\r\nContent-Length: 5000\r\n\r\nvelk")
        started = time.monotonic()
        status, _ = board.get_json("/api/scores")
        check(status == 200, "a slow client does not hold the others up")
        slow.settimeout(30)
        try:
            tail = slow.recv(100)
        except (ConnectionResetError, socket.timeout):
            tail = b""
        check(time.monotonic() - started < 30 and (tail == b"" or tail.startswith(b"HTTP/1.1 4")),
              f"a slow client is dropped: {tail!r}")
        slow.close()
        status, _ = board.get_json("/api/scores?rank=hard")
        check(status == 200 and board.proc.poll() is None, "the server still serves")
    finally:
        board.stop()
        shutil.rmtree(data_dir, ignore_errors=True)

    # The per-address rate: a second file at once is answered 429 with Retry-After.
    data_dir = tempfile.mkdtemp(prefix="velkar-board-rate-")
    board = Board(board_bin, sim, ["--data", data_dir, "--rate", "4"]).start()
    try:
        first, _, _ = board.submit(replays[1]["bytes"])
        second, headers, _ = board.submit(replays[2]["bytes"])
        check(first == 202 and second == 429 and int(headers.get("Retry-After", "0")) > 0,
              f"rate: {first}, {second}, {headers.get('Retry-After')}")
    finally:
        board.stop()
        shutil.rmtree(data_dir, ignore_errors=True)


# --- Faults: a player that fails, a full queue, a full disk, one worker --------------------------

def test_faults(board_bin, sim, folder):
    replays = load_replays(folder)
    short = [r for r in replays if not r["games"]]
    work = tempfile.mkdtemp(prefix="velkar-board-faults-")
    # A player that is killed the first time it runs (a host out of memory, an upgrade under
    # way), then plays every file after a delay: the first file must not be refused for it.
    wrapper = os.path.join(work, "sim")
    # (The player may write no file: the wrapper removes one to know it has failed once.)
    with open(wrapper, "w") as f:
        f.write(f"""#!/bin/sh
if rm {work}/fail-once 2>/dev/null; then kill -KILL $$; fi
sleep 2
exec {sim} "$@"
""")
    os.chmod(wrapper, 0o755)
    open(os.path.join(work, "fail-once"), "w").close()
    board = Board(board_bin, wrapper, ["--data", os.path.join(work, "d1"), "--rate", "0",
                                       "--workers", "1", "--queue", "1"]).start()
    try:
        status, _, first = board.submit(short[0]["bytes"])
        check(status == 202, f"the first file is taken: {status}")
        a = wait_settled(board, [short[0]["id"]], 120).get(short[0]["id"], {})
        check(a.get("status") == "verified", f"a player killed once leaves the file to be verified: {a}")
        check("stays pending" in board.errors(), "the failure is logged")
        # A full queue: the worker plays one file, one waits, more are answered 503 with no id.
        answers = [board.submit(r["bytes"]) for r in short[1:5]]
        busy = [(h, b) for st, h, b in answers if st == 503]
        check(busy, f"a full queue answers 503: {[st for st, _, _ in answers]}")
        for headers, body in busy:
            check("id" not in body and "Location" not in headers and body.get("retryAfter", 0) > 0
                  and int(headers.get("Retry-After", "0")) > 0, f"a 503 carries no id: {headers} {body}")
        boundary = "----velkarboundary"
        form = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"replay\"; filename=\"a.vrp\"\r\n"
                f"Content-Type: application/octet-stream\r\n\r\n").encode() + short[6]["bytes"] + \
            f"\r\n--{boundary}--\r\n".encode()
        status, _, page = board.request("POST", "/submit", form,
                                        {"Content-Type": f"multipart/form-data; boundary={boundary}"})
        check(status == 503 and b"Not submitted" in page and b"Try again in 5 s" in page,
              f"the form says the file was not submitted: {status} {page[-300:]!r}")
        taken = [r["id"] for r, (st, _, _) in zip(short[1:5], answers) if st == 202]
        settled = wait_settled(board, taken, 120)
        check(all(a["status"] == "verified" for a in settled.values()), "the files taken are verified")
    finally:
        board.stop()

    # One worker with the sweep on: each of 10 files, sent one after another, is verified at
    # once (the sweep must not take the wake-up meant for the worker).
    board = Board(board_bin, sim, ["--data", os.path.join(work, "d2"), "--rate", "0",
                                   "--workers", "1"]).start()
    try:
        times = []
        for r in short[10:20]:
            started = time.monotonic()
            status, _, _ = board.submit(r["bytes"])
            a = wait_settled(board, [r["id"]], 60).get(r["id"], {})
            times.append(time.monotonic() - started)
            check(status == 202 and a.get("status") == "verified", f"{r['file']}: {status} {a}")
        print("10 sequential submissions verified in " + ", ".join(f"{t:.1f}" for t in times) + " s",
              flush=True)
    finally:
        board.stop()

    # SIGTERM while a verification runs: the player gets its grace time, then is stopped; the
    # process ends within 30 s and the file, still pending, is verified on the next start.
    stuck = os.path.join(work, "stuck-sim")
    with open(stuck, "w") as f:
        f.write("#!/bin/sh\nexec sleep 300\n")
    os.chmod(stuck, 0o755)
    data_dir = os.path.join(work, "d4")
    board = Board(board_bin, stuck, ["--data", data_dir, "--rate", "0", "--workers", "1"]).start()
    try:
        status, _, _ = board.submit(short[20]["bytes"])
        check(status == 202, f"taken: {status}")
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:  # until the worker has taken it
            status, _, body = board.request("GET", "/metrics")
            if parse_metrics(body.decode()).get("velkar_board_queue_length") == 0:
                break
            time.sleep(0.2)
        started = time.monotonic()
        board.proc.terminate()
        try:
            board.proc.wait(timeout=60)
        except subprocess.TimeoutExpired:
            board.kill()
        took = time.monotonic() - started
        log = board.errors()
        check(took < 30 and board.proc.returncode == 0, f"stopped in {took:.1f} s, status {board.proc.returncode}")
        check("stopping: 1 verification(s) under way" in log and "verdict " + short[20]["id"] + " none" in log
              and "velkar-board: stopped" in log, f"the stop is logged: {log[-600:]}")
        print(f"SIGTERM during a verification: the process ended in {took:.1f} s", flush=True)
    finally:
        board.stop()
    board = Board(board_bin, sim, ["--data", data_dir, "--rate", "0", "--workers", "1"]).start()
    try:
        a = wait_settled(board, [short[20]["id"]], 60).get(short[20]["id"], {})
        check(a.get("status") == "verified", f"verified after the restart: {a}")
    finally:
        board.stop()

    # A full disk (a file size limit stands in for it): 503 with Retry-After, no temporary file
    # left, and the board still serves.
    big = os.path.join(work, "big.vrp")
    subprocess.run([sim, "--frames", "120000", "--record", big], check=True, capture_output=True)
    data_dir = os.path.join(work, "d3")
    board = Board(board_bin, sim, ["--data", data_dir, "--rate", "0"])
    board.cmd = ["bash", "-c", "trap '' XFSZ; ulimit -f 128; exec \"$@\"", "bash"] + board.cmd
    board.start()
    try:
        with open(big, "rb") as f:
            status, headers, body = board.submit(f.read())
        check(status == 503 and "id" not in body and int(headers.get("Retry-After", "0")) > 0,
              f"a full disk: {status} {body}")
        left = [n for n in os.listdir(os.path.join(data_dir, "replays")) if n.endswith(".part")]
        check(not left, f"no temporary file is left: {left}")
        status, _ = board.get_json("/api/scores")
        check(status == 200, "the board still serves")
    finally:
        board.stop()
        shutil.rmtree(work, ignore_errors=True)


# --- Load: 16 clients, a SIGKILL in the middle -----------------------------------------------

def submit_all(boards, replays, clients, on_ack, deadline_s):
    """Submits every replay from `clients` threads, each to boards[k % len]; a refused or lost
    connection (a killed server) is tried again. Returns (acked ids, server errors)."""
    work = list(range(len(replays)))
    lock = threading.Lock()
    acked = {}
    errors = []
    deadline = time.monotonic() + deadline_s

    def client(k):
        while time.monotonic() < deadline:
            with lock:
                if not work:
                    return
                i = work.pop()
            r = replays[i]
            while time.monotonic() < deadline:
                board = boards[(k + i) % len(boards)]
                try:
                    status, headers, body = board.submit(r["bytes"])
                except (ConnectionError, OSError, http.client.HTTPException):
                    time.sleep(0.2)
                    continue
                if status in (200, 202):
                    with lock:
                        acked[r["id"]] = status
                    on_ack(r["id"])
                    break
                if status in (429, 503):
                    time.sleep(min(1.0, float(headers.get("Retry-After", "1")) / 5))
                    continue
                with lock:
                    errors.append(f"{r['file']}: {status} {body}")
                break

    threads = [threading.Thread(target=client, args=(k,)) for k in range(clients)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return acked, errors


def check_everything(board, replays, acked, deadline_s):
    answers = wait_settled(board, list(acked), deadline_s)
    wrong = [r["file"] for r in replays if r["id"] in answers and
             (answers[r["id"]]["status"] != "verified" or not same_entries(r, answers[r["id"]]))]
    check(not wrong, f"{len(wrong)} replays with other entries than velkar-sim's: {wrong[:5]}")
    for rank, number in (("normal", 0), ("hard", 1)):
        want = sum(1 for r in replays for g in r["games"] if g["rank"] == number)
        # The total is counted at most once a second: poll for it.
        deadline = time.monotonic() + 10
        while True:
            status, scores = board.get_json(f"/api/scores?rank={rank}&limit=1")
            if (status == 200 and scores["total"] == want) or time.monotonic() > deadline:
                break
            time.sleep(0.2)
        check(status == 200 and scores["total"] == want, f"{rank}: {scores and scores['total']} entries, wanted {want}")


def test_load(board_bin, sim, folder):
    replays = load_replays(folder)
    check(len({r["id"] for r in replays}) == len(replays) >= 1000, "at least 1000 distinct replays")
    data_dir = tempfile.mkdtemp(prefix="velkar-board-load-")
    board = Board(board_bin, sim, ["--data", data_dir, "--rate", "0", "--queue", "64"]).start()
    lock = threading.Lock()
    seen = set()
    acked_at_kill = set()
    killed = threading.Event()

    def on_ack(rid):
        # Once 40 % are acknowledged: kill -9, then start again on the same port and folder.
        # Clients meanwhile see refused connections and try again.
        with lock:
            seen.add(rid)
            if killed.is_set() or len(seen) < len(replays) * 4 // 10:
                return
            killed.set()
            acked_at_kill.update(seen)
            board.kill()
            print(f"killed the board after {len(seen)} acknowledged submissions", flush=True)
            for _ in range(100):
                try:
                    board.start()
                    return
                except RuntimeError:
                    time.sleep(0.1)

    started = time.monotonic()
    try:
        acked, errors = submit_all([board], replays, 16, on_ack, 900)
        submitted = time.monotonic() - started
        check(killed.is_set(), "the board was killed in the middle")
        check(not errors, f"{len(errors)} submissions answered otherwise than 2xx/429/503: {errors[:5]}")
        check(len(acked) == len(replays), f"{len(acked)} of {len(replays)} acknowledged")
        lost = [i for i in acked_at_kill if board.get_json(f"/api/replays/{i}")[0] != 200]
        check(not lost, f"{len(lost)} submissions acknowledged before the kill are gone")
        check_everything(board, replays, acked, 900)
        total = time.monotonic() - started
        print(f"load: {len(replays)} replays from 16 clients, {len(acked_at_kill)} acknowledged "
              f"before the kill; all submitted in {submitted:.1f} s, all verified in {total:.1f} s "
              f"({len(replays) / total:.1f} submissions/s end to end)", flush=True)
    finally:
        board.stop()
        if FAILURES:
            print(board.errors()[-3000:])
        shutil.rmtree(data_dir, ignore_errors=True)


# --- Two boards on one PostgreSQL database ---------------------------------------------------

def test_shared(board_bin, sim, folder, uri, count):
    """Two boards and a worker without HTTP on one database: each file is claimed and played by
    one of them, and both boards serve every entry and file."""
    replays = load_replays(folder)[:count]
    common = ["--database", uri, "--rate", "0", "--workers", "1", "--sweep", "1"]
    a = Board(board_bin, sim, common).start()
    b = Board(board_bin, sim, common).start()
    w = Board(board_bin, sim, common + ["--no-http"]).start()
    try:
        started = time.monotonic()
        acked, errors = submit_all([a, b], replays, 16, lambda n: None, 600)
        check(not errors, f"errors: {errors[:5]}")
        check(len(acked) == len(replays), f"{len(acked)} of {len(replays)} acknowledged")
        for board in (a, b):
            check_everything(board, replays, acked, 600)
            for r in replays[:: max(1, len(replays) // 20)]:
                status, _, data = board.request("GET", f"/replays/{r['id']}.vrp")
                check(status == 200 and data == r["canonical"], f"both boards serve {r['file']}")
        print(f"two boards and a worker: {len(replays)} files submitted and verified in "
              f"{time.monotonic() - started:.1f} s", flush=True)
        status, _, again = b.submit(replays[0]["bytes"])
        check(status == 200 and again["status"] == "verified", "the other board knows the file")
        # Every file played exactly once, among the three processes.
        played = {}
        for name, process in (("a", a), ("b", b), ("worker", w)):
            for rid in re.findall(r"verdict ([0-9a-f]{64}) \w+ ", process.errors()):
                played.setdefault(rid, []).append(name)
        twice = {rid: who for rid, who in played.items() if len(who) > 1}
        check(not twice and len(played) == len(replays), f"{len(played)} files played, "
              f"{len(twice)} more than once: {list(twice.items())[:3]}")
        by = {name: sum(1 for who in played.values() if who == [name]) for name in ("a", "b", "worker")}
        print(f"files played by each: {by}", flush=True)
        check(by["worker"] > 0, "the worker took its share")
    finally:
        for process in (a, b, w):
            process.stop()
        if FAILURES:
            print(a.errors()[-2000:], b.errors()[-2000:], w.errors()[-2000:])


def main():
    what = sys.argv[1]
    if what == "generate":
        generate(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    elif what == "api":
        test_api(*sys.argv[2:5])
        test_faults(*sys.argv[2:5])
    elif what == "load":
        test_load(*sys.argv[2:5])
    elif what == "shared":
        test_shared(*sys.argv[2:6], int(sys.argv[6]) if len(sys.argv) > 6 else 200)
    else:
        sys.exit(__doc__)
    finish()


if __name__ == "__main__":
    main()
