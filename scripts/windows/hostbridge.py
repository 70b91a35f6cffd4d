#!/usr/bin/env python3
"""Runs host programs for test programs under Wine, which cannot start Linux programs.

  hostbridge.py start DIR   serves on a loopback port in the background; DIR/bridge holds
                            "PORT TOKEN" for the tests (SOLVANE_HOST_BRIDGE names that file)
  hostbridge.py stop DIR    stops it

A request is one JSON line {"token", "program", "args"}; the answer one JSON line
{"exit", "stdout", "stderr"} (base64), exit -1 when the program could not run. Only the
read-back tools and the test server's script may be run. Arguments that are Windows paths
(C:\\..., Z:/...) are turned into the host paths Wine keeps them at.
"""
import base64
import json
import os
import secrets
import signal
import socketserver
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PROGRAMS = {
    "python3": ["/usr/bin/python3"],
    "pdftotext": ["pdftotext"],
    "pgtest": ["bash", os.path.join(ROOT, "scripts", "pgtest.sh")],
}
TIMEOUT_S = 120


def wine_prefix():
    return os.environ.get("WINEPREFIX") or os.path.join(os.path.expanduser("~"), ".wine")


def host_path(arg):
    if len(arg) < 3 or not arg[0].isalpha() or arg[1] != ":" or arg[2] not in "\\/":
        return arg
    drive = os.path.join(wine_prefix(), "dosdevices", arg[0].lower() + ":")
    if not os.path.exists(drive):
        return arg
    return os.path.join(os.path.realpath(drive), arg[3:].replace("\\", "/"))


def answer(code, out=b"", err=b""):
    return json.dumps({"exit": code, "stdout": base64.b64encode(out).decode(),
                       "stderr": base64.b64encode(err).decode()}).encode() + b"\n"


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        try:
            request = json.loads(self.rfile.readline(1 << 20))
        except ValueError:
            return
        if not secrets.compare_digest(str(request.get("token", "")), self.server.token):
            return
        command = PROGRAMS.get(request.get("program"))
        if command is None:
            self.wfile.write(answer(-1, err=b"not a program the bridge runs"))
            return
        args = [host_path(str(a)) for a in request.get("args", [])]
        try:
            done = subprocess.run(command + args, capture_output=True, timeout=TIMEOUT_S)
            self.wfile.write(answer(done.returncode, done.stdout, done.stderr))
        except (OSError, subprocess.TimeoutExpired) as e:
            self.wfile.write(answer(-1, err=str(e).encode()))


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def start(folder):
    stop(folder)
    os.makedirs(folder, exist_ok=True)
    server = Server(("127.0.0.1", 0), Handler)
    server.token = secrets.token_hex(16)
    if os.fork():
        os._exit(0)  # the caller (ctest) goes on; the child serves
    os.setsid()
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(os.getpid()))
    tmp = os.path.join(folder, "bridge.tmp")
    with open(tmp, "w") as f:
        f.write(f"{server.server_address[1]} {server.token}\n")
    os.replace(tmp, os.path.join(folder, "bridge"))
    devnull = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(devnull, fd)
    server.serve_forever()


def stop(folder):
    try:
        with open(os.path.join(folder, "pid")) as f:
            os.kill(int(f.read()), signal.SIGTERM)
    except (OSError, ValueError):
        pass
    for name in ("pid", "bridge"):
        try:
            os.remove(os.path.join(folder, name))
        except OSError:
            pass


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        raise SystemExit(__doc__)
    (start if sys.argv[1] == "start" else stop)(os.path.abspath(sys.argv[2]))
