#!/usr/bin/env python3
"""Runs a test command next to TLS servers of its own on loopback.

Usage: tls_peer.py WORK_DIR -- COMMAND...

Makes a test CA and server certificates with the openssl command in WORK_DIR (trusted, a wrong
name, expired, self-signed), listens on 127.0.0.1 and ::1 on ports the system picks, and runs
COMMAND with QUORVEL_TLS_PEER="dir=WORK_DIR;NAME=PORT;...". The servers stop when the command
ends, and the command is stopped if it runs longer than the limit. Exits with the command's code.

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
import socket
import ssl
import struct
import subprocess
import time
import sys
import threading
import warnings

LIMIT_S = 240
IO_TIMEOUT_S = 5
LOOPBACK = "DNS:localhost,IP:127.0.0.1,IP:::1"
CA_CONFIG = """[ca]
default_ca = test_ca
[test_ca]
database = index.txt
new_certs_dir = .
certificate = ca.pem
private_key = ca.key
serial = serial
default_md = sha256
default_days = 30
policy = any_name
unique_subject = no
[any_name]
commonName = supplied
"""
KEY = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]


def run(work, *args):
    with open(os.path.join(work, "openssl.log"), "ab") as log:
        subprocess.run(["openssl", *args], cwd=work, stdout=log, stderr=log, check=True, timeout=60)


def issue(work, name, alt_names, dates=()):
    with open(os.path.join(work, name + ".ext"), "w") as ext:
        ext.write(f"subjectAltName={alt_names}\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n")
    run(work, "req", "-new", *KEY, "-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=" + name)
    run(work, "ca", "-batch", "-config", "ca.cnf", "-notext", "-in", name + ".csr", "-out", name + ".pem",
        "-extfile", name + ".ext", *dates)


def make_certificates(work):
    os.makedirs(work, exist_ok=True)
    for old in os.listdir(work):
        os.remove(os.path.join(work, old))
    with open(os.path.join(work, "ca.cnf"), "w") as f:
        f.write(CA_CONFIG)
    open(os.path.join(work, "index.txt"), "w").close()
    with open(os.path.join(work, "serial"), "w") as f:
        f.write("1000\n")
    run(work, "req", "-x509", *KEY, "-keyout", "ca.key", "-out", "ca.pem", "-days", "30",
        "-subj", "/CN=Quorvel Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    run(work, "x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der")
    issue(work, "trusted", LOOPBACK)
    issue(work, "othername", "DNS:other.example,IP:192.0.2.1")
    issue(work, "expired", LOOPBACK, ("-startdate", "20200101000000Z", "-enddate", "20210101000000Z"))
    run(work, "req", "-x509", *KEY, "-keyout", "selfsigned.key", "-out", "selfsigned.pem", "-days", "30",
        "-subj", "/CN=localhost", "-addext", "subjectAltName=" + LOOPBACK)


class Peer:
    def __init__(self, work):
        self.work = work
        self.stop = threading.Event()
        self.lock = threading.Lock()
        self.server_names = {}  # id of the TLS socket -> the name the client asked for
        self.notify_results = {}  # token -> "clean" / "unclean"
        self.listeners = []
        self.threads = []

    def context(self, cert, max_version=None):
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(os.path.join(self.work, cert + ".pem"), os.path.join(self.work, cert + ".key"))
        if max_version is not None:
            with warnings.catch_warnings():  # the old versions are wanted here, to be refused
                warnings.simplefilter("ignore", DeprecationWarning)
                if max_version < ssl.TLSVersion.TLSv1_2:
                    ctx.set_ciphers("DEFAULT:@SECLEVEL=0")  # old protocols are refused at the default level
                    ctx.minimum_version = ssl.TLSVersion.TLSv1
                ctx.maximum_version = max_version
        ctx.sni_callback = self.remember_server_name
        return ctx

    def remember_server_name(self, tls, name, _ctx):
        with self.lock:
            self.server_names[id(tls)] = name
        return None

    def listen(self, family, ctx):
        sock = socket.socket(family, socket.SOCK_STREAM)
        sock.bind(("::1" if family == socket.AF_INET6 else "127.0.0.1", 0))
        sock.listen(16)
        sock.settimeout(0.2)
        self.listeners.append(sock)
        thread = threading.Thread(target=self.accept_loop, args=(sock, ctx), daemon=True)
        thread.start()
        self.threads.append(thread)
        return sock.getsockname()[1]

    def accept_loop(self, sock, ctx):
        while not self.stop.is_set():
            try:
                conn, _ = sock.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            threading.Thread(target=self.serve, args=(conn, ctx), daemon=True).start()
        sock.close()

    def serve(self, conn, ctx):
        conn.settimeout(IO_TIMEOUT_S)
        try:
            tls = ctx.wrap_socket(conn, server_side=True)
        except (ssl.SSLError, OSError):
            conn.close()  # a refused certificate or protocol: the client gives up
            return
        with self.lock:
            name = self.server_names.pop(id(tls), None) or ""
        try:
            self.answer(tls, name)
        except (ssl.SSLError, OSError):
            pass
        finally:
            tls.close()

    def answer(self, tls, name):
        line = b""
        while not line.endswith(b"\n") and len(line) < 4096:
            piece = tls.recv(1)
            if not piece:
                return
            line += piece
        command, _, argument = line.decode("ascii", "replace").rstrip("\n").partition(" ")
        if command == "echo":
            tls.sendall(f"sni={name};version={tls.version()};{argument}\n".encode())
            tls.unwrap()
        elif command == "pipe":
            left = int(argument)
            while left > 0:
                data = tls.recv(min(left, 65536))
                if not data:
                    return
                tls.sendall(data)
                left -= len(data)
            tls.unwrap()
        elif command == "partial":
            tls.sendall(b"partial")
        elif command == "close":
            tls.unwrap()
        elif command == "reset":
            tls.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        elif command == "notify":
            tls.sendall(b"ready\n")
            outcome = "unclean"
            try:
                tls.unwrap()  # returns once the client's close_notify has come
                outcome = "clean"
            finally:
                with self.lock:
                    self.notify_results[argument] = outcome
        elif command == "result":
            with self.lock:
                outcome = self.notify_results.get(argument, "unknown")
            tls.sendall(f"{outcome}\n".encode())
            tls.unwrap()


def start_renegotiating_server(work, peer):
    """The port of an s_server that renegotiates in the middle of its answer, or None."""
    server = subprocess.Popen(
        ["stdbuf", "-oL", "openssl", "s_server", "-accept", "127.0.0.1:0", "-naccept", "1", "-tls1_2",
         "-cert", "trusted.pem", "-key", "trusted.key"],
        cwd=work, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, bufsize=1)
    port = None
    for line in server.stdout:
        if line.startswith("ACCEPT "):
            port = int(line.rsplit(":", 1)[1])
            break
    if port is None:
        server.kill()
        server.wait()
        return None

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

    def stop():
        peer.stop.wait()
        server.kill()  # it ends by itself once its one connection closes; this is for the rest
        server.wait()

    for target in (drive, stop):
        thread = threading.Thread(target=target, daemon=True)
        thread.start()
        peer.threads.append(thread)
    return port


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        print(__doc__, file=sys.stderr)
        return 2
    work = os.path.abspath(sys.argv[1])
    command = sys.argv[3:]
    try:
        make_certificates(work)
    except (OSError, subprocess.SubprocessError) as e:
        print(f"tls_peer: making the certificates failed ({e}), see {work}/openssl.log", file=sys.stderr)
        return 1
    peer = Peer(work)
    ports = {
        "trusted": peer.listen(socket.AF_INET, peer.context("trusted")),
        "trusted6": peer.listen(socket.AF_INET6, peer.context("trusted")),
        "othername": peer.listen(socket.AF_INET, peer.context("othername")),
        "expired": peer.listen(socket.AF_INET, peer.context("expired")),
        "selfsigned": peer.listen(socket.AF_INET, peer.context("selfsigned")),
        "tls12": peer.listen(socket.AF_INET, peer.context("trusted", ssl.TLSVersion.TLSv1_2)),
        "tls11": peer.listen(socket.AF_INET, peer.context("trusted", ssl.TLSVersion.TLSv1_1)),
    }
    renegotiating = start_renegotiating_server(work, peer)
    if renegotiating is not None:
        ports["renegotiate"] = renegotiating
    env = dict(os.environ)
    env["QUORVEL_TLS_PEER"] = ";".join([f"dir={work}"] + [f"{k}={v}" for k, v in ports.items()])
    child = subprocess.Popen(command, env=env)
    try:
        code = child.wait(timeout=LIMIT_S)
    except subprocess.TimeoutExpired:
        child.kill()
        child.wait()
        print(f"tls_peer: the command ran longer than {LIMIT_S} s and was stopped", file=sys.stderr)
        code = 1
    peer.stop.set()
    for thread in peer.threads:
        thread.join(timeout=2)
    return code


if __name__ == "__main__":
    sys.exit(main())
