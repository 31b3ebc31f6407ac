#!/usr/bin/env python3
"""Scripted HTTP and HTTPS server for the HTTP client tests, on loopback only.

  scripted_server.py -- COMMAND...

Serves CASES by request path on 127.0.0.1 at ports chosen at run time and runs COMMAND, within a
time limit, with the ports in its environment (QUORVEL_HTTP_TEST_PORT and friends); exits with its
status. With openssl it serves TLS from a test CA of its own too: one port answers plain and TLS,
one port each has a certificate of another host, a self-signed and an expired one. The other
loopback servers of the tests share its certificate, listener and command helpers.
"""
import gzip
import io
import itertools
import os
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

LIMIT_S = 600
SOCKET_TIMEOUT_S = 15
MAX_REQUEST_HEADER = 65536
LOOPBACK_NAMES = "DNS:localhost,IP:127.0.0.1,IP:::1"
KEY = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
CA_CONFIG = ("[ca]\ndefault_ca = test_ca\n[test_ca]\ndatabase = index.txt\nnew_certs_dir = .\ncertificate = ca.pem\n"
             "private_key = ca.key\nserial = serial\ndefault_md = sha256\ndefault_days = 30\npolicy = any_name\n"
             "unique_subject = no\n[any_name]\ncommonName = supplied\n")


def openssl(cert_dir, *args):
    subprocess.run(["openssl", *args], cwd=cert_dir, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)


def make_certificates(cert_dir):
    """In cert_dir: a test CA (ca.pem) and the server certificates good (for the loopback names),
    wronghost (for other names only), expired and selfsigned, each NAME.pem with its NAME.key."""
    for name, text in (("ca.cnf", CA_CONFIG), ("index.txt", ""), ("serial", "1000\n")):
        with open(os.path.join(cert_dir, name), "w") as f:
            f.write(text)
    openssl(cert_dir, "req", "-x509", *KEY, "-keyout", "ca.key", "-out", "ca.pem", "-days", "30",
            "-subj", "/CN=Quorvel Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    for name, alt_names, dates in (("good", LOOPBACK_NAMES, []),
                                   ("wronghost", "DNS:wrong.example,IP:192.0.2.1", []),
                                   ("expired", LOOPBACK_NAMES, ["-startdate", "20200101000000Z", "-enddate", "20210101000000Z"])):
        with open(os.path.join(cert_dir, name + ".ext"), "w") as f:
            f.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n" % alt_names)
        openssl(cert_dir, "req", "-new", *KEY, "-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=" + name)
        openssl(cert_dir, "ca", "-batch", "-config", "ca.cnf", "-notext", "-in", name + ".csr", "-out",
                name + ".pem", "-extfile", name + ".ext", *dates)
    openssl(cert_dir, "req", "-x509", *KEY, "-keyout", "selfsigned.key", "-out", "selfsigned.pem", "-days", "30",
            "-subj", "/CN=localhost", "-addext", "subjectAltName=" + LOOPBACK_NAMES)


def try_certificates(cert_dir, who):
    """make_certificates, or False with the reason told when the openssl command cannot."""
    try:
        if shutil.which("openssl") is None:
            raise OSError("no openssl command")
        make_certificates(cert_dir)
        return True
    except (OSError, subprocess.SubprocessError) as e:
        print("%s: no TLS servers (%s)" % (who, e), file=sys.stderr)
        return False


def tls_context(cert_dir, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(cert_dir, name + ".pem"), os.path.join(cert_dir, name + ".key"))
    return context


def serve_in_background(handle, stop, family=socket.AF_INET):
    """Listens on the loopback address of the family at a port the system picks, and hands each
    connection to handle(sock) on a thread of its own until stop is set; the port."""
    listener = socket.socket(family, socket.SOCK_STREAM)
    listener.bind(("::1" if family == socket.AF_INET6 else "127.0.0.1", 0))
    listener.listen(64)
    listener.settimeout(0.5)

    def accept_loop():
        while not stop.is_set():
            try:
                sock, _ = listener.accept()
            except socket.timeout:
                continue
            except OSError:
                break
            threading.Thread(target=handle, args=(sock,), daemon=True).start()
        listener.close()
    threading.Thread(target=accept_loop, daemon=True).start()
    return str(listener.getsockname()[1])


def run_command(command, env, limit, who):
    """COMMAND's exit status; past the limit (or on SIGTERM, as ctest stops a test) it is stopped."""
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    child = subprocess.Popen(command, env=env)
    try:
        return child.wait(timeout=limit)
    except subprocess.TimeoutExpired:
        print("%s: the command ran past %g s and was stopped" % (who, limit), file=sys.stderr)
        return 1
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()


def command_after_dashes(usage):
    if sys.argv[1:2] != ["--"] or len(sys.argv) < 3:
        print(usage, file=sys.stderr)
        sys.exit(2)
    return sys.argv[2:]


class Connection:
    """One accepted socket (plain or TLS) with its read-ahead bytes and its marks."""
    ids = itertools.count(1)

    def __init__(self, sock, tls):
        self.sock, self.tls, self.id = sock, tls, next(Connection.ids)
        self.requests, self.pending, self.drop_next = 0, b"", False

    def read_request(self):
        while b"\r\n\r\n" not in self.pending:
            data = self.sock.recv(65536)
            if not data or len(self.pending) > MAX_REQUEST_HEADER:
                return None
            self.pending += data
        end = self.pending.index(b"\r\n\r\n") + 4
        request, self.pending = self.pending[:end], self.pending[end:]
        self.requests += 1
        return request

    def send(self, data):
        self.sock.sendall(data)


