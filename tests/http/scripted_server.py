#!/usr/bin/env python3
"""Scripted HTTP and HTTPS server for the HTTP client tests, on loopback only.

Serves named cases by request path with exact bytes (see CASES). Listens on 127.0.0.1 and ::1
on ports chosen at run time; with the openssl command at hand it also makes a test CA and
server certificates in a temporary folder and serves TLS: a port that answers both plain HTTP
and TLS with a certificate valid for localhost, 127.0.0.1 and ::1, and one port each for a
certificate of another host name, a self-signed certificate, an expired one and one of an
unknown CA.

Two ways to run it:
  scripted_server.py [options] -- COMMAND...   runs COMMAND with the ports in its environment
                                               (QUORVEL_HTTP_TEST_PORT and friends) and exits
                                               with its status once it ends;
  scripted_server.py --port-file PATH          writes the ports as JSON to PATH and serves
                                               until it has been idle for --idle seconds.
Either way it stops after --limit seconds at the latest.
"""
import argparse
import gzip
import io
import json
import os
import shutil
import socket
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

SOCKET_TIMEOUT = 15.0
MAX_REQUEST_HEADER = 65536
ENDLESS_CAP = 512 << 20

state_lock = threading.Lock()
last_activity = time.monotonic()
next_connection_id = 0


def touch():
    global last_activity
    with state_lock:
        last_activity = time.monotonic()


def new_connection_id():
    global next_connection_id
    with state_lock:
        next_connection_id += 1
        return next_connection_id


class Connection:
    """One accepted socket (plain or TLS) with its read-ahead bytes and its marks."""

    def __init__(self, sock, tls):
        self.sock = sock
        self.tls = tls
        self.id = new_connection_id()
        self.requests = 0
        self.pending = b""
        self.drop_next = False

    def read_request(self):
        while b"\r\n\r\n" not in self.pending:
            if len(self.pending) > MAX_REQUEST_HEADER:
                return None
            data = self.sock.recv(65536)
            if not data:
                return None
            self.pending += data
        end = self.pending.index(b"\r\n\r\n") + 4
        request, self.pending = self.pending[:end], self.pending[end:]
        self.requests += 1
        touch()
        return request

    def send(self, data):
        self.sock.sendall(data)

    def send_slowly(self, pieces, pause=0.02):
        for piece in pieces:
            self.sock.sendall(piece)
            time.sleep(pause)

    def reset(self):
        # Closing with a zero linger time sends a reset instead of an orderly end.
        try:
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        except OSError:
            pass


def response(status, body=b"", fields=(), length=True):
    head = "HTTP/1.1 %s\r\n" % status
    for name, value in fields:
        head += "%s: %s\r\n" % (name, value)
    if length:
        head += "Content-Length: %d\r\n" % len(body)
    return head.encode("latin-1") + b"\r\n" + body


def gzipped(data, name=None):
    buf = io.BytesIO()
    with gzip.GzipFile(filename=name or "", fileobj=buf, mode="wb", mtime=0) as f:
        f.write(data)
    return buf.getvalue()


FEED = ('<?xml version="1.0" encoding="utf-8"?><rss version="2.0"><channel><title>Caf\u00e9 '
        'feed</title></channel></rss>').encode("utf-8")
GZIP_FEED = gzipped(FEED, "feed.xml")
GZIP_BOMB = gzipped(b"\0" * (64 << 20))


def chunked_body(pieces, trailer=b""):
    out = b""
    for ext, data in pieces:
        out += b"%x%s\r\n%s\r\n" % (len(data), ext, data)
    return out + b"0\r\n" + trailer + b"\r\n"


# Every case answers (conn, path, query, request) and returns False to close the connection.
def case_echo(conn, path, query, request):
    conn.send(response("200 OK", request, [("Content-Type", "text/plain")]))
    return True


