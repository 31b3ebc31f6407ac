#!/usr/bin/env python3
"""Runs a test command next to TLS servers of its own on loopback.

Usage: tls_peer.py WORK_DIR -- COMMAND...

Makes the test CA and server certificates of tests/http/scripted_server.py in WORK_DIR, listens on
127.0.0.1 and ::1 on ports the system picks, and runs COMMAND with
QUORVEL_TLS_PEER="dir=WORK_DIR;NAME=PORT;..." (without the openssl command, without it); the
servers stop when the command ends, and the command is stopped past the time limit. Exits with
the command's code.

After the handshake a client sends one line:
  echo TEXT      answers "sni=NAME;version=VERSION;TEXT\\n", then close_notify
  pipe N         sends back the next N bytes as they come, then close_notify
  partial        sends "partial" and closes the socket without close_notify
  close          sends close_notify at once
  reset          resets the connection
  notify TOKEN   answers "ready\\n", then waits for the client's close_notify
  result TOKEN   answers "clean\\n" if the client of that notify sent close_notify, else "unclean\\n"

The "renegotiate" listener is an openssl s_server for one TLS 1.2 connection: once the handshake
is done it sends "before\\n", asks the client for a new handshake, then sends "after\\n".
"""
import os
import shutil
import socket
import ssl
import struct
import subprocess
import sys
import threading
import time
import warnings

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "http"))
import scripted_server as shared  # noqa: E402

LIMIT_S = 240
lock = threading.Lock()
notify_results = {}  # token -> "clean" / "unclean"


def remember_server_name(tls, name, _ctx):
    tls.asked_name = name  # the socket being wrapped


def context(work, cert, max_version=None):
    ctx = shared.tls_context(work, cert)
    if max_version is not None:
        with warnings.catch_warnings():  # the old versions are wanted here, to be refused
            warnings.simplefilter("ignore", DeprecationWarning)
            if max_version < ssl.TLSVersion.TLSv1_2:
                ctx.set_ciphers("DEFAULT:@SECLEVEL=0")  # old protocols are refused at the default level
                ctx.minimum_version = ssl.TLSVersion.TLSv1
            ctx.maximum_version = max_version
    ctx.sni_callback = remember_server_name
    return ctx


def serve(conn, ctx):
    conn.settimeout(5)
    try:
        with ctx.wrap_socket(conn, server_side=True) as tls:  # a refused certificate or protocol ends here
            answer(tls, getattr(tls, "asked_name", None) or "")
    except (ssl.SSLError, OSError):
        conn.close()


def answer(tls, name):
    line = b""
    while not line.endswith(b"\n") and len(line) < 4096:
        piece = tls.recv(1)
        if not piece:
            return
        line += piece
    command, _, argument = line.decode("ascii", "replace").rstrip("\n").partition(" ")
    if command == "echo":
        tls.sendall(f"sni={name};version={tls.version()};{argument}\n".encode())
    elif command == "pipe":
        left = int(argument)
        while left > 0:
            data = tls.recv(min(left, 65536))
            if not data:
                return
            tls.sendall(data)
            left -= len(data)
    elif command == "partial":
        return tls.sendall(b"partial")
    elif command == "reset":
        return tls.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    elif command == "notify":
        tls.sendall(b"ready\n")
        outcome = "unclean"
        try:
            tls.unwrap()  # returns once the client's close_notify has come
            outcome = "clean"
        finally:
            with lock:
                notify_results[argument] = outcome
        return
    elif command == "result":
        with lock:
            tls.sendall(f"{notify_results.get(argument, 'unknown')}\n".encode())
    tls.unwrap()


def start_renegotiating_server(work):
    """An s_server that renegotiates in the middle of its answer, with its port, or (None, None)."""
    try:
        server = subprocess.Popen(
            ["stdbuf", "-oL", "openssl", "s_server", "-accept", "127.0.0.1:0", "-naccept", "1", "-tls1_2",
             "-cert", "good.pem", "-key", "good.key"],
            cwd=work, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, bufsize=1)
    except OSError:
        return None, None
    port = next((int(line.rsplit(":", 1)[1]) for line in server.stdout if line.startswith("ACCEPT ")), None)

    def drive():
        try:
            for line in server.stdout:
                if "CIPHER is" in line:  # the handshake is done
                    for text, pause in (("before\n", 0.3), ("r\n", 0.5), ("after\n", 0)):
                        server.stdin.write(text)
                        server.stdin.flush()
                        time.sleep(pause)
                    break
        except OSError:
            pass

    if port is not None:
        threading.Thread(target=drive, daemon=True).start()
    return server, port


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        print(__doc__, file=sys.stderr)
        return 2
    work, command = os.path.abspath(sys.argv[1]), sys.argv[3:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    if not shared.try_certificates(work, "tls_peer"):  # the command runs without a peer: its TLS tests skip
        return shared.run_command(command, dict(os.environ), LIMIT_S, "tls_peer")
    stop = threading.Event()
    v4, v6, tls12, tls11 = socket.AF_INET, socket.AF_INET6, ssl.TLSVersion.TLSv1_2, ssl.TLSVersion.TLSv1_1
    listeners = {"trusted": (v4, "good", None), "trusted6": (v6, "good", None), "othername": (v4, "wronghost", None),
                 "expired": (v4, "expired", None), "selfsigned": (v4, "selfsigned", None),
                 "tls12": (v4, "good", tls12), "tls11": (v4, "good", tls11)}
    ports = {}
    for name, (family, cert, version) in listeners.items():
        ctx = context(work, cert, version)
        ports[name] = shared.serve_in_background(lambda s, c=ctx: serve(s, c), stop, family)
    renegotiating, ports["renegotiate"] = start_renegotiating_server(work)
    listed = ";".join([f"dir={work}"] + [f"{k}={v}" for k, v in ports.items() if v is not None])
    try:
        return shared.run_command(command, dict(os.environ, QUORVEL_TLS_PEER=listed), LIMIT_S, "tls_peer")
    finally:
        stop.set()
        if renegotiating is not None:
            renegotiating.kill()  # it ends by itself once its one connection closes; this is for the rest
            renegotiating.wait()


if __name__ == "__main__":
    sys.exit(main())