def response(status, body=b"", fields=()):
    head = "HTTP/1.1 %s\r\n" % status + "".join("%s: %s\r\n" % field for field in fields)
    return (head + "Content-Length: %d\r\n\r\n" % len(body)).encode("latin-1") + body


def gzipped(data, name=None):
    buf = io.BytesIO()
    with gzip.GzipFile(filename=name or "", fileobj=buf, mode="wb", mtime=0) as f:
        f.write(data)
    return buf.getvalue()


# Every case answers (conn, path, query, request) and returns False to close the connection.
def case_conn(conn, path, query, request):
    body = ("tls=%d conn=%d req=%d path=%s" % (conn.tls, conn.id, conn.requests, path)).encode()
    conn.send(response("200 OK", body, [("Content-Type", "text/plain")]))
    return True


def fixed(status, body, fields, keep=True):
    """A case that always sends the same response; keep False closes the connection after it."""
    def case(conn, path, query, request):
        conn.send(response(status, body, fields))
        return keep
    return case


def case_lost(conn, path, query, request):
    # Answers, keeps the socket open, and drops it without a word at the next request.
    conn.drop_next = True
    return case_conn(conn, path, query, request)


def case_redirect(conn, path, query, request):
    target = query.get("to", ["/conn"])[0]
    conn.send(response("%s Moved" % path.rsplit("/", 1)[-1], b"moving", [("Location", target)]))
    return True


def case_silent(conn, path, query, request):
    # Reads the request and never answers; the client's read timeout ends it.
    try:
        conn.sock.recv(1)
    except OSError:
        pass
    return False


def case_drip(conn, path, query, request):
    # Ten bytes over 1.5 s, each well within the client's read timeout.
    conn.send(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 10\r\n\r\n")
    for i in range(10):
        conn.send(b"%d" % i)
        time.sleep(0.15)
    return True


CASES = [("/conn", case_conn), ("/lost", case_lost), ("/redirect/", case_redirect), ("/silent", case_silent),
         ("/drip", case_drip),
         ("/close", fixed("200 OK", b"closing", [("Content-Type", "text/plain"), ("Connection", "close")], False)),
         ("/not-found", fixed("404 Not Found", b"<html><body>No such feed</body></html>", [("Content-Type", "text/html")])),
         ("/latin1", fixed("200 OK", "<a>caf\u00e9 \u00fc</a>".encode("latin-1"),
                           [("Content-Type", "text/xml; charset=ISO-8859-1")]))]


def answer(conn, request):
    parts = request.split(b"\r\n", 1)[0].decode("latin-1").split(" ")
    url = urllib.parse.urlsplit(parts[1] if len(parts) >= 3 else "/")
    query = urllib.parse.parse_qs(url.query)
    for prefix, handler in CASES:
        if url.path == prefix or (prefix.endswith("/") and url.path.startswith(prefix)):
            return handler(conn, url.path, query, request)
    return fixed("404 Not Found", b"unknown case", [("Content-Type", "text/plain")])(conn, url.path, query, request)


def handle(sock, tls_context, sniff):
    """Plain, TLS, or (sniff) whichever the first byte announces: 0x16 opens a TLS handshake."""
    try:
        sock.settimeout(SOCKET_TIMEOUT_S)
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        use_tls = tls_context is not None and (not sniff or sock.recv(1, socket.MSG_PEEK) == b"\x16")
        if use_tls:
            sock = tls_context.wrap_socket(sock, server_side=True)
        conn = Connection(sock, use_tls)
        while True:
            request = conn.read_request()
            if request is None or conn.drop_next or not answer(conn, request):
                return
    except (OSError, ssl.SSLError):
        pass
    finally:
        sock.close()


def main():
    command = command_after_dashes(__doc__)
    stop = threading.Event()
    cert_dir = tempfile.mkdtemp(prefix="quorvel-http-certs-")
    try:
        env = dict(os.environ)
        servers = [("QUORVEL_HTTP_TEST_PORT", None, False)]
        if try_certificates(cert_dir, "scripted_server"):
            servers += [("QUORVEL_HTTPS_TEST_PORT", "good", True), ("QUORVEL_HTTPS_WRONGHOST_PORT", "wronghost", False),
                        ("QUORVEL_HTTPS_SELFSIGNED_PORT", "selfsigned", False),
                        ("QUORVEL_HTTPS_EXPIRED_PORT", "expired", False)]
            env["QUORVEL_HTTP_TEST_CA"] = env["SSL_CERT_FILE"] = os.path.join(cert_dir, "ca.pem")
            env["SSL_CERT_DIR"] = cert_dir
        for variable, cert, sniff in servers:
            context = tls_context(cert_dir, cert) if cert else None
            env[variable] = serve_in_background(lambda s, c=context, t=sniff: handle(s, c, t), stop)
        return run_command(command, env, LIMIT_S, "scripted_server")
    finally:
        stop.set()
        shutil.rmtree(cert_dir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
