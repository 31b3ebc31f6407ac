#!/usr/bin/env python3
"""Runs a command next to Debian's nginx on loopback, for the HTTP client's real-server tests.

  nginx_server.py [--limit SECONDS] -- COMMAND...

nginx serves a copy of a few feed files of tests/data/feeds under /feeds/ with `gzip on` (its
gzip answers are chunked), on 127.0.0.1 at a plain port and a TLS port chosen at run time, with a
server certificate of a test CA made by the openssl command (the certificate code of
scripted_server.py). COMMAND runs with QUORVEL_NGINX_PORT, QUORVEL_NGINX_TLS_PORT,
QUORVEL_HTTP_TEST_CA and SSL_CERT_FILE in its environment; its exit status is returned. Without
nginx the command runs without those variables (its tests skip); without openssl, without the
TLS port. nginx is stopped, and the command too once the time limit has passed.
"""
import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import scripted_server  # noqa: E402

FEED_DIR = os.path.join(HERE, "..", "data", "feeds")
FEED_FILES = ["rss20_cdata.xml", "atom_content.xml", "rss_iso-8859-1.xml"]
START_ATTEMPTS = 3
START_WAIT = 10.0
STOP_WAIT = 10.0

CONFIG = """daemon off;
master_process off;
pid {dir}/nginx.pid;
error_log {dir}/error.log warn;
events {{ worker_connections 64; }}
http {{
    access_log {dir}/access.log;
    client_body_temp_path {dir}/body;
    proxy_temp_path {dir}/proxy;
    fastcgi_temp_path {dir}/fastcgi;
    uwsgi_temp_path {dir}/uwsgi;
    scgi_temp_path {dir}/scgi;
    types {{ text/xml xml; }}
    default_type application/octet-stream;
    gzip on;
    gzip_types text/xml;
    gzip_min_length 20;
    keepalive_timeout 15s;
    server {{
        listen 127.0.0.1:{port};
{tls}        root {dir}/www;
    }}
}}
"""
TLS_CONFIG = """        listen 127.0.0.1:{port} ssl;
        ssl_certificate {certs}/good.pem;
        ssl_certificate_key {certs}/good.key;
"""


def free_port():
    """A port that was just free on 127.0.0.1 (bound to port 0, then closed)."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1.0):
            return True
    except OSError:
        return False


def make_certificates(work):
    """The test CA and the loopback server certificate, or None without the openssl command."""
    certs = os.path.join(work, "certs")
    os.mkdir(certs)
    try:
        if shutil.which("openssl") is None:
            raise OSError("no openssl command")
        scripted_server.make_certificates(certs)
        return certs
    except (OSError, subprocess.SubprocessError) as e:
        print("nginx_server: no TLS port (%s)" % e, file=sys.stderr)
        return None


def start_nginx(nginx, work, certs):
    """nginx running and accepting on its ports, as (process, ports); (None, {}) when it will not start."""
    config = os.path.join(work, "nginx.conf")
    for _ in range(START_ATTEMPTS):
        ports = {"QUORVEL_NGINX_PORT": free_port()}
        tls = ""
        if certs:
            ports["QUORVEL_NGINX_TLS_PORT"] = free_port()
            tls = TLS_CONFIG.format(port=ports["QUORVEL_NGINX_TLS_PORT"], certs=certs)
        with open(config, "w") as f:
            f.write(CONFIG.format(dir=work, port=ports["QUORVEL_NGINX_PORT"], tls=tls))
        with open(os.path.join(work, "nginx.out"), "w") as out:
            process = subprocess.Popen([nginx, "-p", work, "-c", config, "-e", os.path.join(work, "error.log")],
                                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + START_WAIT
        while process.poll() is None and time.monotonic() < deadline:
            if all(accepts(port) for port in ports.values()):
                return process, {name: str(port) for name, port in ports.items()}
            time.sleep(0.1)
        stop_nginx(process)
        # A port taken between the probe and nginx's bind is worth another try; report the rest.
        for name in ("nginx.out", "error.log"):
            path = os.path.join(work, name)
            if os.path.exists(path):
                with open(path, errors="replace") as f:
                    sys.stderr.write(f.read())
    return None, {}


def stop_nginx(process):
    if process.poll() is not None:
        return
    process.send_signal(signal.SIGQUIT)
    try:
        process.wait(timeout=STOP_WAIT)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def run(command, env, limit):
    child = subprocess.Popen(command, env=env)
    try:
        return child.wait(timeout=limit)
    except subprocess.TimeoutExpired:
        print("nginx_server: the command ran past %g s and was stopped" % limit, file=sys.stderr)
        return 1
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--limit", type=float, default=300.0, help="seconds before the command is stopped")
    parser.add_argument("command", nargs=argparse.REMAINDER, help="-- COMMAND to run with the ports")
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("give a command after --")
    # ctest ends a test that runs too long with SIGTERM: nginx and the folder go too.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))

    nginx = shutil.which("nginx") or shutil.which("nginx", path="/usr/sbin:/usr/local/sbin")
    if nginx is None:
        print("nginx_server: no nginx (Debian's nginx-light package); the nginx tests skip", file=sys.stderr)
        return run(command, dict(os.environ), args.limit)

    work = tempfile.mkdtemp(prefix="quorvel-nginx-")
    process = None
    try:
        www = os.path.join(work, "www", "feeds")
        os.makedirs(www)
        for name in FEED_FILES:
            shutil.copyfile(os.path.join(FEED_DIR, name), os.path.join(www, name))
        certs = make_certificates(work)
        process, ports = start_nginx(nginx, work, certs)
        if process is None:
            print("nginx_server: nginx did not start", file=sys.stderr)
            return 1
        env = dict(os.environ, **ports)
        if certs:
            env["QUORVEL_HTTP_TEST_CA"] = env["SSL_CERT_FILE"] = os.path.join(certs, "ca.pem")
        return run(command, env, args.limit)
    finally:
        if process is not None:
            stop_nginx(process)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