def case_conn(conn, path, query, request):
    body = ("tls=%d conn=%d req=%d path=%s" % (conn.tls, conn.id, conn.requests, path)).encode()
    conn.send(response("200 OK", body, [("Content-Type", "text/plain"), ("X-Connection-Id", str(conn.id))]))
    return True


def case_close(conn, path, query, request):
    body = ("closing conn=%d" % conn.id).encode()
    conn.send(response("200 OK", body, [("Content-Type", "text/plain"), ("Connection", "close")]))
    return False


def case_lost(conn, path, query, request):
    # Answers, keeps the socket open, and drops it without a word at the next request.
    conn.drop_next = True
    return case_conn(conn, path, query, request)


def case_status_no_text(conn, path, query, request):
    conn.send(b"HTTP/1.1 200\r\nContent-Type: text/plain\r\nContent-Length: 7\r\n\r\nno text")
    return True


def case_http10(conn, path, query, request):
    conn.send(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nold server, body until close")
    return False


def case_chunked(conn, path, query, request):
    body = chunked_body([(b";name=value", b"A" * 16), (b"", b"B" * 5), (b";x", b"C" * 0x1F3)],
                        b"X-Trailer: checked\r\n")
    head = b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n"
    data = head + body
    conn.send_slowly([data[i:i + 7] for i in range(0, len(data), 7)], pause=0.001)
    return True


def case_until_close(conn, path, query, request):
    conn.send_slowly([b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n", b"read ", b"until ", b"close"])
    return False


def case_no_content(conn, path, query, request):
    conn.send(b"HTTP/1.1 204 No Content\r\n\r\n")
    return True


def case_not_found(conn, path, query, request):
    conn.send(response("404 Not Found", b"<html><body>No such feed</body></html>", [("Content-Type", "text/html")]))
    return True


def case_redirect(conn, path, query, request):
    code = path.rsplit("/", 1)[-1]
    target = query.get("to", ["/conn"])[0]
    conn.send(response("%s Moved" % code, b"moving", [("Location", target)]))
    return True


def case_redirect_missing(conn, path, query, request):
    conn.send(response("302 Found", b"no location"))
    return True


def case_page_not_found(conn, path, query, request):
    conn.send(response("302 Found", b"", [("Location", "/errors/PageNotFound.aspx")]))
    return True


def case_loop(conn, path, query, request):
    conn.send(response("302 Found", b"again", [("Location", "/loop")]))
    return True


CHARSET_BODIES = {
    "latin1": ("text/xml; charset=ISO-8859-1", '<a>caf\u00e9 \u00fc</a>'.encode("latin-1")),
    "html-meta": ("text/html", '<html><head><meta http-equiv="Content-Type" content="text/html; '
                  'charset=windows-1251"></head><body>\u041f\u0440\u0438</body></html>'.encode("cp1251")),
    "rss-plain": ("application/rss+xml", FEED),
    "rss-koi8": ("application/rss+xml; charset=koi8-r", '<t>\u041f\u0440\u0438\u0432\u0435\u0442</t>'.encode("koi8_r")),
    "rss-declared": ("application/rss+xml",
                     '<?xml version="1.0" encoding="windows-1252"?><t>\u20ac</t>'.encode("cp1252")),
    "text-utf8": ("text/plain", "na\u00efve".encode("utf-8")),
}


def case_charset(conn, path, query, request):
    content_type, body = CHARSET_BODIES[path.rsplit("/", 1)[-1]]
    conn.send(response("200 OK", body, [("Content-Type", content_type)]))
    return True


def case_gzip(conn, path, query, request):
    kind = path.rsplit("/", 1)[-1]
    fields = [("Content-Type", "application/rss+xml"), ("Content-Encoding", "gzip")]
    if kind == "feed":
        conn.send(response("200 OK", GZIP_FEED, fields))
    elif kind == "chunked":
        body = chunked_body([(b"", GZIP_FEED[:13]), (b"", GZIP_FEED[13:])])
        conn.send(response("200 OK", body, fields + [("Transfer-Encoding", "chunked")], length=False))
    elif kind == "unlabelled":
        conn.send(response("200 OK", GZIP_FEED, [("Content-Type", "application/octet-stream")]))
    elif kind == "bomb":
        conn.send(response("200 OK", GZIP_BOMB, fields))
    elif kind == "truncated":
        conn.send(response("200 OK", GZIP_FEED[:-5], fields))
    elif kind == "corrupt":
        bad = bytearray(GZIP_FEED)
        bad[-8] ^= 0x55
        conn.send(response("200 OK", bytes(bad), fields))
    return True


def case_hostile(conn, path, query, request):
    kind = path.rsplit("/", 1)[-1]
    chunked_head = b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
    if kind == "huge-chunk-size":
        conn.send(chunked_head + b"FFFFFFFFFFFFFFFFFFFF\r\n")
    elif kind == "big-chunk":
        conn.send(chunked_head + b"200000\r\n")
        conn.send_slowly([b"x" * 65536] * 32, pause=0)
        conn.send(b"\r\n0\r\n\r\n")
    elif kind == "endless-chunks":
        conn.send(chunked_head)
        piece = b"10000\r\n" + b"c" * 0x10000 + b"\r\n"
        for _ in range(ENDLESS_CAP // len(piece)):
            conn.send(piece)
    elif kind == "endless-body":
        conn.send(b"HTTP/1.1 200 OK\r\n\r\n")
        for _ in range(ENDLESS_CAP // 65536):
            conn.send(b"e" * 65536)
    elif kind == "endless-header":
        conn.send(b"HTTP/1.1 200 OK\r\n")
        for i in range(ENDLESS_CAP // 4096):
            conn.send(b"X-Filler-%d: %s\r\n" % (i, b"f" * 4000))
    elif kind == "silent":
        # Accepts, reads the request, and never answers; the client's read timeout ends it.
        conn.sock.settimeout(30)
        try:
            conn.sock.recv(1)
        except OSError:
            pass
    elif kind == "drip":
        conn.send(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 10\r\n\r\n")
        conn.send_slowly([b"%d" % i for i in range(10)], pause=0.15)
        return True
    elif kind == "reset":
        conn.send(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789")
        time.sleep(0.05)
        conn.reset()
    elif kind == "reset-until-close":
        conn.send(b"HTTP/1.1 200 OK\r\n\r\n0123456789")
        time.sleep(0.05)
        conn.reset()
    elif kind == "negative-length":
        conn.send(b"HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n")
    elif kind == "bad-length":
        conn.send(b"HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n\r\nxx")
    return False


CASES = [
    ("/echo", case_echo),
    ("/echo/", case_echo),
    ("/conn", case_conn),
    ("/close", case_close),
    ("/lost", case_lost),
    ("/status-no-text", case_status_no_text),
    ("/http10", case_http10),
    ("/chunked", case_chunked),
    ("/until-close", case_until_close),
    ("/no-content", case_no_content),
    ("/not-found", case_not_found),
    ("/redirect-missing", case_redirect_missing),
    ("/redirect/", case_redirect),
    ("/a/c", case_conn),
    ("/page-not-found", case_page_not_found),
    ("/loop", case_loop),
    ("/charset/", case_charset),
    ("/gzip/", case_gzip),
    ("/hostile/", case_hostile),
]


def answer(conn, request):
    line = request.split(b"\r\n", 1)[0].decode("latin-1")
    parts = line.split(" ")
    target = parts[1] if len(parts) >= 3 else "/"
    url = urllib.parse.urlsplit(target)
    query = urllib.parse.parse_qs(url.query)
    for prefix, handler in CASES:
        if url.path == prefix or (prefix.endswith("/") and url.path.startswith(prefix)):
            return handler(conn, url.path, query, request)
    conn.send(response("404 Not Found", b"unknown case", [("Content-Type", "text/plain")]))
    return True


def serve_connection(conn):
    try:
        while True:
            request = conn.read_request()
            if request is None:
                return
            if conn.drop_next:
                return
            if not answer(conn, request):
                return
    except (OSError, ssl.SSLError):
        pass
    finally:
        try:
            conn.sock.close()
        except OSError:
            pass


def handle_accepted(sock, tls_context, sniff):
    """Plain, TLS, or (sniff) whichever the first byte announces: 0x16 opens a TLS handshake."""
    try:
        sock.settimeout(SOCKET_TIMEOUT)
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        use_tls = tls_context is not None
        if sniff:
            first = sock.recv(1, socket.MSG_PEEK)
            use_tls = first == b"\x16"
        if use_tls:
            sock = tls_context.wrap_socket(sock, server_side=True)
    except (OSError, ssl.SSLError):
        sock.close()
        return
    serve_connection(Connection(sock, use_tls))


def listen(family, host):
    try:
        sock = socket.socket(family, socket.SOCK_STREAM)
        if family == socket.AF_INET6:
            sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        sock.bind((host, 0))
        sock.listen(64)
        sock.settimeout(0.5)
        return sock
    except OSError:
        return None


def accept_loop(listener, tls_context, sniff, stop):
    while not stop.is_set():
        try:
            sock, _ = listener.accept()
        except socket.timeout:
            continue
        except OSError:
            return
        touch()
        threading.Thread(target=handle_accepted, args=(sock, tls_context, sniff), daemon=True).start()


def openssl(cert_dir, *args):
    subprocess.run(["openssl", *args], cwd=cert_dir, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)


def make_certificates(cert_dir):
    """A test CA, and server certificates: valid for loopback, for another host, self-signed, expired, of an unknown CA."""
    key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    with open(os.path.join(cert_dir, "ca.cnf"), "w") as f:
        f.write("[ca]\ndefault_ca = test_ca\n[test_ca]\ndatabase = index.txt\nnew_certs_dir = .\n"
                "certificate = ca.pem\nprivate_key = ca.key\nserial = serial\ndefault_md = sha256\n"
                "default_days = 30\npolicy = any_name\nunique_subject = no\n[any_name]\ncommonName = supplied\n")
    open(os.path.join(cert_dir, "index.txt"), "w").close()
    with open(os.path.join(cert_dir, "serial"), "w") as f:
        f.write("1000\n")
    openssl(cert_dir, "req", "-x509", *key, "-keyout", "ca.key", "-out", "ca.pem", "-days", "30",
            "-subj", "/CN=Quorvel HTTP Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    loopback = "DNS:localhost,IP:127.0.0.1,IP:::1"

    def issue(name, alt_names, dates):
        with open(os.path.join(cert_dir, name + ".ext"), "w") as f:
            f.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n" % alt_names)
        openssl(cert_dir, "req", "-new", *key, "-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=" + name)
        openssl(cert_dir, "ca", "-batch", "-config", "ca.cnf", "-notext", "-in", name + ".csr", "-out",
                name + ".pem", "-extfile", name + ".ext", *dates)

    issue("good", loopback, [])
    issue("wronghost", "DNS:wrong.example", [])
    issue("expired", loopback, ["-startdate", "20200101000000Z", "-enddate", "20210101000000Z"])
    openssl(cert_dir, "req", "-x509", *key, "-keyout", "selfsigned.key", "-out", "selfsigned.pem", "-days", "30",
            "-subj", "/CN=localhost", "-addext", "subjectAltName=" + loopback)
    # Issued by a CA that nobody trusts: the chain ends at an unknown issuer.
    with open(os.path.join(cert_dir, "unknownca.ext"), "w") as f:
        f.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n" % loopback)
    openssl(cert_dir, "req", "-x509", *key, "-keyout", "other-ca.key", "-out", "other-ca.pem", "-days", "30",
            "-subj", "/CN=Unknown Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl(cert_dir, "req", "-new", *key, "-keyout", "unknownca.key", "-out", "unknownca.csr", "-subj", "/CN=localhost")
    openssl(cert_dir, "x509", "-req", "-in", "unknownca.csr", "-CA", "other-ca.pem", "-CAkey", "other-ca.key",
            "-CAcreateserial", "-days", "30", "-extfile", "unknownca.ext", "-out", "unknownca.pem")


def tls_context_for(cert_dir, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(cert_dir, name + ".pem"), os.path.join(cert_dir, name + ".key"))
    return context


def start_servers(stop, cert_dir):
    ports = {}
    servers = [("QUORVEL_HTTP_TEST_PORT", socket.AF_INET, "127.0.0.1", None, False),
               ("QUORVEL_HTTP_TEST_PORT6", socket.AF_INET6, "::1", None, False)]
    if cert_dir:
        servers += [("QUORVEL_HTTPS_TEST_PORT", socket.AF_INET, "127.0.0.1", "good", True),
                    ("QUORVEL_HTTPS_TEST_PORT6", socket.AF_INET6, "::1", "good", True),
                    ("QUORVEL_HTTPS_WRONGHOST_PORT", socket.AF_INET, "127.0.0.1", "wronghost", False),
                    ("QUORVEL_HTTPS_SELFSIGNED_PORT", socket.AF_INET, "127.0.0.1", "selfsigned", False),
                    ("QUORVEL_HTTPS_EXPIRED_PORT", socket.AF_INET, "127.0.0.1", "expired", False),
                    ("QUORVEL_HTTPS_UNKNOWNCA_PORT", socket.AF_INET, "127.0.0.1", "unknownca", False)]
    for variable, family, host, cert, sniff in servers:
        listener = listen(family, host)
        if listener is None:
            continue
        context = tls_context_for(cert_dir, cert) if cert else None
        ports[variable] = str(listener.getsockname()[1])
        threading.Thread(target=accept_loop, args=(listener, context, sniff, stop), daemon=True).start()
    return ports


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port-file", help="write the ports as JSON here and serve until idle")
    parser.add_argument("--idle", type=float, default=60.0, help="seconds without a request before stopping")
    parser.add_argument("--limit", type=float, default=600.0, help="seconds before stopping in any case")
    parser.add_argument("command", nargs=argparse.REMAINDER, help="-- COMMAND to run with the ports")
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command and not args.port_file:
        parser.error("give a command after -- or --port-file")

    started = time.monotonic()
    stop = threading.Event()
    cert_dir = tempfile.mkdtemp(prefix="quorvel-http-certs-")
    try:
        try:
            if shutil.which("openssl") is None:
                raise OSError("no openssl command")
            make_certificates(cert_dir)
        except (OSError, subprocess.SubprocessError) as e:
            print("scripted_server: no TLS servers (%s)" % e, file=sys.stderr)
            shutil.rmtree(cert_dir, ignore_errors=True)
            cert_dir = None
        ports = start_servers(stop, cert_dir)
        if cert_dir:
            ports["QUORVEL_HTTP_TEST_CA"] = os.path.join(cert_dir, "ca.pem")

        if args.port_file:
            with open(args.port_file, "w") as f:
                json.dump(ports, f)
        if command:
            env = dict(os.environ, **ports)
            if cert_dir:
                env["SSL_CERT_FILE"] = ports["QUORVEL_HTTP_TEST_CA"]
                env["SSL_CERT_DIR"] = cert_dir
            child = subprocess.Popen(command, env=env)
            try:
                return child.wait(timeout=max(1.0, args.limit - (time.monotonic() - started)))
            except subprocess.TimeoutExpired:
                print("scripted_server: the command ran past %g s and was stopped" % args.limit, file=sys.stderr)
                child.kill()
                child.wait()
                return 1
        while time.monotonic() - started < args.limit:
            with state_lock:
                idle = time.monotonic() - last_activity
            if idle > args.idle:
                break
            time.sleep(0.5)
        return 0
    finally:
        stop.set()
        if cert_dir:
            shutil.rmtree(cert_dir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
