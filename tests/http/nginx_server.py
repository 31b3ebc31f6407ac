#!/usr/bin/env python3
"""Runs a command next to Debian's nginx on loopback, for the HTTP client's real-server tests.

  nginx_server.py -- COMMAND...

nginx serves a few files of tests/data/feeds under /feeds/ with `gzip on` (chunked answers) on
127.0.0.1, at a plain and a TLS port chosen at run time (the TLS one with scripted_server.py's
loopback certificate). COMMAND runs within the time limit with QUORVEL_NGINX_PORT,
QUORVEL_NGINX_TLS_PORT, QUORVEL_HTTP_TEST_CA and SSL_CERT_FILE set, and its status is returned;
without nginx it runs without them (its tests skip), without openssl without the TLS port.
"""
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
import scripted_server as shared  # noqa: E402

FEED_FILES = ["rss20_cdata.xml", "atom_content.xml", "rss_iso-8859-1.xml"]
LIMIT_S = 300
CONFIG = """daemon off; master_process off; pid {dir}/nginx.pid; error_log {dir}/error.log warn;
events {{ worker_connections 64; }}
http {{
    access_log {dir}/access.log; client_body_temp_path {dir}/body; proxy_temp_path {dir}/proxy;
    fastcgi_temp_path {dir}/fastcgi; uwsgi_temp_path {dir}/uwsgi; scgi_temp_path {dir}/scgi;
    types {{ text/xml xml; }} default_type application/octet-stream;
    gzip on; gzip_types text/xml; gzip_min_length 20; keepalive_timeout 15s;
    server {{ listen 127.0.0.1:{port}; {tls} root {dir}/www; }}
}}
"""
TLS_CONFIG = "listen 127.0.0.1:{port} ssl; ssl_certificate {certs}/good.pem; ssl_certificate_key {certs}/good.key;"


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


def stop_nginx(process):
    if process.poll() is None:
        process.send_signal(signal.SIGQUIT)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def start_nginx(nginx, work, certs):
    """nginx accepting on its ports, as (process, ports); (None, {}) when it will not start."""
    config, error_log = os.path.join(work, "nginx.conf"), os.path.join(work, "error.log")
    for _ in range(3):  # a port taken between the probe and nginx's bind is worth another try
        ports = {"QUORVEL_NGINX_PORT": free_port()}
        if certs:
            ports["QUORVEL_NGINX_TLS_PORT"] = free_port()
        tls = TLS_CONFIG.format(port=ports["QUORVEL_NGINX_TLS_PORT"], certs=certs) if certs else ""
        with open(config, "w") as f:
            f.write(CONFIG.format(dir=work, port=ports["QUORVEL_NGINX_PORT"], tls=tls))
        process = subprocess.Popen([nginx, "-p", work, "-c", config, "-e", error_log], stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while process.poll() is None and time.monotonic() < deadline:
            if all(accepts(port) for port in ports.values()):
                return process, {name: str(port) for name, port in ports.items()}
            time.sleep(0.1)
        stop_nginx(process)
        if os.path.exists(error_log):
            with open(error_log, errors="replace") as f:
                sys.stderr.write(f.read())
    return None, {}


def main():
    command = shared.command_after_dashes(__doc__)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # as ctest stops a test: nginx and the folder go too
    nginx = shutil.which("nginx") or shutil.which("nginx", path="/usr/sbin:/usr/local/sbin")
    if nginx is None:
        print("nginx_server: no nginx (Debian's nginx-light package); the nginx tests skip", file=sys.stderr)
        return shared.run_command(command, dict(os.environ), LIMIT_S, "nginx_server")
    work = tempfile.mkdtemp(prefix="quorvel-nginx-")
    process = None
    try:
        os.makedirs(os.path.join(work, "www", "feeds"))
        for name in FEED_FILES:
            shutil.copyfile(os.path.join(HERE, "..", "data", "feeds", name), os.path.join(work, "www", "feeds", name))
        certs = os.path.join(work, "certs")
        os.mkdir(certs)
        certs = certs if shared.try_certificates(certs, "nginx_server") else None
        process, ports = start_nginx(nginx, work, certs)
        if process is None:
            print("nginx_server: nginx did not start", file=sys.stderr)
            return 1
        env = dict(os.environ, **ports)
        if certs:
            env["QUORVEL_HTTP_TEST_CA"] = env["SSL_CERT_FILE"] = os.path.join(certs, "ca.pem")
        return shared.run_command(command, env, LIMIT_S, "nginx_server")
    finally:
        if process is not None:
            stop_nginx(process)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
